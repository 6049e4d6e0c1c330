#include "app/RunState.h"

RunState::RunState(Engine& engine, QObject* parent) : QObject(parent), m_engine(&engine) {
    connect(&engine, &Engine::recordingEnded, this, [this] { end(EngineMode::Recording); });
    connect(&engine, &Engine::jobFinished, this, [this](EngineJob job) {
        if (job == EngineJob::Export) {
            end(EngineMode::Exporting);
        }
    });
}

bool RunState::startRecording(int64_t stampMs) {
    if (!begin(EngineMode::Recording, false)) {
        return false;
    }
    m_engine->startRecording(stampMs);
    return true;
}

bool RunState::startMediaRecording() {
    if (!begin(EngineMode::Recording, true)) {
        return false;
    }
    m_engine->startMediaRecording();
    return true;
}

bool RunState::exportVideo(const ExportRequest& request) {
    if (!begin(EngineMode::Exporting, false)) {
        return false;
    }
    m_engine->exportVideo(request);
    return true;
}

bool RunState::begin(EngineMode mode, bool onFootage) {
    if (m_mode != EngineMode::Idle || m_engine == nullptr) {
        return false;
    }
    m_mode = mode;
    m_onFootage = onFootage;
    emit changed(m_mode);
    return true;
}

void RunState::end(EngineMode mode) {
    // Only the run asked for ends: a recording the engine refused to start reports its end
    // as well, a job of the player's does not.
    if (m_mode != mode) {
        return;
    }
    m_mode = EngineMode::Idle;
    m_onFootage = false;
    emit changed(m_mode);
}
