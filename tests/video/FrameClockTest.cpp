#include "video/FrameClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The classic export's clock: 0 ms, then 66 after every third frame from the first and 67
// after the others, frames while the moment is below the length.
std::vector<int64_t> ClassicMoments(int64_t length) {
    std::vector<int64_t> moments;
    int64_t t = 0;
    for (int64_t n = 0; t < length; ++n) {
        moments.push_back(t);
        t += n % 3 == 0 ? 66 : 67;
    }
    return moments;
}

TEST(FrameClockTest, FifteenPerSecondIsTheClassicClock) {
    // Every length up to a minute and a few long ones, among them the 32-bit boundary.
    std::vector<int64_t> lengths;
    for (int64_t length = -5; length <= 60000; ++length) {
        lengths.push_back(length);
    }
    for (int64_t length : {int64_t(3600000), int64_t(INT32_MAX) + 10000}) {
        lengths.push_back(length);
    }
    const std::vector<int64_t> longest = ClassicMoments(lengths.back());
    for (int64_t length : lengths) {
        const FrameClock clock(FrameRate{15, 1}, length);
        int64_t expected = 0;
        while (expected < static_cast<int64_t>(longest.size()) && longest[expected] < length) {
            ++expected;
        }
        ASSERT_EQ(clock.frameCount(), expected) << length;
    }
    const FrameClock clock(FrameRate{15, 1}, lengths.back());
    for (int64_t n = 0; n < clock.frameCount(); ++n) {
        ASSERT_EQ(clock.momentOf(n), longest[static_cast<size_t>(n)]) << n;
    }
}

TEST(FrameClockTest, AnyRateShowsTheFloorOfItsExactMoment) {
    const struct {
        FrameRate rate;
        int64_t length;
        int64_t frames;
        std::vector<int64_t> firstMoments;
    } cases[] = {
        {{25, 1}, 10000, 250, {0, 40, 80, 120}},
        {{30000, 1001}, 10000, 300, {0, 33, 66, 100, 133}}, // 33.3666... ms apart
        {{60, 1}, 1000, 60, {0, 16, 33, 50}},
        {{24000, 1001}, 10010, 240, {0, 41, 83, 125}},
        {{1, 2}, 10001, 6, {0, 2000, 4000}}, // one frame every two seconds
    };
    for (const auto& c : cases) {
        const FrameClock clock(c.rate, c.length);
        EXPECT_EQ(clock.frameCount(), c.frames) << c.rate.toString();
        for (size_t n = 0; n < c.firstMoments.size(); ++n) {
            EXPECT_EQ(clock.momentOf(static_cast<int64_t>(n)), c.firstMoments[n])
                << c.rate.toString() << " frame " << n;
        }
        // The last frame lies before the end; one more would not.
        EXPECT_LT(clock.momentOf(clock.frameCount() - 1), c.length) << c.rate.toString();
        EXPECT_GE(clock.momentOf(clock.frameCount()), c.length) << c.rate.toString();
    }
}

TEST(FrameRateTest, ParseAndPrint) {
    const struct {
        const char* text;
        int64_t num, den;
        const char* printed;
    } good[] = {
        {"15", 15, 1, "15"},
        {"25", 25, 1, "25"},
        {"30000/1001", 30000, 1001, "30000/1001"},
        {"29.97", 30000, 1001, "30000/1001"},
        {"23.976", 24000, 1001, "24000/1001"},
        {"59.94", 60000, 1001, "60000/1001"},
        {"12.5", 25, 2, "25/2"},
        {"50/2", 25, 1, "25"},
    };
    for (const auto& c : good) {
        const auto rate = FrameRate::parse(c.text);
        ASSERT_TRUE(rate) << c.text;
        EXPECT_EQ(*rate, (FrameRate{c.num, c.den})) << c.text;
        EXPECT_EQ(rate->toString(), c.printed) << c.text;
    }
    for (const char* bad :
         {"", "0", "-15", "15fps", "30000/0", "/1001", "1.", ".5", "1.-5", "99999999999", "1e3"}) {
        EXPECT_FALSE(FrameRate::parse(bad)) << bad;
    }
}

} // namespace
