#pragma once

// Video files for editors through FFmpeg's libraries: H.264 in .mp4, ProRes in .mov, VP9 in
// .webm, FFV1 in .mkv and numbered PNG pictures. The caller hands over one finished picture
// per frame and says whether it differs from the previous one; a repeated picture costs as
// little as the format allows (an intra-only format writes the previous packet again).

#include "score/Result.h"
#include "video/OutputFormats.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QImage;

struct OutputSettings {
    // For PNG: a name with one printf-style frame number, such as "frames/%05d.png"; the
    // first frame is number 0.
    std::string path;
    VideoCodec codec = VideoCodec::H264;
    int width = 0;
    int height = 0;
    // Frames per second as a fraction: 30/1, 30000/1001, ...
    int64_t rateNum = 15;
    int64_t rateDen = 1;
    // Keep the pictures' alpha channel. H.264 has none, so it refuses this.
    bool alpha = false;
    // < 0: the codec's default. H.264 and VP9: the constant rate factor (lower is better;
    // defaults 18 and 24). ProRes: the fixed quantiser (1 best; default 2). FFV1 and PNG
    // are lossless and ignore it.
    int quality = -1;
    // Space set aside next to the output when it is opened and given back when the disk
    // fills up, so that a file cut short by a full disk can still get its index. 0: none.
    uint64_t diskReserve = uint64_t(8) << 20;
    // Benchmarks only, to measure what the cores bring: > 0 runs FFmpeg's encoder on that
    // many threads instead of what the format table gives it. No export sets it.
    int encoderThreadsForBench = 0;
};

// The codec a file name asks for: .mp4 H.264, .mov ProRes, .webm VP9, .mkv FFV1, a name
// with a printf-style frame number PNG (case of the extension ignored). Empty when none.
std::optional<VideoCodec> codecForPath(const std::string& path);
// Fails with what is wrong with path as the name of a numbered picture sequence; succeeds
// when nothing is (or when it is no picture name at all: another extension and no frame
// number). A .png name must hold exactly one frame number, %d or %0Nd with N below 19, in its
// file name (not its folder), and every other % must be %%; a frame number asks for a .png
// name.
Status checkFramePattern(const std::string& path);

class FfmpegOutput {
public:
    // How much work the output did, for progress texts and to check that repeated pictures
    // are cheap.
    struct Counts {
        int64_t frames = 0;      // frames handed to writeFrame and accepted
        int64_t written = 0;     // frames in the file so far (the others are on their way)
        int64_t conversions = 0; // pictures converted to the codec's pixel format
        int64_t encodes = 0;     // pictures given to the encoder (repeats included for H.264/VP9)
        int64_t reused = 0;      // frames written as a copy of the previous encoded packet
    };

    // Fails when the settings are unusable or the file cannot be created.
    static Result<std::unique_ptr<FfmpegOutput>> open(const OutputSettings& settings);
    // Finishes the file if the caller has not (a cancelled export must still play).
    ~FfmpegOutput();
    FfmpegOutput(const FfmpegOutput&) = delete;
    FfmpegOutput& operator=(const FfmpegOutput&) = delete;

    // Appends one frame. picture: the settings' size, QImage::Format_RGB32 (opaque) or
    // Format_ARGB32_Premultiplied (other formats are converted first). changed = false
    // promises the same picture as the previous frame. The file is written on a thread of
    // its own, so a failure to write shows on a later call (or in finish()). Once anything
    // failed, every later call fails with that first reason.
    Status writeFrame(const QImage& picture, bool changed);
    // Drains the encoder and writes the index. Also after a failure or a cancel, so that the
    // frames written so far play (after a failure counts().written tells how many).
    // Succeeds only when every frame and the index were written.
    Status finish();

    Counts counts() const;
    // After finish: whether the file is whole (its header, every packet the muxer took and
    // its index), so that it plays to its last frame, also after a failure that dropped the
    // frames after it. False for a file cut off by a failed write.
    bool fileComplete() const;

private:
    struct Impl;
    explicit FfmpegOutput(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};
