#pragma once

#include "engine/Engine.h"

#include <QObject>
#include <QPointer>

// What the windows have asked the engine to run and not yet seen end: the main window's
// recording or export, and whether a recording stamps the footage's frames. The one copy on
// the windows' side, shared by the main window and the player, by which they route keys and
// set their buttons. The window's thread only.
//
// Why a copy at all, when the engine reports its mode (Engine::modeChanged)?
// - A run begins here when it is asked for, not when the engine's report comes back. The
//   engine carries out commands in the order they were given, so a tap given after the
//   start is one of that recording's taps however soon it follows. A key pressed before the
//   report arrives must already count as a tap: waiting for the report would drop it (the
//   main window eats Enter whatever the mode).
// - A run ends on the engine's report of its outcome (recordingEnded, or jobFinished of an
//   export), which names the run that ended. modeChanged does not: the player's burn-in is
//   an Exporting mode too, and a recording or export asked for while a burn-in runs waits
//   behind it, so the burn-in's Idle arrives while that run is already asked for. The
//   outcome is emitted after the engine's own modeChanged(Idle).
// - The main window keeps its buttons offering to stop while the box about a run's outcome
//   is open, as it always has: it answers the outcome, not the mode.
//
// The run ends before anything connected to the engine after this object hears of the
// outcome: make it before connecting the windows to the engine.
class RunState : public QObject {
    Q_OBJECT
public:
    explicit RunState(Engine& engine, QObject* parent = nullptr);

    // Idle, Recording (the main window's recording, on either clock) or Exporting (the main
    // window's export; a burn-in is the player's own job and not a run here).
    EngineMode mode() const { return m_mode; }
    bool recordsOnFootage() const { return m_mode == EngineMode::Recording && m_onFootage; }

    // Each asks the engine (Engine.h) and begins the run at once; false, asking nothing, while
    // another run is going or the engine is gone.
    bool startRecording(int64_t stampMs);
    bool startMediaRecording();
    bool exportVideo(const ExportRequest& request);

signals:
    // A run began or ended.
    void changed(EngineMode mode);

private:
    bool begin(EngineMode mode, bool onFootage);
    void end(EngineMode mode);

    QPointer<Engine> m_engine;
    EngineMode m_mode = EngineMode::Idle;
    bool m_onFootage = false;
};
