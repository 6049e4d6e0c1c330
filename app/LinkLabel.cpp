#include "app/LinkLabel.h"

#include <QMouseEvent>

const QColor LinkLabel::kLinkColor(0, 0, 255);
const QColor LinkLabel::kHoverColor(255, 128, 0);

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    setOpenExternalLinks(true);
    // The label is a link, not a control to tab to or type at.
    setFocusPolicy(Qt::NoFocus);
    setLinkColor(kLinkColor);
    connect(this, &QLabel::linkHovered, this, [this](const QString& link) {
        m_hovered = !link.isEmpty();
        // A press that began on the link keeps it lit until the button comes up.
        if (m_hovered || !m_pressed) {
            setLinkColor(m_hovered ? kHoverColor : kLinkColor);
        }
    });
}

QString LinkLabel::addressFor(const QString& text) {
    if (!text.contains(QLatin1Char(':'))) {
        return QStringLiteral("mailto:") + text;
    }
    return text;
}

void LinkLabel::setAddress(const QString& text) {
    m_text = text;
    m_address = addressFor(text);
    setLinkColor(m_color);
}

void LinkLabel::setLinkColor(const QColor& color) {
    m_color = color;
    // A link takes its colour when its text is read, so the text is given anew.
    setText(QStringLiteral("<a href=\"%1\" style=\"color:%2\">%3</a>")
                .arg(m_address.toHtmlEscaped(), color.name(), m_text.toHtmlEscaped()));
    // New text drops the hand the label shows over a link; the label is no wider than its
    // link, so the hand stays over all of it.
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_hovered) {
        m_pressed = true;
    }
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        if (!m_hovered) {
            setLinkColor(kLinkColor);
        }
    }
}
