#include "video/FfmpegVideoOutput.h"

#include <utility>

FfmpegVideoOutput::FfmpegVideoOutput(std::string path, VideoCodec codec, bool alpha, int quality) {
    m_settings.path = std::move(path);
    m_settings.codec = codec;
    m_settings.alpha = alpha;
    m_settings.quality = quality;
}

FfmpegVideoOutput::~FfmpegVideoOutput() = default;

Status FfmpegVideoOutput::open(QSize frameSize, FrameRate rate) {
    m_settings.width = frameSize.width();
    m_settings.height = frameSize.height();
    m_settings.rateNum = rate.num;
    m_settings.rateDen = rate.den;
    auto opened = FfmpegOutput::open(m_settings);
    if (!opened) {
        return opened.error();
    }
    m_output = std::move(opened.value());
    return Done{};
}

Status FfmpegVideoOutput::write(const QImage& picture, bool changed) {
    if (!m_output) {
        return Failure(m_settings.path, MessageId::NotWritten);
    }
    return m_output->writeFrame(picture, changed);
}

Status FfmpegVideoOutput::finish() {
    if (!m_output) {
        return Failure(m_settings.path, MessageId::NotWritten);
    }
    return m_output->finish();
}

int64_t FfmpegVideoOutput::framesWritten() const {
    return m_output ? m_output->counts().written : 0;
}

bool FfmpegVideoOutput::fileComplete() const {
    return m_output && m_output->fileComplete();
}
