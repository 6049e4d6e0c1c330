#pragma once

// The formats an export writes, in one table: what the user types, what messages call it,
// the containers it goes into, the encoder and its pixels, whether it keeps alpha, its
// quality default, how its encoder uses the cores and the board it gets by default. The plan, the
// outputs, the command line and the export dialog all read this table; a format is added here and
// nowhere else. Plain data, read from any thread.

#include <array>
#include <optional>
#include <string_view>

enum class VideoCodec {
    Video1, // Microsoft Video 1 in our own AVI writer
    Raw,    // uncompressed 32-bit bitmaps in our own AVI writer
    H264,   // the formats for editors, through FFmpeg's libraries (FfmpegOutput)
    ProRes,
    VP9,
    FFV1,
    PNG, // one picture a frame; the path holds a printf-style frame number
};

// How an encoder spreads its work over the cores.
enum class EncoderThreads {
    One,      // one thread; the output does its own parallel work (ProRes tiles) or none
    AllCores, // the library's frame or slice threads on every core
    AllRows,  // every core, and rows of one frame in parallel too (VP9's row-mt)
};

struct OutputFormat {
    VideoCodec codec;
    const char* name;  // as the user types it: "h264"
    const char* label; // as messages name it: "H.264"
    // The extensions of the containers it goes into, its own first; unused places are null.
    // The AVI formats take any name but those of the other formats; PNG takes numbered .png
    // names.
    std::array<const char*, 3> containers;
    // FFmpeg's encoder and its pixel formats by FFmpeg's names; null for our own AVI writer,
    // and alphaPixels null when the format keeps no alpha.
    const char* encoder;
    const char* opaquePixels;
    const char* alphaPixels;
    bool keepsAlpha;
    // Every frame stands alone, so a repeated picture repeats the previous packet.
    bool intraOnly;
    // The quality setting when none is given: H.264 and VP9 a constant rate factor, ProRes a
    // fixed quantiser; -1 for the lossless formats and the AVI ones.
    int defaultQuality;
    EncoderThreads threads;
    // The built-in board design an export of this format gets when the user names no theme:
    // the classic board for the AVI formats (as every version has drawn them) and for the
    // lossless ones kept for archives, the broadcast board for the formats editors lay over
    // footage.
    const char* defaultTheme;
};

const OutputFormat& FormatOf(VideoCodec codec);
// By name as typed: video1, raw, h264, prores, vp9, ffv1, png.
std::optional<VideoCodec> VideoCodecFromName(std::string_view name);
// The format whose own container a (lower-case) extension such as ".mov" is; none for
// .avi and unknown ones.
std::optional<VideoCodec> VideoCodecForExtension(std::string_view extension);
const char* VideoCodecName(VideoCodec codec);
bool IsAviCodec(VideoCodec codec);
bool CodecKeepsAlpha(VideoCodec codec);
