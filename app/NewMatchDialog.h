#pragma once

#include "score/MatchSheet.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class ScoringSession;

// "New match...": the game, the names, legs and sets, who throws first, the out rule and the
// bull rule; then where to save. Accepting creates the score file at once through the
// session (a file that exists is never overwritten). GUI thread only.
class NewMatchDialog : public QDialog {
    Q_OBJECT
public:
    // path: where to save, filled in (from the command line); empty: asked on accepting.
    NewMatchDialog(ScoringSession& session, const QString& path, QWidget* parent = nullptr);

    // Asks where to save, starting from initial; empty when cancelled. Replaceable so that
    // tests answer it.
    std::function<QString(const QString& initial)> chooseSavePath;

    MatchFormat format() const;
    const QString& path() const { return m_path; }

    QComboBox& gameField() { return *m_game; }
    QLineEdit& nameField(int player) { return *m_names[player - 1]; }
    QSpinBox& legsField() { return *m_legs; }
    QSpinBox& setsField() { return *m_sets; }
    QComboBox& firstField() { return *m_first; }
    QComboBox& outField() { return *m_out; }
    QCheckBox& bullField() { return *m_bull; }
    QLabel& errorLine() { return *m_error; }

    // Asks for the path when none is filled in, creates the file and accepts; false (the
    // dialog stays open with the reason) when cancelled or the file cannot be made.
    bool create();

private:
    ScoringSession& m_session;
    QString m_path;
    QComboBox* m_game = nullptr;
    QLineEdit* m_names[2] = {};
    QSpinBox* m_legs = nullptr;
    QSpinBox* m_sets = nullptr;
    QComboBox* m_first = nullptr;
    QComboBox* m_out = nullptr;
    QCheckBox* m_bull = nullptr;
    QLabel* m_pathLine = nullptr;
    QLabel* m_error = nullptr;
};
