#pragma once

// What the engine said, as its owner's thread heard it, and ways to wait for it. The
// engine emits on the thread that made it, so the log is only ever touched there.

#include "engine/Engine.h"

#include <QImage>
#include <QObject>
#include <QtCore/qtestsupport_core.h>

#include <functional>
#include <vector>

// Runs the test thread's events until done() holds or limitMs passed; false on timeout.
inline bool WaitUntil(const std::function<bool()>& done, int limitMs = 20000) {
    return QTest::qWaitFor(done, limitMs);
}

class EngineLog : public QObject {
public:
    explicit EngineLog(Engine& engine) {
        connect(&engine, &Engine::pictureReady, this,
                [this](const QImage& p) { pictures.push_back(p); });
        connect(&engine, &Engine::entryShown, this,
                [this](const ShownEntry& e) { entries.push_back(e); });
        connect(&engine, &Engine::modeChanged, this, [this](EngineMode m) { modes.push_back(m); });
        connect(&engine, &Engine::matchChanged, this,
                [this](const Match& m) { matches.push_back(m); });
        connect(&engine, &Engine::recordingEnded, this,
                [this](RecordingEnd how) { recordings.push_back(how); });
        connect(&engine, &Engine::jobProgress, this,
                [this](EngineJob, int p) { progress.push_back(p); });
        connect(&engine, &Engine::jobFinished, this,
                [this](EngineJob, const ExportResult& r) { exports.push_back(r.outcome); });
        connect(&engine, &Engine::flushed, this, [this] { ++flushes; });
    }

    // Returns once the engine has carried out every command given before this call and
    // everything that came of them has been heard. False if that took over limitMs.
    bool Settle(Engine& engine, int limitMs = 20000) {
        const int expected = flushes + 1;
        engine.flush();
        return WaitUntil([&] { return flushes >= expected; }, limitMs);
    }

    std::vector<QImage> pictures;
    std::vector<ShownEntry> entries;
    std::vector<EngineMode> modes;
    std::vector<Match> matches;
    std::vector<RecordingEnd> recordings;
    std::vector<int> progress;
    std::vector<ExportOutcome> exports;
    int flushes = 0;
};
