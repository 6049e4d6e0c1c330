#pragma once

#include "app/FootageClock.h"
#include "score/ScoreData.h"
#include "video/MomentBoard.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QVideoFrame>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

// A footage frame made ready for the screen: converted, with the board of its moment laid
// over it, at the size the view shows it.
struct ComposedFrame {
    QImage frame;    // the footage frame as decoded, RGB32
    QImage board;    // the board laid over it (transparent around the board)
    QPoint boardPos; // in footage pixels
    QImage composed; // frame and board fitted into the view's size
    QImage preview;  // the same at the preview's size; null when none was due
    int64_t index = -1;
    int64_t ms = -1;     // the frame's start under the frame rule
    int boardEntry = -2; // the entry the board shows (-1: the title)
};

// How the frames are to be composed.
struct FrameLayout {
    std::shared_ptr<const Match> match;
    FootageClock clock;
    QSize footageSize;
    OverlaySettings overlay;
    RenderOptions board; // design, theme and layout; the rest comes from overlay and footage
    int fixedEntry = -1; // >= 0: this entry's board whatever the frame (a recording's)
    QSize viewSize;      // the view's size in device pixels
    QSize previewSize{kBoardWidth, kBoardHeight};
    bool previewEveryFrame = true; // false while playing: a preview every kPreviewStepMs
};

// Frames from the video sink go through a thread of our own: the window's thread only puts
// the finished picture on the screen, so keys are handled while frames are converted, and
// the picture and the keys never fall behind together.
//
// offer() may be called from any thread (the sink's); only the newest frame waits, an older
// one not yet taken is dropped, so a slow machine shows fewer frames but never late ones and
// holds at most one frame in each hand. The rest belongs to the thread that made the pipe:
// ready() is emitted there, and take() gives the newest composed frame. The worker hands
// over through a CallQueue, as the engine does: a hand-over the race detector can see.
class CallQueue;

class FramePipe : public QObject {
    Q_OBJECT
public:
    explicit FramePipe(QObject* parent = nullptr);
    ~FramePipe() override;

    void offer(const QVideoFrame& frame);
    // Later frames follow this layout; the last frame is composed again with it.
    void setLayout(const FrameLayout& layout);
    // Forgets the last frame (other footage).
    void clear();
    // The newest composed frame since the last take; false when none.
    bool take(ComposedFrame& out);

    // Composes frame and board as the view shows them, fitted into area.
    static void paint(QPainter& painter, const QRect& area, const QImage& frame,
                      const QImage& board, QPoint boardPos);

signals:
    void ready();

private:
    void run();
    void compose(std::unique_lock<std::mutex>& lock);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    QVideoFrame m_incoming; // offered, not yet converted
    bool m_relayout = false;
    FrameLayout m_layout;
    uint64_t m_generation = 0; // of m_layout and of the frames it applies to
    std::unique_ptr<ComposedFrame> m_outgoing;
    bool m_signalled = false;
    bool m_dropFrame = false; // the worker forgets its frame before the next one

    // The worker's own, touched only on its thread.
    QImage m_frame;
    int64_t m_frameUs = -1;
    QImage m_board;   // the picture of the whole board design, as drawn
    QImage m_shown;   // its part that covers something, laid over the frames
    QPoint m_shownAt; // where that part starts in footage pixels
    int m_boardEntry = -2;
    int64_t m_boardVariant = 0;
    uint64_t m_boardGeneration = ~uint64_t{0};
    int64_t m_lastPreviewMs = -1;

    CallQueue* m_toOwner = nullptr; // the owner's thread, where ready() is emitted
    std::thread m_thread;
};
