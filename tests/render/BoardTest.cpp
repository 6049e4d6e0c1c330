#include "RenderTestUtil.h"

#include "render/Boards.h"
#include "render/Renderer.h"
#include "score/Loader.h"
#include "score/ProfileFile.h"

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

constexpr QRgb kLabel = 0xFFE1E1E1;
constexpr QRgb kWhite = 0xFFFFFFFF;
const QRgb kRed = qRgb(225, 0, 0);
const QRgb kBlue = qRgb(0, 0, 225);
const QRgb kBlack = qRgb(0, 0, 0);

Entry& Add(Match& score, int player, int round, int dart, int kind = Hit::None, int number = 0) {
    Entry& m = score.append();
    m.player = player;
    m.round = round;
    m.dart = dart;
    m.kind = kind;
    m.number = number;
    return m;
}

// A text drawn by a board must match, pixel for pixel, the same text drawn alone in the same
// state from the top-left corner its anchors give, over the same background colour.
// alignH and alignV: 0 start, 1 centre, 2 end.
testing::AssertionResult HasText(const QImage& board, const std::string& text, int x, int y,
                                 int32_t size, int alignH, int alignV, QRgb colour,
                                 QRgb background = kFlatGrey, int margin = 1,
                                 const QRect& clip = QRect(0, 0, 320, 240)) {
    const Extent e = MeasureText(text, size, 700);
    const int left = x - (alignH == 1 ? e.cx / 2 : alignH == 2 ? e.cx : 0);
    const int top = y - (alignV == 1 ? e.cy / 2 : alignV == 2 ? e.cy : 0);
    const QImage ref = ReferenceImage(text, left, top, size, 700, colour, background);
    const QRect ink = InkBox(ref, ref.rect(), background);
    if (ink.isEmpty()) {
        return testing::AssertionFailure() << "reference of \"" << text << "\" has no ink";
    }
    const QRect area = ink.adjusted(-margin, -margin, margin, margin).intersected(clip);
    if (board.copy(area) != ref.copy(area)) {
        return testing::AssertionFailure()
               << "\"" << text << "\" not found in " << area.x() << "," << area.y() << " "
               << area.width() << "x" << area.height();
    }
    return testing::AssertionSuccess();
}

bool Empty(const QImage& board, const QRect& region) {
    return InkBox(board, region, kFlatGrey).isEmpty();
}

// ---- 01 board ----

// Renders the board of an entry over the flat background.
struct BoardFixture : ::testing::Test {
    Match score;
    QImage picture;
    bool Render(int index) { return RenderEntry(score, index, picture, Flat()); }
    const QImage& Canvas() const { return picture; }
};

struct Board01 : BoardFixture {
    Board01() {
        score.game = "501";
        score.gameKind = GameKind::X01;
    }
};

TEST_F(Board01, TurnStartOfPlayer2) {
    Entry& m = Add(score, 2, 5, 0);
    m.score[0] = 301;
    m.score[1] = 260;
    ASSERT_TRUE(Render(0));
    const QImage& img = Canvas();

    EXPECT_TRUE(HasText(img, "Round 5", 15, 10, 200, 0, 0, kLabel));
    EXPECT_TRUE(HasText(img, "501", 310, 10, 200, 2, 0, kLabel));
    EXPECT_TRUE(HasText(img, "Score", 10, 100, 120, 0, 1, kLabel));
    EXPECT_TRUE(HasText(img, "0", 10, 125, 200, 0, 1, kLabel));
    EXPECT_TRUE(HasText(img, "260", 160, 90, 800, 1, 1, kWhite));
    EXPECT_TRUE(HasText(img, "301", 83, 203, 440, 1, 1, kWhite, kBlack, 0));
    EXPECT_TRUE(HasText(img, "260", 238, 203, 440, 1, 1, kWhite, kBlue, 0));
    EXPECT_TRUE(Empty(img, QRect(40, 138, 240, 34))) << "a turn start shows no darts";

    // Player 2 at the throw: blue box, player 1's black; 1-pixel white outlines inside the
    // boxes, whose right and bottom edges are the first pixels outside.
    const struct {
        int x, y;
        QRgb colour;
    } probes[] = {
        {173, 178, kBlue},  {301, 226, kBlue},     {18, 178, kBlack},     {146, 226, kBlack},
        {170, 200, kWhite}, {304, 200, kWhite},    {305, 200, kFlatGrey}, {200, 175, kWhite},
        {200, 229, kWhite}, {200, 230, kFlatGrey}, {170, 175, kFlatGrey}, {304, 229, kFlatGrey},
        {15, 200, kWhite},  {149, 200, kWhite},    {150, 200, kFlatGrey}, {80, 230, kFlatGrey},
    };
    for (const auto& p : probes) {
        EXPECT_EQ(PixelAt(img, p.x, p.y), p.colour | 0xFF000000) << p.x << "," << p.y;
    }
}

TEST_F(Board01, DartsOfTheTurnUpToTheShownOne) {
    Add(score, 1, 3, 0);
    Add(score, 1, 3, 1, Hit::Triple, 20);
    Entry& shown = Add(score, 1, 3, 2, Hit::Bull);
    Add(score, 1, 3, 3, Hit::Single, 1);
    shown.turnTotal = 110;
    shown.score[0] = 391;
    shown.score[1] = 501;
    ASSERT_TRUE(Render(2));
    const QImage& img = Canvas();
    EXPECT_TRUE(HasText(img, "T20", 83, 154, 250, 1, 1, kLabel));
    EXPECT_TRUE(HasText(img, "DB", 160, 154, 250, 1, 1, kLabel));
    EXPECT_TRUE(Empty(img, QRect(205, 138, 70, 34))) << "the third dart is not thrown yet";
    EXPECT_TRUE(HasText(img, "110", 10, 125, 200, 0, 1, kLabel));
    EXPECT_TRUE(HasText(img, "391", 160, 90, 800, 1, 1, kWhite));
    EXPECT_EQ(PixelAt(img, 18, 178), kRed | 0xFF000000);
    EXPECT_EQ(PixelAt(img, 173, 178), kBlack | 0xFF000000);
}

TEST_F(Board01, DartTextByHitKind) {
    const struct {
        int kind, number;
        const char* text;
    } cases[] = {{Hit::None, 0, "--"},     {Hit::Single, 5, "5"},     {Hit::Double, 16, "D16"},
                 {Hit::Triple, 19, "T19"}, {Hit::OuterBull, 0, "SB"}, {Hit::Bull, 0, "DB"}};
    for (const auto& c : cases) {
        score.entries.clear();
        Add(score, 1, 1, 0);
        Add(score, 1, 1, 1, c.kind, c.number).score[0] = 480;
        ASSERT_TRUE(Render(1));
        EXPECT_TRUE(HasText(Canvas(), c.text, 83, 154, 250, 1, 1, kLabel)) << c.text;
    }
}

TEST_F(Board01, AGapInTheTurnHidesLaterDarts) {
    Add(score, 1, 1, 0);
    Add(score, 1, 1, 2, Hit::Single, 20); // dart 1 missing from the list
    Add(score, 1, 1, 3, Hit::Single, 20);
    ASSERT_TRUE(Render(2));
    EXPECT_TRUE(Empty(Canvas(), QRect(40, 138, 240, 34)));
}

TEST_F(Board01, BustShowsDashesAndTheWordBust) {
    Add(score, 2, 4, 0);
    Add(score, 2, 4, 1, Hit::Triple, 20);
    Entry& bust = Add(score, 2, 4, 2, Hit::Single, 7);
    bust.value = -1;
    bust.turnTotal = 67;
    bust.score[0] = 100;
    bust.score[1] = 40;
    ASSERT_TRUE(Render(2));
    const QImage& img = Canvas();
    EXPECT_TRUE(HasText(img, "--", 10, 125, 200, 0, 1, kLabel));
    EXPECT_TRUE(HasText(img, "Bust", 160, 90, 550, 1, 1, kWhite));
    EXPECT_TRUE(HasText(img, "T20", 83, 154, 250, 1, 1, kLabel));
    EXPECT_TRUE(HasText(img, "7", 160, 154, 250, 1, 1, kLabel));
}

TEST_F(Board01, FourDigitScoreKeepsTheLargeSize) {
    Entry& m = Add(score, 1, 1, 0);
    m.score[0] = 1501;
    m.score[1] = 1501;
    ASSERT_TRUE(Render(0));
    // So wide a number runs past the "Score" label, which is left out of the comparison.
    EXPECT_TRUE(HasText(Canvas(), "1501", 160, 90, 800, 1, 1, kWhite, kFlatGrey, 1,
                        QRect(60, 0, 260, 240)));
}

// ---- both boards refuse what they cannot show ----

TEST(Boards, NothingIsDrawnForAnEntryTheyCannotShow) {
    for (int32_t kind : {GameKind::X01, GameKind::Cricket}) {
        Match score;
        score.gameKind = kind;
        Add(score, 1, 1, 0);
        Add(score, 1, 1, -1);             // never placed by the evaluation
        Add(score, 3, 1, 1, Hit::Single); // no such player
        QImage picture(320, 240, QImage::Format_RGB32);
        picture.fill(0xFF123456);
        const QImage before = picture.copy();
        for (int index : {-1, 1, 2, 3, 100}) {
            EXPECT_FALSE(RenderEntry(score, index, picture, Flat())) << index;
            EXPECT_EQ(picture, before) << index;
        }
        EXPECT_TRUE(RenderEntry(score, 0, picture, Flat()));
        EXPECT_NE(picture, before);
        // A match without a game has no board at all.
        score.gameKind = GameKind::None;
        picture = before;
        EXPECT_FALSE(RenderEntry(score, 0, picture, Flat()));
        EXPECT_EQ(picture, before);
    }
}

TEST(Boards, APictureOfAnotherSizeOrFormatIsRemade) {
    Match score;
    score.game = "501";
    score.gameKind = GameKind::X01;
    Add(score, 1, 1, 0);
    QImage expected;
    ASSERT_TRUE(RenderEntry(score, 0, expected, Flat()));
    for (QImage picture : {QImage(), QImage(10, 10, QImage::Format_RGB32),
                           QImage(320, 240, QImage::Format_ARGB32)}) {
        ASSERT_TRUE(RenderEntry(score, 0, picture, Flat()));
        EXPECT_EQ(picture.format(), QImage::Format_RGB32);
        EXPECT_EQ(picture, expected);
    }
}

// ---- Cricket board ----

struct BoardCricket : BoardFixture {
    BoardCricket() {
        score.game = "CRICKET";
        score.gameKind = GameKind::Cricket;
    }
};

enum Symbol { kNothing, kDash, kSlash, kCross, kCircledCross };

// Which mark symbol sits centred at (x, y) in the given colour (S = 24 at size 220).
Symbol SymbolAt(const QImage& img, int x, int y, QRgb colour) {
    colour |= 0xFF000000;
    auto is = [&](int px, int py) { return PixelAt(img, px, py) == colour; };
    const bool rising = is(x + 6, y - 6) && is(x - 6, y + 6) && is(x + 11, y - 11);
    const bool falling = is(x - 6, y - 6) && is(x + 6, y + 6) && is(x - 11, y - 11);
    const bool ring =
        is(x, y - 12) && is(x, y + 11) && PixelAt(img, x, y + 6) == (kBlack | 0xFF000000);
    const bool dash = is(x - 4, y) && is(x + 4, y) && !is(x, y - 4) && !is(x - 7, y);
    const int strokes = rising + falling + ring + dash;
    if (strokes == 0) {
        return Empty(img, QRect(x - 13, y - 13, 27, 27)) ? kNothing : Symbol(-1);
    }
    if (dash && strokes == 1) {
        return kDash;
    }
    if (rising && !falling && !ring) {
        return kSlash;
    }
    if (rising && falling && !ring) {
        return kCross;
    }
    if (rising && falling && ring) {
        return kCircledCross;
    }
    return Symbol(-1);
}

bool BarAt(const QImage& img, int y) {
    const QRgb grey = qRgb(127, 127, 127) | 0xFF000000;
    for (int dy = -2; dy <= 2; ++dy) {
        if (PixelAt(img, 140, y + dy) != grey || PixelAt(img, 109, y + dy) != grey ||
            PixelAt(img, 211, y + dy) != grey) {
            return false;
        }
    }
    return PixelAt(img, 140, y - 3) != grey && PixelAt(img, 140, y + 3) != grey;
}

TEST_F(BoardCricket, MarksAndClosedTargets) {
    Entry& m = Add(score, 1, 6, 0);
    // Target index: 0 bull, 1..6 = 15..20.
    m.marks[0][4] = 3; // 18 closed by both
    m.marks[1][4] = 3;
    m.marks[0][6] = 2; // 20: a cross for player 1 only
    m.marks[0][3] = 3; // 17: 3 against 2, no bar
    m.marks[1][3] = 2;
    m.marks[1][2] = 1; // 16: a slash for player 2
    m.marks[0][0] = 3; // bull closed by both
    m.marks[1][0] = 3;
    m.score[0] = 57;
    m.score[1] = 0;
    ASSERT_TRUE(Render(0));
    const QImage& img = Canvas();

    const QRgb p1 = qRgb(255, 127, 127), p2 = qRgb(127, 127, 255);
    const struct {
        const char* label;
        int y;
        Symbol player1, player2;
        bool bar;
    } rows[] = {
        {"20", 24, kCross, kNothing, false},
        {"19", 56, kNothing, kNothing, false},
        {"18", 88, kCircledCross, kCircledCross, true},
        {"17", 120, kCircledCross, kCross, false},
        {"16", 152, kNothing, kSlash, false},
        {"15", 184, kNothing, kNothing, false},
        {"B", 216, kCircledCross, kCircledCross, true},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(SymbolAt(img, 123, r.y, p1), r.player1) << r.label;
        EXPECT_EQ(SymbolAt(img, 197, r.y, p2), r.player2) << r.label;
        EXPECT_EQ(BarAt(img, r.y), r.bar) << r.label;
        if (!r.bar) {
            EXPECT_TRUE(HasText(img, r.label, 160, r.y, 220, 1, 1, kWhite)) << r.label;
        }
    }
    EXPECT_TRUE(HasText(img, "Round", 15, 11, 120, 0, 0, kLabel));
    EXPECT_TRUE(HasText(img, "6", 71, 24, 200, 0, 1, kLabel));
    EXPECT_TRUE(HasText(img, "Cricket", 305, 11, 120, 2, 0, kLabel));
    EXPECT_TRUE(HasText(img, "57", 58, 73, 380, 1, 1, kWhite, kRed, 0));
    EXPECT_TRUE(HasText(img, "0", 263, 73, 380, 1, 1, kWhite, kBlack, 0));
    // Player 1 at the throw; boxes with exclusive right and bottom edges.
    EXPECT_EQ(PixelAt(img, 18, 48), kRed | 0xFF000000);
    EXPECT_EQ(PixelAt(img, 223, 48), kBlack | 0xFF000000);
    EXPECT_EQ(PixelAt(img, 99, 60), 0xFFFFFFFF);
    EXPECT_EQ(PixelAt(img, 100, 60), kFlatGrey);
    EXPECT_EQ(PixelAt(img, 250, 99), 0xFFFFFFFF);
    EXPECT_EQ(PixelAt(img, 250, 100), kFlatGrey);
    EXPECT_TRUE(Empty(img, QRect(0, 112, 105, 128))) << "a turn start shows no darts";
    EXPECT_TRUE(Empty(img, QRect(215, 112, 105, 128)));
}

TEST_F(BoardCricket, DartsOfTheTurnUnderTheThrowersBox) {
    Add(score, 1, 2, 0);
    Add(score, 1, 2, 1, Hit::Single, 20).value = 1;
    Add(score, 2, 2, 0);
    Add(score, 2, 2, 1, Hit::Triple, 19).value = 3;
    Add(score, 2, 2, 2, Hit::None).value = 0;
    Entry& shown = Add(score, 2, 2, 3, Hit::Bull);
    shown.value = 2;
    shown.score[0] = 20;
    shown.score[1] = 999;
    ASSERT_TRUE(Render(5));
    const QImage& img = Canvas();

    const struct {
        int y;
        Symbol symbol;
        const char* text;
    } darts[] = {{130, kCircledCross, "T19"}, {170, kDash, "-"}, {210, kCross, "DB"}};
    for (const auto& d : darts) {
        EXPECT_EQ(SymbolAt(img, 236, d.y, 0xFFFFFFFF), d.symbol) << d.text;
        EXPECT_TRUE(HasText(img, d.text, 279, d.y, 220, 1, 1, kWhite)) << d.text;
    }
    EXPECT_TRUE(Empty(img, QRect(0, 112, 105, 128))) << "nothing under player 1's box";
    EXPECT_EQ(PixelAt(img, 223, 48), kBlue | 0xFF000000);
    EXPECT_EQ(PixelAt(img, 18, 48), kBlack | 0xFF000000);
    EXPECT_TRUE(HasText(img, "999", 263, 73, 380, 1, 1, kWhite, kBlue, 0));
}

TEST_F(BoardCricket, DartsOfPlayer1AndNoMarkDarts) {
    Add(score, 1, 1, 0);
    Add(score, 1, 1, 1, Hit::Single, 5).value = 0; // outside 15..20: no mark
    Entry& shown = Add(score, 1, 1, 2, Hit::Double, 20);
    shown.value = 2;
    ASSERT_TRUE(Render(2));
    const QImage& img = Canvas();
    EXPECT_EQ(SymbolAt(img, 31, 130, 0xFFFFFFFF), kDash);
    EXPECT_TRUE(HasText(img, "5", 74, 130, 220, 1, 1, kWhite));
    EXPECT_EQ(SymbolAt(img, 31, 170, 0xFFFFFFFF), kCross);
    EXPECT_TRUE(HasText(img, "D20", 74, 170, 220, 1, 1, kWhite));
    EXPECT_TRUE(Empty(img, QRect(0, 195, 105, 45))) << "no third dart yet";
}

TEST_F(BoardCricket, FourDigitPointsUseTheSmallerSize) {
    const struct {
        int points;
        int32_t size;
    } cases[] = {{999, 380}, {1000, 280}, {1234, 280}};
    for (const auto& c : cases) {
        score.entries.clear();
        Entry& m = Add(score, 2, 9, 0);
        m.score[0] = c.points;
        m.score[1] = c.points;
        ASSERT_TRUE(Render(0));
        const std::string text = std::to_string(c.points);
        // Four digits touch the outline, so only the boxes' insides are compared.
        EXPECT_TRUE(HasText(Canvas(), text, 58, 73, c.size, 1, 1, kWhite, kBlack, 0,
                            QRect(QPoint(16, 46), QPoint(98, 98))))
            << c.points;
        EXPECT_TRUE(HasText(Canvas(), text, 263, 73, c.size, 1, 1, kWhite, kBlue, 0,
                            QRect(QPoint(221, 46), QPoint(303, 98))))
            << c.points;
    }
}

TEST(CricketMark, SymbolBySizeAndCount) {
    const struct {
        int count;
        Symbol symbol;
    } cases[] = {{-1, kDash}, {0, kNothing},      {1, kSlash},
                 {2, kCross}, {3, kCircledCross}, {4, kCircledCross}};
    for (const auto& c : cases) {
        Sheet s;
        PaintCricketMark(s.canvas, 160, 120, c.count, 220, qRgb(0, 255, 0));
        EXPECT_EQ(SymbolAt(s.image, 160, 120, qRgb(0, 255, 0)), c.symbol) << c.count;
    }
    // The box follows the text size: at 900 (S = 100) the slash reaches 50 pixels out.
    Sheet s;
    PaintCricketMark(s.canvas, 160, 120, 1, 900, kWhite);
    EXPECT_EQ(InkBox(s.image, s.image.rect(), kFlatGrey), QRect(QPoint(109, 69), QPoint(211, 171)));
}

} // namespace

namespace {

Match ReadMatchText(const std::string& text) {
    Match match;
    EXPECT_TRUE(ReadScore(match, ProfileFile(text)));
    return match;
}

// Every entry of a match's later leg draws exactly the board that a one-leg file holding only
// that leg draws: the leg's own game, turn order and darts, nothing of the legs before.
TEST(MatchBoards, ALaterLegDrawsAsItsOwnOneLegGame) {
    const std::string leg2 = "R01-2=T20,T20,20\nR01-1=20,20,5\nR02-2=T20,D20\n";
    const std::string cricket = "R01-1=T20,T19,T18\nR01-2=20,SB\nR02-1=T17,T16,T15\n";
    struct Case {
        const char* name;
        std::string match;
        std::string alone;
        size_t leg;
    } cases[] = {
        {"501 leg 2, player 2 first",
         "[SETTING]\nGAME=501\nLEGS=2\nOUT=DOUBLE\n[DATA]\nR01-1=T20,T20,T20\nR01-2=5\n"
         "[DATA2]\n" +
             leg2,
         "[SETTING]\nGAME=501\nFIRST=2\n[DATA]\n" + leg2, 1},
        {"Cricket decider after a 301 leg",
         "[SETTING]\nGAME=301\nLEGS=2\n[DATA]\nR01-1=T20\nR01-2=5\n[SETTING2]\nGAME=Cricket\n"
         "FIRST=1\n[DATA2]\n" +
             cricket,
         "[SETTING]\nGAME=Cricket\n[DATA]\n" + cricket, 1},
    };
    for (const Case& c : cases) {
        const Match match = ReadMatchText(c.match);
        const Match alone = ReadMatchText(c.alone);
        ASSERT_GT(match.legs.size(), c.leg) << c.name;
        const Leg& leg = match.legs[c.leg];
        ASSERT_EQ(leg.entryCount, alone.count()) << c.name;
        for (int i = 0; i < alone.count(); ++i) {
            QImage a = MakeBoardImage({});
            QImage b = MakeBoardImage({});
            ASSERT_TRUE(RenderEntry(match, leg.firstEntry + i, a, {})) << c.name << " " << i;
            ASSERT_TRUE(RenderEntry(alone, i, b, {})) << c.name << " " << i;
            EXPECT_TRUE(a == b) << c.name << " entry " << i;
        }
    }
}

} // namespace
