#include "RenderTestUtil.h"

#include <QFontInfo>

#include <algorithm>

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

constexpr QRgb kBlack = 0xFF000000;

TEST(SurfaceFont, ArialResolvesToAMetricCompatibleFace) {
    CGStatic surface;
    const QFontInfo info(surface.MakeFont());
    // Liberation Sans shares Arial's advance widths, so measured anchors land where they should.
    EXPECT_TRUE(info.family() == "Arial" || info.family() == "Liberation Sans")
        << info.family().toStdString();
    EXPECT_FALSE(info.bold());
    surface.m_nFontWeight = 700;
    EXPECT_TRUE(QFontInfo(surface.MakeFont()).bold());
}

TEST(SurfaceFont, SizeInTenthsOfAPointBecomesPixelsAt96PerInch) {
    const struct {
        int32_t tenths;
        int pixels;
    } cases[] = {{90, 12}, {100, 13}, {120, 16}, {140, 19}, {200, 27}, {280, 37}, {380, 51}};
    for (const auto& c : cases) {
        EXPECT_EQ(CGStatic::FontPixelHeight(c.tenths), c.pixels) << c.tenths;
        CGStatic surface;
        surface.m_nFontSize = c.tenths;
        EXPECT_EQ(QFontInfo(surface.MakeFont()).pixelSize(), c.pixels) << c.tenths;
    }
}

TEST(SurfaceCanvas, FreshAndClearedCanvasIsBlack) {
    CGStatic surface;
    EXPECT_TRUE(surface.GetCanvas().isNull()); // nothing to draw into before the window exists
    surface.DrawRoundRect(0, 0, 10, 10);       // and drawing without a canvas is harmless

    surface.CreateCanvas(320, 240);
    EXPECT_EQ(surface.m_rcCanvas.Width(), 320);
    EXPECT_EQ(surface.m_rcCanvas.Height(), 240);
    ASSERT_EQ(surface.GetCanvas().size(), QSize(320, 240));
    EXPECT_EQ(InkBox(surface.GetCanvas(), surface.GetCanvas().rect(), kBlack), QRect());

    surface.m_crBrush = 0x00FF00;
    surface.DrawRoundRect(10, 10, 300, 200);
    surface.ClearCanvas();
    EXPECT_EQ(InkBox(surface.GetCanvas(), surface.GetCanvas().rect(), kBlack), QRect());
}

// Anchored text lands where the same text drawn from its top-left corner at
// (x - offset(cx), y - offset(cy)) lands, with the halves truncated toward zero.
TEST(SurfaceText, AnchorsUseTheMeasuredExtent) {
    const std::string text = "Round 12";
    const Extent e = MeasureText(text, 200, 700);
    const struct {
        int alignH, alignV, dx, dy;
    } cases[] = {
        {0, 0, 0, 0},         {1, 1, -(e.cx / 2), -(e.cy / 2)},
        {2, 0, -e.cx, 0},     {0, 2, 0, -e.cy},
        {2, 2, -e.cx, -e.cy}, {3, 3, 0, 0}, // unknown anchors count as 0
        {-1, 7, 0, 0},
    };
    for (const auto& c : cases) {
        Surface s;
        s.surface.DrawBackground();
        s.surface.m_nFontSize = 200;
        s.surface.m_nFontWeight = 700;
        s.surface.m_nAlignH = c.alignH;
        s.surface.m_nAlignV = c.alignV;
        s.surface.DrawString(160, 120, text);
        const QRect ink = InkBox(s.surface.GetCanvas(), s.surface.GetCanvas().rect(), kFlatGrey);
        EXPECT_FALSE(ink.isEmpty());
        EXPECT_EQ(ink, ReferenceInk(text, 160 + c.dx, 120 + c.dy, 200, 700))
            << "anchors " << c.alignH << "/" << c.alignV;
    }
}

TEST(SurfaceText, OddWidthCentredStartsHalfAPixelLeft) {
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
    Surface s;
    s.surface.DrawBackground();
    s.surface.m_nFontSize = 250;
    s.surface.m_nFontWeight = 700;
    s.surface.m_nAlignH = 1;
    s.surface.m_nAlignV = 0;
    s.surface.DrawString(160, 50, text);
    EXPECT_EQ(InkBox(s.surface.GetCanvas(), s.surface.GetCanvas().rect(), kFlatGrey),
              ReferenceInk(text, 160 - (e.cx - 1) / 2, 50, 250, 700));
}

TEST(SurfaceText, TopAnchorPutsTheBaselineAtTheAscent) {
    Surface s;
    s.surface.DrawBackground();
    s.surface.m_nFontSize = 380;
    s.surface.m_crText = 0xFFFFFF;
    s.surface.DrawString(20, 30, "HH");
    const QFontMetrics metrics(s.surface.MakeFont());
    const QRect ink = InkBox(s.surface.GetCanvas(), s.surface.GetCanvas().rect(), kFlatGrey);
    // A capital sits on the baseline, whose pixel row is the last one above y + ascent.
    EXPECT_EQ(ink.bottom(), 30 + metrics.ascent() - 1);
    EXPECT_GE(ink.top(), 30);
    EXPECT_LE(ink.top(), 30 + metrics.ascent() - metrics.capHeight() + 1);
    // White text is white at its core.
    EXPECT_EQ(PixelAt(s.surface.GetCanvas(), ink.left() + 2, ink.center().y()), 0xFFFFFFFF);
}

TEST(SurfaceText, EmptyTextDrawsNothing) {
    Surface s;
    s.surface.DrawBackground();
    s.surface.m_nAlignH = 1;
    s.surface.DrawString(160, 120, "");
    EXPECT_EQ(InkBox(s.surface.GetCanvas(), s.surface.GetCanvas().rect(), kFlatGrey), QRect());
}

TEST(SurfaceText, JapaneseTextIsDrawn) {
    Surface s;
    s.surface.DrawBackground();
    s.surface.DrawString(10, 10, "第2試合（リーグ戦）");
    EXPECT_FALSE(InkBox(s.surface.GetCanvas(), s.surface.GetCanvas().rect(), kFlatGrey).isEmpty());
}

// Right and bottom are the first pixels outside; a 1-pixel outline lies inside the box.
TEST(SurfaceShapes, RoundRectCoversExactlyItsBox) {
    Surface s;
    s.surface.DrawBackground();
    s.surface.m_crPen = 0xFFFFFF;
    s.surface.m_nPenWidth = 1;
    s.surface.m_crBrush = 0x0000E1;
    s.surface.DrawRoundRect(20, 30, 120, 90);
    const QImage& img = s.surface.GetCanvas();
    EXPECT_EQ(InkBox(img, img.rect(), kFlatGrey), QRect(QPoint(20, 30), QPoint(119, 89)));

    const QRgb white = 0xFFFFFFFF, red = qRgb(225, 0, 0);
    const struct {
        int x, y;
        QRgb colour;
    } probes[] = {
        {20, 60, white},      {21, 60, red},       {119, 60, white},    {118, 60, red},
        {120, 60, kFlatGrey}, {70, 30, white},     {70, 31, red},       {70, 89, white},
        {70, 88, red},        {70, 90, kFlatGrey}, {20, 30, kFlatGrey}, {119, 89, kFlatGrey},
        {119, 30, kFlatGrey}, {20, 89, kFlatGrey}, {23, 33, red},       {116, 86, red},
        {116, 33, red},       {23, 86, red},       {21, 31, white},     {118, 88, white},
    };
    for (const auto& p : probes) {
        EXPECT_EQ(PixelAt(img, p.x, p.y), p.colour | 0xFF000000) << p.x << "," << p.y;
    }
}

TEST(SurfaceShapes, RoundRectIsSymmetric) {
    Surface s;
    s.surface.DrawBackground();
    s.surface.m_crBrush = 0xE10000;
    s.surface.DrawRoundRect(170, 175, 305, 230);
    const QImage& img = s.surface.GetCanvas();
    for (int y = 175; y < 230; ++y) {
        for (int x = 170; x < 305; ++x) {
            ASSERT_EQ(PixelAt(img, x, y), PixelAt(img, 170 + 304 - x, y)) << x << "," << y;
            ASSERT_EQ(PixelAt(img, x, y), PixelAt(img, x, 175 + 229 - y)) << x << "," << y;
        }
    }
}

TEST(SurfaceShapes, EllipseIsInscribedInItsBox) {
    const struct {
        int penWidth;
        QRect expectedInk; // for the box (100, 50)-(140, 80)
    } cases[] = {
        {1, QRect(QPoint(100, 50), QPoint(139, 79))},
        // A wider pen is centred on the outline and so reaches one pixel out of the box.
        {3, QRect(QPoint(99, 49), QPoint(140, 80))},
    };
    for (const auto& c : cases) {
        Surface s;
        s.surface.DrawBackground();
        s.surface.m_crPen = 0x00FF00;
        s.surface.m_nPenWidth = c.penWidth;
        s.surface.m_crBrush = 0x000000;
        s.surface.DrawEllipse(100, 50, 140, 80);
        const QImage& img = s.surface.GetCanvas();
        EXPECT_EQ(InkBox(img, img.rect(), kFlatGrey), c.expectedInk) << c.penWidth;
        EXPECT_EQ(PixelAt(img, 120, 65), kBlack) << "filled with the brush";
        EXPECT_EQ(PixelAt(img, 100, 65), 0xFF00FF00) << "outline at the left end";
        EXPECT_EQ(PixelAt(img, 102, 52), kFlatGrey) << "the box's corner stays outside";
    }
}

TEST(SurfaceShapes, ThinLineLeavesOutItsEndPoint) {
    Surface s;
    s.surface.DrawBackground();
    s.surface.m_crPen = 0xFFFFFF;
    s.surface.m_nPenWidth = 1;
    s.surface.DrawLine(10, 20, 30, 20); // horizontal
    s.surface.DrawLine(50, 10, 50, 40); // vertical
    s.surface.DrawLine(60, 10, 70, 20); // diagonal
    const QImage& img = s.surface.GetCanvas();
    EXPECT_EQ(InkBox(img, QRect(0, 0, 45, 45), kFlatGrey), QRect(QPoint(10, 20), QPoint(29, 20)));
    EXPECT_EQ(InkBox(img, QRect(45, 0, 10, 50), kFlatGrey), QRect(QPoint(50, 10), QPoint(50, 39)));
    EXPECT_EQ(InkBox(img, QRect(55, 0, 30, 50), kFlatGrey), QRect(QPoint(60, 10), QPoint(69, 19)));
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(PixelAt(img, 60 + k, 10 + k), 0xFFFFFFFF);
    }
}

TEST(SurfaceShapes, WideLineHasRoundEnds) {
    Surface s;
    s.surface.DrawBackground();
    s.surface.m_crPen = 0x7F7F7F;
    s.surface.m_nPenWidth = 5;
    s.surface.DrawLine(109, 88, 211, 88);
    const QImage& img = s.surface.GetCanvas();
    const QRgb grey = qRgb(127, 127, 127);
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

// ---- the background picture ----

int g_loads = 0;
QImage CountingFlatLoader(int id) {
    ++g_loads;
    return FlatBackground(id);
}
QImage CountingFailingLoader(int) {
    ++g_loads;
    return QImage();
}

TEST(SurfaceBackground, ShippedPictureIsADark320x240Image) {
    const QImage picture = CGStatic::LoadResourceBitmap(IDB_BACKGROUND);
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
    EXPECT_TRUE(CGStatic::LoadResourceBitmap(130).isNull());

    CGStatic surface;
    surface.CreateCanvas(320, 240);
    surface.DrawBackground();
    EXPECT_EQ(surface.GetCanvas(), picture.convertToFormat(QImage::Format_RGB32));
}

TEST(SurfaceBackground, LoadedOnceAndCachedUnderItsNumber) {
    g_loads = 0;
    Surface s;
    s.surface.m_pfnLoadBitmap = &CountingFlatLoader;
    s.surface.DrawBackground();
    s.surface.ClearCanvas();
    s.surface.DrawBackground();
    EXPECT_EQ(g_loads, 1);
    ASSERT_EQ(s.surface.m_mapBmp.size(), 1u);
    EXPECT_EQ(s.surface.m_mapBmp.begin()->first, "ID:129");
    EXPECT_EQ(s.surface.m_mapBmp.begin()->second->m_nType, 1);
    EXPECT_EQ(PixelAt(s.surface.GetCanvas(), 319, 239), kFlatGrey);
}

TEST(SurfaceBackground, MissingPictureLeavesTheCanvasBlackAndIsRetried) {
    g_loads = 0;
    Surface s;
    s.surface.m_pfnLoadBitmap = &CountingFailingLoader;
    s.surface.DrawBackground();
    EXPECT_TRUE(s.surface.m_mapBmp.empty());
    EXPECT_EQ(InkBox(s.surface.GetCanvas(), s.surface.GetCanvas().rect(), kBlack), QRect());
    s.surface.DrawBackground();
    EXPECT_EQ(g_loads, 2);
    // Once the picture can be had, it is drawn and kept.
    s.surface.m_pfnLoadBitmap = &CountingFlatLoader;
    s.surface.DrawBackground();
    EXPECT_EQ(g_loads, 3);
    EXPECT_EQ(s.surface.m_mapBmp.size(), 1u);
    EXPECT_EQ(PixelAt(s.surface.GetCanvas(), 0, 0), kFlatGrey);
}

} // namespace
