#include "video/FfmpegVideoOutput.h"

#include <utility>

FfmpegVideoOutput::FfmpegVideoOutput(std::string path, VideoCodec codec, bool alpha, int quality) {
    m_settings.path = std::move(path);
    m_settings.codec = codec;
    m_settings.alpha = alpha;
    m_settings.quality = quality;
}

FfmpegVideoOutput::~FfmpegVideoOutput() = default;

bool FfmpegVideoOutput::open(QSize frameSize, FrameRate rate) {
    m_error.clear();
    m_settings.width = frameSize.width();
    m_settings.height = frameSize.height();
    m_settings.rateNum = rate.num;
    m_settings.rateDen = rate.den;
    m_output = FfmpegOutput::open(m_settings, m_error);
    return m_output != nullptr;
}

bool FfmpegVideoOutput::write(const QImage& picture, bool changed) {
    return m_output && m_output->writeFrame(picture, changed, m_error);
}

bool FfmpegVideoOutput::finish() {
    if (!m_output) {
        return false;
    }
    std::string error;
    const bool ok = m_output->finish(error);
    if (!ok && m_error.empty()) {
        m_error = error;
    }
    return ok;
}

int64_t FfmpegVideoOutput::framesWritten() const {
    return m_output ? m_output->counts().written : 0;
}

bool FfmpegVideoOutput::fileComplete() const {
    return m_output && m_output->fileComplete();
}
