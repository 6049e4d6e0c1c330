#pragma once

#include "video/FrameClock.h"

#include <QString>

#include <cstdint>

// Frames of the footage and milliseconds of the match, under the one frame rule every output
// follows: frame n starts at FrameClock's moment floor(n * 1000 * den / num). A dart tapped
// on frame n is stored as that moment, so the export (which shows frame n at that moment),
// the burn-in (which reads the footage's frame times, never earlier than it) and the player
// all change the board on frame n, at every rate.
//
// Every frame sum the player does lives here, so that the window only asks for frames and
// moments: the footage's last frame, where a move lands, how far a dart's time is nudged.
// A value, safe to copy to any thread.
class FootageClock {
public:
    FootageClock() = default; // 30 fps, no length
    // durationMs: the footage's length, which bounds the frames a move can reach.
    explicit FootageClock(FrameRate rate, int64_t durationMs = 0);

    FrameRate rate() const { return m_rate; }
    int64_t durationMs() const { return m_durationMs; }
    // The stored time of frame n (n >= 0).
    int64_t startMs(int64_t frame) const;
    // The frame shown at ms: the last one whose start is at most ms (0 before the first).
    int64_t frameAt(int64_t ms) const;
    // The frame a decoder's start time (microseconds on the footage's clock) belongs to: the
    // nearest, since decoders round their times.
    int64_t frameOfStart(int64_t startUs) const;
    // SMPTE-style HH:MM:SS:FF, counting whole frames at the rate rounded up (30 for 29.97),
    // without drop frames.
    QString timecode(int64_t frame) const;

    // The last frame that starts before the footage's end (0 for footage without length).
    int64_t lastFrame() const;
    // frame, kept between the first frame and the last.
    int64_t clampFrame(int64_t frame) const;
    // The frame a move to ms lands on: the one shown then, never past the last.
    int64_t frameForSeek(int64_t ms) const;
    // The shortest step on a timeline of milliseconds that always reaches the next frame from
    // a frame's start: a frame's length rounded down, and one more.
    int64_t frameStepMs() const { return startMs(1) + 1; }
    // A stored time moved by one frame: forward to the start of the next frame; backward to
    // the start of the frame the time lies in, or of the frame before when it is that start
    // already. Never before 0.
    int64_t nudgedMs(int64_t ms, int direction) const;

private:
    FrameRate m_rate{30, 1};
    int64_t m_durationMs = 0;
};
