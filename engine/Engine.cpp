#include "engine/Engine.h"

#include "engine/CallQueue.h"
#include "engine/ErrorText.h"
#include "render/Renderer.h"
#include "score/Timeline.h"
#include "score/TimingWriter.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

// What both threads read without a queue in between.
struct Engine::Shared {
    // Each kind of job numbered on its own, so that a cancel of one never stops the other.
    std::atomic<uint64_t> jobsRequested[2]{};
    std::atomic<uint64_t> jobsCancelled[2]{}; // jobs up to this number are to stop
    std::atomic<bool> shuttingDown{false};

    static size_t Kind(EngineJob job) { return job == EngineJob::Export ? 0 : 1; }
    // The job runs as one call on the engine's thread, so a queued cancel would only be seen
    // after it; the flags are read before every frame instead.
    bool stops(EngineJob job, uint64_t id) const {
        return shuttingDown.load() || id <= jobsCancelled[Kind(job)].load();
    }
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
            // The history belongs to the times it was made on: another file, or the same
            // file edited elsewhere, starts a new one.
            if (match.path != m_match.path || TimesOf(match) != TimesOf(m_match)) {
                m_undoTimes.clear();
                m_redoTimes.clear();
            }
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

    void drawPictures(bool on) { m_drawPictures = on; }

    void startRecording(int64_t stampMs) {
        if (m_mode != EngineMode::Idle) {
            return;
        }
        const Entry* current = m_match.at(m_index);
        if (current == nullptr || m_match.at(m_index + 1) == nullptr) {
            m_match = WithCleanTimes(std::move(m_match));
            reportMatch();
            report([](Engine& e) { emit e.recordingEnded(RecordingEnd::NotStarted, {}); });
            return;
        }
        // The recording continues the timeline of the entry shown.
        m_start = stampMs - current->time;
        m_backup = m_match;
        setMode(EngineMode::Recording);
    }

    void startMediaRecording() {
        // The footage's clock is the match's: stamps are times as they are.
        startRecording(0);
        m_start = 0;
    }

    void tap(int64_t stampMs) {
        if (!recording()) {
            return;
        }
        // A stamp before the dart before would make the times run backwards, which the file
        // cannot keep: refused here, while the user can still tap again.
        const int previous = lastDartUpTo(m_index);
        const int64_t elapsed = stampMs - m_start;
        if (previous >= 0 && elapsed < m_match.entries[size_t(previous)].time) {
            int next = m_index + 1;
            if (const Entry* start = m_match.at(next); start != nullptr && start->dart == 0) {
                ++next;
            }
            if (m_match.at(next) != nullptr) {
                report([refusal = TapRefusal{shownAt(next, true), elapsed, shownAt(previous, false),
                                             m_match.entries[size_t(previous)].time}](Engine& e) {
                    emit e.tapRefused(refusal);
                });
            }
            return;
        }
        m_redoTaps.clear();
        stamp(stampMs);
    }

    void undoTap() {
        if (!recording() || m_taps.empty()) {
            return;
        }
        const auto [back, stampMs] = m_taps.back();
        m_taps.pop_back();
        m_redoTaps.push_back(stampMs);
        for (int index = back + 1; index <= m_index; ++index) {
            if (Entry* mark = m_match.at(index); mark != nullptr && m_backup.at(index) != nullptr) {
                mark->time = m_backup.at(index)->time;
            }
        }
        m_index = back;
        if (const Entry* mark = m_match.at(m_index); mark != nullptr && show(m_index)) {
            const ShownEntry shown = shownAt(m_index, true);
            report([shown](Engine& e) { emit e.entryShown(shown); });
        }
        reportRecorded();
    }

    void redoTap() {
        if (recording() && !m_redoTaps.empty()) {
            const int64_t stampMs = m_redoTaps.back();
            m_redoTaps.pop_back();
            stamp(stampMs);
        }
    }

    void undoTimes() { stepHistory(m_undoTimes, m_redoTimes); }
    void redoTimes() { stepHistory(m_redoTimes, m_undoTimes); }

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
        const int32_t moved =
            static_cast<int32_t>(std::clamp(int64_t(mark->time) + deltaMs, low, high));
        if (moved != mark->time) {
            remember();
            mark->time = moved;
        }
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
        if (delta != 0) {
            remember();
        }
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

    void exportVideo(ExportRequest request, uint64_t id) {
        if (m_mode != EngineMode::Idle) {
            reportFinished(EngineJob::Export, busy());
            return;
        }
        m_match = WithCleanTimes(std::move(m_match));
        // An AVI is compressed or not as the score file says; the score file itself is
        // never written over.
        if (request.codec == VideoCodec::Video1 || request.codec == VideoCodec::Raw) {
            request.codec = m_match.compress ? VideoCodec::Video1 : VideoCodec::Raw;
        }
        if (request.scorePath.empty()) {
            request.scorePath = m_match.path;
        }
        const ExportResult result = runJob(
            EngineJob::Export, id, [&](const ExportProgressFn& progress, const ExportStopFn& stop) {
                return ExportVideo(m_match, request, progress, stop);
            });
        reportMatch();
        reportFinished(EngineJob::Export, result);
    }

    void burnIn(const BurnRequest& request, uint64_t id) {
        if (m_mode != EngineMode::Idle) {
            reportFinished(EngineJob::BurnIn, busy());
            return;
        }
        reportFinished(EngineJob::BurnIn,
                       runJob(EngineJob::BurnIn, id,
                              [&](const ExportProgressFn& progress, const ExportStopFn& stop) {
                                  return BurnMatch(request, progress, stop);
                              }));
    }

    void flush() {
        report([](Engine& e) { emit e.flushed(); });
    }

private:
    bool recording() const { return m_mode == EngineMode::Recording; }

    // Every job's frame: the mode, the progress and the stop flags.
    // A job asked for while a recording or playback runs is refused with nothing written:
    // the recording's times must not wait for a video.
    static ExportResult busy() {
        ExportResult refused;
        refused.error = Failure({}, MessageId::EngineBusy);
        return refused;
    }

    template <class Run> ExportResult runJob(EngineJob job, uint64_t id, Run run) {
        setMode(EngineMode::Exporting);
        const auto progress = [this, job](const ExportProgress& p) {
            report([job, percent = p.percent](Engine& e) { emit e.jobProgress(job, percent); });
        };
        const auto shouldStop = [shared = m_shared.get(), job, id] {
            return shared->stops(job, id);
        };
        const ExportResult result = run(progress, shouldStop);
        setMode(EngineMode::Idle);
        return result;
    }

    void reportFinished(EngineJob job, const ExportResult& result) {
        report([job, result](Engine& e) { emit e.jobFinished(job, result); });
    }

    static std::vector<int32_t> TimesOf(const Match& match) {
        std::vector<int32_t> times;
        times.reserve(match.entries.size());
        for (const Entry& mark : match.entries) {
            times.push_back(mark.time);
        }
        return times;
    }

    // Keeps the times as they are before a change, for undoTimes.
    void remember() {
        m_undoTimes.push_back(TimesOf(m_match));
        m_redoTimes.clear();
    }

    void stepHistory(std::vector<std::vector<int32_t>>& from,
                     std::vector<std::vector<int32_t>>& to) {
        if (m_mode != EngineMode::Idle || from.empty() ||
            from.back().size() != m_match.entries.size()) {
            return;
        }
        to.push_back(TimesOf(m_match));
        const std::vector<int32_t> times = std::move(from.back());
        from.pop_back();
        for (size_t i = 0; i < times.size(); ++i) {
            m_match.entries[i].time = times[i];
        }
        saveTimes();
    }

    // The index of the last dart at or before index; -1 for none.
    int lastDartUpTo(int index) const {
        for (int i = std::min(index, m_match.count() - 1); i >= 0; --i) {
            if (m_match.entries[size_t(i)].dart > 0) {
                return i;
            }
        }
        return -1;
    }

    ShownEntry shownAt(int index, bool recordingFlag) const {
        const Entry& mark = m_match.entries[size_t(index)];
        return {index + 1, m_match.count(), mark.round, mark.player, mark.dart, recordingFlag};
    }

    // Gives the next entry the stamp and shows it.
    void stamp(int64_t stampMs) {
        m_taps.emplace_back(m_index, stampMs);
        advance(stampMs);
        reportRecorded();
    }

    // Queues a signal to be emitted on the Engine's thread.
    template <class F> void report(F emitter) {
        Engine* engine = &m_engine;
        m_engine.m_results->post([engine, emitter] { emitter(*engine); });
    }

    void reportMatch() {
        report([match = m_match](Engine& e) { emit e.matchChanged(match); });
    }

    void reportRecorded() {
        if (recording()) {
            report([match = m_match](Engine& e) { emit e.timesRecorded(match); });
        }
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
            mark->time = TurnStartTime(previous, elapsed);
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
        SetTurnStarts(m_match);
        // Nudges and shifts keep the order; a file changed elsewhere meanwhile might not.
        QString reason;
        if (!TimesRunForward(m_match)) {
            reason = ReasonText({MessageId::TimesRunBackward, {}});
        } else if (const WriteOutcome saved = SaveTimingFile(m_match); !saved) {
            reason = ErrorText(saved.error());
        }
        reportMatch();
        report([reason](Engine& e) { emit e.timesSaved(reason.isEmpty(), reason); });
    }

    bool show(int index) {
        if (!m_drawPictures) {
            return HasEntryBoard(m_match, index);
        }
        QImage picture = MakeBoardImage({});
        if (!RenderEntry(m_match, index, picture, {})) {
            return false;
        }
        report([picture](Engine& e) { emit e.pictureReady(picture); });
        return true;
    }

    void endRecording(bool abort) {
        RecordingEnd how = RecordingEnd::Aborted;
        QString reason;
        if (abort) {
            m_match = m_backup;
        } else if (!TimesRunForward(m_match)) {
            // Saved, these would be read back as zeros from the backward step on: the file
            // keeps the times it had.
            how = RecordingEnd::SaveFailed;
            reason = ReasonText({MessageId::TimesRunBackward, {}});
            m_match = m_backup;
        } else {
            m_undoTimes.push_back(TimesOf(m_backup));
            m_redoTimes.clear();
            // A refused save keeps the times in memory: the user may try again or export
            // them.
            const WriteOutcome saved = SaveTimingFile(m_match);
            if (!saved) {
                how = RecordingEnd::SaveFailed;
                reason = ErrorText(saved.error());
            } else {
                how = RecordingEnd::Saved;
            }
        }
        m_backup = {};
        m_taps.clear();
        m_redoTaps.clear();
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
    bool m_drawPictures = true;
    int64_t m_start = 0; // the clock reading of match time 0 while recording
    // The entry shown before each tap of the running recording, and the tap's stamp.
    std::vector<std::pair<int, int64_t>> m_taps;
    std::vector<int64_t> m_redoTaps; // stamps of the taps taken back, the last one last
    std::vector<std::vector<int32_t>> m_undoTimes; // the times before each change, oldest first
    std::vector<std::vector<int32_t>> m_redoTimes;
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

void Engine::drawPictures(bool on) {
    command([on](Work& w) { w.drawPictures(on); });
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

void Engine::startMediaRecording() {
    command([](Work& w) { w.startMediaRecording(); });
}

void Engine::undoTap() {
    command([](Work& w) { w.undoTap(); });
}

void Engine::redoTap() {
    command([](Work& w) { w.redoTap(); });
}

void Engine::undoTimes() {
    command([](Work& w) { w.undoTimes(); });
}

void Engine::redoTimes() {
    command([](Work& w) { w.redoTimes(); });
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
    const uint64_t id = ++m_shared->jobsRequested[Shared::Kind(EngineJob::Export)];
    command([request, id](Work& w) { w.exportVideo(request, id); });
}

void Engine::burnIn(const BurnRequest& request) {
    const uint64_t id = ++m_shared->jobsRequested[Shared::Kind(EngineJob::BurnIn)];
    command([request, id](Work& w) { w.burnIn(request, id); });
}

void Engine::flush() {
    command([](Work& w) { w.flush(); });
}

void Engine::cancelJob(EngineJob job) {
    // Numbering the jobs keeps a cancel that comes just after one job ended from stopping
    // the next.
    const size_t kind = Shared::Kind(job);
    m_shared->jobsCancelled[kind] = m_shared->jobsRequested[kind].load();
}
