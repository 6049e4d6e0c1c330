#pragma once

#include <QImage>
#include <QWidget>

// Shows the last picture the engine handed over, scaled to the widget when their sizes
// differ; black until the first one.
class PreviewWidget : public QWidget {
    Q_OBJECT
public:
    explicit PreviewWidget(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};
