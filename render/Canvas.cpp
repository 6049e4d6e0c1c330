#include "render/Canvas.h"

#include "render/MulDiv.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Width and height of the ellipse that rounds each corner of a round rect.
constexpr double kCornerEllipse = 10.0;

QRgb* Row(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

void PutPixel(QImage& image, int x, int y, QRgb colour) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) {
        return;
    }
    Row(image, y)[x] = colour;
}

// Signed distance from a point to the outline of a figure: negative inside. Coordinates are
// continuous, with pixel (x, y) covering [x, x + 1) x [y, y + 1).
struct RoundRectShape {
    double cx, cy, hx, hy, radius;
    double operator()(double x, double y) const {
        const double qx = std::abs(x - cx) - (hx - radius);
        const double qy = std::abs(y - cy) - (hy - radius);
        const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
        return outside + std::min(std::max(qx, qy), 0.0) - radius;
    }
};

struct EllipseShape {
    double cx, cy, a, b;
    double operator()(double x, double y) const {
        const double dx = x - cx;
        const double dy = y - cy;
        const double k = std::hypot(dx / a, dy / b);
        // First-order distance (k - 1) / |grad k|; exact for circles.
        const double grad = std::hypot(dx / (a * a), dy / (b * b));
        if (grad == 0.0) {
            return -std::min(a, b);
        }
        return (k - 1.0) * k / grad;
    }
};

// A segment with round ends of the given radius.
struct CapsuleShape {
    double ax, ay, bx, by, radius;
    double operator()(double x, double y) const {
        const double vx = bx - ax;
        const double vy = by - ay;
        const double px = x - ax;
        const double py = y - ay;
        const double lengthSq = vx * vx + vy * vy;
        const double t = lengthSq > 0 ? std::clamp((px * vx + py * vy) / lengthSq, 0.0, 1.0) : 0;
        return std::hypot(px - t * vx, py - t * vy) - radius;
    }
};

// A band of the given half width along a segment, cut square at both ends.
struct BandShape {
    double ax, ay, bx, by, halfWidth;
    double operator()(double x, double y) const {
        const double length = std::hypot(bx - ax, by - ay);
        const double ux = (bx - ax) / length;
        const double uy = (by - ay) / length;
        const double px = x - (ax + bx) / 2;
        const double py = y - (ay + by) / 2;
        const double along = std::abs(px * ux + py * uy) - length / 2;
        const double across = std::abs(py * ux - px * uy) - halfWidth;
        const double outside = std::hypot(std::max(along, 0.0), std::max(across, 0.0));
        return outside + std::min(std::max(along, across), 0.0);
    }
};

// Fills a figure and strokes its outline the classic way: the figure covers exactly
// [left, right) x [top, bottom); a pen runs along the centre of the outermost pixel ring,
// so a 1-pixel outline lies inside the box and a wider one straddles it. Every pixel is
// either pen, brush or untouched: no anti-aliasing, exact extents.
template <class Shape>
void FillFigureExact(QImage& image, const Box& box, const Shape& shape, int penWidth, QRgb pen,
                     QRgb brush) {
    const double half = penWidth / 2.0;
    const int margin = penWidth / 2 + 1;
    const int y0 = std::max(box.top - margin, 0);
    const int y1 = std::min(box.bottom + margin, image.height());
    const int x0 = std::max(box.left - margin, 0);
    const int x1 = std::min(box.right + margin, image.width());
    for (int y = y0; y < y1; ++y) {
        QRgb* row = Row(image, y);
        for (int x = x0; x < x1; ++x) {
            const double d = shape(x + 0.5, y + 0.5);
            const double fromPath = d + 0.5;
            if (fromPath > -half && fromPath <= half) {
                row[x] = pen;
            } else if (d < 0.0) {
                row[x] = brush;
            }
        }
    }
}

// How much of a pixel lies where the distance is below edge, from the distance at its centre.
double Coverage(double d, double edge) {
    return std::clamp(0.5 - (d - edge), 0.0, 1.0);
}

// Puts a and b over a pixel with coverages ca and cb (which do not overlap), in premultiplied
// colour: an opaque picture stays opaque, a transparent one gets partial alpha at the edges.
QRgb Mix(QRgb under, QRgb a, double ca, QRgb b, double cb) {
    const double rest = 1.0 - ca - cb;
    auto channel = [&](int shift) {
        const double v = ((a >> shift) & 0xFF) * ca + ((b >> shift) & 0xFF) * cb +
                         ((under >> shift) & 0xFF) * rest;
        return static_cast<QRgb>(std::clamp(std::lround(v), 0L, 255L)) << shift;
    };
    return channel(24) | channel(16) | channel(8) | channel(0);
}

// The anti-aliased counterpart of FillFigureExact, in device pixels: pen where the distance
// lies within halfPen of the path inset from the outline, brush inside that.
template <class Shape>
void FillFigureSmooth(QImage& image, const QRectF& bounds, const Shape& shape, double inset,
                      double halfPen, QRgb pen, QRgb brush) {
    const double reach = halfPen + 2;
    const int y0 = std::max(static_cast<int>(std::floor(bounds.top() - reach)), 0);
    const int y1 = std::min(static_cast<int>(std::ceil(bounds.bottom() + reach)), image.height());
    const int x0 = std::max(static_cast<int>(std::floor(bounds.left() - reach)), 0);
    const int x1 = std::min(static_cast<int>(std::ceil(bounds.right() + reach)), image.width());
    for (int y = y0; y < y1; ++y) {
        QRgb* row = Row(image, y);
        for (int x = x0; x < x1; ++x) {
            const double d = shape(x + 0.5, y + 0.5);
            const double inner = Coverage(d, -(inset + halfPen));
            const double outer = Coverage(d, halfPen - inset);
            if (outer <= 0.0) {
                continue;
            }
            row[x] = inner >= 1.0 ? brush : Mix(row[x], pen, outer - inner, brush, inner);
        }
    }
}

// Paints colour wherever shape is negative, anti-aliased, within bounds (device pixels).
template <class Shape>
void FillShapeSmooth(QImage& image, const QRectF& bounds, const Shape& shape, QRgb colour) {
    FillFigureSmooth(image, bounds, shape, 0.0, 0.0, colour, colour);
}

// Thin lines step pixel by pixel and leave the end point out.
void DrawThinLineExact(QImage& image, int x1, int y1, int x2, int y2, QRgb colour) {
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    const int ax = std::abs(x2 - x1);
    const int ay = std::abs(y2 - y1);
    int err = ax - ay;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        PutPixel(image, x, y, colour);
        const int e2 = 2 * err;
        if (e2 > -ay) {
            err -= ay;
            x += sx;
        }
        if (e2 < ax) {
            err += ax;
            y += sy;
        }
    }
}

// A wide pen covers every pixel within half its width of the segment: round ends, the end
// point included.
void DrawWideLineExact(QImage& image, int x1, int y1, int x2, int y2, const Pen& pen) {
    const double radius = pen.width / 2.0;
    const double limit = radius * radius;
    const int reach = pen.width / 2 + 1;
    const double vx = x2 - x1;
    const double vy = y2 - y1;
    const double lengthSq = vx * vx + vy * vy;
    const int xMin = std::max(std::min(x1, x2) - reach, 0);
    const int xMax = std::min(std::max(x1, x2) + reach, image.width() - 1);
    const int yMin = std::max(std::min(y1, y2) - reach, 0);
    const int yMax = std::min(std::max(y1, y2) + reach, image.height() - 1);
    for (int y = yMin; y <= yMax; ++y) {
        QRgb* row = Row(image, y);
        for (int x = xMin; x <= xMax; ++x) {
            const double px = x - x1;
            const double py = y - y1;
            const double t = std::clamp((px * vx + py * vy) / lengthSq, 0.0, 1.0);
            const double ex = px - t * vx;
            const double ey = py - t * vy;
            if (ex * ex + ey * ey <= limit) {
                row[x] = pen.colour;
            }
        }
    }
}

// The same lines at another scale, anti-aliased: pixel (x, y) of the layout has its centre
// at (x + 0.5, y + 0.5). A thin line runs from the near edge of its first pixel to the near
// edge of its last one, which it leaves out; a wide one is a segment with round ends.
void DrawLineSmooth(QImage& image, double scale, int x1, int y1, int x2, int y2, const Pen& pen) {
    const double s = scale;
    const double ax = (x1 + 0.5) * s, ay = (y1 + 0.5) * s;
    const double bx = (x2 + 0.5) * s, by = (y2 + 0.5) * s;
    const double radius = std::max(pen.width, 1) * s / 2;
    const QRectF reach = QRectF(QPointF(ax, ay), QPointF(bx, by))
                             .normalized()
                             .adjusted(-radius, -radius, radius, radius);
    if (pen.width <= 1) {
        const double length = std::hypot(bx - ax, by - ay);
        const double ux = (bx - ax) / length * s / 2, uy = (by - ay) / length * s / 2;
        FillShapeSmooth(image, reach, BandShape{ax - ux, ay - uy, bx - ux, by - uy, s / 2},
                        pen.colour);
    } else {
        FillShapeSmooth(image, reach, CapsuleShape{ax, ay, bx, by, radius}, pen.colour);
    }
}

// Accepts the corners in either order, as the boards' geometry always has.
Box Normalised(Box box) {
    if (box.left > box.right) {
        std::swap(box.left, box.right);
    }
    if (box.top > box.bottom) {
        std::swap(box.top, box.bottom);
    }
    return box;
}

} // namespace

Canvas::Canvas(QImage& image, double scale) : m_image(image), m_scale(scale) {}

int Canvas::fontPixelHeight(int32_t size) {
    constexpr int kPixelsPerInch = 96;
    return std::abs(MulDiv(kPixelsPerInch, size, 720));
}

QFont Canvas::font(const TextStyle& style, double scale) {
    QFont font(QStringLiteral("Arial"));
    int pixels = fontPixelHeight(style.size);
    if (pixels <= 0) {
        pixels = fontPixelHeight(90); // a zero height asks for the default size
    }
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels * scale))));
    const int weight = style.weight <= 0 ? 400 : style.weight; // "don't care" means normal
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    // Advances are summed glyph by glyph, as the anchors' measurement expects.
    font.setKerning(false);
    // Whole-pixel glyph positions: with fractional ones the rasteriser's glyph cache makes a
    // text's anti-aliasing depend on what was drawn before, and the same board would come out
    // slightly different from one video frame to the next.
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void Canvas::drawText(int x, int y, std::string_view text, const TextStyle& style) {
    if (m_image.isNull() || text.empty()) {
        return;
    }
    const QFont textFont = font(style, m_scale);
    const QFontMetrics metrics(textFont, &m_image);
    const QString str = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const int cx = metrics.horizontalAdvance(str);
    const int cy = metrics.ascent() + metrics.descent();
    auto offset = [](Anchor anchor, int extent) {
        switch (anchor) {
        case Anchor::Centre:
            return -(extent / 2);
        case Anchor::End:
            return -extent;
        default:
            return 0;
        }
    };
    const int left = static_cast<int>(std::lround(x * m_scale)) + offset(style.horizontal, cx);
    const int top = static_cast<int>(std::lround(y * m_scale)) + offset(style.vertical, cy);
    QPainter painter(&m_image);
    painter.setFont(textFont);
    painter.setPen(QColor::fromRgba(style.colour));
    painter.drawText(QPoint(left, top + metrics.ascent()), str);
}

void Canvas::drawLine(int x1, int y1, int x2, int y2, const Pen& pen) {
    if (m_image.isNull() || (x1 == x2 && y1 == y2)) {
        return;
    }
    if (m_scale != 1.0) {
        DrawLineSmooth(m_image, m_scale, x1, y1, x2, y2, pen);
    } else if (pen.width <= 1) {
        DrawThinLineExact(m_image, x1, y1, x2, y2, pen.colour);
    } else {
        DrawWideLineExact(m_image, x1, y1, x2, y2, pen);
    }
}

void Canvas::drawRoundRect(const Box& box, const Pen& pen, QRgb brush) {
    const Box b = Normalised(box);
    if (m_image.isNull() || b.left == b.right || b.top == b.bottom) {
        return;
    }
    const int penWidth = std::max(pen.width, 1);
    if (m_scale == 1.0) {
        const double hx = (b.right - b.left) / 2.0;
        const double hy = (b.bottom - b.top) / 2.0;
        const RoundRectShape shape{(b.left + b.right) / 2.0, (b.top + b.bottom) / 2.0, hx, hy,
                                   std::min({kCornerEllipse / 2.0, hx, hy})};
        FillFigureExact(m_image, b, shape, penWidth, pen.colour, brush);
        return;
    }
    // The box's edges land on whole pixels, so that its straight sides stay sharp.
    const double s = m_scale;
    const QRectF device(QPointF(std::round(b.left * s), std::round(b.top * s)),
                        QPointF(std::round(b.right * s), std::round(b.bottom * s)));
    if (device.isEmpty()) {
        return;
    }
    const double hx = device.width() / 2;
    const double hy = device.height() / 2;
    const RoundRectShape shape{device.center().x(), device.center().y(), hx, hy,
                               std::min({kCornerEllipse / 2.0 * s, hx, hy})};
    FillFigureSmooth(m_image, device, shape, s / 2, penWidth * s / 2, pen.colour, brush);
}

void Canvas::drawEllipse(const Box& box, const Pen& pen, QRgb brush) {
    const Box b = Normalised(box);
    if (m_image.isNull() || b.left == b.right || b.top == b.bottom) {
        return;
    }
    const int penWidth = std::max(pen.width, 1);
    if (m_scale == 1.0) {
        const EllipseShape shape{(b.left + b.right) / 2.0, (b.top + b.bottom) / 2.0,
                                 (b.right - b.left) / 2.0, (b.bottom - b.top) / 2.0};
        FillFigureExact(m_image, b, shape, penWidth, pen.colour, brush);
        return;
    }
    const double s = m_scale;
    const QRectF device(QPointF(b.left * s, b.top * s), QPointF(b.right * s, b.bottom * s));
    const EllipseShape shape{device.center().x(), device.center().y(), device.width() / 2,
                             device.height() / 2};
    FillFigureSmooth(m_image, device, shape, s / 2, penWidth * s / 2, pen.colour, brush);
}
