#pragma once

#include "app/FootageClock.h"

#include <QWidget>

#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

// The player's transport controls: play/pause, the timeline, the time display and the speed.
// It shows what the player reports and passes on what the user asks; it plays nothing and
// keeps no position of its own, so the player stays the one that knows where the footage
// is. The window's thread only.
//
// Requests (playPauseClicked, seekRequested, speedChosen) come from the user's own moves:
// the show* calls that report the player's state never send one back, so a report can never
// be taken for a move.
class TransportBar : public QWidget {
    Q_OBJECT
public:
    // A skip (the timeline's page step, the player's Left and Right) and the finest step on
    // the board alone, without footage.
    static constexpr int64_t kSkipMs = 1000;
    static constexpr int64_t kBoardStepMs = 10;

    explicit TransportBar(QWidget* parent = nullptr);

    // m:ss.mmm, as the time display and the player's messages write a moment.
    static QString clockText(int64_t ms);
    // A playback rate kept within the speeds the list offers (0.25x to 2x).
    static double clampSpeed(double rate);

    // The speed chosen in the list.
    double speed() const;

    QSlider& timeline() { return *m_timeline; }
    QLabel& timeDisplay() { return *m_time; }

    // The player plays (the button offers to pause) or not.
    void setPlaying(bool playing);
    // The board alone at ms of a timeline durationMs long, moved in 10 ms steps.
    void showMoment(int64_t ms, int64_t durationMs);
    // The footage on frame (starting at ms) of clock's footage: the display adds the frame
    // number and its time code, and the timeline steps a frame.
    void showFrame(int64_t ms, int64_t frame, const FootageClock& clock);
    // Selects rate in the list when it is one of its speeds.
    void showSpeed(double rate);

signals:
    void playPauseClicked();
    // The user moved the timeline to ms.
    void seekRequested(int64_t ms);
    void speedChosen(double rate);

private:
    void report(int64_t ms, int64_t durationMs, int64_t step, const QString& frameText);

    QPushButton* m_play = nullptr;
    QSlider* m_timeline = nullptr;
    QLabel* m_time = nullptr;
    QComboBox* m_speed = nullptr;
    bool m_reporting = false; // the timeline moves because the player reported, not the user
};
