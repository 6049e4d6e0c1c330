#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

// A strip under the footage with a mark for every dart and a taller one where each leg
// starts, over the footage's whole length. Clicking near a mark seeks to that dart; the mark
// of the frame on screen is drawn in the highlight colour. GUI thread only.
class DartTimeline : public QWidget {
    Q_OBJECT
public:
    explicit DartTimeline(QWidget* parent = nullptr);

    // The footage's length in ms (at least 1); marks beyond it sit at the right end.
    void setDuration(int64_t ms);
    // Every dart's time, and the time of each leg's first dart (legs after the first).
    void setMarks(std::vector<int32_t> darts, std::vector<int32_t> legStarts);
    void setPosition(int64_t ms);

    int64_t duration() const { return m_duration; }
    const std::vector<int32_t>& darts() const { return m_darts; }
    const std::vector<int32_t>& legStarts() const { return m_legs; }
    // The x of a moment in the widget.
    int xOf(int64_t ms) const;

    QSize sizeHint() const override { return {400, 22}; }

signals:
    // A mark was clicked: the time of its dart.
    void seekRequested(int64_t ms);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int64_t m_duration = 1;
    int64_t m_position = -1;
    std::vector<int32_t> m_darts;
    std::vector<int32_t> m_legs;
};
