#pragma once

#include <QColor>
#include <QLabel>

// A label that shows an address as a link: blue and underlined, orange while the mouse is
// over it (and while a press that began on it is held), with a hand cursor; a click opens
// the address with the desktop's handler for it.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);

    // Shows text and makes it the link. A text without a colon is taken as an e-mail
    // address.
    void setAddress(const QString& text);
    const QString& address() const { return m_address; }
    // The colour the link is drawn in now.
    const QColor& linkColor() const { return m_color; }
    // What a click on text opens: the text itself, or "mailto:" and the text.
    static QString addressFor(const QString& text);

    static const QColor kLinkColor;
    static const QColor kHoverColor;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setLinkColor(const QColor& color);

    QString m_text;
    QString m_address;
    QColor m_color = kLinkColor;
    bool m_hovered = false; // the mouse is over the link
    bool m_pressed = false; // the left button went down on the link and is still down
};
