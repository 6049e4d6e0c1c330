#include "video/AviWriter.h"

#include "render/MulDiv.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr uint8_t kIndexOfIndexes = 0;
constexpr uint8_t kIndexOfChunks = 1;
constexpr uint32_t kDeltaFrameBit = 0x80000000u; // in a standard index entry's size
constexpr uint32_t kDmlhSize = 248;              // the size every OpenDML writer uses
constexpr uint32_t kStdIndexHeader = 24;         // 'ix00' data before its entries

uint32_t Padded(uint32_t size) {
    return size + (size & 1);
}

} // namespace

// Every integer of the file goes through here: RIFF is little-endian on any machine.
template <class T> void StoreLE(uint8_t* at, T value) {
    for (size_t i = 0; i < sizeof(T); ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// Builds headers, chunk headers and indexes.
class RiffBytes {
public:
    void u8(uint8_t v) { m_data.push_back(v); }
    void u16(uint16_t v) { put(v); }
    void u32(uint32_t v) { put(v); }
    void u64(uint64_t v) { put(v); }
    void zeros(size_t n) { m_data.insert(m_data.end(), n, 0); }
    size_t size() const { return m_data.size(); }
    const uint8_t* data() const { return m_data.data(); }
    // Starts a chunk or list; returns the position of its size field.
    size_t open(uint32_t fcc, uint32_t listType = 0) {
        u32(fcc); // ckID, or 'RIFF' / 'LIST'
        size_t at = size();
        u32(0); // ckSize, filled in by close()
        if (listType != 0) {
            u32(listType); // form or list type
        }
        return at;
    }
    void close(size_t sizeAt) {
        const uint32_t size = static_cast<uint32_t>(this->size() - sizeAt - 4);
        StoreLE(m_data.data() + sizeAt, size);
        if (size & 1) {
            u8(0); // chunks start on even offsets
        }
    }

private:
    template <class T> void put(T value) {
        const size_t at = m_data.size();
        m_data.resize(at + sizeof(T));
        StoreLE(m_data.data() + at, value);
    }

    std::vector<uint8_t> m_data;
};

AviWriter::AviWriter(ByteSink& sink, const AviVideoFormat& format, uint64_t riffLimit,
                     uint32_t superIndexSlots)
    : m_sink(sink), m_format(format), m_riffLimit(riffLimit == 0 ? kDefaultRiffLimit : riffLimit),
      m_superSlots(std::max<uint32_t>(1, superIndexSlots)),
      m_chunkId(format.compression == 0 ? FourCC("00db") : FourCC("00dc")) {}

bool AviWriter::begin() {
    const uint64_t base = m_sink.size();
    RiffBytes b;
    const size_t riff = b.open(FourCC("RIFF"), FourCC("AVI "));
    const size_t hdrl = b.open(FourCC("LIST"), FourCC("hdrl"));
    appendMainHeader(b, base);
    const size_t strl = b.open(FourCC("LIST"), FourCC("strl"));
    appendStreamHeader(b, base);
    appendStreamFormat(b);
    appendSuperIndex(b, base);
    b.close(strl);
    appendOpenDmlHeader(b, base);
    b.close(hdrl);

    m_current = Segment{};
    m_current.riffStart = base + riff - 4;
    m_current.moviStart = base + b.size();
    b.open(FourCC("LIST"), FourCC("movi"));
    m_begun = m_sink.append(b.data(), b.size());
    m_failed = !m_begun;
    return m_begun;
}

void AviWriter::appendMainHeader(RiffBytes& b, uint64_t base) {
    size_t avih = b.open(FourCC("avih"));
    b.u32(static_cast<uint32_t>(MulDiv(1000000, static_cast<int>(m_format.scale),
                                       static_cast<int>(m_format.rate)))); // dwMicroSecPerFrame
    m_offMaxBytesPerSec = base + b.size();
    b.u32(0);             // dwMaxBytesPerSec, filled in by PatchTotals
    b.u32(0);             // dwPaddingGranularity
    b.u32(kAvifHasIndex); // dwFlags
    m_offAvihFrames = base + b.size();
    b.u32(0); // dwTotalFrames: frames in the first RIFF, filled in by PatchTotals
    b.u32(0); // dwInitialFrames
    b.u32(1); // dwStreams
    m_offAvihBuffer = base + b.size();
    b.u32(0);                                     // dwSuggestedBufferSize, filled in by PatchTotals
    b.u32(static_cast<uint32_t>(m_format.width)); // dwWidth
    b.u32(static_cast<uint32_t>(m_format.height)); // dwHeight
    b.zeros(16);                                   // dwReserved[4]
    b.close(avih);
}

void AviWriter::appendStreamHeader(RiffBytes& b, uint64_t base) {
    size_t strh = b.open(FourCC("strh"));
    b.u32(FourCC("vids"));   // fccType
    b.u32(m_format.handler); // fccHandler
    b.u32(0);                // dwFlags
    b.u16(0);                // wPriority
    b.u16(0);                // wLanguage
    b.u32(0);                // dwInitialFrames
    b.u32(m_format.scale);   // dwScale
    b.u32(m_format.rate);    // dwRate: frames per second = dwRate / dwScale
    b.u32(0);                // dwStart
    m_offStrhLength = base + b.size();
    b.u32(0); // dwLength in frames, filled in by PatchTotals
    m_offStrhBuffer = base + b.size();
    b.u32(0);                                     // dwSuggestedBufferSize, filled in by PatchTotals
    b.u32(0xFFFFFFFF);                            // dwQuality: the default
    b.u32(0);                                     // dwSampleSize: frames vary in size
    b.u16(0);                                     // rcFrame.left
    b.u16(0);                                     // rcFrame.top
    b.u16(static_cast<uint16_t>(m_format.width)); // rcFrame.right
    b.u16(static_cast<uint16_t>(m_format.height)); // rcFrame.bottom
    b.close(strh);
}

// The bitmap header of the frames, then the stream's name.
void AviWriter::appendStreamFormat(RiffBytes& b) {
    size_t strf = b.open(FourCC("strf"));
    b.u32(40);                                     // biSize
    b.u32(static_cast<uint32_t>(m_format.width));  // biWidth
    b.u32(static_cast<uint32_t>(m_format.height)); // biHeight, positive: rows bottom-up
    b.u16(1);                                      // biPlanes
    b.u16(m_format.bitCount);                      // biBitCount
    b.u32(m_format.compression);                   // biCompression
    b.u32(m_format.sizeImage);                     // biSizeImage
    b.u32(0);                                      // biXPelsPerMeter
    b.u32(0);                                      // biYPelsPerMeter
    b.u32(0);                                      // biClrUsed
    b.u32(0);                                      // biClrImportant
    b.close(strf);

    size_t strn = b.open(FourCC("strn"));
    for (char c : m_format.name) {
        b.u8(static_cast<uint8_t>(c));
    }
    b.u8(0); // the name's terminating zero
    b.close(strn);
}

// The super index: one slot per RIFF, filled as each RIFF is closed.
void AviWriter::appendSuperIndex(RiffBytes& b, uint64_t base) {
    size_t indx = b.open(FourCC("indx"));
    b.u16(4);              // wLongsPerEntry
    b.u8(0);               // bIndexSubType
    b.u8(kIndexOfIndexes); // bIndexType
    m_offIndxInUse = base + b.size();
    b.u32(0);         // nEntriesInUse, filled in as RIFFs close
    b.u32(m_chunkId); // dwChunkId
    b.zeros(12);      // dwReserved[3]
    m_offIndxEntries = base + b.size();
    b.zeros(size_t(16) * m_superSlots); // aIndex[]: qwOffset, dwSize, dwDuration each
    b.close(indx);
}

void AviWriter::appendOpenDmlHeader(RiffBytes& b, uint64_t base) {
    size_t odml = b.open(FourCC("LIST"), FourCC("odml"));
    size_t dmlh = b.open(FourCC("dmlh"));
    m_offDmlhFrames = base + b.size();
    b.zeros(kDmlhSize); // dwTotalFrames (filled in by PatchTotals), then reserved
    b.close(dmlh);
    b.close(odml);
}

uint64_t AviWriter::IndexBytes(const Segment& segment) const {
    uint64_t n = segment.entries.size();
    uint64_t bytes = 8 + kStdIndexHeader + 8 * n;
    if (m_closedFrames.empty()) {
        bytes += 8 + 16 * n; // the AVI 1.0 index of the first RIFF
    }
    return bytes;
}

uint64_t AviWriter::SegmentBytesWith(uint32_t chunkSize) const {
    Segment grown;
    grown.entries.resize(m_current.entries.size() + 1);
    return m_sink.size() + 8 + Padded(chunkSize) - m_current.riffStart + IndexBytes(grown);
}

bool AviWriter::writeFrame(const void* data, uint32_t size, bool keyFrame) {
    if (!m_begun || m_failed || m_full) {
        return false;
    }
    if (!m_current.entries.empty() && SegmentBytesWith(size) > m_riffLimit) {
        if (m_closedFrames.size() + 1 >= m_superSlots) {
            // No slot left for another RIFF: the file cannot grow further. Nothing went
            // wrong with what it holds, which finish() completes as usual.
            m_full = true;
            return false;
        }
        if (!closeSegment() || !openSegment()) {
            m_failed = true;
            return false;
        }
    }
    RiffBytes header;
    header.u32(m_chunkId); // ckID
    header.u32(size);      // ckSize
    static const uint8_t kPad = 0;
    uint64_t at = m_sink.size();
    bool ok = m_sink.append(header.data(), header.size()) && m_sink.append(data, size) &&
              ((size & 1) == 0 || m_sink.append(&kPad, 1));
    if (!ok) {
        m_failed = true;
        return false;
    }
    m_current.entries.push_back({at, size, keyFrame});
    m_maxChunk = std::max(m_maxChunk, size);
    ++m_framesHandedIn;
    return true;
}

bool AviWriter::openSegment() {
    // The new RIFF becomes current before its header is written, so that a failure here
    // leaves recovery a RIFF to drop rather than the finished one before it to cut.
    Segment next;
    next.riffStart = m_sink.size();
    next.moviStart = next.riffStart + 12;
    m_current = std::move(next);
    RiffBytes b;
    b.open(FourCC("RIFF"), FourCC("AVIX"));
    b.open(FourCC("LIST"), FourCC("movi"));
    return m_sink.append(b.data(), b.size());
}

bool AviWriter::closeSegment() {
    const Segment& seg = m_current;
    const uint32_t n = static_cast<uint32_t>(seg.entries.size());
    const bool first = m_closedFrames.empty();

    // The standard index closes the 'movi' list; offsets point at chunk data and are
    // relative to the start of this RIFF, which keeps them within 32 bits.
    RiffBytes ix;
    const uint64_t ixAt = m_sink.size();
    size_t ixSize = ix.open(FourCC("ix00"));
    ix.u16(2);             // wLongsPerEntry
    ix.u8(0);              // bIndexSubType
    ix.u8(kIndexOfChunks); // bIndexType
    ix.u32(n);             // nEntriesInUse
    ix.u32(m_chunkId);     // dwChunkId
    ix.u64(seg.riffStart); // qwBaseOffset
    ix.u32(0);             // dwReserved3
    for (const Entry& e : seg.entries) {
        ix.u32(static_cast<uint32_t>(e.offset + 8 - seg.riffStart)); // dwOffset
        ix.u32(e.size | (e.key ? 0 : kDeltaFrameBit));               // dwSize
    }
    ix.close(ixSize);
    if (!m_sink.append(ix.data(), ix.size())) {
        return false;
    }
    if (!patch32(seg.moviStart + 4, static_cast<uint32_t>(m_sink.size() - seg.moviStart - 8))) {
        return false;
    }
    if (first) {
        RiffBytes idx;
        size_t idxSize = idx.open(FourCC("idx1"));
        const uint64_t moviFcc = seg.moviStart + 8;
        for (const Entry& e : seg.entries) {
            idx.u32(m_chunkId);                                 // ckid
            idx.u32(e.key ? kAviifKeyFrame : 0);                // dwFlags
            idx.u32(static_cast<uint32_t>(e.offset - moviFcc)); // dwChunkOffset
            idx.u32(e.size);                                    // dwChunkLength
        }
        idx.close(idxSize);
        if (!m_sink.append(idx.data(), idx.size())) {
            return false;
        }
    }
    if (!patch32(seg.riffStart + 4, static_cast<uint32_t>(m_sink.size() - seg.riffStart - 8))) {
        return false;
    }
    RiffBytes slot;
    slot.u64(ixAt);                             // qwOffset
    slot.u32(static_cast<uint32_t>(ix.size())); // dwSize
    slot.u32(n);                                // dwDuration: frames of this RIFF
    const uint64_t slotAt = m_offIndxEntries + 16 * uint64_t(m_closedFrames.size());
    if (!m_sink.patch(slotAt, slot.data(), slot.size()) ||
        !patch32(m_offIndxInUse, static_cast<uint32_t>(m_closedFrames.size() + 1)) ||
        !m_sink.flush()) {
        return false;
    }
    m_closedFrames.push_back(n);
    m_current.entries.clear();
    return true;
}

bool AviWriter::patch32(uint64_t offset, uint32_t value) {
    uint8_t bytes[4];
    StoreLE(bytes, value);
    return m_sink.patch(offset, bytes, 4);
}

bool AviWriter::patchTotals() {
    const uint32_t total = std::accumulate(m_closedFrames.begin(), m_closedFrames.end(), 0u);
    const uint32_t firstRiff = m_closedFrames.empty() ? 0 : m_closedFrames.front();
    const uint32_t buffer = m_maxChunk + 8;
    const uint64_t perSecond = uint64_t(buffer) * m_format.rate / m_format.scale;
    const bool ok = patch32(m_offMaxBytesPerSec,
                            static_cast<uint32_t>(std::min<uint64_t>(perSecond, 0xFFFFFFFFu))) &&
                    patch32(m_offAvihFrames, firstRiff) && patch32(m_offAvihBuffer, buffer) &&
                    patch32(m_offStrhLength, total) && patch32(m_offStrhBuffer, buffer) &&
                    patch32(m_offDmlhFrames, total) &&
                    patch32(m_offIndxInUse, static_cast<uint32_t>(m_closedFrames.size())) &&
                    m_sink.flush();
    if (ok) {
        m_framesInFile = total;
    }
    return ok;
}

bool AviWriter::finish() {
    if (!m_begun) {
        // Not even the headers were written.
        recover();
        return false;
    }
    if (!m_failed && closeSegment() && patchTotals()) {
        m_finalised = true;
        return !m_full && m_framesInFile == m_framesHandedIn;
    }
    m_failed = true;
    m_finalised = recover();
    return false;
}

bool AviWriter::recover() {
    if (!m_begun) {
        return false;
    }
    uint64_t keepUpTo = m_sink.storedSize();
    for (;;) {
        Segment& seg = m_current;
        const uint64_t dataStart = seg.moviStart + 12;
        if (keepUpTo < dataStart) {
            if (m_closedFrames.empty()) {
                return false; // not even the first headers are on disk
            }
            // This RIFF never got going: drop it and end the file with the previous one.
            if (!m_sink.truncate(seg.riffStart)) {
                return false;
            }
            seg.entries.clear();
            return patchTotals();
        }
        while (!seg.entries.empty()) {
            const Entry& last = seg.entries.back();
            if (last.offset + 8 + Padded(last.size) <= keepUpTo) {
                break;
            }
            seg.entries.pop_back();
        }
        const uint64_t cut = seg.entries.empty()
                                 ? dataStart
                                 : seg.entries.back().offset + 8 + Padded(seg.entries.back().size);
        if (!m_sink.truncate(cut)) {
            return false;
        }
        if (closeSegment() && patchTotals()) {
            return true;
        }
        // No room for the indexes: give up frames at the end until they fit.
        if (seg.entries.empty()) {
            keepUpTo = 0;
            continue;
        }
        const uint64_t needed = IndexBytes(seg);
        uint64_t freed = 0;
        while (!seg.entries.empty() && freed < needed) {
            freed += 8 + Padded(seg.entries.back().size);
            seg.entries.pop_back();
        }
        keepUpTo = seg.entries.empty()
                       ? dataStart
                       : seg.entries.back().offset + 8 + Padded(seg.entries.back().size);
    }
}
