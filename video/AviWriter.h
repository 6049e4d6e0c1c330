#pragma once

#include "video/ByteSink.h"

#include <cstdint>
#include <string>
#include <vector>

// Builds a four-character code as it is stored in a RIFF file (first character first).
constexpr uint32_t FourCC(const char (&code)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3])) << 24;
}

class RiffBytes;

// What the single video stream of the file carries.
struct AviVideoFormat {
    int32_t width = 320;
    int32_t height = 240;
    uint16_t bitCount = 32;            // bits per pixel of the decoded frames
    uint32_t compression = 0;          // BITMAPINFOHEADER biCompression: 0 is BI_RGB
    uint32_t handler = FourCC("DIB "); // stream header fccHandler
    uint32_t sizeImage = 0;            // biSizeImage
    uint32_t rate = 15;                // frames per second = rate / scale
    uint32_t scale = 1;
    std::string name = "vorlat";
};

// Writes one video stream as an AVI file: a first RIFF 'AVI ' that AVI 1.0 readers play on
// its own (with its 'idx1'), followed by as many OpenDML 'AVIX' extensions as the data
// needs, each RIFF kept under riffLimit bytes and indexed through the 'indx' super index.
//
// Usage: begin(), writeFrame() for each frame, finish(). finish() always tries to leave a complete,
// playable file: after a write error it cuts the file back to its last whole frame (giving
// up frames when the indexes need the room) and finalises the headers over what is left.
class AviWriter {
public:
    static constexpr uint64_t kDefaultRiffLimit = uint64_t(1) << 30;
    static constexpr uint32_t kDefaultSuperIndexSlots = 256;

    AviWriter(ByteSink& sink, const AviVideoFormat& format, uint64_t riffLimit = 0,
              uint32_t superIndexSlots = kDefaultSuperIndexSlots);

    // Writes the headers and opens the first 'movi' list.
    bool begin();
    // Appends one frame. A delta frame (keyFrame false) needs the frames before it. False
    // after a write error, or when the file cannot grow further (every super index slot
    // is taken).
    bool writeFrame(const void* data, uint32_t size, bool keyFrame);
    // Closes the last RIFF and writes the final counts. True when every frame handed to
    // writeFrame is in the finished file; false after a write error or a frame refused for
    // want of a super index slot (then framesInFile() tells how many frames the finalised
    // file holds) or when not even an empty file could be finalised (framesInFile() is 0
    // and finalised() false).
    bool finish();

    uint32_t framesInFile() const { return m_framesInFile; }
    bool finalised() const { return m_finalised; }

private:
    struct Entry {
        uint64_t offset; // of the chunk header
        uint32_t size;   // of the chunk data
        bool key;
    };
    struct Segment {
        uint64_t riffStart = 0;
        uint64_t moviStart = 0; // of the 'LIST' header of its 'movi'
        std::vector<Entry> entries;
    };

    // The parts of the header list; base is the file offset of the builder's first byte.
    void appendMainHeader(RiffBytes& b, uint64_t base);
    void appendStreamHeader(RiffBytes& b, uint64_t base);
    void appendStreamFormat(RiffBytes& b);
    void appendSuperIndex(RiffBytes& b, uint64_t base);
    void appendOpenDmlHeader(RiffBytes& b, uint64_t base);
    bool openSegment();
    bool closeSegment();
    bool patchTotals();
    bool recover();
    uint64_t SegmentBytesWith(uint32_t chunkSize) const;
    uint64_t IndexBytes(const Segment& segment) const;
    bool patch32(uint64_t offset, uint32_t value);

    ByteSink& m_sink;
    AviVideoFormat m_format;
    uint64_t m_riffLimit;
    uint32_t m_superSlots;
    uint32_t m_chunkId;

    // Offsets of the header fields that are filled in once the counts are known.
    uint64_t m_offMaxBytesPerSec = 0;
    uint64_t m_offAvihFrames = 0;
    uint64_t m_offAvihBuffer = 0;
    uint64_t m_offStrhLength = 0;
    uint64_t m_offStrhBuffer = 0;
    uint64_t m_offIndxInUse = 0;
    uint64_t m_offIndxEntries = 0;
    uint64_t m_offDmlhFrames = 0;

    std::vector<uint32_t> m_closedFrames; // frames of each finished RIFF, in file order
    Segment m_current;
    bool m_begun = false;
    bool m_failed = false;
    bool m_full = false; // every super index slot taken: no further RIFF, no further frame
    bool m_finalised = false;
    uint32_t m_framesInFile = 0;
    uint32_t m_framesHandedIn = 0;
    uint32_t m_maxChunk = 0;
};
