#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A frame rate num/den frames per second.
struct FrameRate {
    int64_t num = 15;
    int64_t den = 1;

    // "15", "25", "30000/1001", "29.97" (the NTSC rates 23.976, 29.97 and 59.94 are read as
    // their exact fractions); nullopt for anything that is not a positive rate.
    static std::optional<FrameRate> parse(std::string_view text);
    std::string toString() const; // "15", "30000/1001"
    bool operator==(const FrameRate&) const = default;
};

// The one frame clock of every video: frame n shows moment floor(n * 1000 * den / num) ms,
// and frames run while that moment is below the timeline's length. At 15/1 this is the
// 66/67 ms pattern of the classic export.
class FrameClock {
public:
    FrameClock(FrameRate rate, int64_t lengthMs);

    int64_t frameCount() const { return m_frames; }
    int64_t momentOf(int64_t frame) const;
    FrameRate rate() const { return m_rate; }

private:
    FrameRate m_rate;
    int64_t m_frames = 0;
};
