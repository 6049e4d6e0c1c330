#pragma once

#include <cstdint>

// Stamps input events with the moment they arrived, in milliseconds of a monotonic clock.
//
// A key pressed while the window is busy (repainting, say) is handled only once the window
// is free again; stamping it then would move the tap later, and taps queued meanwhile would
// all get nearly the same moment. The platform's own timestamp of the event says when it
// arrived, but on a clock of the platform's choosing (the display server's, for one). The
// difference between that clock and ours is learnt from the events themselves: an event is
// never handled before it arrived, so the smallest difference seen between handling and
// timestamp is the offset plus the least handling delay, and an event handled later than
// that is stamped back by the excess.
class TapClock {
public:
    TapClock() = default;
    // maxLagMs: the longest lag taken as a busy window rather than a platform clock that
    // jumped.
    explicit TapClock(int32_t maxLagMs) : m_maxLag(maxLagMs) {}

    // Milliseconds of the monotonic clock that recording times are measured with.
    static int64_t now();

    // The arrival of an event that the platform stamped with timestamp (0: not stamped) and
    // that is handled at handledAt (a reading of now()). Never later than handledAt.
    int64_t arrival(uint64_t timestamp, int64_t handledAt);

    // By default a lag beyond this is taken as a platform clock that jumped, not as a busy
    // window.
    static constexpr int32_t kMaxLagMs = 1000;

private:
    int32_t m_maxLag = kMaxLagMs;
    bool m_known = false;
    // handledAt - timestamp of the promptest event, modulo 2^32: platform timestamps are
    // 32-bit on some systems and wrap after 49 days.
    uint32_t m_offset = 0;
};
