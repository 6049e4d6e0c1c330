#pragma once

#include <QTreeWidget>

#include <cstdint>
#include <functional>

class QAction;
class ScoringSession;

// The score sheet being scored, as a table: legs, their visits, and the darts with their
// times. A dart is the unit every action works on: double-click puts the footage on its
// frame; edit its token, re-time it to the frame on screen, delete it, or insert a dart
// before it. Every action goes through the session, so each is saved and undoable, and the
// table is rebuilt from the re-evaluated sheet (later visits move with an edit).
class ScoreSheetView : public QTreeWidget {
    Q_OBJECT
public:
    explicit ScoreSheetView(ScoringSession& session, QWidget* parent = nullptr);

    // Asks for a token (to edit or insert), starting from current; empty when cancelled.
    // Replaceable so that tests answer it.
    std::function<QString(const QString& current)> askToken;

    // The flat index of the selected dart (as MatchSheet::darts() counts), or -1.
    int selectedDart() const;
    void selectDart(int dart);

    // The actions on the selected dart; false when none is selected or it was refused.
    bool editSelected();
    bool retimeSelected();
    bool deleteSelected();
    bool insertBeforeSelected();

    QList<QAction*> dartActions() const;

signals:
    void seekRequested(int64_t ms);

private:
    void rebuild();

    ScoringSession& m_session;
    QAction* m_edit = nullptr;
    QAction* m_retime = nullptr;
    QAction* m_delete = nullptr;
    QAction* m_insert = nullptr;
};
