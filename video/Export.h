#pragma once

// The export: one call that writes a match's video. Texts for the user belong to the
// caller; this reports numbers and outcomes.
//
// The parts, each with one job: FrameClock says which moment each frame shows, FrameSource
// renders it and says whether the picture changed, and a VideoOutput stores it (AviOutput:
// a FrameEncoder for Video 1 or raw frames inside the AVI writer).

#include "render/Renderer.h"
#include "score/ScoreData.h"
#include "video/FrameClock.h"
#include "video/OutputFormats.h"
#include "video/VideoOutput.h"

#include <QSize>

#include <cstdint>
#include <functional>
#include <string>

// Where the board sits in a frame larger than itself.
enum class BoardPlace { TopLeft, TopRight, BottomLeft, BottomRight, Center };

struct ExportRequest {
    std::string path;
    VideoCodec codec = VideoCodec::Video1;
    RenderOptions render; // scale 1, picture background: the classic video
    FrameRate rate;       // 15/1: the classic video
    // The video's size; empty: the board's own size. A larger frame shows the board at
    // place, a margin of a thirtieth of the height from the edges, on the background.
    QSize frameSize;
    BoardPlace place = BoardPlace::BottomLeft;
    // The score file the match came from: the export refuses to write over it (by device
    // and inode, so links to it are refused too). Empty: not checked.
    std::string scorePath;
    // The codec's quality setting for the formats for editors; < 0: their defaults.
    int quality = -1;

    // Size at which the AVI writer starts a new RIFF extension (OpenDML). 0: the writer's
    // default, just under 1 GiB. Tests set a small value to exercise the extension path.
    uint64_t riffLimit = 0;
    // 0: no limit. Otherwise the export behaves as if the disk had only this many bytes
    // free, so that the handling of a full disk can be exercised.
    uint64_t spaceLimit = 0;
    // Compressed video: a key frame at least every this many frames (0: one a second).
    int keyFrameInterval = 0;
    // The last kEndCardMs of the tail show the match's figures (render/SummaryCard.h)
    // instead of the final board.
    bool endCard = false;
};

struct ExportProgress {
    int64_t frame = 0;  // frames written so far
    int64_t frames = 0; // frames the finished video has
    int percent = 0;    // of the timeline, as the status line shows it (never 100)
};

enum class ExportOutcome {
    Finished,  // every frame written, the file is complete
    Cancelled, // stopped on request; the target is as it was (see ExportResult::partialPath)
    Failed,    // see ExportResult::error
};

struct ExportResult {
    ExportOutcome outcome = ExportOutcome::Failed;
    int64_t framesWritten = 0;
    // Why it failed (only then): the file it concerns and the reason, with a note of what
    // became of the target.
    ScoreError error;
    // After a cancel or a failure: where the frames written so far were kept as a video that
    // plays (NAME.partial.EXT beside the target); empty when none was kept.
    std::string partialPath;
};

using ExportProgressFn = std::function<void(const ExportProgress&)>;
using ExportStopFn = std::function<bool()>;

// Writes the video of match as request says, into the output its codec names, through a
// temporary file (or, for pictures, folder) beside request.path that takes the target's
// place only when the export is complete (see ExportTarget.h). After a failure or a cancel
// whatever was at the path is as it was; the frames written so far are kept beside it as
// NAME.partial.EXT when they play (result.partialPath, and a failure's error says so), and
// removed otherwise. Refused up front, with nothing written: a target that is not a regular
// file, the score file itself, a rate outside kMinExportFps..kMaxExportFps, a timeline or
// video longer than kMaxExportMs, a codec the name's container cannot hold or a picture name
// that is no usable sequence (CheckExportPath), an uncompressed video larger than the free
// space. Errors name the file and the system's reason. progress is called before each frame
// whose percent differs from the previous call's; shouldStop is asked before every frame.
// Both may be empty.
// The match's times are cleaned on a copy first (from the first time that steps back, every
// time becomes 0), as the video has always been made; match itself stays as it is.
ExportResult ExportVideo(const Match& match, const ExportRequest& request,
                         const ExportProgressFn& progress, const ExportStopFn& shouldStop);

struct ExportPlan; // video/ExportPlan.h

// The same into an output of the caller's, with none of the target's checks (another container or
// codec). plan is PlanExport(match, request): the frame size, the board's place and the number of
// frames are taken from it as they are, and request must have a valid scale (IsValidScale).
// request.path, codec and the AVI fields are the output's business and are not looked at here.
ExportResult ExportVideo(const Match& match, const ExportRequest& request, const ExportPlan& plan,
                         VideoOutput& output, const ExportProgressFn& progress,
                         const ExportStopFn& shouldStop);
