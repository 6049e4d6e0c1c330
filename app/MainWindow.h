#pragma once

#include "app/ExportDialog.h"
#include "app/RunState.h"
#include "app/TapClock.h"
#include "engine/Engine.h"
#include "score/ScoreData.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class LinkLabel;
class PlayerWindow;
class PreviewWidget;
class ScoreWatcher;
class WarningsPanel;
class QLabel;
class QPushButton;
class QToolButton;

// A message box of the main window.
struct Notice {
    enum class Icon { Information, Warning, Error };
    QString text;
    QString caption;
    Icon icon = Icon::Information;
    bool withCancel = false; // OK and Cancel; otherwise OK alone
};

// The main window: the preview, the status line, the link, the player's button and the
// three buttons. It keeps the loaded match, gives the engine its commands and turns the
// engine's answers into texts, captions and boxes. One box at a time: what would open another
// while one waits for the user goes to the status line.
class MainWindow : public QDialog {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The modal parts, replaceable so that tests answer them. A box returns true for OK; a
    // file dialog returns the chosen path, or an empty one when cancelled.
    std::function<bool(const Notice&)> showNotice;
    std::function<QString(const QString& initial)> chooseScoreFile;
    std::function<QString(const QString& initial)> chooseVideoFile;
    // The export settings dialog, opened before the file dialog, with the footage open in the
    // player (nullopt without); nullopt when cancelled.
    std::function<std::optional<ExportSettings>(const ExportSettings& last,
                                                const std::optional<FootageFormat>& footage)>
        chooseExportSettings;

    // What the window has asked the engine to do and not yet seen finished (RunState: it
    // begins when asked, so that Enter right after the start is a tap, and ends once the
    // window has answered the engine's report of the outcome).
    EngineMode run() const { return m_run ? m_run->mode() : EngineMode::Idle; }
    // The match as last loaded or reported back by the engine.
    const Match& match() const { return m_match; }
    const QString& videoPath() const { return m_videoPath; }
    QString statusText() const;

    // Loads the score file at path as the load button does, while no run is going; false
    // when the window is busy or the file could not be read (after saying so).
    bool openScore(const QString& path);
    // Null once the window has closed.
    Engine* engine() { return m_engine.get(); }

    QPushButton& loadButton() { return *m_loadButton; }
    QPushButton& recordButton() { return *m_recordButton; }
    QPushButton& exportButton() { return *m_exportButton; }
    // Opens the player; beside the link, so that the player is not hidden in a context menu.
    QToolButton& playerButton() { return *m_playerButton; }
    PreviewWidget& preview() { return *m_preview; }
    LinkLabel& link() { return *m_link; }
    PlayerWindow& player() { return *m_player; }

    QLabel& statusLine() { return *m_status; }
    WarningsPanel& warnings() { return *m_warnings; }
    ScoreWatcher& scoreWatcher() { return *m_watcher; }

signals:
    // The status line now shows text (sent only when it changed).
    void statusChanged(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void connectEngine();

    void loadScore();
    // The loaded file changed on disk: loads it again, keeping the entry shown.
    void reloadScore();
    void toggleRecording();
    void toggleExport();
    // The size and rate of the footage open in the player; nullopt without footage or when
    // the file no longer tells them.
    std::optional<FootageFormat> footageFormat() const;
    // The name the save dialog starts from: the last video of this score file in the format
    // now chosen, else a name beside the score file.
    QString suggestedVideoPath() const;

    void showEntry(const ShownEntry& entry);
    void finishRecording(RecordingEnd how, const QString& reason);
    void finishExport(ExportOutcome outcome);
    // The run is over: the first entry shown. The buttons follow when the run ends.
    void endRun();
    // Buttons, captions and the file watcher as the run is now, whenever it begins or ends.
    void showRun();

    void setStatus(const QString& text);
    bool notify(const QString& text, const QString& caption, Notice::Icon icon,
                bool withCancel = false);
    void stopEngine();

    bool defaultNotice(const Notice& notice);
    QString defaultFileDialog(bool save, const QString& initial);

    std::unique_ptr<Engine> m_engine;
    // Made once the window listens to the engine: the window answers a run's outcome first.
    std::unique_ptr<RunState> m_run;
    TapClock m_tapClock;
    Match m_match;
    QString m_videoPath;
    std::string m_videoScorePath; // the score file m_videoPath was exported from
    // Shown in place of the entry that the end of a run brings back, so that a word about
    // how the run ended is not wiped out at once.
    QString m_runEndStatus;
    ExportSettings m_exportSettings; // as last chosen
    QString m_exportError;           // the reason of a failing export, for its box
    bool m_closing = false;
    bool m_noticeOpen = false; // a box is waiting for the user
    int m_shownIndex = 0;      // 0-based, as the engine last reported it

    PreviewWidget* m_preview = nullptr;
    QLabel* m_blog = nullptr;
    LinkLabel* m_link = nullptr;
    QLabel* m_status = nullptr;
    WarningsPanel* m_warnings = nullptr;
    ScoreWatcher* m_watcher = nullptr;
    QPushButton* m_loadButton = nullptr;
    QPushButton* m_recordButton = nullptr;
    QPushButton* m_exportButton = nullptr;
    QToolButton* m_playerButton = nullptr;
    PlayerWindow* m_player = nullptr;
};
