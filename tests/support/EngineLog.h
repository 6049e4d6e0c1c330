#pragma once

// What the engine said, as the test's thread heard it, and ways to wait for it. Every
// signal is taken through a queued connection, so the log is only ever touched on the
// test's thread: no lock, and nothing for a race detector to find.

#include "engine/Engine.h"

#include <QCoreApplication>
#include <QImage>
#include <QObject>
#include <QtCore/qtestsupport_core.h>

#include <functional>
#include <vector>

// Runs the test thread's events until done() holds or limitMs passed; false on timeout.
inline bool WaitUntil(const std::function<bool()>& done, int limitMs = 20000) {
    return QTest::qWaitFor(done, limitMs);
}

// Returns once the engine has carried out every command given before this call and the
// test's thread has heard every signal that came of them.
inline void Settle(Engine& engine) {
    QMetaObject::invokeMethod(
        &engine, [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::sendPostedEvents();
}

class EngineLog : public QObject {
public:
    explicit EngineLog(Engine& engine) {
        const auto queued = Qt::QueuedConnection;
        connect(
            &engine, &Engine::pictureReady, this,
            [this](const QImage& p) { pictures.push_back(p); }, queued);
        connect(
            &engine, &Engine::entryShown, this,
            [this](const ShownEntry& e) { entries.push_back(e); }, queued);
        connect(
            &engine, &Engine::modeChanged, this, [this](EngineMode m) { modes.push_back(m); },
            queued);
        connect(
            &engine, &Engine::matchChanged, this, [this](const Match& m) { matches.push_back(m); },
            queued);
        connect(
            &engine, &Engine::recordingEnded, this,
            [this](RecordingEnd how) { recordings.push_back(how); }, queued);
        connect(
            &engine, &Engine::exportProgress, this, [this](int p) { progress.push_back(p); },
            queued);
        connect(
            &engine, &Engine::exportFinished, this,
            [this](ExportOutcome o) { exports.push_back(o); }, queued);
    }

    std::vector<QImage> pictures;
    std::vector<ShownEntry> entries;
    std::vector<EngineMode> modes;
    std::vector<Match> matches;
    std::vector<RecordingEnd> recordings;
    std::vector<int> progress;
    std::vector<ExportOutcome> exports;
};
