#pragma once

// The engine: shows the match in the preview, records the moments of the user's taps and
// runs the long jobs (the video, the burn-in), on a thread of its own so that the window
// never waits for it.
//
// The Engine object belongs to the thread that makes it (the window's). Its commands are
// queued to the engine's thread and carried out there in the order they were given; what
// comes of them is emitted as signals back on the Engine's own thread, so receivers never
// see another thread. Times are milliseconds of one monotonic clock that the caller reads
// (the window stamps each tap when its key event arrived); the engine never reads a clock
// itself, so a tap is measured by when it was made, not by when it was handled.

#include "score/ScoreData.h"
#include "video/BurnMatch.h"
#include "video/Export.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QThread>

#include <cstdint>
#include <memory>
#include <string>

class CallQueue;

// What the engine is doing.
enum class EngineMode {
    Idle,
    Recording,
    Exporting, // a job runs (EngineJob)
};

// The long pieces of work the engine runs, one at a time, each reported through the same
// jobProgress and jobFinished.
enum class EngineJob {
    Export,
    BurnIn,
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

// A tap refused because it lies before the dart stamped before it: both darts and times.
struct TapRefusal {
    ShownEntry dart;     // the dart the tap was for
    int64_t tapMs = 0;   // the time the tap would have given it
    ShownEntry previous; // the dart before it
    int64_t previousMs = 0;
};

// How a recording came to its end.
enum class RecordingEnd {
    Saved,      // the last entry was reached and the times are in the score file
    SaveFailed, // the last entry was reached; the file refused the times, which are kept,
                // or the times would run backwards and the file keeps its old ones
    Aborted,    // thrown away on request: every time is as it was before
    NotStarted, // the entry shown has no next entry to record
};

class Engine : public QObject {
    Q_OBJECT
public:
    // Starts the engine's thread; returns once it is ready for commands.
    explicit Engine(QObject* parent = nullptr);
    // Stops a running job before its next frame, drops a running recording unsaved and
    // whatever was not yet carried out, and waits for the engine's thread to end. Signals
    // still on their way are dropped with the Engine.
    ~Engine() override;

    // Commands. Each is queued and carried out after the ones given before it.

    // The title picture, as the preview shows it before anything is loaded.
    void showTitle();
    // Replaces the match; nothing is shown until the next rewind. Only while idle.
    void load(Match match);
    // Shows the first entry. Only while idle: a running recording or export is not
    // disturbed.
    void rewind();
    // Shows the entry at index (0-based), or the first entry when the match has no such
    // entry to show. Only while idle, as rewind.
    void showEntry(int index);
    // Whether the entries shown come with their pictures (pictureReady); on at first. Off for
    // a window that draws the board itself (the player over footage): the entries are still
    // shown (entryShown), and a recording still ends where no board can be drawn.
    void drawPictures(bool on);
    // Starts recording at the entry shown: stampMs is the moment that entry's time
    // corresponds to (the user's go-ahead).
    void startRecording(int64_t stampMs);
    // Starts recording on a footage's clock at the entry shown: every tap's stamp is a
    // position in the footage, taken as the match time itself, so the recording may start
    // anywhere in the footage and the first dart's time is the first tap. The entry shown
    // keeps its time.
    void startMediaRecording();
    // A dart landed at stampMs: the next entry gets that moment and is shown. A turn's start
    // gets the moment halfway between its previous entry and the tap. Ignored unless a
    // recording runs. A stamp before the time of the dart before is refused (tapRefused)
    // and changes nothing. A tap clears what undoTap took back.
    void tap(int64_t stampMs);
    // Ends the recording and restores every time it changed.
    void abortRecording();
    // Takes back the last tap of the running recording: the entries it stamped get their
    // times from before the recording and the entry before it is shown again.
    void undoTap();
    // Gives back the tap undoTap took back last, with its stamp.
    void redoTap();
    // While idle: takes back the last change of times (a saved recording, a nudge, a
    // shift, or a redo) and saves the times; redoTimes puts the change taken back last
    // again. The history ends when another match is loaded.
    void undoTimes();
    void redoTimes();
    // While idle: moves the time of the entry at index (0-based) by deltaMs, kept between
    // its neighbours' times, and saves the times; timesSaved() tells how that went.
    void nudgeEntry(int index, int deltaMs);
    // While idle: moves every time by deltaMs (no time goes below 0) and saves the times.
    void shiftTimes(int deltaMs);
    // Writes the video of the match to path.
    void exportVideo(const std::string& path);
    // Writes the video as request says (size, rate, format); an AVI's compression still
    // follows the score file.
    void exportVideo(const ExportRequest& request);
    // Burns the board of request.match into the footage (video/BurnMatch.h). Only while idle
    // once its turn comes; otherwise it finishes as Failed at once, saying why.
    void burnIn(const BurnRequest& request);
    // Emits flushed() once every command given before has been carried out and all it
    // emitted has been emitted.
    void flush();

    // Immediate, from any thread: the jobs of this kind given before this call stop before
    // their next frame (or do not start). Later jobs, and jobs of the other kind, are not
    // affected.
    void cancelJob(EngineJob job);

signals:
    void pictureReady(const QImage& picture);
    void entryShown(const ShownEntry& entry);
    void modeChanged(EngineMode mode);
    // The match as the engine holds it after a run ended (times recorded, restored or
    // cleaned), for whoever keeps a copy.
    void matchChanged(const Match& match);
    // While recording: the match with the times so far, after every tap, undo and redo.
    void timesRecorded(const Match& match);
    void tapRefused(const TapRefusal& refusal);
    // reason: why the save failed (the file and the system's reason, in the user's
    // language), empty otherwise.
    void recordingEnded(RecordingEnd how, const QString& reason);
    // After a nudge, shift, undo or redo of times: whether the score file took them, and
    // when not, why (the file and the reason, in the user's language).
    void timesSaved(bool ok, const QString& reason);
    // Before the first frame and whenever the percentage changes.
    void jobProgress(EngineJob job, int percent);
    // Once for every job given, after its last jobProgress. A failure's result.error names
    // the file and the system's reason.
    void jobFinished(EngineJob job, const ExportResult& result);
    void flushed();

private:
    class Work;
    struct Shared;

    // Queues f to run on the engine's thread with the engine's state.
    template <class F> void command(F f);

    QThread m_thread;
    std::shared_ptr<Shared> m_shared;
    CallQueue* m_results = nullptr; // signals waiting to be emitted here
    Work* m_work = nullptr;         // owned by the engine's thread, which deletes it
};
