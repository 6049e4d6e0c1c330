#pragma once

#include "render/Canvas.h"
#include "render/Renderer.h"
#include "score/ScoreData.h"

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QRect>
#include <QString>

#include <string>

namespace rendertest {

// A flat mid-grey stands in for the background picture, so that black box fills and
// anti-aliased text are both told apart from what lies under them.
inline constexpr QRgb kFlatGrey = 0xFF404040;

inline RenderOptions Flat(double scale = 1.0) {
    RenderOptions options;
    options.scale = scale;
    options.background = Background{Background::Kind::Colour, QColor::fromRgb(kFlatGrey)};
    return options;
}

// A 320 x 240 picture of one flat colour with a canvas over it.
struct Sheet {
    QImage image;
    Canvas canvas;
    explicit Sheet(QRgb colour = kFlatGrey, double scale = 1.0)
        : image(BoardSize(scale), QImage::Format_RGB32), canvas(image, scale) {
        image.fill(colour);
    }
};

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

inline TextStyle Style(int32_t size, int32_t weight, QRgb colour = 0xFFFFFFFF) {
    return {size, weight, colour, Anchor::Start, Anchor::Start};
}

// A text drawn from its top-left corner at (left, top) over the flat background.
inline QImage ReferenceImage(const std::string& text, int left, int top, int32_t size,
                             int32_t weight, QRgb colour = 0xFFFFFFFF,
                             QRgb background = kFlatGrey) {
    Sheet ref(background);
    ref.canvas.drawText(left, top, text, Style(size, weight, colour));
    return ref.image;
}

inline QRect ReferenceInk(const std::string& text, int left, int top, int32_t size,
                          int32_t weight) {
    return InkBox(ReferenceImage(text, left, top, size, weight), QRect(0, 0, 320, 240), kFlatGrey);
}

// The measured extent the anchors use: advance width and ascent + descent.
struct Extent {
    int cx;
    int cy;
};
inline Extent MeasureText(const std::string& text, int32_t size, int32_t weight) {
    const QFontMetrics metrics(Canvas::font(Style(size, weight), 1.0));
    return {metrics.horizontalAdvance(QString::fromStdString(text)),
            metrics.ascent() + metrics.descent()};
}

} // namespace rendertest
