#pragma once

#include "video/AviWriter.h"
#include "video/ByteSink.h"
#include "video/FrameEncoder.h"
#include "video/OutputFormats.h"
#include "video/VideoOutput.h"

#include <cstdint>
#include <memory>
#include <string>

struct AviOutputOptions {
    // Size at which the writer starts a new RIFF extension (OpenDML). 0: the writer's
    // default, just under 1 GiB. Tests set a small value to exercise the extension path.
    uint64_t riffLimit = 0;
    // 0: no limit. Otherwise the file behaves as if the disk had only this many bytes free,
    // so that the handling of a full disk can be exercised.
    uint64_t spaceLimit = 0;
    // A key frame at least every this many frames; 0: one a second, so that editors can
    // seek. Uncompressed frames are all key frames anyway.
    int keyFrameInterval = 0;
};

// The AVI file of an export: an encoder for the frames, the AVI writer for the container,
// a buffered file underneath. codec is one of the AVI formats: VideoCodec::Video1 (16-bit;
// sides must be multiples of 4) or VideoCodec::Raw (uncompressed 32-bit bitmaps).
class AviOutput : public VideoOutput {
public:
    AviOutput(std::string path, VideoCodec codec, const AviOutputOptions& options = {});
    ~AviOutput() override;

    Status open(QSize frameSize, FrameRate rate) override;
    Status write(const QImage& picture, bool changed) override;
    Status finish() override;

private:
    // The file's last system error, or fallback when the system reported none.
    ScoreError failure(MessageId fallback) const;
    // Closes the file and, when it could not be finalised, removes it.
    Status close();

    std::string m_path;
    VideoCodec m_codec;
    AviOutputOptions m_options;
    FileSink m_sink;
    std::unique_ptr<FrameEncoder> m_encoder;
    std::unique_ptr<AviWriter> m_writer;
    int64_t m_frames = 0;
    int64_t m_keyEvery = 1;
};
