#include "app/TransportBar.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <iterator>

namespace {

constexpr double kSpeeds[] = {0.25, 0.5, 0.75, 1.0, 1.5, 2.0};
constexpr int kNormalSpeed = 3;

} // namespace

TransportBar::TransportBar(QWidget* parent) : QWidget(parent) {
    m_play = new QPushButton(tr("Play"), this);
    m_timeline = new QSlider(Qt::Horizontal, this);
    m_timeline->setObjectName(QStringLiteral("timeline"));
    m_time = new QLabel(this);
    m_speed = new QComboBox(this);
    for (double speed : kSpeeds) {
        m_speed->addItem(QStringLiteral("%1x").arg(speed), speed);
    }
    m_speed->setCurrentIndex(kNormalSpeed);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_play);
    row->addWidget(m_timeline, 1);
    row->addWidget(m_time);
    row->addWidget(m_speed);

    connect(m_play, &QPushButton::clicked, this, &TransportBar::playPauseClicked);
    // Any change of the value the player did not report is the user's: a drag, a click on
    // the groove, the slider's own keys.
    connect(m_timeline, &QSlider::valueChanged, this, [this](int value) {
        if (!m_reporting) {
            emit seekRequested(value);
        }
    });
    connect(m_speed, &QComboBox::currentIndexChanged, this, [this] { emit speedChosen(speed()); });
}

QString TransportBar::clockText(int64_t ms) {
    ms = std::max<int64_t>(ms, 0);
    return QStringLiteral("%1:%2.%3")
        .arg(ms / 60000)
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

double TransportBar::clampSpeed(double rate) {
    return std::clamp(rate, kSpeeds[0], kSpeeds[std::size(kSpeeds) - 1]);
}

double TransportBar::speed() const {
    return m_speed->currentData().toDouble();
}

void TransportBar::setPlaying(bool playing) {
    m_play->setText(playing ? tr("Pause") : tr("Play"));
}

void TransportBar::showMoment(int64_t ms, int64_t durationMs) {
    report(ms, durationMs, kBoardStepMs, QString());
}

void TransportBar::showFrame(int64_t ms, int64_t frame, const FootageClock& clock) {
    report(ms, clock.durationMs(), clock.frameStepMs(),
           QStringLiteral("  #%1  %2").arg(frame).arg(clock.timecode(frame)));
}

void TransportBar::showSpeed(double rate) {
    const int index = m_speed->findData(rate);
    if (index >= 0 && index != m_speed->currentIndex()) {
        const QSignalBlocker block(m_speed);
        m_speed->setCurrentIndex(index);
    }
}

void TransportBar::report(int64_t ms, int64_t durationMs, int64_t step, const QString& frameText) {
    m_reporting = true;
    m_timeline->setRange(0, int(durationMs));
    m_timeline->setSingleStep(int(step));
    m_timeline->setPageStep(int(kSkipMs));
    m_timeline->setValue(int(ms));
    m_time->setText(clockText(ms) + frameText + QStringLiteral(" / ") + clockText(durationMs));
    m_reporting = false;
}
