#pragma once

#include "score/Chapters.h"
#include "video/Export.h"

#include <QImage>
#include <QPoint>
#include <QSize>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct BurnSettings {
    std::string footagePath;
    // The container follows the extension (.mp4, .mov, .mkv, ...); it must take H.264 and
    // the footage's sound.
    std::string outputPath;
    // Refused as the output, by device and inode (links included); may be empty.
    std::string scorePath;
    // The board at footage time t shows moment t - offsetMs.
    int64_t offsetMs = 0;
    // x264's constant rate factor; -1: kDefaultBurnCrf.
    int crf = -1;
    // x264's speed preset; empty: kDefaultBurnPreset.
    std::string preset;
    // Top-left corner of the board in pixels of the picture as a player shows it (a phone's
    // footage turned upright). Where the board lands in the stored picture is rounded down
    // to even coordinates (where 4:2:0 chroma blocks start). The part of the board outside
    // the frame is left out.
    QPoint boardPos;
    // Written as the output's chapters (ms on the footage's clock), where its container
    // has them (MP4, MKV, MOV).
    std::vector<Chapter> chapters;
};

// Text on the board stays crisp at this rate factor where x264's own default (23) blurs
// the edges of small digits.
constexpr int kDefaultBurnCrf = 18;
// Measured on 1080p30 footage with two cores (bench/burn_bench.cpp): "faster" and slower
// presets took twice the time and over 400 MB, for no smaller file at this rate factor;
// "superfast" and "ultrafast" made files 1.7 and 2.4 times larger.
constexpr const char* kDefaultBurnPreset = "veryfast";

// Draws the board for moment ms into board (ARGB32 premultiplied, transparent outside the
// board's shape; the same image every call) and answers whether the picture differs from
// the one of the previous call. The first call's answer is not looked at.
using BoardSource = std::function<bool(int64_t ms, QImage& board)>;

// The burn-in reports and ends as an export does (video/Export.h): progress.frames is the
// footage's frame count as its file states or estimates it, percent goes by time (exact also
// for variable frame rates) and reaches 100 once the output is complete. A failure's error
// names the file and, once frames were written, how far the burn-in got and where they are.

// Writes the footage with the board composited over it: same size, frame rate, time
// stamps, duration, rotation and colour description (unspecified stays unspecified), H.264
// video, the first audio stream copied when the output's container takes its codec and
// encoded to AAC otherwise. The board is turned with the footage so that it stands upright
// in the shown picture, and converted with the YUV matrix a player uses for the footage.
//
// The output is written as an export is (video/ExportTarget.h): into a temporary file beside
// it that takes its place only when the whole footage is burned in; devices, FIFOs,
// folders, the score file and the footage itself are refused, also through links.
// Refused before anything is written: containers that cannot take H.264, the sound or the
// rotation, pictures of odd or too large size (the message names it).
//
// shouldStop is asked before each frame. A cancelled or failed burn-in leaves the output as
// it was; the frames so far are kept as a playable NAME.partial.EXT when they could be
// finished into one, and removed otherwise. Footage with no decodable frame fails, and so
// does footage that stops decoding before the end its file states.
//
// Runs on the caller's thread; FFmpeg's log is kept to errors (QuietFfmpegLog).
ExportResult BurnIn(const BurnSettings& settings, const QSize& boardSize, const BoardSource& board,
                    const ExportProgressFn& progress, const ExportStopFn& shouldStop);
