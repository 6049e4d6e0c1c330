#include "RenderTestUtil.h"

#include <QFontInfo>

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kWhite = 0xFFFFFFFF;

TEST(CanvasFont, ArialResolvesToAMetricCompatibleFace) {
    const QFontInfo info(Canvas::font(Style(90, 400), 1.0));
    // Liberation Sans shares Arial's advance widths, so measured anchors land where they should.
    EXPECT_TRUE(info.family() == "Arial" || info.family() == "Liberation Sans")
        << info.family().toStdString();
    EXPECT_FALSE(info.bold());
    EXPECT_TRUE(QFontInfo(Canvas::font(Style(90, 700), 1.0)).bold());
}

TEST(CanvasFont, SizeInTenthsOfAPointBecomesPixelsAt96PerInchTimesTheScale) {
    const struct {
        int32_t tenths;
        int pixels;
    } cases[] = {{90, 12}, {100, 13}, {120, 16}, {140, 19}, {200, 27}, {280, 37}, {380, 51}};
    for (const auto& c : cases) {
        EXPECT_EQ(Canvas::fontPixelHeight(c.tenths), c.pixels) << c.tenths;
        EXPECT_EQ(QFontInfo(Canvas::font(Style(c.tenths, 400), 1.0)).pixelSize(), c.pixels)
            << c.tenths;
        EXPECT_EQ(QFontInfo(Canvas::font(Style(c.tenths, 400), 4.0)).pixelSize(), 4 * c.pixels)
            << c.tenths;
    }
    // A zero size asks for the default one.
    EXPECT_EQ(QFontInfo(Canvas::font(Style(0, 400), 1.0)).pixelSize(), 12);
}

// Anchored text lands where the same text drawn from its top-left corner at
// (x - offset(cx), y - offset(cy)) lands, with the halves truncated toward zero.
TEST(CanvasText, AnchorsUseTheMeasuredExtent) {
    const std::string text = "Round 12";
    const Extent e = MeasureText(text, 200, 700);
    const struct {
        Anchor h, v;
        int dx, dy;
    } cases[] = {
        {Anchor::Start, Anchor::Start, 0, 0},
        {Anchor::Centre, Anchor::Centre, -(e.cx / 2), -(e.cy / 2)},
        {Anchor::End, Anchor::Start, -e.cx, 0},
        {Anchor::Start, Anchor::End, 0, -e.cy},
        {Anchor::End, Anchor::End, -e.cx, -e.cy},
    };
    for (const auto& c : cases) {
        Sheet s;
        s.canvas.drawText(160, 120, text, {200, 700, kWhite, c.h, c.v});
        const QRect ink = InkBox(s.image, s.image.rect(), kFlatGrey);
        EXPECT_FALSE(ink.isEmpty());
        EXPECT_EQ(ink, ReferenceInk(text, 160 + c.dx, 120 + c.dy, 200, 700))
            << "anchors " << int(c.h) << "/" << int(c.v);
    }
}

TEST(CanvasText, OddWidthCentredStartsHalfAPixelLeft) {
    // Find a text of odd advance width; centring it at x starts it at x - (width - 1) / 2.
    std::string text;
    for (const char* candidate : {"1", "7", "Bust", "Round", "Score", "Cricket", "T20", "DB"}) {
        if (MeasureText(candidate, 250, 700).cx % 2 == 1) {
            text = candidate;
            break;
        }
    }
    ASSERT_FALSE(text.empty()) << "no candidate text of odd width";
    const Extent e = MeasureText(text, 250, 700);
    Sheet s;
    s.canvas.drawText(160, 50, text, {250, 700, kWhite, Anchor::Centre, Anchor::Start});
    EXPECT_EQ(InkBox(s.image, s.image.rect(), kFlatGrey),
              ReferenceInk(text, 160 - (e.cx - 1) / 2, 50, 250, 700));
}

TEST(CanvasText, TopAnchorPutsTheBaselineAtTheAscent) {
    Sheet s;
    s.canvas.drawText(20, 30, "HH", Style(380, 400));
    const QFontMetrics metrics(Canvas::font(Style(380, 400), 1.0));
    const QRect ink = InkBox(s.image, s.image.rect(), kFlatGrey);
    // A capital sits on the baseline, whose pixel row is the last one above y + ascent.
    EXPECT_EQ(ink.bottom(), 30 + metrics.ascent() - 1);
    EXPECT_GE(ink.top(), 30);
    EXPECT_LE(ink.top(), 30 + metrics.ascent() - metrics.capHeight() + 1);
    // White text is white at its core.
    EXPECT_EQ(PixelAt(s.image, ink.left() + 2, ink.center().y()), kWhite);
}

TEST(CanvasText, EmptyTextDrawsNothingAndJapaneseTextIsDrawn) {
    Sheet s;
    s.canvas.drawText(160, 120, "", {90, 400, kWhite, Anchor::Centre, Anchor::Centre});
    EXPECT_EQ(InkBox(s.image, s.image.rect(), kFlatGrey), QRect());
    s.canvas.drawText(10, 10, "第2試合（リーグ戦）", Style(90, 400));
    EXPECT_FALSE(InkBox(s.image, s.image.rect(), kFlatGrey).isEmpty());
}

// Right and bottom are the first pixels outside; a 1-pixel outline lies inside the box.
TEST(CanvasShapes, RoundRectCoversExactlyItsBox) {
    Sheet s;
    const QRgb red = qRgb(225, 0, 0);
    s.canvas.drawRoundRect({20, 30, 120, 90}, {kWhite, 1}, red);
    EXPECT_EQ(InkBox(s.image, s.image.rect(), kFlatGrey), QRect(QPoint(20, 30), QPoint(119, 89)));

    const struct {
        int x, y;
        QRgb colour;
    } probes[] = {
        {20, 60, kWhite},     {21, 60, red},       {119, 60, kWhite},   {118, 60, red},
        {120, 60, kFlatGrey}, {70, 30, kWhite},    {70, 31, red},       {70, 89, kWhite},
        {70, 88, red},        {70, 90, kFlatGrey}, {20, 30, kFlatGrey}, {119, 89, kFlatGrey},
        {119, 30, kFlatGrey}, {20, 89, kFlatGrey}, {23, 33, red},       {116, 86, red},
        {116, 33, red},       {23, 86, red},       {21, 31, kWhite},    {118, 88, kWhite},
    };
    for (const auto& p : probes) {
        EXPECT_EQ(PixelAt(s.image, p.x, p.y), p.colour | 0xFF000000) << p.x << "," << p.y;
    }
    // The corners may come in either order.
    Sheet swapped;
    swapped.canvas.drawRoundRect({120, 90, 20, 30}, {kWhite, 1}, red);
    EXPECT_EQ(swapped.image, s.image);
}

TEST(CanvasShapes, RoundRectIsSymmetric) {
    Sheet s;
    s.canvas.drawRoundRect({170, 175, 305, 230}, {kWhite, 1}, qRgb(0, 0, 225));
    const QImage& img = s.image;
    for (int y = 175; y < 230; ++y) {
        for (int x = 170; x < 305; ++x) {
            ASSERT_EQ(PixelAt(img, x, y), PixelAt(img, 170 + 304 - x, y)) << x << "," << y;
            ASSERT_EQ(PixelAt(img, x, y), PixelAt(img, x, 175 + 229 - y)) << x << "," << y;
        }
    }
}

TEST(CanvasShapes, EllipseIsInscribedInItsBox) {
    const struct {
        int penWidth;
        QRect expectedInk; // for the box (100, 50)-(140, 80)
    } cases[] = {
        {1, QRect(QPoint(100, 50), QPoint(139, 79))},
        // A wider pen is centred on the outline and so reaches one pixel out of the box.
        {3, QRect(QPoint(99, 49), QPoint(140, 80))},
    };
    for (const auto& c : cases) {
        Sheet s;
        s.canvas.drawEllipse({100, 50, 140, 80}, {0xFF00FF00, c.penWidth}, kBlack);
        EXPECT_EQ(InkBox(s.image, s.image.rect(), kFlatGrey), c.expectedInk) << c.penWidth;
        EXPECT_EQ(PixelAt(s.image, 120, 65), kBlack) << "filled with the brush";
        EXPECT_EQ(PixelAt(s.image, 100, 65), 0xFF00FF00) << "outline at the left end";
        EXPECT_EQ(PixelAt(s.image, 102, 52), kFlatGrey) << "the box's corner stays outside";
    }
}

TEST(CanvasShapes, ThinLineLeavesOutItsEndPoint) {
    Sheet s;
    s.canvas.drawLine(10, 20, 30, 20, {kWhite, 1}); // horizontal
    s.canvas.drawLine(50, 10, 50, 40, {kWhite, 1}); // vertical
    s.canvas.drawLine(60, 10, 70, 20, {kWhite, 1}); // diagonal
    s.canvas.drawLine(90, 10, 90, 10, {kWhite, 1}); // a point: nothing
    const QImage& img = s.image;
    EXPECT_EQ(InkBox(img, QRect(0, 0, 45, 45), kFlatGrey), QRect(QPoint(10, 20), QPoint(29, 20)));
    EXPECT_EQ(InkBox(img, QRect(45, 0, 10, 50), kFlatGrey), QRect(QPoint(50, 10), QPoint(50, 39)));
    EXPECT_EQ(InkBox(img, QRect(55, 0, 30, 50), kFlatGrey), QRect(QPoint(60, 10), QPoint(69, 19)));
    EXPECT_EQ(InkBox(img, QRect(85, 0, 10, 50), kFlatGrey), QRect());
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(PixelAt(img, 60 + k, 10 + k), kWhite);
    }
}

TEST(CanvasShapes, WideLineHasRoundEnds) {
    Sheet s;
    const QRgb grey = qRgb(127, 127, 127);
    s.canvas.drawLine(109, 88, 211, 88, {grey, 5});
    const QImage& img = s.image;
    // Full thickness (rows 86 to 90) from one end point to the other, both included.
    for (int x = 109; x <= 211; ++x) {
        for (int y = 86; y <= 90; ++y) {
            ASSERT_EQ(PixelAt(img, x, y), grey) << x << "," << y;
        }
        ASSERT_EQ(PixelAt(img, x, 85), kFlatGrey) << x;
        ASSERT_EQ(PixelAt(img, x, 91), kFlatGrey) << x;
    }
    // The round caps reach two pixels past the ends on the centre row, less off it.
    EXPECT_EQ(InkBox(img, QRect(0, 88, 320, 1), kFlatGrey), QRect(107, 88, 107, 1));
    EXPECT_EQ(InkBox(img, QRect(0, 86, 320, 1), kFlatGrey), QRect(108, 86, 105, 1));
    EXPECT_EQ(InkBox(img, img.rect(), kFlatGrey), QRect(QPoint(107, 86), QPoint(213, 90)));
}

// ---- larger scales: the same geometry multiplied ----

// At scale 4 a box's straight edges fall on whole pixels: outside is untouched, the outline
// is four pixels of pen, then the brush, with nothing mixed in between.
TEST(CanvasScaled, BoxEdgesStayCrispAndCornersAreSmooth) {
    Sheet s(kFlatGrey, 4.0);
    const QRgb blue = qRgb(0, 0, 225);
    s.canvas.drawRoundRect({170, 175, 305, 230}, {kWhite, 1}, blue);
    const int midY = 4 * 202;
    const int midX = 4 * 237;
    for (const auto& [outside, outline, inside] : {std::tuple{4 * 170 - 1, 4 * 170, 4 * 170 + 4},
                                                   std::tuple{4 * 305, 4 * 305 - 1, 4 * 305 - 5}}) {
        EXPECT_EQ(PixelAt(s.image, outside, midY), kFlatGrey);
        for (int k = 0; k < 4; ++k) {
            const int x = outline < inside ? outline + k : outline - k;
            EXPECT_EQ(PixelAt(s.image, x, midY), kWhite) << x;
        }
        EXPECT_EQ(PixelAt(s.image, inside, midY), blue);
    }
    EXPECT_EQ(PixelAt(s.image, midX, 4 * 175 - 1), kFlatGrey);
    EXPECT_EQ(PixelAt(s.image, midX, 4 * 175), kWhite);
    EXPECT_EQ(PixelAt(s.image, midX, 4 * 230 - 1), kWhite);
    EXPECT_EQ(PixelAt(s.image, midX, 4 * 230), kFlatGrey);
    EXPECT_EQ(InkBox(s.image, s.image.rect(), kFlatGrey),
              QRect(QPoint(4 * 170, 4 * 175), QPoint(4 * 305 - 1, 4 * 230 - 1)));
    // The rounded corner mixes the outline with what lies outside.
    int mixed = 0;
    for (int y = 4 * 175; y < 4 * 175 + 20; ++y) {
        for (int x = 4 * 170; x < 4 * 170 + 20; ++x) {
            const QRgb p = PixelAt(s.image, x, y);
            mixed += p != kFlatGrey && p != kWhite && p != (blue | 0xFF000000);
        }
    }
    EXPECT_GT(mixed, 5);
}

TEST(CanvasScaled, LinesAndEllipsesKeepTheirGeometry) {
    // Each figure at scale 3 covers the scale-1 figure's pixels multiplied, give or take the
    // anti-aliased rim.
    const QRgb green = 0xFF00FF00;
    auto draw = [&](Sheet& s) {
        s.canvas.drawLine(20, 20, 60, 20, {green, 5});
        s.canvas.drawEllipse({100, 50, 140, 80}, {green, 3}, kBlack);
        s.canvas.drawLine(30, 100, 70, 140, {green, 1});
    };
    Sheet small;
    draw(small);
    Sheet large(kFlatGrey, 3.0);
    draw(large);
    for (const QRect region : {QRect(0, 0, 90, 40), QRect(90, 40, 60, 50), QRect(20, 90, 60, 60)}) {
        const QRect ink1 = InkBox(small.image, region, kFlatGrey);
        const QRect ink3 =
            InkBox(large.image, QRect(region.topLeft() * 3, region.size() * 3), kFlatGrey);
        ASSERT_FALSE(ink1.isEmpty());
        EXPECT_LE(std::abs(ink3.left() - 3 * ink1.left()), 2) << ink1.x();
        EXPECT_LE(std::abs(ink3.top() - 3 * ink1.top()), 2) << ink1.y();
        EXPECT_LE(std::abs(ink3.right() + 1 - 3 * (ink1.right() + 1)), 2) << ink1.right();
        EXPECT_LE(std::abs(ink3.bottom() + 1 - 3 * (ink1.bottom() + 1)), 2) << ink1.bottom();
    }
    // Solid where the figures are solid.
    EXPECT_EQ(PixelAt(large.image, 3 * 40 + 1, 3 * 20 + 1), green);
    EXPECT_EQ(PixelAt(large.image, 3 * 120, 3 * 65), kBlack);
    EXPECT_EQ(PixelAt(large.image, 3 * 100 + 1, 3 * 65), green);
}

} // namespace
