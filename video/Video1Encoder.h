#pragma once

#include <cstdint>
#include <vector>

// Encoder for the 16-bit (RGB555) flavour of Microsoft Video 1. The picture is cut into
// 4 x 4 blocks, sent bottom block row first; each block is skipped (kept from the previous
// frame), filled with one colour, drawn with two colours, or drawn with two colours per
// 2 x 2 quarter, whichever gives the least error for its size.
class Video1Encoder {
public:
    // width and height are multiples of 4.
    Video1Encoder(int width, int height);

    // Encodes a new picture: 32-bit pixels, bytes B, G, R, X, rows top-down, stride bytes
    // apart. A key frame stands alone; a delta frame may keep blocks of the previous one.
    const std::vector<uint8_t>& Encode(const uint8_t* bgrx, int stride, bool keyFrame);
    // Encodes the picture of the last Encode call once more. As a delta frame it is a frame
    // of skips; as a key frame it is that picture's key frame, encoded only once.
    const std::vector<uint8_t>& EncodeSame(bool keyFrame);

    // What a decoder shows after the last frame: RGB555 words, rows top-down.
    const std::vector<uint16_t>& Picture() const { return m_picture; }

    int width() const { return m_width; }
    int height() const { return m_height; }

    // An RGB555 word widened to 8 bits per channel as decoders do (0x1F becomes 0xFF).
    static void expand(uint16_t word, uint8_t& r, uint8_t& g, uint8_t& b);

private:
    void encodeFrame(bool keyFrame);
    void flushSkips();

    int m_width;
    int m_height;
    std::vector<uint8_t> m_source;     // last picture handed to Encode, B,G,R,X top-down
    std::vector<uint8_t> m_prevSource; // the one before it, to find unchanged blocks fast
    bool m_havePrev = false;
    std::vector<uint16_t> m_picture;
    std::vector<uint8_t> m_out;
    uint32_t m_pendingSkips = 0;

    // The key frame of the current picture, kept for EncodeSame.
    bool m_keyCached = false;
    std::vector<uint8_t> m_keyBytes;
    std::vector<uint16_t> m_keyPicture;
};
