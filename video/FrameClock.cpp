#include "video/FrameClock.h"

#include <charconv>
#include <numeric>

namespace {

constexpr int64_t kMaxPart = 1000000; // beyond any frame rate a video uses

bool ParseWhole(std::string_view text, int64_t& value) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && at == end;
}

std::optional<FrameRate> Reduced(int64_t num, int64_t den) {
    if (num <= 0 || den <= 0 || num > kMaxPart || den > kMaxPart) {
        return std::nullopt;
    }
    const int64_t common = std::gcd(num, den);
    return FrameRate{num / common, den / common};
}

} // namespace

std::optional<FrameRate> FrameRate::parse(std::string_view text) {
    // The NTSC rates are written rounded but mean these fractions.
    if (text == "23.976") {
        return FrameRate{24000, 1001};
    }
    if (text == "29.97") {
        return FrameRate{30000, 1001};
    }
    if (text == "59.94") {
        return FrameRate{60000, 1001};
    }
    int64_t num = 0;
    int64_t den = 1;
    if (const size_t slash = text.find('/'); slash != std::string_view::npos) {
        if (!ParseWhole(text.substr(0, slash), num) || !ParseWhole(text.substr(slash + 1), den)) {
            return std::nullopt;
        }
        return Reduced(num, den);
    }
    if (const size_t dot = text.find('.'); dot != std::string_view::npos) {
        // A decimal rate such as 12.5 is the exact fraction it writes.
        const std::string_view fraction = text.substr(dot + 1);
        if (fraction.empty() || fraction.size() > 3 || !ParseWhole(text.substr(0, dot), num) ||
            fraction.front() == '+' || fraction.front() == '-') {
            return std::nullopt;
        }
        int64_t digits = 0;
        if (!ParseWhole(fraction, digits)) {
            return std::nullopt;
        }
        for (size_t i = 0; i < fraction.size(); ++i) {
            den *= 10;
        }
        return Reduced(num * den + digits, den);
    }
    if (!ParseWhole(text, num)) {
        return std::nullopt;
    }
    return Reduced(num, 1);
}

std::string FrameRate::toString() const {
    return den == 1 ? std::to_string(num) : std::to_string(num) + "/" + std::to_string(den);
}

FrameClock::FrameClock(FrameRate rate, int64_t lengthMs) : m_rate(rate) {
    // Frame n runs while n * 1000 * den / num < length, that is n * 1000 * den < length * num.
    if (lengthMs > 0 && rate.num > 0 && rate.den > 0) {
        const __int128 limit = static_cast<__int128>(lengthMs) * rate.num;
        const __int128 step = static_cast<__int128>(1000) * rate.den;
        m_frames = static_cast<int64_t>((limit + step - 1) / step);
    }
}

int64_t FrameClock::momentOf(int64_t frame) const {
    return static_cast<int64_t>(static_cast<__int128>(frame) * 1000 * m_rate.den / m_rate.num);
}
