#include "app/LinkStatic.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

const QColor CLinkStatic::kLinkColor(0, 0, 255);
const QColor CLinkStatic::kHoverColor(255, 128, 0);

CLinkStatic::CLinkStatic(QWidget* parent)
    : QLabel(parent), m_hCursor(Qt::PointingHandCursor), m_crLink(kLinkColor) {
    m_fnOpenAddress = [](const QString& address) { QDesktopServices::openUrl(QUrl(address)); };
    m_brBackground = palette().brush(QPalette::Button);
    setTextFormat(Qt::PlainText);
    // Only the underline is set here: face and size keep following the parent's font.
    m_fontUnderline.setUnderline(true);
    setFont(m_fontUnderline);
    setMouseTracking(true);
    setCursor(m_hCursor);
    SetLinkColor(m_crLink);
}

QString CLinkStatic::AddressFor(const QString& text) {
    if (!text.contains(QLatin1Char(':'))) {
        return QStringLiteral("mailto:") + text;
    }
    return text;
}

void CLinkStatic::SetLinkColor(const QColor& color) {
    m_crLink = color;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
    update();
}

void CLinkStatic::mouseMoveEvent(QMouseEvent* event) {
    if (!m_bHover) {
        m_bHover = true;
        SetLinkColor(kHoverColor);
    }
    if (!rect().contains(event->position().toPoint()) && !m_bPressed) {
        m_bHover = false;
        SetLinkColor(kLinkColor);
    }
    QLabel::mouseMoveEvent(event);
}

void CLinkStatic::leaveEvent(QEvent* event) {
    // Without a held button the label lets go of the mouse when it leaves.
    if (!m_bPressed) {
        m_bHover = false;
        SetLinkColor(kLinkColor);
    }
    QLabel::leaveEvent(event);
}

void CLinkStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bPressed = true;
    }
    QLabel::mousePressEvent(event);
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_bPressed) {
        if (rect().contains(event->position().toPoint())) {
            if (m_fnOpenAddress) {
                m_fnOpenAddress(AddressFor(text()));
            }
            // Opening a browser may take the pointer elsewhere.
            if (!rect().contains(mapFromGlobal(QCursor::pos()))) {
                m_bHover = false;
                SetLinkColor(kLinkColor);
            }
        } else {
            m_bHover = false;
            SetLinkColor(kLinkColor);
        }
        m_bPressed = false;
    }
    QLabel::mouseReleaseEvent(event);
}
