#pragma once

#include "video/FrameClock.h"

#include <QString>

#include <cstdint>

// Frames of the footage and milliseconds of the match, under the one frame rule every output
// follows: frame n starts at FrameClock's moment floor(n * 1000 * den / num). A dart tapped
// on frame n is stored as that moment, so the export (which shows frame n at that moment),
// the burn-in (which reads the footage's frame times, never earlier than it) and the player
// all change the board on frame n, at every rate.
class FootageClock {
public:
    FootageClock() = default; // 30 fps
    explicit FootageClock(FrameRate rate);

    FrameRate rate() const { return m_rate; }
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

private:
    FrameRate m_rate{30, 1};
};
