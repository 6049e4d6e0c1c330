#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>

class Match;

// Watches the loaded score file on disk and says when it changed, so that the window can
// show the edits a person makes in a text editor.
//
// Editors that save by writing a new file and renaming it over the old one replace the file
// the system watched: the folder is watched too, and the path is watched again whenever it
// exists anew. A burst of events (an editor truncates, then writes) is reported once, a
// moment after it settles. Only a real change of the file (another file, size or time) is
// reported, never a change elsewhere in the folder.
//
// While held (a recording or an export runs), changes are noted but not reported; releasing
// reports a change that came in the meantime.
class ScoreWatcher : public QObject {
    Q_OBJECT
public:
    explicit ScoreWatcher(QObject* parent = nullptr);

    // Watches path from now on, taking the file as it is now as the known one. An empty path
    // watches nothing.
    void watch(const QString& path);
    const QString& path() const { return m_path; }

    void setHeld(bool held);
    // A change came while held and waits for the release.
    bool pending() const { return m_pending; }

signals:
    // The file is no longer the one last known (changed, replaced or gone).
    void changed();

private:
    // What tells one version of the file from another.
    struct Stamp {
        bool exists = false;
        uint64_t device = 0;
        uint64_t inode = 0;
        int64_t size = 0;
        int64_t modified = 0; // ns
        int64_t statusChanged = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const QString& path);

    void rewatch();
    void settle();

    QFileSystemWatcher m_watcher;
    QTimer m_quiet; // restarted by every event: the burst is over when it fires
    QString m_path;
    Stamp m_known;
    bool m_held = false;
    bool m_pending = false;
};

// Whether two loads gave the same match (times, darts, evaluation and settings); a reload
// that gives the same is not worth showing again.
bool SameMatch(const Match& a, const Match& b);
