#include "engine/Engine.h"

#include "engine/CallQueue.h"
#include "render/Renderer.h"
#include "score/Evaluate.h"
#include "score/TimingWriter.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

// What both threads read without a queue in between.
struct Engine::Shared {
    std::atomic<uint64_t> exportsRequested{0};
    std::atomic<uint64_t> exportsCancelled{0}; // exports up to this number are to stop
    std::atomic<bool> shuttingDown{false};
};

// The engine's state and work. Lives on the engine's thread: only calls from its queue
// touch it.
class Engine::Work {
public:
    Work(Engine& engine, std::shared_ptr<Shared> shared)
        : m_engine(engine), m_shared(std::move(shared)) {}

    CallQueue& commands() { return m_commands; }

    void showTitle() {
        QImage picture = MakeBoardImage({});
        RenderTitle(picture, {});
        report([picture](Engine& e) { emit e.pictureReady(picture); });
    }

    void load(Match match) {
        if (m_mode == EngineMode::Idle) {
            m_match = std::move(match);
            m_index = -1;
        }
    }

    void rewind() {
        if (m_mode == EngineMode::Idle) {
            m_index = -1;
            advance(0);
        }
    }

    void showEntry(int index) {
        if (m_mode != EngineMode::Idle) {
            return;
        }
        const Entry* entry = m_match.at(index);
        if (entry == nullptr || entry->dart < 0) {
            index = 0;
        }
        // advance() steps to the entry after the one it starts from.
        m_index = index - 1;
        advance(0);
    }

    void startRecording(int64_t stampMs) {
        if (m_mode != EngineMode::Idle) {
            return;
        }
        const Entry* current = m_match.at(m_index);
        if (current == nullptr || m_match.at(m_index + 1) == nullptr) {
            ValidateTimes(m_match);
            reportMatch();
            report([](Engine& e) { emit e.recordingEnded(RecordingEnd::NotStarted, {}); });
            return;
        }
        // The recording continues the timeline of the entry shown.
        m_start = stampMs - current->time;
        m_backup = m_match;
        setMode(EngineMode::Recording);
    }

    void startMediaRecording(int64_t mediaMs) {
        if (m_mode != EngineMode::Idle) {
            return;
        }
        startRecording(mediaMs);
        Entry* current = m_match.at(m_index);
        if (recording() && current != nullptr) {
            // The footage's clock is the match's: the entry shown is where the footage is.
            current->time = static_cast<int32_t>(mediaMs);
            m_start = 0;
        }
    }

    void tap(int64_t stampMs) {
        if (recording()) {
            m_taps.push_back(m_index);
            advance(stampMs);
        }
    }

    void undoTap() {
        if (!recording() || m_taps.empty()) {
            return;
        }
        const int back = m_taps.back();
        m_taps.pop_back();
        for (int index = back + 1; index <= m_index; ++index) {
            if (Entry* mark = m_match.at(index); mark != nullptr && m_backup.at(index) != nullptr) {
                mark->time = m_backup.at(index)->time;
            }
        }
        m_index = back;
        if (const Entry* mark = m_match.at(m_index); mark != nullptr && show(m_index)) {
            const ShownEntry shown{m_index + 1,  m_match.count(), mark->round,
                                   mark->player, mark->dart,      true};
            report([shown](Engine& e) { emit e.entryShown(shown); });
        }
    }

    void nudgeEntry(int index, int deltaMs) {
        Entry* mark = m_match.at(index);
        // Only darts carry a time of their own in the file; a turn's start follows them.
        if (m_mode != EngineMode::Idle || mark == nullptr || mark->dart <= 0) {
            return;
        }
        // Past a neighbouring dart the times would run backwards, which the file cannot keep.
        int64_t low = 0;
        int64_t high = INT32_MAX;
        for (int i = index - 1; i >= 0; --i) {
            if (m_match.entries[size_t(i)].dart > 0) {
                low = m_match.entries[size_t(i)].time;
                break;
            }
        }
        for (int i = index + 1; i < m_match.count(); ++i) {
            if (m_match.entries[size_t(i)].dart > 0) {
                high = m_match.entries[size_t(i)].time;
                break;
            }
        }
        mark->time = static_cast<int32_t>(std::clamp(int64_t(mark->time) + deltaMs, low, high));
        saveTimes();
    }

    void shiftTimes(int deltaMs) {
        if (m_mode != EngineMode::Idle || m_match.count() == 0) {
            return;
        }
        int64_t lowest = INT32_MAX;
        for (const Entry& mark : m_match.entries) {
            if (mark.dart > 0) {
                lowest = std::min<int64_t>(lowest, mark.time);
            }
        }
        const int64_t delta = std::max<int64_t>(deltaMs, -lowest);
        for (Entry& mark : m_match.entries) {
            if (mark.dart > 0) {
                mark.time = static_cast<int32_t>(mark.time + delta);
            }
        }
        saveTimes();
    }

    void abortRecording() {
        if (recording()) {
            endRecording(true);
        }
    }

    void exportVideo(ExportRequest request, uint64_t exportId) {
        if (m_mode != EngineMode::Idle) {
            return;
        }
        setMode(EngineMode::Exporting);
        ValidateTimes(m_match);

        // An AVI is compressed or not as the score file says; the score file itself is
        // never written over.
        if (request.codec == VideoCodec::Video1 || request.codec == VideoCodec::Raw) {
            request.codec = m_match.compress ? VideoCodec::Video1 : VideoCodec::Raw;
        }
        if (request.scorePath.empty()) {
            request.scorePath = m_match.path;
        }
        const auto progress = [this](const ExportProgress& p) {
            report([percent = p.percent](Engine& e) { emit e.exportProgress(percent); });
        };
        // The export runs as one call on this thread, so a queued cancel would only be seen
        // after it; the flags are read before every frame instead.
        const auto shouldStop = [this, exportId] {
            return m_shared->shuttingDown.load() || exportId <= m_shared->exportsCancelled.load();
        };
        const ExportResult result = ExportVideo(m_match, request, progress, shouldStop);
        const ExportOutcome outcome = result.outcome;
        if (outcome == ExportOutcome::Failed && !result.error.empty()) {
            report([error = QString::fromStdString(result.error)](Engine& e) {
                emit e.exportError(error);
            });
        }

        setMode(EngineMode::Idle);
        reportMatch();
        report([outcome](Engine& e) { emit e.exportFinished(outcome); });
    }

    void flush() {
        report([](Engine& e) { emit e.flushed(); });
    }

private:
    bool recording() const { return m_mode == EngineMode::Recording; }

    // Queues a signal to be emitted on the Engine's thread.
    template <class F> void report(F emitter) {
        Engine* engine = &m_engine;
        m_engine.m_results->post([engine, emitter] { emitter(*engine); });
    }

    void reportMatch() {
        report([match = m_match](Engine& e) { emit e.matchChanged(match); });
    }

    void setMode(EngineMode mode) {
        if (m_mode != mode) {
            m_mode = mode;
            report([mode](Engine& e) { emit e.modeChanged(mode); });
        }
    }

    // Moves the preview to the entry after the one shown; a tap's stamp when recording.
    void advance(int64_t stampMs) {
        // Match times are 32-bit, like the clock readings of the first recordings.
        const auto elapsed = static_cast<int32_t>(stampMs - m_start);
        const Entry* current = m_match.at(m_index);
        const int32_t previous = current != nullptr ? current->time : 0;
        int index = m_index + 1;
        Entry* mark = m_match.at(index);
        if (mark != nullptr && recording() && mark->dart == 0) {
            // The turn start lies halfway between the last dart and this tap; the tap itself
            // belongs to the first dart of the new turn.
            mark->time = static_cast<int32_t>((int64_t(previous) + elapsed) / 2);
            mark = m_match.at(++index);
        }
        if (mark != nullptr) {
            if (recording()) {
                mark->time = elapsed;
            }
            const ShownEntry shown{index + 1,    m_match.count(), mark->round,
                                   mark->player, mark->dart,      recording()};
            report([shown](Engine& e) { emit e.entryShown(shown); });
        }
        m_index = index;

        bool ended = recording() && index + 1 == m_match.count();
        if (!show(index)) {
            // Nothing to show there: the preview keeps the entry before, and a recording ends
            // with the times it has.
            m_index = index - 1;
            ended = true;
        }
        if (ended && recording()) {
            endRecording(false);
        }
    }

    // Saves the darts' times; the turn starts get the times the file will give them when it
    // is loaded again, so that the board shown is the board the file makes.
    void saveTimes() {
        int64_t lastDart = 0;
        for (int i = 0; i < m_match.count(); ++i) {
            Entry& mark = m_match.entries[size_t(i)];
            if (mark.dart > 0) {
                lastDart = mark.time;
            } else if (i > 0) {
                const Entry* first = m_match.at(i + 1);
                const int64_t next = first != nullptr && first->dart > 0 ? first->time : 0;
                mark.time = static_cast<int32_t>((next + lastDart) / 2);
            }
        }
        ValidateTimes(m_match);
        const bool ok = SaveTiming(m_match);
        reportMatch();
        report([ok](Engine& e) { emit e.timesSaved(ok); });
    }

    bool show(int index) {
        QImage picture = MakeBoardImage({});
        if (!RenderEntry(m_match, index, picture, {})) {
            return false;
        }
        report([picture](Engine& e) { emit e.pictureReady(picture); });
        return true;
    }

    void endRecording(bool abort) {
        ValidateTimes(m_match);
        RecordingEnd how = RecordingEnd::Aborted;
        QString reason;
        if (abort) {
            m_match = m_backup;
        } else {
            // A refused save keeps the times in memory: the user may try again or export
            // them.
            const WriteOutcome saved = SaveTimingFile(m_match);
            if (saved.error.failed()) {
                how = RecordingEnd::SaveFailed;
                reason = QString::fromStdString(saved.error.text());
            } else {
                how = RecordingEnd::Saved;
            }
        }
        m_backup = {};
        m_taps.clear();
        setMode(EngineMode::Idle);
        reportMatch();
        report([how, reason](Engine& e) { emit e.recordingEnded(how, reason); });
    }

    Engine& m_engine;
    std::shared_ptr<Shared> m_shared;
    CallQueue m_commands;

    Match m_match;
    Match m_backup;   // the match as it was when the recording started
    int m_index = -1; // entry shown; -1 or past the end: none
    EngineMode m_mode = EngineMode::Idle;
    int64_t m_start = 0;     // the clock reading of match time 0 while recording
    std::vector<int> m_taps; // the entry shown before each tap of the running recording
};

Engine::Engine(QObject* parent)
    : QObject(parent), m_shared(std::make_shared<Shared>()), m_results(new CallQueue(this)) {
    m_work = new Work(*this, m_shared);
    m_work->commands().moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("engine"));
    // The engine's state ends on its own thread, after the last call.
    Work* work = m_work;
    connect(
        &m_thread, &QThread::finished, &m_thread, [work] { delete work; }, Qt::DirectConnection);

    // Commands may be given as soon as this returns, so it waits until the thread has set
    // up its event loop: the wait orders that set-up before every command for the race
    // detector too, which cannot see the toolkit's own hand-over.
    std::mutex mutex;
    std::condition_variable ready;
    bool started = false;
    const QMetaObject::Connection startup = connect(
        &m_thread, &QThread::started, &m_thread,
        [&] {
            const std::lock_guard<std::mutex> lock(mutex);
            started = true;
            ready.notify_one();
        },
        Qt::DirectConnection);
    m_thread.start();
    std::unique_lock<std::mutex> lock(mutex);
    ready.wait(lock, [&] { return started; });
    disconnect(startup);
}

Engine::~Engine() {
    m_shared->shuttingDown = true;
    // The calls still queued see the flag and do nothing; the last one ends the thread.
    m_work->commands().post([] { QThread::currentThread()->quit(); });
    m_thread.wait();
}

template <class F> void Engine::command(F f) {
    Work* work = m_work;
    const std::shared_ptr<Shared> shared = m_shared;
    work->commands().post([work, shared, f = std::move(f)]() mutable {
        if (!shared->shuttingDown.load()) {
            f(*work);
        }
    });
}

void Engine::showTitle() {
    command([](Work& w) { w.showTitle(); });
}

void Engine::load(Match match) {
    command([match = std::move(match)](Work& w) mutable { w.load(std::move(match)); });
}

void Engine::rewind() {
    command([](Work& w) { w.rewind(); });
}

void Engine::showEntry(int index) {
    command([index](Work& w) { w.showEntry(index); });
}

void Engine::startRecording(int64_t stampMs) {
    command([stampMs](Work& w) { w.startRecording(stampMs); });
}

void Engine::startMediaRecording(int64_t mediaMs) {
    command([mediaMs](Work& w) { w.startMediaRecording(mediaMs); });
}

void Engine::undoTap() {
    command([](Work& w) { w.undoTap(); });
}

void Engine::nudgeEntry(int index, int deltaMs) {
    command([index, deltaMs](Work& w) { w.nudgeEntry(index, deltaMs); });
}

void Engine::shiftTimes(int deltaMs) {
    command([deltaMs](Work& w) { w.shiftTimes(deltaMs); });
}

void Engine::tap(int64_t stampMs) {
    command([stampMs](Work& w) { w.tap(stampMs); });
}

void Engine::abortRecording() {
    command([](Work& w) { w.abortRecording(); });
}

void Engine::exportVideo(const std::string& path) {
    ExportRequest request;
    request.path = path;
    exportVideo(request);
}

void Engine::exportVideo(const ExportRequest& request) {
    const uint64_t id = ++m_shared->exportsRequested;
    command([request, id](Work& w) { w.exportVideo(request, id); });
}

void Engine::flush() {
    command([](Work& w) { w.flush(); });
}

void Engine::cancelExport() {
    // Numbering the exports keeps a cancel that comes just after one export ended from
    // stopping the next.
    m_shared->exportsCancelled = m_shared->exportsRequested.load();
}
