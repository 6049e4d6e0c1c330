#pragma once

// The engine: shows the match in the preview, records the moments of the user's taps and
// writes the video, all on a thread of its own so that the window never waits for it.
//
// Commands are queued to the engine's thread and run there in the order they were given;
// results leave as signals. Times are milliseconds of one monotonic clock that the caller
// reads (the window stamps each tap when its key event arrived); the engine never reads a
// clock itself, so a tap is measured by when it was made, not by when it was handled.

#include "score/ScoreData.h"
#include "video/Export.h"

#include <QImage>
#include <QObject>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// What the engine is doing.
enum class EngineMode {
    Idle,
    Recording,
    Exporting,
};

// The entry the preview shows, as numbers; the window words them.
struct ShownEntry {
    int position = 0; // 1-based
    int count = 0;    // entries in the match
    int round = 0;
    int player = 0;
    int dart = 0;           // 0: the turn's start
    bool recording = false; // the entry's time was just recorded

    bool operator==(const ShownEntry&) const = default;
};

// How a recording came to its end.
enum class RecordingEnd {
    Saved,      // the last entry was reached and the times are in the score file
    SaveFailed, // the last entry was reached; the file refused the times, which are kept
    Aborted,    // thrown away on request: every time is as it was before
    NotStarted, // the entry shown has no next entry to record
};

class Engine : public QObject {
    Q_OBJECT
public:
    explicit Engine(QObject* parent = nullptr);
    ~Engine() override;

    // Commands, callable from any thread. Each is queued to the engine's thread.

    // The title picture, as the preview shows it before anything is loaded.
    void showTitle();
    // Replaces the match; nothing is shown until the next rewind.
    void load(Match match);
    // Shows the first entry. Only while idle: a running recording or export is not
    // disturbed.
    void rewind();
    // Starts recording at the entry shown: stampMs is the moment that entry's time
    // corresponds to (the user's go-ahead).
    void startRecording(int64_t stampMs);
    // A dart landed at stampMs: the next entry gets that moment and is shown. A turn's start
    // gets the moment halfway between its previous entry and the tap. Ignored unless a
    // recording runs.
    void tap(int64_t stampMs);
    // Ends the recording and restores every time it changed.
    void abortRecording();
    // Writes the video of the match to path.
    void exportVideo(const std::string& path);

    // Immediate, from any thread: the export given before this call stops before its next
    // frame (or does not start). Later exports are not affected.
    void cancelExport();
    // Immediate, from any thread: the engine's thread is about to end. A running export
    // stops before its next frame; nothing queued after it runs.
    void shutDown();

signals:
    void pictureReady(const QImage& picture);
    void entryShown(const ShownEntry& entry);
    void modeChanged(EngineMode mode);
    // The match as the engine holds it after a run ended (times recorded, restored or
    // cleaned), for whoever keeps a copy.
    void matchChanged(const Match& match);
    void recordingEnded(RecordingEnd how);
    // Before the first frame and whenever the percentage of the timeline changes.
    void exportProgress(int percent);
    void exportFinished(ExportOutcome outcome);

private:
    // The handlers: each runs on the engine's thread.
    void handleShowTitle();
    void handleLoad(Match match);
    void handleRewind();
    void handleStartRecording(int64_t stampMs);
    void handleTap(int64_t stampMs);
    void handleAbortRecording();
    void handleExport(const std::string& path, uint64_t exportId);

    // Moves the preview to the entry after the one shown; a tap's stamp when recording.
    void advance(int64_t stampMs);
    bool showEntry(int index);
    void endRecording(bool abort);
    void setMode(EngineMode mode);
    bool recording() const { return m_mode == EngineMode::Recording; }

    // Engine thread only.
    Match m_match;
    Match m_backup;   // the match as it was when the recording started
    int m_index = -1; // entry shown; -1 or past the end: none
    EngineMode m_mode = EngineMode::Idle;
    int64_t m_start = 0; // the clock reading of match time 0 while recording

    // Shared with the threads that give commands.
    std::atomic<uint64_t> m_exportsRequested{0};
    std::atomic<uint64_t> m_exportsCancelled{0}; // exports up to this number are to stop
    std::atomic<bool> m_shuttingDown{false};
};

// The engine on a thread of its own, for the life of this object. Destroying it stops a
// running export, ends the thread and waits for it; whatever the engine had not yet done
// is dropped, and nothing it emits afterwards reaches anyone.
class EngineThread {
public:
    EngineThread();
    ~EngineThread();
    EngineThread(const EngineThread&) = delete;
    EngineThread& operator=(const EngineThread&) = delete;

    Engine& engine() { return *m_engine; }

private:
    QThread m_thread;
    std::unique_ptr<Engine> m_engine;
};
