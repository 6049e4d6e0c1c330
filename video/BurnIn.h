#pragma once

#include "score/Chapters.h"

#include <QImage>
#include <QPoint>
#include <QSize>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct BurnSettings {
    std::string footagePath;
    // The container follows the extension (.mp4, .mkv, .mov, ...).
    std::string outputPath;
    // The board at footage time t shows moment t - offsetMs.
    int64_t offsetMs = 0;
    // x264's constant rate factor; -1: kDefaultBurnCrf.
    int crf = -1;
    // x264's speed preset; empty: kDefaultBurnPreset.
    std::string preset;
    // Top-left corner of the board in footage pixels, rounded down to even coordinates
    // (where 4:2:0 chroma blocks start). The part of the board outside the frame is left
    // out.
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

struct BurnProgress {
    int64_t frame = 0;  // frames written so far
    int64_t frames = 0; // the footage's frame count as its file states or estimates it
    int percent = 0;    // by time, exact also for variable frame rates
};
using BurnProgressSink = std::function<void(const BurnProgress&)>;

struct BurnResult {
    enum Outcome { Finished, Cancelled, Failed } outcome = Failed;
    int64_t frames = 0;
    std::string error;
};

// Writes the footage with the board composited over it: same size, frame rate, time
// stamps and duration, H.264 video, the first audio stream copied when the output's
// container takes its codec and encoded to AAC otherwise. shouldStop is asked before each
// frame; a cancelled burn-in still leaves a complete, playable file of the frames so far.
// A failed one leaves what it could finish, or nothing if it failed before the first
// frame.
BurnResult BurnIn(const BurnSettings& settings, const QSize& boardSize, const BoardSource& board,
                  const BurnProgressSink& progress, const std::function<bool()>& shouldStop);
