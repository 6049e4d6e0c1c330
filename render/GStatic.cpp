#include "render/GStatic.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

// Resources compiled into a static library are only registered when asked for by name, and
// Q_INIT_RESOURCE must be used outside any namespace.
static void InitRenderResources() {
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(vorlat_render); });
}

namespace {

constexpr uint32_t kRopBlackness = 0x00000042;
constexpr uint32_t kRopWhiteness = 0x00FF0062;
// Width and height of the ellipse that rounds each corner of DrawRoundRect.
constexpr double kCornerEllipse = 10.0;
// The longest face name a font request can carry.
constexpr size_t kMaxFaceLength = 31;

QRgb ToQRgb(COLORREF colour) {
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t half = std::abs(static_cast<int64_t>(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = (std::abs(product) + half) / std::abs(static_cast<int64_t>(c));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

void PutPixel(QImage& image, int x, int y, QRgb colour) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) {
        return;
    }
    reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour;
}

// Signed distance in pixels from a point to the outline of a figure: negative inside.
// Coordinates are continuous, with pixel (x, y) covering [x, x + 1) x [y, y + 1).
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

// Fills a figure and strokes its outline the way the classic Windows graphics interface does:
// the figure covers exactly [left, right) x [top, bottom); a pen runs along the centre of the
// outermost pixel ring, so a 1-pixel outline lies inside the box and a wider one straddles
// it. Every pixel is either pen, brush or untouched: no anti-aliasing, exact extents.
template <class Shape>
void FillFigure(QImage& image, int left, int top, int right, int bottom, const Shape& shape,
                int penWidth, QRgb pen, QRgb brush) {
    const double half = penWidth / 2.0;
    const int margin = penWidth / 2 + 1;
    const int y0 = std::max(top - margin, 0);
    const int y1 = std::min(bottom + margin, image.height());
    const int x0 = std::max(left - margin, 0);
    const int x1 = std::min(right + margin, image.width());
    for (int y = y0; y < y1; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
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

// GDI accepts the corners in either order.
void Normalise(int& left, int& top, int& right, int& bottom) {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
}

} // namespace

CGStatic::CGStatic() {
    InitRenderResources();
}

CGStatic::~CGStatic() {
    // A window may outlive its surface (a dialog's members go before its child windows).
    if (m_pView != nullptr) {
        m_pView->OnSurfaceDestroyed();
    }
}

void CGStatic::CreateCanvas(int width, int height) {
    m_rcCanvas.left = 0;
    m_rcCanvas.top = 0;
    m_rcCanvas.right = width;
    m_rcCanvas.bottom = height;
    if (width > 0 && height > 0) {
        m_bmpCanvas = QImage(width, height, QImage::Format_RGB32);
    } else {
        m_bmpCanvas = QImage();
    }
    ClearCanvas();
}

void CGStatic::ClearCanvas() {
    if (m_bmpCanvas.isNull()) {
        return;
    }
    QRgb colour;
    if (m_dwClearRop == kRopBlackness) {
        colour = qRgb(0, 0, 0);
    } else if (m_dwClearRop == kRopWhiteness) {
        colour = qRgb(255, 255, 255);
    } else {
        return; // an operation that needs a pattern or source does nothing here
    }
    const QRect area =
        QRect(m_rcCanvas.left, m_rcCanvas.top, m_rcCanvas.Width(), m_rcCanvas.Height())
            .intersected(m_bmpCanvas.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(m_bmpCanvas.scanLine(y));
        std::fill(row + area.left(), row + area.left() + area.width(), colour);
    }
}

QImage CGStatic::LoadResourceBitmap(int resourceId) {
    InitRenderResources();
    if (resourceId != IDB_BACKGROUND) {
        return QImage();
    }
    QImage picture(QStringLiteral(":/vorlat/background.png"));
    if (picture.isNull()) {
        return picture;
    }
    return picture.convertToFormat(QImage::Format_RGB32);
}

void CGStatic::DrawBackground() {
    char key[32];
    std::snprintf(key, sizeof key, "ID:%d", IDB_BACKGROUND);
    CBmp* bmp = nullptr;
    auto found = m_mapBmp.find(key);
    if (found != m_mapBmp.end()) {
        bmp = found->second.get();
    } else {
        auto fresh = std::make_unique<CBmp>();
        if (m_pfnLoadBitmap != nullptr) {
            fresh->m_hBitmap = m_pfnLoadBitmap(IDB_BACKGROUND);
        }
        if (fresh->m_hBitmap.isNull()) {
            return; // not cached: the next call tries again
        }
        fresh->m_nType = 1;
        bmp = fresh.get();
        m_mapBmp.emplace(key, std::move(fresh));
    }
    if (bmp->m_nType != 1 || bmp->m_hBitmap.isNull() || m_bmpCanvas.isNull()) {
        return;
    }
    QPainter painter(&m_bmpCanvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), bmp->m_hBitmap);
}

int CGStatic::FontPixelHeight(int32_t fontSize) {
    constexpr int kPixelsPerInch = 96;
    return std::abs(MulDiv(kPixelsPerInch, fontSize, 720));
}

QFont CGStatic::MakeFont() const {
    const std::string face = m_strFontFace.substr(0, kMaxFaceLength);
    QFont font(QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size())));
    int pixels = FontPixelHeight(m_nFontSize);
    if (pixels <= 0) {
        pixels = FontPixelHeight(90); // a zero height asks for the default size
    }
    font.setPixelSize(pixels);
    int weight = m_nFontWeight;
    if (weight <= 0) {
        weight = 400; // "don't care" means normal
    }
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    // Advances are summed glyph by glyph, as the anchors' measurement expects.
    font.setKerning(false);
    // Whole-pixel glyph positions: with fractional ones the rasteriser's glyph cache makes a
    // text's anti-aliasing depend on what was drawn before, and the same board would come out
    // slightly different from one video frame to the next.
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void CGStatic::DrawString(int x, int y, const std::string& text) {
    if (m_bmpCanvas.isNull() || text.empty()) {
        return;
    }
    const QFont font = MakeFont();
    const QFontMetrics metrics(font, &m_bmpCanvas);
    const QString str = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const int cx = metrics.horizontalAdvance(str);
    const int cy = metrics.ascent() + metrics.descent();
    int dx = 0;
    if (m_nAlignH == 1) {
        dx = -(cx / 2);
    } else if (m_nAlignH == 2) {
        dx = -cx;
    }
    int dy = 0;
    if (m_nAlignV == 1) {
        dy = -(cy / 2);
    } else if (m_nAlignV == 2) {
        dy = -cy;
    }
    QPainter painter(&m_bmpCanvas);
    painter.setFont(font);
    painter.setPen(QColor(ToQRgb(m_crText)));
    painter.drawText(QPoint(x + dx, y + dy + metrics.ascent()), str);
}

void CGStatic::DrawLine(int x1, int y1, int x2, int y2) {
    if (m_bmpCanvas.isNull() || (x1 == x2 && y1 == y2)) {
        return;
    }
    const QRgb pen = ToQRgb(m_crPen);
    if (m_nPenWidth <= 1) {
        // Thin lines step pixel by pixel and leave the end point out, so that lines joined
        // end to start do not draw their shared point twice.
        const int sx = x1 < x2 ? 1 : -1;
        const int sy = y1 < y2 ? 1 : -1;
        const int ax = std::abs(x2 - x1);
        const int ay = std::abs(y2 - y1);
        int err = ax - ay;
        int x = x1;
        int y = y1;
        while (x != x2 || y != y2) {
            PutPixel(m_bmpCanvas, x, y, pen);
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
        return;
    }
    // A wide pen covers every pixel within half its width of the segment: round ends, the end
    // point included.
    const double radius = m_nPenWidth / 2.0;
    const double limit = radius * radius;
    const int reach = m_nPenWidth / 2 + 1;
    const double vx = x2 - x1;
    const double vy = y2 - y1;
    const double lengthSq = vx * vx + vy * vy;
    const int xMin = std::max(std::min(x1, x2) - reach, 0);
    const int xMax = std::min(std::max(x1, x2) + reach, m_bmpCanvas.width() - 1);
    const int yMin = std::max(std::min(y1, y2) - reach, 0);
    const int yMax = std::min(std::max(y1, y2) + reach, m_bmpCanvas.height() - 1);
    for (int y = yMin; y <= yMax; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(m_bmpCanvas.scanLine(y));
        for (int x = xMin; x <= xMax; ++x) {
            const double px = x - x1;
            const double py = y - y1;
            const double t = std::clamp((px * vx + py * vy) / lengthSq, 0.0, 1.0);
            const double ex = px - t * vx;
            const double ey = py - t * vy;
            if (ex * ex + ey * ey <= limit) {
                row[x] = pen;
            }
        }
    }
}

void CGStatic::DrawRoundRect(int left, int top, int right, int bottom) {
    if (m_bmpCanvas.isNull()) {
        return;
    }
    Normalise(left, top, right, bottom);
    if (left == right || top == bottom) {
        return;
    }
    const double hx = (right - left) / 2.0;
    const double hy = (bottom - top) / 2.0;
    const RoundRectShape shape{(left + right) / 2.0, (top + bottom) / 2.0, hx, hy,
                               std::min({kCornerEllipse / 2.0, hx, hy})};
    FillFigure(m_bmpCanvas, left, top, right, bottom, shape, std::max(m_nPenWidth, 1),
               ToQRgb(m_crPen), ToQRgb(m_crBrush));
}

void CGStatic::DrawEllipse(int left, int top, int right, int bottom) {
    if (m_bmpCanvas.isNull()) {
        return;
    }
    Normalise(left, top, right, bottom);
    if (left == right || top == bottom) {
        return;
    }
    const EllipseShape shape{(left + right) / 2.0, (top + bottom) / 2.0, (right - left) / 2.0,
                             (bottom - top) / 2.0};
    FillFigure(m_bmpCanvas, left, top, right, bottom, shape, std::max(m_nPenWidth, 1),
               ToQRgb(m_crPen), ToQRgb(m_crBrush));
}

void CGStatic::Refresh() {
    if (m_pView != nullptr) {
        m_pView->Present(m_bmpCanvas, true);
    }
}

void CGStatic::Publish() {
    if (m_pView != nullptr) {
        m_pView->Present(m_bmpCanvas, false);
    }
}
