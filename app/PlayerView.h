#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

class QPainter;

// The player's picture: the footage frame fitted into the widget with the board laid over
// it where it goes in the footage, or the board alone, fitted, when there is no footage.
class PlayerView : public QWidget {
    Q_OBJECT
public:
    explicit PlayerView(QWidget* parent = nullptr);

    // A null frame: the board alone.
    void setFrame(const QImage& frame);
    // boardPos is in footage pixels; ignored without a frame.
    void setBoard(const QImage& board, QPoint boardPos);

    const QImage& frame() const { return m_frame; }
    const QImage& board() const { return m_board; }
    QPoint boardPos() const { return m_boardPos; }

    QSize sizeHint() const override { return {640, 360}; }

    // The picture as the view paints it, at another size (the main window's preview).
    QImage compose(QSize size) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintInto(QPainter& painter, const QRect& area) const;

    QImage m_frame;
    QImage m_board;
    QPoint m_boardPos;
};
