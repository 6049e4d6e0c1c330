#include "video/AviOutput.h"

#include <cmath>
#include <limits>
#include <optional>
#include <unistd.h>
#include <utility>

AviOutput::AviOutput(std::string path, VideoCodec codec, const AviOutputOptions& options)
    : m_path(std::move(path)), m_codec(codec), m_options(options), m_sink(options.spaceLimit) {}

AviOutput::~AviOutput() = default;

ScoreError AviOutput::failure(MessageId fallback) const {
    const int error = m_sink.lastError();
    if (error != 0) {
        return Failure(m_path, MessageId::CannotWrite, {SystemReason(error)});
    }
    return Failure(m_path, fallback);
}

Status AviOutput::open(QSize frameSize, FrameRate rate) {
    constexpr int64_t kMaxField = std::numeric_limits<int32_t>::max();
    if (frameSize.isEmpty() || rate.num <= 0 || rate.den <= 0 || rate.num > kMaxField ||
        rate.den > kMaxField) {
        return Failure(m_path, MessageId::NoSuchVideo);
    }
    // Video 1 codes whole 4 x 4 blocks only.
    if (m_codec == VideoCodec::Video1 &&
        (frameSize.width() % 4 != 0 || frameSize.height() % 4 != 0)) {
        return Failure(m_path, MessageId::Video1Sides);
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
        return Failure(m_path, MessageId::CannotCreate, {SystemReason(m_sink.lastError())});
    }
    m_writer = std::make_unique<AviWriter>(m_sink, format, m_options.riffLimit);
    m_frames = 0;
    if (!m_writer->begin()) {
        const ScoreError error = failure(MessageId::NotWritten);
        (void)close();
        return error;
    }
    return Done{};
}

Status AviOutput::write(const QImage& picture, bool changed) {
    if (!m_writer) {
        return Failure(m_path, MessageId::NotWritten);
    }
    const CodedFrame frame = m_encoder->encode(picture, changed, m_frames % m_keyEvery == 0);
    if (!m_writer->writeFrame(frame.data, frame.size, frame.key)) {
        return failure(MessageId::AviTooLong);
    }
    ++m_frames;
    return Done{};
}

Status AviOutput::finish() {
    if (!m_writer) {
        return Failure(m_path, MessageId::NotWritten);
    }
    // finish() also runs after a failure: it leaves the frames written so far as a complete
    // file, or reports that not even that was possible.
    std::optional<ScoreError> error;
    if (!m_writer->finish()) {
        error = failure(MessageId::NotCompleted);
    }
    const bool stillAtPath = m_sink.stillAtPath();
    if (Status closed = close(); !closed) {
        error = error.value_or(closed.error());
    } else if (!error && !stillAtPath) {
        // The folder or file was removed while writing: nothing usable is left at the path.
        error = Failure(m_path, MessageId::RemovedWhileWritten);
    }
    m_writer.reset();
    if (error) {
        return *error;
    }
    return Done{};
}

Status AviOutput::close() {
    std::optional<ScoreError> error;
    if (!m_sink.close()) {
        error = failure(MessageId::NotClosed);
    }
    if (!m_writer->finalised()) {
        // A file that could not be finalised would only confuse players; leave none.
        ::unlink(m_path.c_str());
        error = error.value_or(Failure(m_path, MessageId::NotCompleted));
    }
    if (error) {
        return *error;
    }
    return Done{};
}
