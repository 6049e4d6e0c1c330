#pragma once

#include <QFont>
#include <QImage>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

using COLORREF = uint32_t; // 0x00BBGGRR, as the painters write their colours

// Resource number of the 320 x 240 background picture behind every board.
inline constexpr int IDB_BACKGROUND = 129;

struct CRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 1;
    int32_t bottom = 1;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct CPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// One cached picture of the surface.
class CBmp {
public:
    int32_t m_nType = 0; // 0 empty, 1 holds a picture loaded from the program's resources
    QImage m_hBitmap;
};

// Where a surface shows its finished pictures. The preview window implements it; a surface
// without a view (command-line companion, tests) only draws into its canvas.
class IGStaticView {
public:
    virtual ~IGStaticView() = default;
    // picture is complete. With repaintNow the call returns once the window has shown it
    // (from any thread); otherwise the window shows it at its next repaint.
    virtual void Present(const QImage& picture, bool repaintNow) = 0;
    // The surface is being destroyed; the view must not touch it any more.
    virtual void OnSurfaceDestroyed() {}
};

// The 320 x 240 drawing surface every picture of the program is painted into. The drawing
// state fields are public and persistent: painters set what they rely on before drawing.
class CGStatic {
public:
    CGStatic();
    virtual ~CGStatic();
    CGStatic(const CGStatic&) = delete;
    CGStatic& operator=(const CGStatic&) = delete;

    // (Re)builds a black canvas of the given size; what was drawn before is lost.
    void CreateCanvas(int width, int height);

    void ClearCanvas();
    void DrawBackground();
    void DrawString(int x, int y, const std::string& text);
    void DrawLine(int x1, int y1, int x2, int y2);
    void DrawRoundRect(int left, int top, int right, int bottom);
    void DrawEllipse(int left, int top, int right, int bottom);
    // Hands the finished picture to the view and returns after the window has shown it.
    void Refresh();
    // Hands the finished picture to the view for its next repaint (no repaint now).
    void Publish();

    // The font DrawString uses with the current drawing state.
    QFont MakeFont() const;
    // Text height in pixels for a size in tenths of a point. Always measured at 96 pixels per
    // inch, so the boards fit the canvas whatever the screen's resolution.
    static int FontPixelHeight(int32_t fontSize);

    // Loads a picture from the program's resources by number; a null image when it has none.
    using BitmapLoader = QImage (*)(int resourceId);
    static QImage LoadResourceBitmap(int resourceId);

    const QImage& GetCanvas() const { return m_bmpCanvas; }
    // Set by the window before any painter runs; null detaches.
    void SetView(IGStaticView* view) { m_pView = view; }
    IGStaticView* GetView() const { return m_pView; }

    CRect m_rcCanvas;
    CPoint m_ptOrigin;
    QImage m_bmpCanvas;                 // QImage::Format_RGB32, m_rcCanvas's size
    uint32_t m_dwClearRop = 0x00000042; // BLACKNESS

    int32_t m_nFontSize = 90; // tenths of a point
    int32_t m_nFontWeight = 400;
    COLORREF m_crText = 0x00FFFFFF;
    std::string m_strFontFace = "Arial";
    int32_t m_nAlignH = 0; // 0 left, 1 centre, 2 right
    int32_t m_nAlignV = 0; // 0 top, 1 middle, 2 bottom
    COLORREF m_crPen = 0x00FFFFFF;
    int32_t m_nPenWidth = 1;
    COLORREF m_crBrush = 0x00FFFFFF;

    std::unordered_map<std::string, std::unique_ptr<CBmp>> m_mapBmp; // key "ID:129"
    // How DrawBackground fetches a picture missing from the cache; tests swap it.
    BitmapLoader m_pfnLoadBitmap = &CGStatic::LoadResourceBitmap;

private:
    IGStaticView* m_pView = nullptr;
};
