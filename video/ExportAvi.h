#pragma once

#include <cstdint>
#include <functional>
#include <string>

class Match;

// What the caller answers before every frame.
enum class ExportStop {
    Continue,  // go on
    Closing,   // the main window is going away: stop without a status text
    Cancelled, // the user cancelled: stop with the cancel text
};

struct ExportOptions {
    // The short pause after each frame keeps the window responsive; a caller without a
    // window may drop it.
    bool pauseAfterFrame = true;
    // Size at which the writer starts a new RIFF extension (OpenDML). 0: the writer's
    // default, just under 1 GiB. Tests set a small value to exercise the extension path.
    uint64_t riffLimit = 0;
    // 0: no limit. Otherwise the export behaves as if the disk had only this many bytes
    // free, so that the handling of a full disk can be exercised.
    uint64_t spaceLimit = 0;
    // Compressed video: a key frame at least every this many frames (0: 15, one a second,
    // so that editors can seek). Benchmarks change it to compare with other encoders.
    int keyFrameInterval = 0;
};

// Writes the scoreboard animation of score as an AVI file at path: 15 fps, the canvas size
// of score.m_pSurface, from 0 until 10 s after the last timed entry. True only when every
// frame was written and the file was finished. A cancelled or failed export still leaves a
// well-formed file of the frames written so far.
bool ExportAvi(const std::string& path, bool compress, Match& score,
               const std::function<ExportStop()>& stopCheck,
               const std::function<void(const std::string&)>& statusSink,
               const ExportOptions& options = {});
