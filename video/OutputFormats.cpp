#include "video/OutputFormats.h"

namespace {

// clang-format off
constexpr OutputFormat kFormats[] = {
    {VideoCodec::Video1, "video1", "Video 1", {}, nullptr, nullptr, nullptr,
     false, false, -1, EncoderThreads::One, "classic"},
    {VideoCodec::Raw, "raw", "Uncompressed video", {}, nullptr, nullptr, nullptr,
     true, false, -1, EncoderThreads::One, "classic"},
    // The fastest preset: the board is flat colour, and a lower rate factor buys more than
    // a slower search.
    {VideoCodec::H264, "h264", "H.264", {".mp4", ".mov", ".mkv"}, "libx264", "yuv420p", nullptr,
     false, false, 18, EncoderThreads::AllCores, "broadcast"},
    // ProRes is encoded in tiles on workers of our own (ProResTiles); FFmpeg's encoder only
    // describes the stream.
    {VideoCodec::ProRes, "prores", "ProRes", {".mov", ".mkv"}, "prores_ks", "yuv422p10le",
     "yuva444p10le", true, true, 2, EncoderThreads::One, "broadcast"},
    {VideoCodec::VP9, "vp9", "VP9", {".webm", ".mkv", ".mp4"}, "libvpx-vp9", "yuv420p",
     "yuva420p", true, false, 24, EncoderThreads::AllRows, "broadcast"},
    {VideoCodec::FFV1, "ffv1", "FFV1", {".mkv"}, "ffv1", "bgr0", "bgra",
     true, true, -1, EncoderThreads::One, "classic"},
    {VideoCodec::PNG, "png", "PNG", {".png"}, "png", "rgb24", "rgba",
     true, true, -1, EncoderThreads::One, "classic"},
};
// clang-format on

} // namespace

const OutputFormat& FormatOf(VideoCodec codec) {
    for (const OutputFormat& format : kFormats) {
        if (format.codec == codec) {
            return format;
        }
    }
    return kFormats[0];
}

std::optional<VideoCodec> VideoCodecFromName(std::string_view name) {
    for (const OutputFormat& format : kFormats) {
        if (name == format.name) {
            return format.codec;
        }
    }
    return std::nullopt;
}

std::optional<VideoCodec> VideoCodecForExtension(std::string_view extension) {
    for (const OutputFormat& format : kFormats) {
        if (format.containers[0] != nullptr && format.codec != VideoCodec::PNG &&
            extension == format.containers[0]) {
            return format.codec;
        }
    }
    return std::nullopt;
}

const char* VideoCodecName(VideoCodec codec) {
    return FormatOf(codec).name;
}

bool IsAviCodec(VideoCodec codec) {
    return FormatOf(codec).encoder == nullptr;
}

bool CodecKeepsAlpha(VideoCodec codec) {
    return FormatOf(codec).keepsAlpha;
}
