#pragma once

#include "video/Video1Encoder.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <memory>
#include <vector>

// How an encoder's frames are described to a player: the fields of the bitmap header and
// the stream's handler code in an AVI file.
struct CodedFormat {
    uint32_t compression = 0; // biCompression: 0 is uncompressed RGB
    uint32_t handler = 0;     // fccHandler
    uint16_t bitCount = 32;   // bits per pixel of the decoded frames
    uint32_t sizeImage = 0;   // bytes of a decoded frame
};

// One coded frame; the bytes stay valid until the next encode call.
struct CodedFrame {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    bool key = true; // stands alone; otherwise it needs the frames before it
};

// Turns rendered pictures into the frames of a video stream.
class FrameEncoder {
public:
    virtual ~FrameEncoder() = default;
    virtual CodedFormat format() const = 0;
    // picture: the frame size, Format_RGB32 or Format_ARGB32_Premultiplied (colours taken as
    // they are, that is over black). changed is false when it is the previous call's picture
    // again; wantKey asks for a frame that stands alone.
    virtual CodedFrame encode(const QImage& picture, bool changed, bool wantKey) = 0;
};

// Microsoft Video 1 (16-bit): skipped blocks where nothing changed, a key frame when asked.
// Sides must be multiples of 4.
class Video1FrameEncoder : public FrameEncoder {
public:
    explicit Video1FrameEncoder(QSize size);
    CodedFormat format() const override;
    CodedFrame encode(const QImage& picture, bool changed, bool wantKey) override;

private:
    Video1Encoder m_encoder;
};

// Uncompressed 32-bit bitmaps, rows bottom-up, every frame a key frame.
class RawFrameEncoder : public FrameEncoder {
public:
    explicit RawFrameEncoder(QSize size);
    CodedFormat format() const override;
    CodedFrame encode(const QImage& picture, bool changed, bool wantKey) override;

private:
    QSize m_size;
    std::vector<uint8_t> m_frame;
};
