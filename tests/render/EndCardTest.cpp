#include "RenderTestUtil.h"

#include "render/Renderer.h"
#include "render/SummaryCard.h"
#include "render/Theme.h"
#include "score/Loader.h"
#include "score/ProfileFile.h"
#include "score/Timeline.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

namespace {

using rendertest::Flat;

Match Read(const std::string& text) {
    Match match;
    EXPECT_TRUE(ReadScore(match, ProfileFile(text)));
    return match;
}

const std::string k501 = "[SETTING]\nGAME=501\n[DATA]\nR01-1=T20,T20,20\nR01-2=20,T20,1\n"
                         "[TIME]\nR01-1=1000,2000,3000\nR01-2=5000,6000,7000\n";
const std::string kCricket = "[SETTING]\nGAME=CRICKET\n[DATA]\nR01-1=T20,T20,S19\n"
                             "R01-2=DB,SB,25\n[TIME]\nR01-1=100,200,300\nR01-2=400,500,600\n";

QImage Moment(const Match& match, int64_t t, bool endCard, const RenderOptions& options = {}) {
    QImage picture = MakeBoardImage(options);
    EXPECT_TRUE(RenderVideoMoment(match, t, picture, options, endCard)) << t;
    return picture;
}

QImage Card(const Match& match, const RenderOptions& options = {}) {
    QImage picture;
    EXPECT_TRUE(RenderEndCard(match, picture, options));
    return picture;
}

TEST(EndCard, TakesTheLastFiveSecondsOnlyWhenAskedFor) {
    for (const std::string& text : {k501, kCricket}) {
        const Match match = Read(text);
        const int64_t end = TimelineLength(match);
        ASSERT_EQ(EndCardStart(match), end - 5000);
        const QImage card = Card(match);
        QImage lastBoard = MakeBoardImage({});
        ASSERT_TRUE(RenderEntry(match, match.count() - 1, lastBoard, {}));
        ASSERT_NE(card, lastBoard);

        for (int64_t t : {int64_t(0), EndCardStart(match) - 1, EndCardStart(match), end - 1}) {
            QImage plain = MakeBoardImage({});
            ASSERT_TRUE(RenderMoment(match, t, plain, {}));
            // Off (the default export), every moment is the classic one.
            EXPECT_EQ(Moment(match, t, false), plain) << t;
            EXPECT_EQ(Moment(match, t, true), t >= EndCardStart(match) ? card : plain) << t;
        }
    }
}

TEST(EndCard, ShowsEachMatchsOwnFiguresAtAnyScaleAndBackground) {
    const Match x01 = Read(k501);
    const Match cricket = Read(kCricket);
    // Another score: other figures, another card.
    const Match other = Read("[SETTING]\nGAME=501\n[DATA]\nR01-1=T20,T20,T20\nR01-2=20,T20,1\n");
    EXPECT_NE(Card(x01), Card(other));
    EXPECT_NE(Card(x01), Card(cricket));

    // Over a flat colour the card is drawn in the same places at twice the size.
    const QImage flat = Card(x01, Flat());
    const QImage large = Card(x01, Flat(2.0));
    EXPECT_EQ(large.size(), BoardSize(2.0));
    const QRect ink = rendertest::InkBox(flat, flat.rect(), rendertest::kFlatGrey);
    const QRect largeInk = rendertest::InkBox(large, large.rect(), rendertest::kFlatGrey);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(largeInk.left(), 2 * ink.left(), 3);
    EXPECT_NEAR(largeInk.bottom(), 2 * ink.bottom(), 4);

    RenderOptions clear;
    clear.background = Background{Background::Kind::Transparent, QColor()};
    const QImage transparent = Card(x01, clear);
    EXPECT_EQ(transparent.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(qAlpha(transparent.pixel(0, 239)), 0);
    EXPECT_EQ(qAlpha(transparent.pixel(160, 48)), 255) << "the player boxes are opaque";
}

TEST(EndCard, NoCardWithoutABoard) {
    Match empty;
    QImage picture = MakeBoardImage({});
    picture.fill(Qt::red);
    const QImage before = picture;
    EXPECT_FALSE(RenderEndCard(empty, picture, {}));
    EXPECT_FALSE(ShowsEndCard(empty, 1000000));
    Match unknown = Read(k501);
    unknown.gameKind = GameKind::None;
    EXPECT_FALSE(RenderEndCard(unknown, picture, {}));
    EXPECT_EQ(picture, before);
}

} // namespace

namespace {

// Rows of pixels (top to bottom) where two pictures differ.
std::pair<int, int> DifferingRows(const QImage& a, const QImage& b) {
    int first = -1;
    int last = -1;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

const std::string kMatch = "[SETTING]\nGAME=301\nP1-SCORE=40\nP2-SCORE=40\nLEGS=2\n"
                           "P1-NAME=Ann\nP2-NAME=Bob\n[DATA]\nR01-1=D20\n[DATA2]\nR01-2=20\n"
                           "R01-1=D20\n[TIME]\nR01-1=1000\n[TIME2]\nR01-2=3000\nR01-1=4000\n";

// The card of a match counts every leg and heads its columns with the players' names.
TEST(EndCard, AMatchCardShowsTheNamesAndTheLegsWon) {
    const Match match = Read(kMatch);
    ASSERT_EQ(match.winner, 1);
    const QImage card = Card(match);

    Match unnamed = match;
    unnamed.names[0].clear();
    unnamed.names[1].clear();
    const auto [nameTop, nameBottom] = DifferingRows(card, Card(unnamed));
    EXPECT_GE(nameTop, 36);
    EXPECT_LE(nameBottom, 60);

    // Player 1's legs: 2 on the card, 1 after only the first leg's win.
    Match oneLeg = match;
    for (Entry& e : oneLeg.entries) {
        e.legsWon[0] = std::min(e.legsWon[0], 1);
    }
    const auto [legsTop, legsBottom] = DifferingRows(card, Card(oneLeg));
    EXPECT_GT(legsTop, 60);
    EXPECT_LT(legsBottom, 100); // the first rows: the legs come first
}

// Over footage the broadcast board's card is headed by the match's result, in the theme's
// accent above the figures; the figures below stay the same whoever won.
TEST(EndCard, TheBroadcastCardNamesTheWinnerAboveTheFigures) {
    const Match match = Read(kMatch);
    ASSERT_EQ(match.winner, 1);
    RenderOptions options;
    options.background = Background{Background::Kind::Colour, QColor(0x40, 0x80, 0x40)};
    ApplyTheme(options, *BuiltInTheme("broadcast"));
    options.frameSize = QSize(1920, 1080);
    const QImage card = Card(match, options);
    ASSERT_EQ(card.size(), QSize(1920, 1080));

    Match otherWinner = match;
    otherWinner.winner = 2;
    const auto [top, bottom] = DifferingRows(card, Card(otherWinner, options));
    EXPECT_GE(top, 54);          // inside the title-safe area
    EXPECT_LT(bottom, 1080 / 4); // the banner only, above the figures in the middle

    // The banner is a panel of its own over the footage, no wider than the card.
    const QRgb footage = qRgb(0x40, 0x80, 0x40);
    EXPECT_NE(card.pixel(960, top), footage);
    EXPECT_EQ(card.pixel(100, top), footage);
}

} // namespace
