#include "app/ExportPreview.h"

#include "render/Renderer.h"
#include "video/ExportPlan.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Grey squares as image editors draw them behind transparent pixels.
void PaintChecker(QImage& into) {
    const int cell = std::max(4, into.height() / 24);
    QPainter painter(&into);
    painter.fillRect(into.rect(), QColor(0xCC, 0xCC, 0xCC));
    for (int y = 0; y < into.height(); y += cell) {
        for (int x = (y / cell) % 2 == 0 ? cell : 0; x < into.width(); x += 2 * cell) {
            painter.fillRect(x, y, cell, cell, QColor(0x99, 0x99, 0x99));
        }
    }
}

// Mid-leg, the first dart of a visit thrown, so that every part of the board shows.
BoardState SampleState() {
    BoardState state;
    state.header = "501 \u00B7 First to 3 legs \u00B7 Leg 2";
    state.names[0] = ExportPreview::tr("Player 1");
    state.names[1] = ExportPreview::tr("Player 2");
    state.legs[0] = 1;
    state.score[0] = 81;
    state.score[1] = 140;
    state.thrower = 1;
    state.visitPlayer = 1;
    state.visit = {"T20"};
    state.visitTotal = 60;
    state.route = {"T19", "D12"};
    state.stats[0] = "Avg 92.4";
    state.stats[1] = "Avg 85.1";
    return state;
}

} // namespace

QImage ExportPreviewPicture(const ExportRequest& request, const QImage& still, QSize box) {
    const RenderOptions& render = request.render;
    const QSize frame = request.frameSize.isEmpty() ? BoardSize(render.scale) : request.frameSize;
    const double fit = std::min({1.0, static_cast<double>(box.width()) / frame.width(),
                                 static_cast<double>(box.height()) / frame.height()});
    const QSize size(std::max(1, static_cast<int>(std::lround(frame.width() * fit))),
                     std::max(1, static_cast<int>(std::lround(frame.height() * fit))));
    QImage picture(size, QImage::Format_RGB32);
    if (still.isNull()) {
        PaintChecker(picture);
    } else {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(picture.rect(), still);
    }
    if (render.design == BoardDesign::Broadcast) {
        const BoardScene scene = LayoutBroadcast(SampleState(), size, render.broadcast);
        PaintBroadcast(picture, scene);
        return picture;
    }
    // The classic board at the export's scale, shrunk with the frame, in the chosen place.
    RenderOptions classic = render;
    classic.scale = std::clamp(render.scale * fit, kMinScale, kMaxScale);
    QImage board = MakeBoardImage(classic);
    RenderTitle(board, classic);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (request.frameSize.isEmpty()) {
        painter.drawImage(picture.rect(), board);
    } else {
        painter.drawImage(PlaceBoard(size, board.size(), request.place), board);
    }
    return picture;
}

ExportPreview::ExportPreview(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kExportPreviewBox / 2);
}

void ExportPreview::setStill(const QImage& still) {
    m_still = still;
    redraw();
}

void ExportPreview::setRequest(const ExportRequest& request) {
    m_request = request;
    m_haveRequest = true;
    redraw();
}

void ExportPreview::redraw() {
    if (m_haveRequest) {
        m_picture = ExportPreviewPicture(m_request, m_still);
        update();
    }
}

void ExportPreview::paintEvent(QPaintEvent*) {
    if (m_picture.isNull()) {
        return;
    }
    QPainter painter(this);
    QSize shown = m_picture.size().scaled(size(), Qt::KeepAspectRatio);
    if (shown.width() > m_picture.width()) {
        shown = m_picture.size();
    }
    const QRect target(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                       shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}
