#pragma once

#include "render/GStatic.h"
#include "score/ScoreData.h"

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QRect>
#include <QString>

#include <functional>
#include <string>

namespace rendertest {

// A flat mid-grey stands in for the background picture, so that black box fills and
// anti-aliased text are both told apart from what lies under them.
inline constexpr QRgb kFlatGrey = 0xFF404040;

inline QImage FlatBackground(int) {
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(kFlatGrey);
    return picture;
}

// A 320 x 240 surface over the flat background.
struct Surface {
    CGStatic surface;
    Surface() {
        surface.m_pfnLoadBitmap = &FlatBackground;
        surface.CreateCanvas(320, 240);
    }
};

inline QRgb Rgb(COLORREF c) {
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

inline QRgb PixelAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000;
}

// Bounding box of the pixels inside region that differ from background; empty if none.
inline QRect InkBox(const QImage& image, const QRect& region, QRgb background) {
    QRect box;
    const QRect area = region.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (PixelAt(image, x, y) != (background | 0xFF000000)) {
                box = box.united(QRect(x, y, 1, 1));
            }
        }
    }
    return box;
}

// A white text drawn with anchors 0/0 at (left, top) over the flat background, and where
// its ink ends up.
inline QImage ReferenceImage(const std::string& text, int left, int top, int32_t size,
                             int32_t weight) {
    Surface ref;
    ref.surface.ClearCanvas();
    ref.surface.DrawBackground();
    ref.surface.m_nFontSize = size;
    ref.surface.m_nFontWeight = weight;
    ref.surface.m_crText = 0xFFFFFF;
    ref.surface.m_nAlignH = 0;
    ref.surface.m_nAlignV = 0;
    ref.surface.DrawString(left, top, text);
    return ref.surface.GetCanvas().copy();
}

inline QRect ReferenceInk(const std::string& text, int left, int top, int32_t size,
                          int32_t weight) {
    const QImage ref = ReferenceImage(text, left, top, size, weight);
    return InkBox(ref, ref.rect(), kFlatGrey);
}

// The measured extent the anchors use: advance width and ascent + descent.
struct Extent {
    int cx;
    int cy;
};
inline Extent MeasureText(const std::string& text, int32_t size, int32_t weight) {
    CGStatic probe;
    probe.m_nFontSize = size;
    probe.m_nFontWeight = weight;
    const QFontMetrics metrics(probe.MakeFont());
    return {metrics.horizontalAdvance(QString::fromStdString(text)),
            metrics.ascent() + metrics.descent()};
}

} // namespace rendertest
