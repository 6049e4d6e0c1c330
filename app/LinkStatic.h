#pragma once

#include <QBrush>
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>

#include <functional>

// A text label that acts as a hyperlink: blue and underlined, orange while the mouse is
// over it, a hand cursor, and a click opens its text as an address.
class CLinkStatic : public QLabel {
    Q_OBJECT
public:
    explicit CLinkStatic(QWidget* parent = nullptr);

    // The address a click opens: the text itself, or "mailto:" and the text when it has no
    // colon (a bare e-mail address).
    static QString AddressFor(const QString& text);

    // Hands an address to the desktop. Replaceable so that tests see what would be opened.
    std::function<void(const QString&)> m_fnOpenAddress;

    bool m_bPressed = false; // the left button went down on the label and is still down
    QCursor m_hCursor;
    QFont m_fontUnderline; // the underline alone; the rest comes from the parent
    QColor m_crLink;
    QBrush m_brBackground;

    static const QColor kLinkColor;
    static const QColor kHoverColor;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void SetLinkColor(const QColor& color);

    bool m_bHover = false; // the label follows the mouse (it went orange on a move)
};
