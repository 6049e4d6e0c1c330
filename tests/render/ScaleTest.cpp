#include "RenderTestUtil.h"

#include "render/BackgroundPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

using namespace rendertest;

namespace {

// A 01 board and a Cricket board with something in every part of their layouts.
Match Board(int32_t kind) {
    Match score;
    score.gameKind = kind;
    score.game = kind == GameKind::X01 ? "501" : "CRICKET";
    for (int dart = 0; dart <= 2; ++dart) {
        Entry& m = score.append();
        m.player = 2;
        m.round = 7;
        m.dart = dart;
        m.kind = dart == 0 ? Hit::None : Hit::Triple;
        m.number = 20;
        m.value = dart == 0 ? 0 : 3;
        m.turnTotal = 60 * dart;
        m.score[0] = 181;
        m.score[1] = 260 - m.turnTotal;
        for (int target = 0; target < kCricketTargets; ++target) {
            m.marks[0][target] = target % 4;
            m.marks[1][target] = (target + 1) % 4;
        }
    }
    return score;
}

QImage Rendered(const Match& score, const RenderOptions& options) {
    QImage picture;
    EXPECT_TRUE(RenderEntry(score, score.count() - 1, picture, options));
    return picture;
}

RenderOptions On(QRgb colour, double scale) {
    RenderOptions options;
    options.scale = scale;
    options.background = Background{Background::Kind::Colour, QColor::fromRgb(colour)};
    return options;
}

TEST(RenderOptionsTest, SizesFormatsScalesAndBackgrounds) {
    EXPECT_EQ(BoardSize(1), QSize(320, 240));
    EXPECT_EQ(BoardSize(4), QSize(1280, 960));
    EXPECT_EQ(BoardSize(1.5), QSize(480, 360));
    RenderOptions options;
    EXPECT_EQ(MakeBoardImage(options).format(), QImage::Format_RGB32);
    options.background.kind = Background::Kind::Transparent;
    const QImage transparent = MakeBoardImage(options);
    EXPECT_EQ(transparent.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(transparent.pixel(5, 5), 0u);

    for (double scale : {0.25, 1.0, 2.5, 16.0}) {
        EXPECT_TRUE(IsValidScale(scale)) << scale;
    }
    for (double scale : {0.0, -1.0, 0.2, 16.5, std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(IsValidScale(scale)) << scale;
    }

    EXPECT_EQ(Background::parse("picture"), Background{});
    EXPECT_EQ(Background::parse("transparent")->kind, Background::Kind::Transparent);
    EXPECT_EQ(Background::parse("none")->kind, Background::Kind::Transparent);
    const auto green = Background::parse("#00B140");
    ASSERT_TRUE(green);
    EXPECT_EQ(green->kind, Background::Kind::Colour);
    EXPECT_EQ(green->colour.rgb(), qRgb(0x00, 0xB1, 0x40));
    EXPECT_EQ(Background::parse("#00b140"), green);
    for (const char* bad : {"", "#00B14", "#00B1400", "00B140", "#00G140", "green", "Picture"}) {
        EXPECT_FALSE(Background::parse(bad)) << bad;
    }
}

TEST(BackgroundPictureTest, ClassicPictureIsADark320x240Image) {
    const QImage picture = BackgroundPicture(QSize(320, 240));
    ASSERT_EQ(picture.size(), QSize(320, 240));
    int64_t sum = 0;
    int brightest = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            sum += qGray(p);
            brightest = std::max({brightest, qRed(p), qGreen(p), qBlue(p)});
        }
    }
    // Light text and the grey closed-target bar must stand out everywhere.
    EXPECT_LT(sum / (320 * 240), 40);
    EXPECT_LT(brightest, 100);
    // It is what lies behind every picture at scale 1.
    QImage title;
    RenderTitle(title, RenderOptions{});
    EXPECT_EQ(title.pixel(0, 0), picture.pixel(0, 0));
    EXPECT_EQ(title.copy(0, 200, 320, 40), picture.copy(0, 200, 320, 40));
}

// The larger background is drawn from a source of its own resolution: shrunk back to 320 x 240
// it is the classic picture, but it has edges no enlargement of the classic one could have.
TEST(BackgroundPictureTest, LargerSizesAreNotTheClassicPictureEnlarged) {
    const QImage classic = BackgroundPicture(QSize(320, 240));
    const QImage large = BackgroundPicture(QSize(1280, 960));
    ASSERT_EQ(large.size(), QSize(1280, 960));
    ASSERT_EQ(large.format(), QImage::Format_RGB32);

    double difference = 0;
    int uniformBlocks = 0;
    for (int by = 0; by < 240; ++by) {
        for (int bx = 0; bx < 320; ++bx) {
            int sum[3] = {0, 0, 0};
            bool uniform = true;
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const QRgb p = large.pixel(4 * bx + x, 4 * by + y);
                    uniform = uniform && p == large.pixel(4 * bx, 4 * by);
                    sum[0] += qRed(p);
                    sum[1] += qGreen(p);
                    sum[2] += qBlue(p);
                }
            }
            uniformBlocks += uniform;
            const QRgb c = classic.pixel(bx, by);
            difference += std::abs(sum[0] / 16.0 - qRed(c)) + std::abs(sum[1] / 16.0 - qGreen(c)) +
                          std::abs(sum[2] / 16.0 - qBlue(c));
        }
    }
    EXPECT_LT(difference / (320 * 240 * 3), 1.0) << "not the same picture";
    // The picture is a gentle gradient, so many blocks are of one colour anyway; a small
    // picture enlarged pixel by pixel would make all of them so.
    EXPECT_LT(uniformBlocks, 320 * 240 * 9 / 10) << "an enlarged small picture";

    // The sharpest step between neighbours stays as sharp as in the classic picture; a smooth
    // enlargement would spread it over four pixels.
    auto sharpestStep = [](const QImage& image) {
        int sharpest = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 1; x < image.width(); ++x) {
                const QRgb a = image.pixel(x - 1, y), b = image.pixel(x, y);
                sharpest =
                    std::max({sharpest, std::abs(qRed(a) - qRed(b)),
                              std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
        }
        return sharpest;
    };
    EXPECT_GE(sharpestStep(large) * 10, sharpestStep(classic) * 6);
    // Asked again, the same size comes from the cache unchanged.
    EXPECT_EQ(BackgroundPicture(QSize(1280, 960)), large);
}

// At scale 4 every part of the layout lands where the scale-1 part does, multiplied.
TEST(RenderScaleTest, FourTimesTheLayout) {
    // Regions of the layouts, each holding whole elements.
    const struct {
        int32_t kind;
        QRect region;
    } parts[] = {
        {GameKind::X01, QRect(0, 0, 150, 42)},        // round
        {GameKind::X01, QRect(250, 0, 70, 42)},       // game
        {GameKind::X01, QRect(0, 88, 60, 52)},        // points of the turn
        {GameKind::X01, QRect(65, 45, 190, 90)},      // score at the throw
        {GameKind::X01, QRect(40, 138, 240, 32)},     // darts of the turn
        {GameKind::X01, QRect(10, 172, 145, 63)},     // box of player 1
        {GameKind::X01, QRect(165, 172, 145, 63)},    // box of player 2
        {GameKind::Cricket, QRect(0, 0, 105, 240)},   // round, player 1's box
        {GameKind::Cricket, QRect(105, 0, 110, 240)}, // targets, marks, bars
        {GameKind::Cricket, QRect(215, 0, 105, 240)}, // game, player 2's box and darts
    };
    for (const auto& part : parts) {
        const Match score = Board(part.kind);
        const QImage small = Rendered(score, Flat(1));
        const QImage large = Rendered(score, Flat(4));
        ASSERT_EQ(large.size(), QSize(1280, 960));
        const QRect ink1 = InkBox(small, part.region, kFlatGrey);
        const QRect ink4 =
            InkBox(large, QRect(part.region.topLeft() * 4, part.region.size() * 4), kFlatGrey);
        ASSERT_FALSE(ink1.isEmpty());
        // Glyphs are hinted at each size on their own, which rounds their advances
        // differently: a pixel of slack at scale 1, and a little more along a text.
        const int slackX = 5 + ink4.width() / 25;
        const int slackY = 5 + ink4.height() / 25;
        const int x = part.region.x(), y = part.region.y();
        EXPECT_LE(std::abs(ink4.left() - 4 * ink1.left()), slackX) << x << "," << y;
        EXPECT_LE(std::abs(ink4.top() - 4 * ink1.top()), slackY) << x << "," << y;
        EXPECT_LE(std::abs(ink4.right() + 1 - 4 * (ink1.right() + 1)), slackX) << x << "," << y;
        EXPECT_LE(std::abs(ink4.bottom() + 1 - 4 * (ink1.bottom() + 1)), slackY) << x << "," << y;
    }
}

TEST(RenderScaleTest, TextIsDrawnAtTheLargerSizeWithAntiAliasing) {
    // "Round 7" of the 01 board: four times as tall, with many shades along its edges.
    const Match score = Board(GameKind::X01);
    const QImage small = Rendered(score, Flat(1));
    const QImage large = Rendered(score, Flat(4));
    const QRect ink1 = InkBox(small, QRect(0, 0, 150, 40), kFlatGrey);
    const QRect ink4 = InkBox(large, QRect(0, 0, 600, 160), kFlatGrey);
    EXPECT_NEAR(ink4.height(), 4 * ink1.height(), 4);
    EXPECT_NEAR(ink4.width(), 4 * ink1.width(), 4 * ink1.width() / 20);
    std::set<QRgb> shades;
    for (int y = ink4.top(); y <= ink4.bottom(); ++y) {
        for (int x = ink4.left(); x <= ink4.right(); ++x) {
            shades.insert(PixelAt(large, x, y));
        }
    }
    EXPECT_GT(shades.size(), 30u);
}

// Over no background the drawing keeps its colours: laid over any colour, the transparent
// picture is the picture drawn on that colour; alpha is 0 exactly where nothing is drawn.
TEST(RenderBackgroundTest, TransparentHasAlphaOnlyWhereSomethingIsDrawn) {
    const QRgb colours[] = {kFlatGrey, qRgb(0x00, 0xB1, 0x40)};
    for (int32_t kind : {GameKind::X01, GameKind::Cricket}) {
        for (double scale : {1.0, 4.0}) {
            const Match score = Board(kind);
            RenderOptions none;
            none.scale = scale;
            none.background.kind = Background::Kind::Transparent;
            const QImage clear = Rendered(score, none);
            ASSERT_EQ(clear.format(), QImage::Format_ARGB32_Premultiplied);
            const QImage onA = Rendered(score, On(colours[0], scale));
            const QImage onB = Rendered(score, On(colours[1], scale));
            int partial = 0;
            int worst = 0;
            for (int y = 0; y < clear.height(); ++y) {
                const QRgb* row = reinterpret_cast<const QRgb*>(clear.constScanLine(y));
                for (int x = 0; x < clear.width(); ++x) {
                    const QRgb p = row[x];
                    const int alpha = qAlpha(p);
                    ASSERT_TRUE(qRed(p) <= alpha && qGreen(p) <= alpha && qBlue(p) <= alpha)
                        << "not premultiplied at " << x << "," << y;
                    const bool untouched =
                        PixelAt(onA, x, y) == colours[0] && PixelAt(onB, x, y) == colours[1];
                    ASSERT_EQ(alpha == 0, untouched) << x << "," << y;
                    partial += alpha > 0 && alpha < 255;
                    for (int i = 0; i < 2; ++i) {
                        const QRgb under = colours[i];
                        const QRgb drawn = PixelAt(i == 0 ? onA : onB, x, y);
                        auto over = [&](int c, int u) { return c + u * (255 - alpha) / 255.0; };
                        worst = std::max(
                            {worst,
                             int(std::lround(std::abs(over(qRed(p), qRed(under)) - qRed(drawn)))),
                             int(std::lround(
                                 std::abs(over(qGreen(p), qGreen(under)) - qGreen(drawn)))),
                             int(std::lround(
                                 std::abs(over(qBlue(p), qBlue(under)) - qBlue(drawn))))});
                    }
                }
            }
            EXPECT_GT(partial, 100) << "anti-aliased edges have partial alpha";
            EXPECT_LE(worst, 3) << kind << " at scale " << scale;
            EXPECT_EQ(clear.pixel(0, 0), 0u);
        }
    }
}

TEST(RenderBackgroundTest, ColourFillsWhatTheDrawingLeaves) {
    const QRgb green = qRgb(0x00, 0xB1, 0x40);
    for (double scale : {1.0, 4.0}) {
        const QImage picture = Rendered(Board(GameKind::Cricket), On(green, scale));
        EXPECT_EQ(picture.format(), QImage::Format_RGB32);
        EXPECT_EQ(PixelAt(picture, 0, 0), green);
        EXPECT_EQ(PixelAt(picture, picture.width() - 1, picture.height() - 1), green);
        EXPECT_EQ(PixelAt(picture, int(4 * scale), int(120 * scale)), green);
    }
}

} // namespace
