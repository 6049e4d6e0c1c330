#include "app/PreviewWidget.h"

#include <QPainter>

PreviewWidget::PreviewWidget(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted: nothing behind the widget needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewWidget::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void PreviewWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_picture.isNull()) {
        painter.fillRect(rect(), Qt::black);
    } else if (m_picture.size() == size()) {
        painter.drawImage(0, 0, m_picture);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), m_picture);
    }
}
