#include "render/GStaticWnd.h"

#include <QMetaObject>
#include <QMoveEvent>
#include <QMutexLocker>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QThread>

CGStaticWnd::CGStaticWnd(CGStatic& surface, QWidget* parent)
    : QWidget(parent), m_pSurface(&surface) {
    // Every paint covers the whole window itself; erasing first would only flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_imgShown = surface.GetCanvas();
    surface.SetView(this);
}

CGStaticWnd::~CGStaticWnd() {
    if (m_pSurface != nullptr && m_pSurface->GetView() == this) {
        m_pSurface->SetView(nullptr);
    }
}

void CGStaticWnd::OnSurfaceDestroyed() {
    m_pSurface = nullptr;
}

void CGStaticWnd::Present(const QImage& picture, bool repaintNow) {
    {
        // The copy shares pixels with the canvas until the painter next writes to it, which
        // then detaches: what is kept here stays the complete picture.
        QMutexLocker lock(&m_mutex);
        m_imgShown = picture;
    }
    if (!repaintNow) {
        return;
    }
    if (QThread::currentThread() == thread()) {
        repaint();
    } else {
        // The painter goes on only once the window has shown its picture.
        QMetaObject::invokeMethod(
            this, [this] { repaint(); }, Qt::BlockingQueuedConnection);
    }
}

QImage CGStaticWnd::ShownPicture() const {
    QMutexLocker lock(&m_mutex);
    return m_imgShown;
}

void CGStaticWnd::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    QPoint origin;
    if (m_pSurface != nullptr) {
        origin = QPoint(m_pSurface->m_ptOrigin.x, m_pSurface->m_ptOrigin.y);
    }
    QRect pictureRect;
    {
        QMutexLocker lock(&m_mutex);
        painter.drawImage(origin, m_imgShown);
        pictureRect = QRect(origin, m_imgShown.size());
    }
    // Whatever the picture does not cover stays black rather than showing stale pixels.
    const QRegion rest = QRegion(event->rect()).subtracted(QRegion(pictureRect));
    for (const QRect& r : rest) {
        painter.fillRect(r, Qt::black);
    }
}

void CGStaticWnd::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (m_pSurface == nullptr) {
        return;
    }
    m_pSurface->CreateCanvas(width(), height());
    QMutexLocker lock(&m_mutex);
    m_imgShown = m_pSurface->GetCanvas();
}
