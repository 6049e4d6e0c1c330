#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;

// A dartboard drawn to scale (board millimetres: bull 6.35, outer bull 15.9, treble ring
// 99-107, double ring 162-170) on which a click enters the segment under the pointer:
// singles as the bare number ("20"), "T20", "D20", "SB", "DB", and "0" outside the doubles.
// The segment under the pointer is highlighted. GUI thread only.
class DartBoardWidget : public QWidget {
    Q_OBJECT
public:
    explicit DartBoardWidget(QWidget* parent = nullptr);

    // The token of the point at (x, y) mm from the centre, y pointing down.
    static QString tokenAt(double xMm, double yMm);
    // A point of the widget inside the segment of token (the middle of its area); for
    // clicks made by tests and by the keyboard highlight.
    QPoint pointOf(const QString& token) const;
    // The highlighted segment, empty when the pointer is off the widget.
    const QString& hovered() const { return m_hovered; }

    QSize sizeHint() const override { return {280, 280}; }

signals:
    void clicked(const QString& token);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    double mmPerPixel() const;
    QString tokenAtPixel(QPointF pixel) const;

    QString m_hovered;
};

// The scoring pad: the board, a field for tokens as the file writes them (T20, D16, 19, SB,
// DB, 0, then Enter), and single keys for the darts a scorer enters most, shown in the pad.
// Every dart entered, by click or key, leaves through dartEntered with its file token.
class ScoringPad : public QWidget {
    Q_OBJECT
public:
    explicit ScoringPad(QWidget* parent = nullptr);

    // The single keys: pressed in the empty token field, each enters its dart.
    struct QuickKey {
        int key;
        const char* token;
    };
    static const QList<QuickKey>& quickKeys();

    // Says whose dart comes next ("Anna, dart 2 of leg 1").
    void setPrompt(const QString& text);

    DartBoardWidget& board() { return *m_board; }
    QLineEdit& tokenField() { return *m_field; }
    QLabel& promptLine() { return *m_prompt; }

signals:
    void dartEntered(const QString& token);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void submitField();

    DartBoardWidget* m_board = nullptr;
    QLineEdit* m_field = nullptr;
    QLabel* m_prompt = nullptr;
    QLabel* m_hint = nullptr;
};
