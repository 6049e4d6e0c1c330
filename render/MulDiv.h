#pragma once

#include <cstdint>
#include <cstdlib>
#include <limits>

// a * b / c with a 64-bit intermediate, rounded to the nearest integer, halves away from
// zero. -1 when c is 0 or the result does not fit in 32 bits: the classic contract that the
// font sizes and the dialog layout were computed with.
constexpr int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t divisor = c < 0 ? -static_cast<int64_t>(c) : c;
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = ((product < 0 ? -product : product) + divisor / 2) / divisor;
    const int64_t result = negative ? -magnitude : magnitude;
    if (result < std::numeric_limits<int32_t>::min() ||
        result > std::numeric_limits<int32_t>::max()) {
        return -1;
    }
    return static_cast<int>(result);
}
