#pragma once

#include "score/MatchSheet.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QAction;

// A match being scored into its file: the sheet, the file it lives in, and the clock its
// darts are stamped with. Every action writes the whole file before it returns (the file is
// small, and the replacement keeps the old or the new file whole at any moment), so a crash
// costs at most the action under way; a save that fails is tried again within a second
// until it succeeds. GUI thread only.
class ScoringSession : public QObject {
    Q_OBJECT
public:
    explicit ScoringSession(QObject* parent = nullptr);

    // The start of the frame on screen (ms on the footage's clock); the workspace sets it.
    std::function<int64_t()> frameMs = [] { return int64_t{0}; };

    // Creates the file for a new match; false (with the reason in lastError) when it exists
    // or cannot be made.
    bool create(const QString& path, const MatchFormat& format);
    // Opens a file the pad wrote, to go on where the work stopped.
    bool open(const QString& path);

    const MatchSheet& sheet() const { return m_sheet; }
    const QString& path() const { return m_path; }
    const QString& lastError() const { return m_error; }
    bool saved() const { return !m_dirty; }

    // The editing actions, each stamped (where it takes a time) with frameMs() and saved.
    bool enter(const QString& token);
    bool insertBefore(int dart, const QString& token);
    bool removeDart(int dart);
    bool editToken(int dart, const QString& token);
    bool retimeToFrame(int dart);
    bool undo();
    bool redo();

    // Ctrl+Z and Ctrl+Shift+Z, enabled as the history allows.
    QAction& undoAction() { return *m_undo; }
    QAction& redoAction() { return *m_redo; }

    // Whose dart is next, for the pad: "Anna, dart 2 (leg 1)".
    QString prompt() const;

signals:
    // The sheet changed (and its file was written, or is being retried).
    void changed();

private:
    bool applied(bool ok);
    void refresh();
    void save();

    MatchSheet m_sheet;
    QString m_path;
    QString m_error;
    bool m_dirty = false;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
};
