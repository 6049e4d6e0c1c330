#include "RenderTestUtil.h"

#include "render/Boards.h"
#include "render/Version.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace rendertest;

namespace {

// A 01 match whose entries all look different: entry i leaves player 1 at 500 - i.
Match FillMatch(const std::vector<int32_t>& times) {
    Match score;
    score.game = "501";
    score.gameKind = GameKind::X01;
    for (size_t i = 0; i < times.size(); ++i) {
        Entry& m = score.append();
        m.time = times[i];
        m.player = 1;
        m.round = 1;
        m.dart = 0;
        m.score[0] = 500 - static_cast<int32_t>(i);
        m.score[1] = 501;
    }
    return score;
}

QImage Title(const RenderOptions& options = Flat()) {
    QImage picture;
    RenderTitle(picture, options);
    return picture;
}

// Which entry a moment shows, and that the moment's picture is that entry's board or the
// title (-1).
TEST(FrameSelection, MomentShowsTheLastEntryReached) {
    const struct {
        std::vector<int32_t> times;
        int64_t t;
        int expected;
    } cases[] = {
        {{0, 1000, 3000}, 0, 0},
        {{0, 1000, 3000}, 999, 0},
        {{0, 1000, 3000}, 1000, 1},
        {{0, 1000, 3000}, 2999, 1},
        {{0, 1000, 3000}, 3000, 2},
        {{0, 1000, 3000}, 1000000, 2},
        {{0, 1000, 3000}, int64_t(1) << 40, 2}, // beyond the 32-bit times
        {{0, 1000, 3000}, -1, -1},
        {{0, 2000, 2000, 5000}, 2000, 2}, // equal times: the later entry
        {{0, 1000, 2000, 0, 0}, 1500, 1}, // times zeroed after a backward step...
        {{0, 1000, 2000, 0, 0}, 2500, 4}, // ...count as reached once past the last time
        {{500, 1000}, 499, -1},           // first entry after t
        {{}, 0, -1},
        {{}, 123456, -1},
    };
    const QImage title = Title();
    for (const auto& c : cases) {
        const Match score = FillMatch(c.times);
        EXPECT_EQ(EntryAtMoment(score, c.t), c.expected) << "t=" << c.t;
        QImage expected = title;
        if (c.expected >= 0) {
            ASSERT_TRUE(RenderEntry(score, c.expected, expected, Flat()));
        }
        QImage picture;
        EXPECT_TRUE(RenderMoment(score, c.t, picture, Flat()));
        EXPECT_EQ(picture, expected) << "t=" << c.t << " expected entry " << c.expected;
    }
}

TEST(FrameSelection, CricketMomentsUseTheCricketBoard) {
    Match score = FillMatch({0, 1000});
    score.gameKind = GameKind::Cricket;
    QImage moment, board01;
    ASSERT_TRUE(RenderMoment(score, 1500, moment, Flat()));
    Sheet cricket;
    PaintCricketBoard(cricket.canvas, score, score.entries[1]);
    EXPECT_EQ(moment, cricket.image);
    score.gameKind = GameKind::X01;
    ASSERT_TRUE(RenderMoment(score, 1500, board01, Flat()));
    EXPECT_NE(moment, board01);
}

TEST(FrameSelection, MomentWithoutABoardKeepsThePicture) {
    Match score = FillMatch({0, 1000});
    QImage picture;
    ASSERT_TRUE(RenderEntry(score, 1, picture, Flat()));
    const QImage before = picture.copy();
    score.gameKind = GameKind::None;
    EXPECT_FALSE(RenderMoment(score, 0, picture, Flat()));
    EXPECT_EQ(picture, before);
    // The title still shows before the first entry.
    EXPECT_TRUE(RenderMoment(score, -5, picture, Flat()));
    EXPECT_EQ(picture, Title());
}

TEST(FrameSelection, ThreadsRenderTheSamePicturesAsOneDoes) {
    const Match score = FillMatch({0, 700, 1400, 2100, 2800, 3500});
    std::vector<QImage> expected;
    for (int64_t t = -1; t < 4000; t += 350) {
        expected.emplace_back();
        RenderMoment(score, t, expected.back(), RenderOptions{});
    }
    std::vector<std::vector<QImage>> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&score, &result] {
            for (int64_t t = -1; t < 4000; t += 350) {
                result.emplace_back();
                RenderMoment(score, t, result.back(), RenderOptions{});
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const auto& result : results) {
        ASSERT_EQ(result.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(result[i], expected[i]) << i;
        }
    }
}

TEST(TitleScreen, NameSubtitleVersionAndCopyrightCentred) {
    const QImage img = Title();
    const struct {
        std::string text;
        int y;
        int32_t size, weight;
    } lines[] = {
        {"Vorlat", 80, 280, 700},
        {"darts score movie creater", 130, 140, 400},
        {std::string("Ver.") + kVorlatFileVersion, 160, 100, 400},
        {kVorlatLegalCopyright, 190, 100, 400},
    };
    for (const auto& l : lines) {
        const Extent e = MeasureText(l.text, l.size, l.weight);
        const QRect expected =
            ReferenceInk(l.text, 160 - e.cx / 2, l.y - e.cy / 2, l.size, l.weight);
        ASSERT_FALSE(expected.isEmpty()) << l.text;
        EXPECT_EQ(InkBox(img, expected.adjusted(-2, -2, 2, 2), kFlatGrey), expected) << l.text;
        EXPECT_EQ(
            img.copy(expected),
            ReferenceImage(l.text, 160 - e.cx / 2, l.y - e.cy / 2, l.size, l.weight).copy(expected))
            << l.text << " is not the same white text";
    }
}

TEST(TitleScreen, VersionTextLosesItsSpaces) {
    const struct {
        const char* fileVersion;
        const char* text;
    } cases[] = {{"0.9.3.3", "Ver.0.9.3.3"},
                 {"0, 9, 3, 3", "Ver.0,9,3,3"},
                 {" 1 .2", "Ver.1.2"},
                 {"", "Ver."}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatVersionText(c.fileVersion), c.text) << c.fileVersion;
    }
}

} // namespace
