#include "RenderTestUtil.h"

#include "render/FileVersionInfo.h"
#include "render/Painters.h"
#include "render/Version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace rendertest;

namespace {

// A 01 match whose entries all look different: entry i leaves player 1 at 500 - i.
void FillMatch(Match& score, const std::vector<int32_t>& times) {
    score.Reset();
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
}

QImage BoardAfter(const std::vector<int32_t>& times, int index) {
    Surface s;
    Match score;
    score.m_pSurface = &s.surface;
    FillMatch(score, times);
    EXPECT_TRUE(Draw01Board(index, score));
    return s.surface.GetCanvas().copy();
}

QImage Title() {
    Surface s;
    Match score;
    score.m_pSurface = &s.surface;
    DrawTitle(score);
    return s.surface.GetCanvas().copy();
}

// Which picture a moment shows: the board after an entry, or the title (-1).
TEST(FrameSelection, MomentShowsTheLastEntryReached) {
    const struct {
        std::vector<int32_t> times;
        int32_t t;
        int expected;
    } cases[] = {
        {{0, 1000, 3000}, 0, 0},
        {{0, 1000, 3000}, 999, 0},
        {{0, 1000, 3000}, 1000, 1},
        {{0, 1000, 3000}, 2999, 1},
        {{0, 1000, 3000}, 3000, 2},
        {{0, 1000, 3000}, 1000000, 2},
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
        Surface s;
        Match score;
        score.m_pSurface = &s.surface;
        FillMatch(score, c.times);
        DrawFrameAt(score, c.t);
        const QImage expected = c.expected < 0 ? title : BoardAfter(c.times, c.expected);
        EXPECT_EQ(s.surface.GetCanvas(), expected)
            << "t=" << c.t << " expected entry " << c.expected;
    }
}

TEST(FrameSelection, CricketMomentsUseTheCricketBoard) {
    Surface s, ref;
    Match score;
    score.m_pSurface = &s.surface;
    FillMatch(score, {0, 1000});
    score.gameKind = GameKind::Cricket;
    DrawFrameAt(score, 1500);
    score.m_pSurface = &ref.surface;
    ASSERT_TRUE(DrawCricketBoard(1, score));
    EXPECT_EQ(s.surface.GetCanvas(), ref.surface.GetCanvas());
}

TEST(FrameSelection, UnknownGameKeepsThePreviousPicture) {
    Surface s;
    Match score;
    score.m_pSurface = &s.surface;
    FillMatch(score, {0, 1000});
    ASSERT_TRUE(Draw01Board(1, score));
    const QImage before = s.surface.GetCanvas().copy();
    score.gameKind = GameKind::None;
    DrawFrameAt(score, 0);
    EXPECT_EQ(s.surface.GetCanvas(), before);
    // The title still shows before the first entry.
    DrawFrameAt(score, -5);
    EXPECT_EQ(s.surface.GetCanvas(), Title());
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

TEST(TitleScreen, LeavesTheDrawingStateAsItsLastText) {
    Surface s;
    Match score;
    score.m_pSurface = &s.surface;
    s.surface.m_crPen = 0x123456;
    DrawTitle(score);
    EXPECT_EQ(s.surface.m_nFontWeight, 400);
    EXPECT_EQ(s.surface.m_nFontSize, 100);
    EXPECT_EQ(s.surface.m_crText, 0xFFFFFFu);
    EXPECT_EQ(s.surface.m_nAlignH, 1);
    EXPECT_EQ(s.surface.m_nAlignV, 1);
    EXPECT_EQ(s.surface.m_crPen, 0x123456u);
}

TEST(VersionInfo, ValuesComeFromTheBuild) {
    const CFileVersionInfo info;
    EXPECT_EQ(info.m_strTranslation, "041103a4");
    EXPECT_EQ(info.GetFileVersion(), "0.9.3.3");
    EXPECT_EQ(info.GetLegalCopyright(), kVorlatLegalCopyright);
    EXPECT_EQ(info.GetValue("NoSuchValue"), "");
}

TEST(VersionInfo, VersionTextLosesItsSpaces) {
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
