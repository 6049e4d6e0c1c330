#include "render/GStaticWnd.h"

#include <QMetaObject>
#include <QMoveEvent>
#include <QMutexLocker>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QThread>

CGStaticWnd::CGStaticWnd(CGStatic& surface, QWidget* parent) : QWidget(parent), m_surface(surface) {
    // Every paint covers the whole window itself; erasing first would only flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_imgShown = m_surface.GetCanvas();
    m_surface.SetView(this);
}

CGStaticWnd::~CGStaticWnd() {
    if (m_surface.GetView() == this) {
        m_surface.SetView(nullptr);
    }
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
    const QPoint origin(m_surface.m_ptOrigin.x, m_surface.m_ptOrigin.y);
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
    m_surface.CreateCanvas(width(), height());
    QMutexLocker lock(&m_mutex);
    m_imgShown = m_surface.GetCanvas();
}
