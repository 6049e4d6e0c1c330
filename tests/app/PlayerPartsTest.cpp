// The player's parts on their own: the footage clock's sums at the far end of long footage,
// and the transport controls, which report the player's state without asking it to move.

#include "app/FootageClock.h"
#include "app/TransportBar.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Three hours and more of footage, at the rates cameras and editors use, with lengths that
// end inside a frame and exactly at a frame's start (where that frame is not the footage's).
TEST(FootageClockTest, FramesAndMomentsAgreeAtTheEndOfLongFootage) {
    struct Case {
        FrameRate rate;
        int64_t durationMs;
    };
    const Case cases[] = {
        {{25, 1}, 10'800'000},                                    // ends on a frame's start
        {{25, 1}, 10'800'017},       {{30000, 1001}, 10'810'800}, // frame 324,000 starts here
        {{30000, 1001}, 10'799'999}, {{24000, 1001}, 12'345'678}, {{60000, 1001}, 10'800'033},
    };
    for (const Case& c : cases) {
        const FootageClock clock(c.rate, c.durationMs);
        const std::string where = c.rate.toString() + " " + std::to_string(c.durationMs);
        const int64_t last = clock.lastFrame();
        // The last frame starts before the end; the one after it does not.
        EXPECT_LT(clock.startMs(last), c.durationMs) << where;
        EXPECT_GE(clock.startMs(last + 1), c.durationMs) << where;
        // Exact, not rounded by floating point: n * 1000 * den / num.
        const __int128 exact = static_cast<__int128>(last) * 1000 * c.rate.den / c.rate.num;
        EXPECT_EQ(clock.startMs(last), static_cast<int64_t>(exact)) << where;
        for (int64_t n = last - 3; n <= last; ++n) {
            EXPECT_EQ(clock.frameAt(clock.startMs(n)), n) << where << " frame " << n;
            EXPECT_EQ(clock.frameAt(clock.startMs(n) - 1), n - 1) << where << " frame " << n;
            // A decoder's start time in microseconds, rounded either way.
            const double startUs = double(n) * 1e6 * double(c.rate.den) / double(c.rate.num);
            EXPECT_EQ(clock.frameOfStart(std::llround(std::floor(startUs))), n) << where;
            EXPECT_EQ(clock.frameOfStart(std::llround(std::ceil(startUs))), n) << where;
        }
        // Moves past the end stop on the last frame; nudges step a frame either way.
        EXPECT_EQ(clock.frameForSeek(c.durationMs), last) << where;
        EXPECT_EQ(clock.frameForSeek(c.durationMs + 60'000), last) << where;
        EXPECT_EQ(clock.clampFrame(last + 5), last) << where;
        EXPECT_EQ(clock.clampFrame(-5), 0) << where;
        EXPECT_EQ(clock.nudgedMs(clock.startMs(last - 1), 1), clock.startMs(last)) << where;
        EXPECT_EQ(clock.nudgedMs(clock.startMs(last), -1), clock.startMs(last - 1)) << where;
        EXPECT_EQ(clock.nudgedMs(clock.startMs(last) + 1, -1), clock.startMs(last)) << where;
    }
}

TEST(TransportBarTest, ReportsAskForNothingAndTheUsersStepReachesTheNextFrame) {
    TransportBar bar;
    std::vector<int64_t> seeks;
    std::vector<double> speeds;
    QObject::connect(&bar, &TransportBar::seekRequested, [&](int64_t ms) { seeks.push_back(ms); });
    QObject::connect(&bar, &TransportBar::speedChosen,
                     [&](double rate) { speeds.push_back(rate); });

    // Frame 100 at 29.97 fps starts at 3336 ms and frame 101 at 3370: a step of one frame's
    // length rounded down would stay on frame 100.
    const FootageClock clock({30000, 1001}, 60'000);
    bar.showMoment(2500, 5000);
    bar.showSpeed(0.5);
    bar.showFrame(clock.startMs(100), 100, clock);
    EXPECT_TRUE(seeks.empty());
    EXPECT_TRUE(speeds.empty());
    EXPECT_EQ(bar.speed(), 0.5);
    EXPECT_EQ(bar.timeDisplay().text().toStdString(), "0:03.336  #100  00:00:03:10 / 1:00.000");

    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(&bar.timeline(), &right);
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_EQ(clock.frameAt(seeks[0]), 101);

    bar.findChild<QComboBox*>()->setCurrentIndex(5); // the user picks 2x
    EXPECT_EQ(speeds, std::vector<double>{2.0});
    EXPECT_EQ(TransportBar::clampSpeed(8.0), 2.0);
    EXPECT_EQ(TransportBar::clampSpeed(0.1), 0.25);
}

} // namespace
