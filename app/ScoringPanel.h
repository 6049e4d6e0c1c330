#pragma once

#include <QWidget>

#include <functional>

class DartTimeline;
class MainWindow;
class NewMatchDialog;
class QAction;
class QLabel;
class ScoreSheetView;
class ScoringPad;
class ScoringSession;

// Scoring as you watch, beside the footage: the pad, the score sheet and the session that
// keeps the file. Darts are stamped with the start of the player's frame on screen; a double
// click in the sheet puts the player on that dart; the main window loads the file once it
// holds a dart and then follows every save through its file watcher, so the board, the
// warnings line and the preview follow each dart. GUI thread only.
class ScoringPanel : public QWidget {
    Q_OBJECT
public:
    explicit ScoringPanel(MainWindow& window, QWidget* parent = nullptr);

    // Runs the dialog; replaceable so that tests answer the form. True when accepted.
    std::function<bool(NewMatchDialog& dialog)> runNewMatch;

    // Opens the new-match form (with the path filled in when given) and starts scoring the
    // file it creates. False when cancelled, or when a form is open already: the form waits
    // in an event loop of its own, where later starts may hand over more new files, and
    // those are named on the status line instead of piling up forms.
    bool newMatch(const QString& path = QString());
    // Goes on scoring a file the pad wrote, from where the work stopped.
    bool continueMatch(const QString& path);

    ScoringSession& session() { return *m_session; }
    ScoringPad& pad() { return *m_pad; }
    ScoreSheetView& sheet() { return *m_sheet; }
    QLabel& statusLine() { return *m_status; }
    DartTimeline& timeline() { return *m_timeline; }
    // "New match...", undo and redo: for the window's menus.
    QList<QAction*> panelActions() const;
    QAction& newMatchAction() { return *m_newMatch; }

private:
    void follow();

    MainWindow& m_window;
    ScoringSession* m_session = nullptr;
    ScoringPad* m_pad = nullptr;
    ScoreSheetView* m_sheet = nullptr;
    QLabel* m_status = nullptr;
    DartTimeline* m_timeline = nullptr;
    QAction* m_newMatch = nullptr;
    bool m_loaded = false;
    bool m_formOpen = false;
};
