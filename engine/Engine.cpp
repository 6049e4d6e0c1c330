#include "engine/Engine.h"

#include "render/Renderer.h"
#include "score/Evaluate.h"
#include "score/TimingWriter.h"

#include <utility>

Engine::Engine(QObject* parent) : QObject(parent) {}

Engine::~Engine() = default;

// Every command is a queued call: it runs on the engine's thread after the commands given
// before it, whichever thread gives it.

void Engine::showTitle() {
    QMetaObject::invokeMethod(
        this, [this] { handleShowTitle(); }, Qt::QueuedConnection);
}

void Engine::load(Match match) {
    QMetaObject::invokeMethod(
        this, [this, match = std::move(match)]() mutable { handleLoad(std::move(match)); },
        Qt::QueuedConnection);
}

void Engine::rewind() {
    QMetaObject::invokeMethod(
        this, [this] { handleRewind(); }, Qt::QueuedConnection);
}

void Engine::startRecording(int64_t stampMs) {
    QMetaObject::invokeMethod(
        this, [this, stampMs] { handleStartRecording(stampMs); }, Qt::QueuedConnection);
}

void Engine::tap(int64_t stampMs) {
    QMetaObject::invokeMethod(
        this, [this, stampMs] { handleTap(stampMs); }, Qt::QueuedConnection);
}

void Engine::abortRecording() {
    QMetaObject::invokeMethod(
        this, [this] { handleAbortRecording(); }, Qt::QueuedConnection);
}

void Engine::exportVideo(const std::string& path) {
    const uint64_t id = ++m_exportsRequested;
    QMetaObject::invokeMethod(
        this, [this, path, id] { handleExport(path, id); }, Qt::QueuedConnection);
}

void Engine::cancelExport() {
    // An export runs as one call on the engine's thread, so a queued cancel would only be
    // seen after it; the flag is read before every frame instead. Numbering the exports
    // keeps a cancel that arrives just after one export ended from stopping the next.
    m_exportsCancelled = m_exportsRequested.load();
}

void Engine::shutDown() {
    m_shuttingDown = true;
}

void Engine::handleShowTitle() {
    QImage picture = MakeBoardImage({});
    RenderTitle(picture, {});
    emit pictureReady(picture);
}

void Engine::handleLoad(Match match) {
    if (m_mode != EngineMode::Idle) {
        return;
    }
    m_match = std::move(match);
    m_index = -1;
}

void Engine::handleRewind() {
    if (m_mode != EngineMode::Idle) {
        return;
    }
    m_index = -1;
    advance(0);
}

void Engine::handleStartRecording(int64_t stampMs) {
    if (m_mode != EngineMode::Idle) {
        return;
    }
    const Entry* current = m_match.at(m_index);
    if (current == nullptr || m_match.at(m_index + 1) == nullptr) {
        ValidateTimes(m_match);
        emit matchChanged(m_match);
        emit recordingEnded(RecordingEnd::NotStarted);
        return;
    }
    // The recording continues the timeline of the entry shown.
    m_start = stampMs - current->time;
    m_backup = m_match;
    setMode(EngineMode::Recording);
}

void Engine::handleTap(int64_t stampMs) {
    if (recording()) {
        advance(stampMs);
    }
}

void Engine::handleAbortRecording() {
    if (recording()) {
        endRecording(true);
    }
}

void Engine::advance(int64_t stampMs) {
    // Match times are 32-bit, like the clock readings of the score files' first recordings.
    const auto elapsed = static_cast<int32_t>(stampMs - m_start);
    const Entry* current = m_match.at(m_index);
    const int32_t previous = current != nullptr ? current->time : 0;
    int index = m_index + 1;
    Entry* mark = m_match.at(index);
    if (mark != nullptr) {
        if (recording() && mark->dart == 0) {
            // The turn start lies halfway between the last dart and this tap; the tap itself
            // belongs to the first dart of the new turn.
            mark->time = static_cast<int32_t>((int64_t(previous) + elapsed) / 2);
            ++index;
            mark = m_match.at(index);
        }
        if (mark != nullptr) {
            if (recording()) {
                mark->time = elapsed;
            }
            emit entryShown(
                {index + 1, m_match.count(), mark->round, mark->player, mark->dart, recording()});
        }
    }
    m_index = index;

    bool ended = recording() && index + 1 == m_match.count();
    if (!showEntry(index)) {
        // Nothing to show there: the preview keeps the entry before, and a recording ends
        // with the times it has.
        m_index = index - 1;
        ended = true;
    }
    if (ended && recording()) {
        endRecording(false);
    }
}

bool Engine::showEntry(int index) {
    QImage picture = MakeBoardImage({});
    if (!RenderEntry(m_match, index, picture, {})) {
        return false;
    }
    emit pictureReady(picture);
    return true;
}

void Engine::endRecording(bool abort) {
    ValidateTimes(m_match);
    RecordingEnd how = RecordingEnd::Aborted;
    if (abort) {
        m_match = m_backup;
    } else {
        // A refused save keeps the times in memory: the user may try again or export them.
        how = SaveTiming(m_match) ? RecordingEnd::Saved : RecordingEnd::SaveFailed;
    }
    m_backup = {};
    setMode(EngineMode::Idle);
    emit matchChanged(m_match);
    emit recordingEnded(how);
}

void Engine::handleExport(const std::string& path, uint64_t exportId) {
    if (m_mode != EngineMode::Idle) {
        return;
    }
    setMode(EngineMode::Exporting);
    ValidateTimes(m_match);

    ExportRequest request;
    request.path = path;
    request.codec = m_match.compress ? VideoCodec::Video1 : VideoCodec::Raw;
    const auto progress = [this](const ExportProgress& p) { emit exportProgress(p.percent); };
    const auto shouldStop = [this, exportId] {
        return m_shuttingDown.load() || exportId <= m_exportsCancelled.load();
    };
    const ExportResult result = ExportVideo(m_match, request, progress, shouldStop);

    setMode(EngineMode::Idle);
    emit matchChanged(m_match);
    emit exportFinished(result.outcome);
}

void Engine::setMode(EngineMode mode) {
    if (m_mode != mode) {
        m_mode = mode;
        emit modeChanged(mode);
    }
}

EngineThread::EngineThread() : m_engine(std::make_unique<Engine>()) {
    m_thread.setObjectName(QStringLiteral("engine"));
    m_engine->moveToThread(&m_thread);
    m_thread.start();
}

EngineThread::~EngineThread() {
    // Whatever the engine says from now on is for nobody; what it said before may still be
    // on its way to its receivers, which therefore ignore it once they are closing.
    m_engine->disconnect();
    m_engine->shutDown();
    m_thread.quit();
    m_thread.wait();
    // The thread has ended, so nothing runs the engine any more: it may go from here, and
    // the commands still queued for it go with it.
    m_engine.reset();
}
