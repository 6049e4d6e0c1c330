#include "app/DartTimeline.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace {

// How far (px) from a mark a click still takes it.
constexpr int kReach = 5;

} // namespace

DartTimeline::DartTimeline(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(16);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip(tr("A mark for every dart, a tall one where a leg starts; click a mark to go "
                  "to its dart"));
}

void DartTimeline::setDuration(int64_t ms) {
    m_duration = std::max<int64_t>(1, ms);
    update();
}

void DartTimeline::setMarks(std::vector<int32_t> darts, std::vector<int32_t> legStarts) {
    m_darts = std::move(darts);
    m_legs = std::move(legStarts);
    update();
}

void DartTimeline::setPosition(int64_t ms) {
    if (ms != m_position) {
        m_position = ms;
        update();
    }
}

int DartTimeline::xOf(int64_t ms) const {
    const int64_t span = std::max(1, width() - 1);
    return static_cast<int>(std::clamp<int64_t>(ms, 0, m_duration) * span / m_duration);
}

void DartTimeline::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().mid().color());
    p.drawLine(0, height() / 2, width(), height() / 2);
    p.setPen(QPen(palette().text().color(), 2));
    for (const int32_t ms : m_legs) {
        const int x = xOf(ms);
        p.drawLine(x, 0, x, height());
    }
    for (const int32_t ms : m_darts) {
        const int x = xOf(ms);
        p.setPen(ms == m_position ? palette().highlight().color() : palette().text().color());
        p.drawLine(x, height() / 4, x, height() * 3 / 4);
    }
    if (m_position >= 0) {
        p.setPen(QPen(palette().highlight().color(), 1, Qt::DashLine));
        const int x = xOf(m_position);
        p.drawLine(x, 0, x, height());
    }
}

void DartTimeline::mousePressEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    int best = kReach + 1;
    int64_t hit = -1;
    for (const int32_t ms : m_darts) {
        const int distance = std::abs(xOf(ms) - x);
        if (distance < best) {
            best = distance;
            hit = ms;
        }
    }
    if (hit >= 0) {
        emit seekRequested(hit);
    }
}
