#pragma once

// Small pieces shared by the files of this folder that talk to FFmpeg's libraries.

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <string>

// FFmpeg's text for an error code (an AVERROR or a negated errno).
std::string AvErrorText(int code);

// The YUV matrix of a picture: its tag, or for an untagged one the matrix players assume
// (BT.709 from 720 lines or 1280 columns up, BT.601 below).
AVColorSpace PictureMatrix(AVColorSpace tag, int width, int height);

// Whether samples span 0..255 (JPEG range) rather than 16..235.
bool IsFullRange(int pixelFormat, AVColorRange range);

// Keeps FFmpeg's own log to errors: its encoders' statistics and notes are not for our users.
// Process-wide and idempotent; safe from any thread.
void QuietFfmpegLog();
