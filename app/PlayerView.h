#pragma once

#include "app/FramePipe.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <deque>

class QPainter;

// The player's picture: a footage frame composed with its board (FramePipe), or the board
// alone, fitted, when there is no footage.
//
// It remembers when each frame reached the screen, so that a key pressed at some moment
// names the frame that was on screen then, however late the key is handled. A frame counts
// as on screen when it was painted, or when it was handed over while the view is hidden.
class PlayerView : public QWidget {
    Q_OBJECT
public:
    explicit PlayerView(QWidget* parent = nullptr);

    // A footage frame. A composed picture of another size than the view's is fitted anew.
    void setFootageFrame(ComposedFrame frame);
    // No footage: the board alone.
    void clearFrame();
    // Without footage: the board to show. With footage the board comes with each frame.
    void setBoard(const QImage& board);

    const QImage& frame() const { return m_shown.frame; }
    const QImage& board() const { return m_shown.board; }
    QPoint boardPos() const { return m_shown.boardPos; }
    int64_t frameIndex() const { return m_shown.index; }

    // The frame that was on screen at moment atMs (TapClock's milliseconds): the last one
    // shown at or before it, the oldest one remembered for an earlier moment; -1 before any.
    int64_t frameOnScreenAt(int64_t atMs) const;

    QSize sizeHint() const override { return {640, 360}; }
    // The view's size in device pixels, as the composed frames should have it.
    QSize pixelSize() const;

    // The picture as the view paints it, at another size.
    QImage compose(QSize size) const;

signals:
    // A footage frame reached the screen (painted, or handed over while hidden).
    void frameOnScreen(int64_t index, int64_t atMs);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void remember(int64_t index);

    ComposedFrame m_shown;
    bool m_pendingPaint = false; // m_shown not yet painted
    struct Shown {
        int64_t atMs;
        int64_t index;
    };
    std::deque<Shown> m_history; // oldest first
};
