#include "app/ScoreWatcher.h"

#include "score/ScoreData.h"

#include <QFileInfo>

#include <algorithm>
#include <sys/stat.h>

namespace {

// Long enough to take an editor's truncate-then-write as one change, short enough that the
// board follows a save at once.
constexpr int kQuietMs = 150;

bool SameEntry(const Entry& a, const Entry& b) {
    return a.time == b.time && a.player == b.player && a.round == b.round && a.dart == b.dart &&
           a.kind == b.kind && a.number == b.number && a.value == b.value &&
           a.turnTotal == b.turnTotal && a.score[0] == b.score[0] && a.score[1] == b.score[1] &&
           std::equal(&a.marks[0][0], &a.marks[0][0] + 2 * kCricketTargets, &b.marks[0][0]);
}

} // namespace

ScoreWatcher::ScoreWatcher(QObject* parent) : QObject(parent) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &ScoreWatcher::settle);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { m_quiet.start(); });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_quiet.start(); });
}

void ScoreWatcher::watch(const QString& path) {
    if (!m_watcher.files().isEmpty()) {
        m_watcher.removePaths(m_watcher.files());
    }
    if (!m_watcher.directories().isEmpty()) {
        m_watcher.removePaths(m_watcher.directories());
    }
    m_quiet.stop();
    m_pending = false;
    m_path = path;
    m_known = stampOf(path);
    if (!path.isEmpty()) {
        m_watcher.addPath(QFileInfo(path).absolutePath());
        rewatch();
    }
}

void ScoreWatcher::setHeld(bool held) {
    m_held = held;
    if (!held) {
        // Whatever happened while held is looked at once the caller's own work is done.
        m_quiet.start();
    }
}

void ScoreWatcher::rewatch() {
    // A file replaced by a rename, or removed and made again, is a new file to the system.
    if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path)) {
        m_watcher.addPath(m_path);
    }
}

void ScoreWatcher::settle() {
    if (m_path.isEmpty()) {
        return;
    }
    rewatch();
    const Stamp now = stampOf(m_path);
    if (now == m_known) {
        m_pending = false;
        return;
    }
    if (m_held) {
        m_pending = true;
        return;
    }
    m_known = now;
    m_pending = false;
    emit changed();
}

ScoreWatcher::Stamp ScoreWatcher::stampOf(const QString& path) {
    Stamp stamp;
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return stamp;
    }
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.statusChanged = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
}

bool SameMatch(const Match& a, const Match& b) {
    return a.path == b.path && a.game == b.game && a.gameKind == b.gameKind &&
           a.separateBull == b.separateBull && a.compress == b.compress &&
           std::equal(a.entries.begin(), a.entries.end(), b.entries.begin(), b.entries.end(),
                      SameEntry);
}
