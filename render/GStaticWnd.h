#pragma once

#include "render/GStatic.h"

#include <QImage>
#include <QMutex>
#include <QWidget>

// The preview window of a drawing surface. It shows the last complete picture the painters
// handed over, never the canvas they are drawing into, so a repaint the system asks for on
// its own cannot show a half-drawn board.
class CGStaticWnd : public QWidget, public IGStaticView {
    Q_OBJECT
public:
    // Attaches itself to surface as its view; the surface must outlive the window.
    CGStaticWnd(CGStatic& surface, QWidget* parent = nullptr);
    ~CGStaticWnd() override;

    void Present(const QImage& picture, bool repaintNow) override;
    void OnSurfaceDestroyed() override;

    // The picture a repaint shows now.
    QImage ShownPicture() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Moving the window within its parent rebuilds the canvas at the window's size, black.
    void moveEvent(QMoveEvent* event) override;

private:
    CGStatic* m_pSurface; // null once the surface is gone
    mutable QMutex m_mutex;
    QImage m_imgShown;
};
