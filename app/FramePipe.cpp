#include "app/FramePipe.h"

#include "engine/CallQueue.h"
#include "render/Renderer.h"

#include <QPainter>

#include <algorithm>

namespace {

// While playing, the main window's preview follows the footage this often: scaling a large
// frame down for it every frame would cost as much as showing it.
constexpr int64_t kPreviewStepMs = 200;

// The largest rectangle of content's shape centred in area.
QRectF Fit(QSizeF content, const QRectF& area) {
    if (content.isEmpty()) {
        return area;
    }
    const QSizeF fitted = content.scaled(area.size(), Qt::KeepAspectRatio);
    return {area.center() - QPointF(fitted.width(), fitted.height()) / 2, fitted};
}

// The smallest rectangle holding every pixel of picture that is not fully transparent (empty
// when none is). A broadcast board is a picture of the whole frame with a panel in one
// corner: laid over each frame whole, it would cost as much as the frame itself.
QRect CoveredArea(const QImage& picture) {
    if (!picture.hasAlphaChannel()) {
        return picture.rect();
    }
    int top = picture.height();
    int bottom = -1;
    int left = picture.width();
    int right = -1;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        int first = 0;
        while (first < picture.width() && qAlpha(row[first]) == 0) {
            ++first;
        }
        if (first == picture.width()) {
            continue;
        }
        int last = picture.width() - 1;
        while (qAlpha(row[last]) == 0) {
            --last;
        }
        top = std::min(top, y);
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    return bottom < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

FramePipe::FramePipe(QObject* parent) : QObject(parent), m_toOwner(new CallQueue(this)) {
    m_thread = std::thread([this] { run(); });
}

FramePipe::~FramePipe() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void FramePipe::offer(const QVideoFrame& frame) {
    if (!frame.isValid()) {
        return;
    }
    // Woken under the lock: the last offer is then ordered before the pipe's end by the
    // lock alone, whichever thread the sink offered from and however that thread ended.
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_incoming = frame;
    m_wake.notify_one();
}

void FramePipe::setLayout(const FrameLayout& layout) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_layout = layout;
        ++m_generation;
        m_relayout = true;
    }
    m_wake.notify_one();
}

void FramePipe::clear() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_incoming = {};
    m_outgoing.reset();
    ++m_generation;
    m_relayout = false;
    m_dropFrame = true;
}

bool FramePipe::take(ComposedFrame& out) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = false;
    if (!m_outgoing) {
        return false;
    }
    out = std::move(*m_outgoing);
    m_outgoing.reset();
    return true;
}

void FramePipe::paint(QPainter& painter, const QRect& area, const QImage& frame,
                      const QImage& board, QPoint boardPos) {
    painter.fillRect(area, Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (frame.isNull()) {
        if (!board.isNull()) {
            painter.drawImage(Fit(board.size(), area), board);
        }
        return;
    }
    const QRectF target = Fit(frame.size(), area);
    painter.drawImage(target, frame);
    if (!board.isNull()) {
        const double factor = target.width() / frame.width();
        painter.drawImage(
            QRectF(target.topLeft() + QPointF(boardPos) * factor, QSizeF(board.size()) * factor),
            board);
    }
}

void FramePipe::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stop || m_incoming.isValid() || m_relayout; });
        if (m_stop) {
            return;
        }
        compose(lock);
    }
}

void FramePipe::compose(std::unique_lock<std::mutex>& lock) {
    QVideoFrame incoming = std::move(m_incoming);
    m_incoming = {};
    m_relayout = false;
    const FrameLayout layout = m_layout;
    const uint64_t generation = m_generation;
    const bool drop = m_dropFrame;
    m_dropFrame = false;
    lock.unlock();
    if (drop) {
        m_frame = {};
        m_frameUs = -1;
    }

    // The expensive part runs unlocked: the sink goes on offering meanwhile.
    if (incoming.isValid()) {
        m_frame = incoming.toImage().convertToFormat(QImage::Format_RGB32);
        m_frameUs = incoming.startTime();
        incoming = {}; // the decoder's buffer goes back at once
    }
    if (m_frame.isNull() || m_frameUs < 0) {
        lock.lock();
        return;
    }
    auto out = std::make_unique<ComposedFrame>();
    out->frame = m_frame;
    out->index = layout.clock.frameOfStart(m_frameUs);
    out->ms = layout.clock.startMs(out->index);

    // The board of the frame's own moment, redrawn only when its picture changes: its entry,
    // or the broadcast board's timed graphics.
    const FootageBoard placed = BoardOverFootage(layout.board, layout.overlay, layout.footageSize);
    const Match empty;
    const Match& match = layout.match ? *layout.match : empty;
    const int entry = layout.fixedEntry >= 0 ? layout.fixedEntry : EntryAtMoment(match, out->ms);
    const int64_t variant =
        layout.fixedEntry >= 0 ? 0 : MomentVariant(match, out->ms, placed.options);
    if (entry != m_boardEntry || variant != m_boardVariant || generation != m_boardGeneration ||
        m_board.isNull()) {
        bool drawn = false;
        if (match.count() == 0) {
            RenderTitle(m_board, placed.options);
            drawn = true;
        } else if (layout.fixedEntry >= 0) {
            drawn = RenderEntry(match, entry, m_board, placed.options);
        } else {
            drawn = RenderMoment(match, out->ms, m_board, placed.options);
        }
        // An entry without a board keeps the board before it, as the outputs do.
        if (!drawn && (m_board.isNull() || m_board.size() != PictureSize(placed.options))) {
            m_board = MakeBoardImage(placed.options);
            drawn = true;
        }
        if (drawn || generation != m_boardGeneration) {
            // The classic board is its own picture; of the broadcast board's whole frame only
            // the part it covers goes over the frames.
            const QRect covered = placed.options.design == BoardDesign::Broadcast
                                      ? CoveredArea(m_board)
                                      : m_board.rect();
            m_shown = covered.isEmpty()           ? QImage()
                      : covered == m_board.rect() ? m_board
                                                  : m_board.copy(covered);
            m_shownAt = placed.position + covered.topLeft();
        }
        m_boardEntry = entry;
        m_boardVariant = variant;
        m_boardGeneration = generation;
    }
    out->board = m_shown;
    out->boardEntry = entry;
    out->boardPos = m_shownAt;

    if (!layout.viewSize.isEmpty()) {
        out->composed = QImage(layout.viewSize, QImage::Format_RGB32);
        QPainter painter(&out->composed);
        paint(painter, out->composed.rect(), out->frame, out->board, out->boardPos);
    }
    if (layout.previewEveryFrame || m_lastPreviewMs < 0 || out->ms < m_lastPreviewMs ||
        out->ms - m_lastPreviewMs >= kPreviewStepMs) {
        out->preview = QImage(layout.previewSize, QImage::Format_RGB32);
        QPainter painter(&out->preview);
        paint(painter, out->preview.rect(), out->frame, out->board, out->boardPos);
        m_lastPreviewMs = out->ms;
    }

    lock.lock();
    if (generation != m_generation && !m_relayout) {
        return; // cleared meanwhile
    }
    m_outgoing = std::move(out);
    if (!m_signalled) {
        m_signalled = true;
        m_toOwner->post([this] { emit ready(); });
    }
}
