#include "score/Numbers.h"

#include <limits>

int32_t Saturate32(int64_t value) {
    constexpr int64_t lo = std::numeric_limits<int32_t>::min();
    constexpr int64_t hi = std::numeric_limits<int32_t>::max();
    if (value < lo) {
        return static_cast<int32_t>(lo);
    }
    if (value > hi) {
        return static_cast<int32_t>(hi);
    }
    return static_cast<int32_t>(value);
}

int32_t ParseInt(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    // The blanks atoi skips in the C locale.
    while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Once past the 32-bit range the value only needs to stay past it: stop accumulating
    // there so that a thousand digits cannot overflow the 64-bit accumulator either.
    constexpr int64_t kBeyond = int64_t{1} << 32;
    int64_t value = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        if (value < kBeyond) {
            value = value * 10 + (text[i] - '0');
        }
        ++i;
    }
    return Saturate32(negative ? -value : value);
}
