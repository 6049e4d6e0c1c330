#pragma once

#include <QFont>
#include <QImage>
#include <QRgb>

#include <cstdint>
#include <string_view>

// Where the anchor point of a text lies on the text's measured box.
enum class Anchor {
    Start,  // left edge, or top edge
    Centre, // halfway, the half truncated toward zero
    End,    // right edge, or bottom edge
};

struct TextStyle {
    int32_t size = 90; // tenths of a point, measured at 96 pixels per inch
    int32_t weight = 400;
    QRgb colour = 0xFFFFFFFF;
    Anchor horizontal = Anchor::Start;
    Anchor vertical = Anchor::Start;
};

struct Pen {
    QRgb colour = 0xFFFFFFFF;
    int width = 1; // board pixels
};

// A figure's box in board pixels. Right and bottom are the first pixels outside it, and the
// corners may come in either order.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Draws texts and figures into a picture the caller owns. Coordinates are board pixels of
// the 320 x 240 layout; the canvas multiplies them by its scale.
//
// At scale 1 every figure is drawn the way the boards have always looked: each pixel is pen,
// brush or untouched, with exact extents. At other scales figures keep the same geometry,
// multiplied, with whole-pixel box edges and anti-aliased curves and diagonals. Texts are
// anti-aliased at every scale.
class Canvas {
public:
    // image is Format_RGB32 or Format_ARGB32_Premultiplied; it must outlive the canvas.
    Canvas(QImage& image, double scale);

    double scale() const { return m_scale; }
    QImage& image() { return m_image; }

    void drawText(int x, int y, std::string_view text, const TextStyle& style);
    // A straight line from one point to the other. A 1-pixel pen leaves the end point out,
    // so that joined lines do not draw their shared point twice; a wider pen has round ends
    // and covers the end point.
    void drawLine(int x1, int y1, int x2, int y2, const Pen& pen);
    // A box with rounded corners (a 10 x 10 corner ellipse). The pen runs along the middle of
    // the outermost pixel ring: a 1-pixel outline lies inside the box, a wider one straddles
    // its edge.
    void drawRoundRect(const Box& box, const Pen& pen, QRgb brush);
    // The ellipse inscribed in box, outlined like drawRoundRect.
    void drawEllipse(const Box& box, const Pen& pen, QRgb brush);

    // The font of a text style at a scale. Its pixel size is the style's size at 96 pixels
    // per inch, multiplied by the scale, whatever the screen's resolution.
    static QFont font(const TextStyle& style, double scale);
    // Text height in pixels at scale 1 for a size in tenths of a point.
    static int fontPixelHeight(int32_t size);

private:
    QImage& m_image;
    double m_scale;
};
