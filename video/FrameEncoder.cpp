#include "video/FrameEncoder.h"

#include "video/AviWriter.h"

#include <cstring>

Video1FrameEncoder::Video1FrameEncoder(QSize size) : m_encoder(size.width(), size.height()) {}

CodedFormat Video1FrameEncoder::format() const {
    return {FourCC("CRAM"), FourCC("msvc"), 16,
            static_cast<uint32_t>(m_encoder.width() * m_encoder.height() * 2)};
}

CodedFrame Video1FrameEncoder::encode(const QImage& picture, bool changed, bool wantKey) {
    const std::vector<uint8_t>& bytes =
        changed ? m_encoder.Encode(picture.constBits(), static_cast<int>(picture.bytesPerLine()),
                                   wantKey)
                : m_encoder.EncodeSame(wantKey);
    return {bytes.data(), static_cast<uint32_t>(bytes.size()), wantKey};
}

RawFrameEncoder::RawFrameEncoder(QSize size)
    : m_size(size), m_frame(static_cast<size_t>(size.width()) * size.height() * 4) {}

CodedFormat RawFrameEncoder::format() const {
    return {0, FourCC("DIB "), 32, static_cast<uint32_t>(m_frame.size())};
}

CodedFrame RawFrameEncoder::encode(const QImage& picture, bool changed, bool) {
    if (changed) {
        // Bitmaps are stored bottom-up; the fourth byte is opaque alpha for readers that take
        // 32-bit frames as BGRA.
        const size_t rowBytes = static_cast<size_t>(m_size.width()) * 4;
        const int height = m_size.height();
        for (int y = 0; y < height; ++y) {
            uint8_t* to = m_frame.data() + (height - 1 - y) * rowBytes;
            std::memcpy(to, picture.constScanLine(y), rowBytes);
            for (size_t x = 3; x < rowBytes; x += 4) {
                to[x] = 255;
            }
        }
    }
    return {m_frame.data(), static_cast<uint32_t>(m_frame.size()), true};
}
