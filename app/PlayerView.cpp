#include "app/PlayerView.h"

#include "app/TapClock.h"

#include <QPainter>

#include <algorithm>

namespace {

// About eight seconds at 60 fps: longer than the player waits for a late key.
constexpr size_t kHistory = 512;

} // namespace

PlayerView::PlayerView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A click on the footage takes the keyboard from the scoring pad, so that the player's
    // own keys (Space, J, K, L, the arrows) reach the player again.
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(320, 180);
}

QSize PlayerView::pixelSize() const {
    return size() * devicePixelRatio();
}

void PlayerView::setFootageFrame(ComposedFrame frame) {
    m_shown = std::move(frame);
    if (isVisible()) {
        m_pendingPaint = true;
        update();
    } else {
        remember(m_shown.index);
    }
}

void PlayerView::clearFrame() {
    m_shown = {};
    m_history.clear();
    m_pendingPaint = false;
    update();
}

void PlayerView::setBoard(const QImage& board) {
    m_shown.board = board;
    m_shown.boardPos = {};
    update();
}

int64_t PlayerView::frameOnScreenAt(int64_t atMs) const {
    if (m_history.empty()) {
        return -1;
    }
    // The last entry shown at or before atMs.
    auto after = std::upper_bound(m_history.begin(), m_history.end(), atMs,
                                  [](int64_t t, const Shown& s) { return t < s.atMs; });
    if (after == m_history.begin()) {
        return after->index;
    }
    return std::prev(after)->index;
}

void PlayerView::remember(int64_t index) {
    if (index < 0) {
        return;
    }
    const int64_t now = TapClock::now();
    m_history.push_back({now, index});
    if (m_history.size() > kHistory) {
        m_history.pop_front();
    }
    emit frameOnScreen(index, now);
}

void PlayerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage& composed = m_shown.composed;
    if (!composed.isNull() && composed.size() == pixelSize()) {
        // Composed off this thread at the view's size: only copied here.
        painter.drawImage(rect(), composed);
    } else {
        FramePipe::paint(painter, rect(), m_shown.frame, m_shown.board, m_shown.boardPos);
    }
    if (m_pendingPaint) {
        m_pendingPaint = false;
        remember(m_shown.index);
    }
}

QImage PlayerView::compose(QSize size) const {
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    FramePipe::paint(painter, picture.rect(), m_shown.frame, m_shown.board, m_shown.boardPos);
    return picture;
}
