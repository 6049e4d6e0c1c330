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
// - The run ends after everything connected to the engine before this object has heard of
//   the outcome. The main window connects first: while its box about the outcome is open
//   the run still goes on, as it always has (the buttons offer to stop, a file handed over
//   waits), and it ends when the box is closed.
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
    // A run began (as it was asked for) or ended (after the outcome's other receivers).
    void changed(EngineMode mode);

private:
    bool begin(EngineMode mode, bool onFootage);
    void end(EngineMode mode);

    QPointer<Engine> m_engine;
    EngineMode m_mode = EngineMode::Idle;
    bool m_onFootage = false;
};
