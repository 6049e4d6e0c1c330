#pragma once

// Pieces of the footage cut out as videos of their own, and those pieces joined into one
// reel. Both go through FFmpeg's libraries: H.264 video (the burn-in's rate factor and
// preset) and AAC sound, every frame encoded anew so that a cut falls on any frame, not
// only on the footage's key frames. A cut seeks to the key frame before it, so that its
// time grows with the clip's length and not with the footage's.
//
// Every call works on its own objects: calls may run on any thread, one call per thread.

#include "score/Chapters.h"
#include "video/Footage.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct AVFormatContext;

struct ClipSpan {
    // On the footage's clock, ms. The clip starts with the frame on screen at startMs and
    // ends with the last frame that starts before endMs; its sound is the footage's sound
    // under exactly those frames.
    int64_t startMs = 0;
    int64_t endMs = 0;
};

struct ClipSettings {
    std::string footagePath;
    // Refused as outputs, besides the footage (may be empty).
    std::string scorePath;
    int crf = -1;       // -1: the burn-in's default
    std::string preset; // empty: the burn-in's default
};

struct ClipResult {
    bool ok = false;
    int64_t frames = 0;
    // Where the first frame of the clip starts on the footage's clock (for a reel: 0).
    int64_t firstFrameMs = 0;
    ScoreError error; // why it failed (only then)
};

// Writes span of the footage into outputPath (the container follows its extension) through
// an ExportTarget: nothing but a regular file is written over, never the footage or the
// score file, and a failure leaves the target as it was. Fails for an empty span or one
// that starts past the footage's end.
ClipResult CutClip(const ClipSettings& settings, const ClipSpan& span,
                   const std::string& outputPath);

// Joins clips made by CutClip (same picture size, frame rate and sound) into outputPath,
// each crossfading into the next over fadeMs (picture and sound), so that the reel is as
// long as the clips together minus one fade between each two. A fade longer than half the
// shortest clip is shortened to that. Output safety as for CutClip; inputs are refused as
// the output.
ClipResult JoinClips(const std::vector<std::string>& clips, const std::string& outputPath,
                     int64_t fadeMs, const ClipSettings& settings);

// The clip of an event: from beforeMs ahead of its visit's first dart to afterMs past its
// last (a leg start: around its first dart), on the footage's clock (match time +
// offsetMs), kept within [0, durationMs] when the length is known (durationMs > 0).
ClipSpan EventClipSpan(const MatchEvent& event, int64_t offsetMs, int64_t beforeMs, int64_t afterMs,
                       int64_t durationMs);

// Adds chapters to an output whose header is not written yet, in ms on the output's
// clock, as the container's own chapters (MP4 chapter track, Matroska chapters).
void AddContainerChapters(AVFormatContext* output, const std::vector<Chapter>& chapters);

// Chapters and markers counted on the footage's own picture, rate and length.
void TakeFootageTiming(ChapterSettings& settings, const FootageInfo& footage);
