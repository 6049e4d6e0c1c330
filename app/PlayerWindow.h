#pragma once

#include "app/EntryTimesList.h"
#include "app/FootageClock.h"
#include "app/FootageSettings.h"
#include "app/RunState.h"
#include "app/TapClock.h"
#include "app/TransportBar.h"
#include "engine/Engine.h"
#include "score/ScoreData.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class FramePipe;
class PlayerView;
struct ComposedFrame;
class QAction;
class QAudioOutput;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QHBoxLayout;
class QSlider;
class QSplitter;
class QSpinBox;
class QVBoxLayout;
class QVideoSink;

// The player beside the main window: the match footage with the board over it (or the board
// alone), the keys video editors use to move through it, taps stamped with the footage's
// clock, and the times adjusted and burned into the footage afterwards.
//
// The footage plays through Qt Multimedia's FFmpeg backend into a video sink, whose frames
// carry their own start times; they are converted and composed with the board off this
// window's thread (FramePipe), late ones dropped. A tap takes the frame that was on screen
// when its key was pressed (the key event's own time against the times the frames were
// shown), stored under the one frame rule (FootageClock).
//
// Relative moves (Left, Right, comma, period) count from where the last move asked to go,
// not from the frame on screen, so fast presses each count before the frames catch up.
//
// The window composes its parts: the transport controls (TransportBar), the list of entry
// times (EntryTimesList), the view (PlayerView) and the frame pipe; every frame sum is the
// footage clock's (FootageClock). Whether a recording runs, and on which clock, is run's
// (RunState), shared with the main window: the window keeps no copy of its own.
//
// With footage open the board is drawn here alone, over each frame, and the main window's
// preview is this window's picture: the engine is told to draw none (Engine::drawPictures)
// until the footage is closed.
class PlayerWindow : public QWidget {
    Q_OBJECT
public:
    PlayerWindow(Engine& engine, RunState& run, QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // Replaceable so that tests answer them: the chosen path, or empty when cancelled.
    std::function<QString(const QString& initial)> chooseFootage;
    std::function<QString(const QString& initial)> chooseBurnOutput;
    // Asked before every time moves by deltaMs; true: go ahead.
    std::function<bool(int deltaMs)> confirmShift;

    // The main window's actions for the player: show it, open footage, burn in.
    QList<QAction*> windowActions() const;

    // Makes part (the scoring pad, sheet and timeline) a part of this window, below the
    // footage, and takes its actions (new match, undo, redo) as the window's own, so their
    // shortcuts work wherever the focus is in the window. Keys typed into part are its own,
    // not the player's. The window takes part over.
    void addWorkspacePart(QWidget& part, const QList<QAction*>& actions);

    // The match as the window holds it; a new score file brings back its footage and board
    // settings.
    void setMatch(const Match& match);
    // False, with the reason in the status line, if the file has no readable video.
    bool openFootage(const QString& path);
    bool hasFootage() const { return m_media != nullptr; }
    const QString& footagePath() const { return m_settings.footagePath; }

    // Start of the frame on screen under the frame rule, ms on the footage's clock (-1
    // before the first frame), and its index.
    int64_t frameMs() const { return m_frameMs; }
    int64_t frameIndex() const { return m_frameIndex; }
    const FootageClock& clock() const { return m_clock; }
    // The moment the board shows when scrubbing without footage.
    int64_t scrubMs() const { return m_scrubMs; }
    // Puts the footage on frame index (paused), or the board alone at that moment.
    void seekFrame(int64_t index);
    void seek(int64_t ms);
    void togglePlay();
    void setSpeed(double rate);

    // Recording on the footage: started anywhere (through run, so that a key pressed right
    // after the start is a tap already), taps and undos given to the engine. Each returns
    // false, doing nothing, when no recording on footage runs (startRecording: when there is
    // no footage or a run is going). pressedAt: when the key was pressed (TapClock's
    // milliseconds); the tap gets the frame on screen then.
    bool startRecording();
    bool tap(int64_t pressedAt = TapClock::now());
    bool undoTap();
    bool redoTap();
    // While idle: the last change of times taken back, or put again.
    void undoTimes();
    void redoTimes();
    bool recordsOnFootage() const { return m_run.recordsOnFootage(); }

    // Moves the selected entry's time by a frame of the footage (10 ms without footage) or,
    // fine, by 10 ms; direction is -1 or 1.
    void nudgeSelected(int direction, bool fine);
    // Asks (confirmShift), then moves every time by deltaMs; the offset field goes back to 0,
    // so that a second click does not shift again.
    void shiftAll(int deltaMs);
    void selectEntry(int index);

    // Writes the footage with the board burnt in, as the engine's job; again: stops it.
    void toggleBurn();
    bool burning() const { return m_burning; }

    void setOverlay(const OverlaySettings& overlay);
    const OverlaySettings& overlay() const { return m_settings.overlay; }

    PlayerView& view() { return *m_view; }
    TransportBar& transport() { return *m_transport; }
    QSlider& timeline() { return m_transport->timeline(); }
    EntryTimesList& entryList() { return *m_entries; }
    QSpinBox& offsetField() { return *m_offset; }
    QLabel& statusLine() { return *m_status; }
    QLabel& timeDisplay() { return m_transport->timeDisplay(); }
    QPushButton& shiftButton() { return *m_shift; }
    // A message for the user where the player shows them, without a box.
    void setStatus(const QString& text);
    QMediaPlayer* mediaPlayer() { return m_media.get(); }
    // The burn-in's board, which the footage shows too.
    QComboBox& burnTheme() { return *m_burnTheme; }
    QComboBox& burnLayout() { return *m_burnLayout; }

signals:
    // A footage frame reached the screen, or the board alone moved to a moment.
    void frameShown(int64_t ms);
    void burnFinished(ExportOutcome outcome);
    // With footage open: the footage and board as the main window's preview shows them.
    void previewPicture(const QImage& picture);
    // With footage open: the entry whose board the frame on screen shows changed (-1: the
    // title); not while recording.
    void boardEntryShown(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void connectEngine(Engine& engine);
    bool handleKey(const QKeyEvent& key, int64_t pressedAt);

    void closeFootage();
    void takeFrame();
    void updateLayout();
    void showRefusal(const TapRefusal& refusal);
    void pickEntry(int index);
    int64_t currentFrame() const;
    void seekMedia(int64_t frame);
    void holdFrame();
    void redrawBoard();
    void updatePreview();
    void updateTimeline();
    // The theme and layout choice of the burn-in's board.
    void buildBurnSettings(QVBoxLayout& side);
    RenderOptions burnBoard() const;
    void finishBurn(const ExportResult& result);

    int64_t durationMs() const;
    double boardScale() const;

    QPointer<Engine> m_engine;
    RunState& m_run;
    Match m_match;
    FootageSettings m_settings;
    QString m_scorePath;

    std::unique_ptr<QMediaPlayer> m_media;
    std::unique_ptr<QVideoSink> m_sink;
    std::unique_ptr<QAudioOutput> m_audio;
    FramePipe* m_pipe = nullptr;
    FootageClock m_clock; // the footage's, with its length
    QSize m_footageSize;
    int64_t m_frameMs = -1;
    int64_t m_frameIndex = -1;
    int64_t m_targetFrame = -1; // where the last move asked to go, until it is on screen
    // Paused, the backend now and then shows a frame nobody asked for: one step past a seek
    // made at the end, or an earlier seek's frame after the last one's. The frame the paused
    // player is to hold, the frames asked for on the way to it, and how often it was sought
    // again, so that a backend that never settles is not asked forever.
    int64_t m_heldFrame = -1;
    std::vector<int64_t> m_askedFrames;
    int m_reseeks = 0;
    int m_lastBoardEntry = -3;
    // A starved window may handle a key seconds late: the frames it remembers reach back
    // further than that.
    TapClock m_tapClock{5000};
    bool m_shiftPending = false;
    int64_t m_scrubMs = 0;

    int m_shownIndex = -1;
    int m_boardEntry = -2; // the entry the board was drawn for
    bool m_boardRecording = false;

    bool m_burning = false; // the engine runs our burn-in
    QString m_burnPath;

    PlayerView* m_view = nullptr;
    TransportBar* m_transport = nullptr;
    EntryTimesList* m_entries = nullptr;
    QSpinBox* m_offset = nullptr;
    QPushButton* m_shift = nullptr;
    QComboBox* m_place = nullptr;
    QDoubleSpinBox* m_scale = nullptr;
    QComboBox* m_burnTheme = nullptr;
    QComboBox* m_burnLayout = nullptr;
    QPushButton* m_burn = nullptr;
    QLabel* m_status = nullptr;
    QSplitter* m_workspace = nullptr;
    QHBoxLayout* m_partActions = nullptr;
    QAction* m_showAction = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_burnAction = nullptr;
};
