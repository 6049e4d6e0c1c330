#pragma once

// The export: one call that writes a match's video. Texts for the user belong to the
// caller; this reports numbers and outcomes.

#include "render/Renderer.h"
#include "score/ScoreData.h"
#include "video/FrameClock.h"

#include <cstdint>
#include <functional>
#include <string>

enum class VideoCodec {
    Video1, // Microsoft Video 1 in our own AVI writer
    Raw,    // uncompressed 32-bit bitmaps in our own AVI writer
};

struct ExportRequest {
    std::string path;
    VideoCodec codec = VideoCodec::Video1;
    RenderOptions render; // scale 1, picture background: the classic video
    FrameRate rate;       // 15/1: the classic video

    // Size at which the AVI writer starts a new RIFF extension (OpenDML). 0: the writer's
    // default, just under 1 GiB. Tests set a small value to exercise the extension path.
    uint64_t riffLimit = 0;
    // 0: no limit. Otherwise the export behaves as if the disk had only this many bytes
    // free, so that the handling of a full disk can be exercised.
    uint64_t spaceLimit = 0;
    // Compressed video: a key frame at least every this many frames (0: one a second).
    int keyFrameInterval = 0;
};

struct ExportProgress {
    int64_t frame = 0;  // frames written so far
    int64_t frames = 0; // frames the finished video has
    int percent = 0;    // of the timeline, as the status line shows it
};

enum class ExportOutcome {
    Finished,  // every frame written, the file is complete
    Cancelled, // stopped on request; the frames written so far form a complete file
    Failed,    // see ExportResult::error
};

struct ExportResult {
    ExportOutcome outcome = ExportOutcome::Failed;
    int64_t framesWritten = 0;
    std::string error; // why it failed (the system's reason where there is one)
};

// Writes the video of match. progress is called before each frame whose percent differs
// from the previous call's; shouldStop is asked before every frame. Both may be empty.
// A cancelled or failed export still leaves a well-formed file of the frames written so far,
// or none when not even that was possible.
ExportResult ExportVideo(const Match& match, const ExportRequest& request,
                         const std::function<void(const ExportProgress&)>& progress,
                         const std::function<bool()>& shouldStop);
