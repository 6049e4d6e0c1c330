#pragma once

#include "video/FfmpegOutput.h"
#include "video/VideoOutput.h"

#include <memory>
#include <string>

// The formats for editors as an export's output: FfmpegOutput behind the VideoOutput
// interface, so the export drives them exactly as it drives the AVI.
class FfmpegVideoOutput : public VideoOutput {
public:
    // alpha: keep the pictures' alpha channel (a transparent background).
    FfmpegVideoOutput(std::string path, VideoCodec codec, bool alpha, int quality = -1);
    ~FfmpegVideoOutput() override;

    Status open(QSize frameSize, FrameRate rate) override;
    Status write(const QImage& picture, bool changed) override;
    Status finish() override;

    // Frames in the file, also after a failure.
    int64_t framesWritten() const;
    // After finish: whether the file is whole (see FfmpegOutput::fileComplete).
    bool fileComplete() const;

private:
    OutputSettings m_settings;
    std::unique_ptr<FfmpegOutput> m_output;
};
