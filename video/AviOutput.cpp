#include "video/AviOutput.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <unistd.h>
#include <utility>

AviOutput::AviOutput(std::string path, VideoCodec codec, const AviOutputOptions& options)
    : m_path(std::move(path)), m_codec(codec), m_options(options), m_sink(options.spaceLimit) {}

AviOutput::~AviOutput() = default;

void AviOutput::failWith(const std::string& fallback) {
    const int error = m_sink.lastError();
    m_error = error != 0 ? std::strerror(error) : fallback;
}

bool AviOutput::open(QSize frameSize, FrameRate rate) {
    m_error.clear();
    constexpr int64_t kMaxField = std::numeric_limits<int32_t>::max();
    if (frameSize.isEmpty() || rate.num <= 0 || rate.den <= 0 || rate.num > kMaxField ||
        rate.den > kMaxField) {
        m_error = "no video of that size or rate can be made";
        return false;
    }
    // Video 1 codes whole 4 x 4 blocks only.
    if (m_codec == VideoCodec::Video1 &&
        (frameSize.width() % 4 != 0 || frameSize.height() % 4 != 0)) {
        m_error = "Video 1 needs a width and height that are multiples of 4";
        return false;
    }
    if (m_codec == VideoCodec::Video1) {
        m_encoder = std::make_unique<Video1FrameEncoder>(frameSize);
    } else {
        m_encoder = std::make_unique<RawFrameEncoder>(frameSize);
    }
    const CodedFormat coded = m_encoder->format();
    AviVideoFormat format;
    format.width = frameSize.width();
    format.height = frameSize.height();
    format.bitCount = coded.bitCount;
    format.compression = coded.compression;
    format.handler = coded.handler;
    format.sizeImage = coded.sizeImage;
    format.rate = static_cast<uint32_t>(rate.num);
    format.scale = static_cast<uint32_t>(rate.den);
    m_keyEvery = m_options.keyFrameInterval > 0
                     ? m_options.keyFrameInterval
                     : std::max<int64_t>(1, std::llround(double(rate.num) / double(rate.den)));

    if (!m_sink.open(m_path)) {
        failWith("the file cannot be created");
        return false;
    }
    m_writer = std::make_unique<AviWriter>(m_sink, format, m_options.riffLimit);
    m_frames = 0;
    if (!m_writer->begin()) {
        failWith("the file cannot be written");
        close();
        return false;
    }
    return true;
}

bool AviOutput::write(const QImage& picture, bool changed) {
    if (!m_writer) {
        return false;
    }
    const CodedFrame frame = m_encoder->encode(picture, changed, m_frames % m_keyEvery == 0);
    if (!m_writer->writeFrame(frame.data, frame.size, frame.key)) {
        failWith("the video is too long for one AVI file");
        return false;
    }
    ++m_frames;
    return true;
}

bool AviOutput::finish() {
    if (!m_writer) {
        return false;
    }
    // finish() also runs after a failure: it leaves the frames written so far as a complete
    // file, or reports that not even that was possible.
    bool ok = m_writer->finish();
    if (!ok && m_error.empty()) {
        failWith("the file could not be completed");
    }
    const bool stillAtPath = m_sink.stillAtPath();
    if (!close()) {
        ok = false;
    } else if (ok && !stillAtPath) {
        // The folder or file was removed while writing: nothing usable is left at the path.
        m_error = "the file was removed while it was being written";
        ok = false;
    }
    m_writer.reset();
    return ok;
}

bool AviOutput::close() {
    bool ok = m_sink.close();
    if (!ok && m_error.empty()) {
        failWith("the file could not be closed");
    }
    if (!m_writer->finalised()) {
        // A file that could not be finalised would only confuse players; leave none.
        ::unlink(m_path.c_str());
        ok = false;
    }
    return ok;
}
