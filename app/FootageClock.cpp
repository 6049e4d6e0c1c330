#include "app/FootageClock.h"

#include <algorithm>
#include <cmath>

FootageClock::FootageClock(FrameRate rate, int64_t durationMs)
    : m_durationMs(std::max<int64_t>(durationMs, 0)) {
    if (rate.num > 0 && rate.den > 0) {
        m_rate = rate;
    }
}

int64_t FootageClock::startMs(int64_t frame) const {
    return FrameClock(m_rate, 0).momentOf(std::max<int64_t>(frame, 0));
}

int64_t FootageClock::frameAt(int64_t ms) const {
    if (ms < 0) {
        return 0;
    }
    // startMs(n) <= ms  <=>  n * 1000 * den < (ms + 1) * num.
    const __int128 limit = static_cast<__int128>(ms + 1) * m_rate.num;
    const __int128 step = static_cast<__int128>(1000) * m_rate.den;
    return static_cast<int64_t>((limit + step - 1) / step) - 1;
}

int64_t FootageClock::frameOfStart(int64_t startUs) const {
    const double frames = double(startUs) * double(m_rate.num) / (1e6 * double(m_rate.den));
    return std::max<int64_t>(std::llround(frames), 0);
}

QString FootageClock::timecode(int64_t frame) const {
    const int64_t perSecond = std::max<int64_t>((m_rate.num + m_rate.den - 1) / m_rate.den, 1);
    frame = std::max<int64_t>(frame, 0);
    const int64_t seconds = frame / perSecond;
    return QStringLiteral("%1:%2:%3:%4")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(frame % perSecond, 2, 10, QLatin1Char('0'));
}

int64_t FootageClock::lastFrame() const {
    // The frame shown a millisecond before the end: a frame starting exactly at the end is
    // not one of the footage's.
    return frameAt(std::max<int64_t>(m_durationMs - 1, 0));
}

int64_t FootageClock::clampFrame(int64_t frame) const {
    return std::clamp<int64_t>(frame, 0, lastFrame());
}

int64_t FootageClock::frameForSeek(int64_t ms) const {
    return std::min(frameAt(ms), lastFrame());
}

int64_t FootageClock::nudgedMs(int64_t ms, int direction) const {
    // Starts are compared as they are stored, rounded down.
    int64_t frame = frameAt(ms);
    if (direction > 0 || startMs(frame) >= ms) {
        frame += direction;
    }
    return startMs(std::max<int64_t>(frame, 0));
}
