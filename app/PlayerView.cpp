#include "app/PlayerView.h"

#include <QPainter>

PlayerView::PlayerView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 180);
}

void PlayerView::setFrame(const QImage& frame) {
    m_frame = frame;
    update();
}

void PlayerView::setBoard(const QImage& board, QPoint boardPos) {
    m_board = board;
    m_boardPos = boardPos;
    update();
}

namespace {

// The largest rectangle of content's shape centred in area.
QRectF Fit(QSizeF content, const QRectF& area) {
    if (content.isEmpty()) {
        return area;
    }
    const QSizeF fitted = content.scaled(area.size(), Qt::KeepAspectRatio);
    return {area.center() - QPointF(fitted.width(), fitted.height()) / 2, fitted};
}

} // namespace

void PlayerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintInto(painter, rect());
}

QImage PlayerView::compose(QSize size) const {
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    paintInto(painter, picture.rect());
    return picture;
}

void PlayerView::paintInto(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_frame.isNull()) {
        if (!m_board.isNull()) {
            painter.drawImage(Fit(m_board.size(), area), m_board);
        }
        return;
    }
    const QRectF target = Fit(m_frame.size(), area);
    painter.drawImage(target, m_frame);
    if (!m_board.isNull()) {
        const double factor = target.width() / m_frame.width();
        painter.drawImage(QRectF(target.topLeft() + QPointF(m_boardPos) * factor,
                                 QSizeF(m_board.size()) * factor),
                          m_board);
    }
}
