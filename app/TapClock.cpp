#include "app/TapClock.h"

#include <chrono>

int64_t TapClock::now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t TapClock::arrival(uint64_t timestamp, int64_t handledAt) {
    if (timestamp == 0) {
        return handledAt;
    }
    const uint32_t offset = static_cast<uint32_t>(handledAt) - static_cast<uint32_t>(timestamp);
    const auto lag = static_cast<int32_t>(offset - m_offset);
    if (!m_known || lag <= 0 || lag > m_maxLag) {
        m_known = true;
        m_offset = offset;
        return handledAt;
    }
    return handledAt - lag;
}
