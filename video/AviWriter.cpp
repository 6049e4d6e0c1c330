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
    void U8(uint8_t v) { m_data.push_back(v); }
    void U16(uint16_t v) { Put(v); }
    void U32(uint32_t v) { Put(v); }
    void U64(uint64_t v) { Put(v); }
    void Zeros(size_t n) { m_data.insert(m_data.end(), n, 0); }
    size_t Size() const { return m_data.size(); }
    const uint8_t* Data() const { return m_data.data(); }
    // Starts a chunk or list; returns the position of its size field.
    size_t Open(uint32_t fcc, uint32_t listType = 0) {
        U32(fcc); // ckID, or 'RIFF' / 'LIST'
        size_t at = Size();
        U32(0); // ckSize, filled in by Close
        if (listType != 0) {
            U32(listType); // form or list type
        }
        return at;
    }
    void Close(size_t sizeAt) {
        const uint32_t size = static_cast<uint32_t>(Size() - sizeAt - 4);
        StoreLE(m_data.data() + sizeAt, size);
        if (size & 1) {
            U8(0); // chunks start on even offsets
        }
    }

private:
    template <class T> void Put(T value) {
        const size_t at = m_data.size();
        m_data.resize(at + sizeof(T));
        StoreLE(m_data.data() + at, value);
    }

    std::vector<uint8_t> m_data;
};

AviWriter::AviWriter(IByteSink& sink, const AviVideoFormat& format, uint64_t riffLimit,
                     uint32_t superIndexSlots)
    : m_sink(sink), m_format(format), m_riffLimit(riffLimit == 0 ? kDefaultRiffLimit : riffLimit),
      m_superSlots(std::max<uint32_t>(1, superIndexSlots)),
      m_chunkId(format.compression == 0 ? FourCC("00db") : FourCC("00dc")) {}

bool AviWriter::Begin() {
    const uint64_t base = m_sink.Size();
    RiffBytes b;
    const size_t riff = b.Open(FourCC("RIFF"), FourCC("AVI "));
    const size_t hdrl = b.Open(FourCC("LIST"), FourCC("hdrl"));
    AppendMainHeader(b, base);
    const size_t strl = b.Open(FourCC("LIST"), FourCC("strl"));
    AppendStreamHeader(b, base);
    AppendStreamFormat(b);
    AppendSuperIndex(b, base);
    b.Close(strl);
    AppendOpenDmlHeader(b, base);
    b.Close(hdrl);

    m_current = Segment{};
    m_current.riffStart = base + riff - 4;
    m_current.moviStart = base + b.Size();
    b.Open(FourCC("LIST"), FourCC("movi"));
    m_begun = m_sink.Append(b.Data(), b.Size());
    m_failed = !m_begun;
    return m_begun;
}

void AviWriter::AppendMainHeader(RiffBytes& b, uint64_t base) {
    size_t avih = b.Open(FourCC("avih"));
    b.U32(static_cast<uint32_t>(MulDiv(1000000, static_cast<int>(m_format.scale),
                                       static_cast<int>(m_format.rate)))); // dwMicroSecPerFrame
    m_offMaxBytesPerSec = base + b.Size();
    b.U32(0);             // dwMaxBytesPerSec, filled in by PatchTotals
    b.U32(0);             // dwPaddingGranularity
    b.U32(kAvifHasIndex); // dwFlags
    m_offAvihFrames = base + b.Size();
    b.U32(0); // dwTotalFrames: frames in the first RIFF, filled in by PatchTotals
    b.U32(0); // dwInitialFrames
    b.U32(1); // dwStreams
    m_offAvihBuffer = base + b.Size();
    b.U32(0);                                     // dwSuggestedBufferSize, filled in by PatchTotals
    b.U32(static_cast<uint32_t>(m_format.width)); // dwWidth
    b.U32(static_cast<uint32_t>(m_format.height)); // dwHeight
    b.Zeros(16);                                   // dwReserved[4]
    b.Close(avih);
}

void AviWriter::AppendStreamHeader(RiffBytes& b, uint64_t base) {
    size_t strh = b.Open(FourCC("strh"));
    b.U32(FourCC("vids"));   // fccType
    b.U32(m_format.handler); // fccHandler
    b.U32(0);                // dwFlags
    b.U16(0);                // wPriority
    b.U16(0);                // wLanguage
    b.U32(0);                // dwInitialFrames
    b.U32(m_format.scale);   // dwScale
    b.U32(m_format.rate);    // dwRate: frames per second = dwRate / dwScale
    b.U32(0);                // dwStart
    m_offStrhLength = base + b.Size();
    b.U32(0); // dwLength in frames, filled in by PatchTotals
    m_offStrhBuffer = base + b.Size();
    b.U32(0);                                     // dwSuggestedBufferSize, filled in by PatchTotals
    b.U32(0xFFFFFFFF);                            // dwQuality: the default
    b.U32(0);                                     // dwSampleSize: frames vary in size
    b.U16(0);                                     // rcFrame.left
    b.U16(0);                                     // rcFrame.top
    b.U16(static_cast<uint16_t>(m_format.width)); // rcFrame.right
    b.U16(static_cast<uint16_t>(m_format.height)); // rcFrame.bottom
    b.Close(strh);
}

// The bitmap header of the frames, then the stream's name.
void AviWriter::AppendStreamFormat(RiffBytes& b) {
    size_t strf = b.Open(FourCC("strf"));
    b.U32(40);                                     // biSize
    b.U32(static_cast<uint32_t>(m_format.width));  // biWidth
    b.U32(static_cast<uint32_t>(m_format.height)); // biHeight, positive: rows bottom-up
    b.U16(1);                                      // biPlanes
    b.U16(m_format.bitCount);                      // biBitCount
    b.U32(m_format.compression);                   // biCompression
    b.U32(m_format.sizeImage);                     // biSizeImage
    b.U32(0);                                      // biXPelsPerMeter
    b.U32(0);                                      // biYPelsPerMeter
    b.U32(0);                                      // biClrUsed
    b.U32(0);                                      // biClrImportant
    b.Close(strf);

    size_t strn = b.Open(FourCC("strn"));
    for (char c : m_format.name) {
        b.U8(static_cast<uint8_t>(c));
    }
    b.U8(0); // the name's terminating zero
    b.Close(strn);
}

// The super index: one slot per RIFF, filled as each RIFF is closed.
void AviWriter::AppendSuperIndex(RiffBytes& b, uint64_t base) {
    size_t indx = b.Open(FourCC("indx"));
    b.U16(4);              // wLongsPerEntry
    b.U8(0);               // bIndexSubType
    b.U8(kIndexOfIndexes); // bIndexType
    m_offIndxInUse = base + b.Size();
    b.U32(0);         // nEntriesInUse, filled in as RIFFs close
    b.U32(m_chunkId); // dwChunkId
    b.Zeros(12);      // dwReserved[3]
    m_offIndxEntries = base + b.Size();
    b.Zeros(size_t(16) * m_superSlots); // aIndex[]: qwOffset, dwSize, dwDuration each
    b.Close(indx);
}

void AviWriter::AppendOpenDmlHeader(RiffBytes& b, uint64_t base) {
    size_t odml = b.Open(FourCC("LIST"), FourCC("odml"));
    size_t dmlh = b.Open(FourCC("dmlh"));
    m_offDmlhFrames = base + b.Size();
    b.Zeros(kDmlhSize); // dwTotalFrames (filled in by PatchTotals), then reserved
    b.Close(dmlh);
    b.Close(odml);
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
    return m_sink.Size() + 8 + Padded(chunkSize) - m_current.riffStart + IndexBytes(grown);
}

bool AviWriter::WriteFrame(const void* data, uint32_t size, bool keyFrame) {
    if (!m_begun || m_failed || m_full) {
        return false;
    }
    if (!m_current.entries.empty() && SegmentBytesWith(size) > m_riffLimit) {
        if (m_closedFrames.size() + 1 >= m_superSlots) {
            // No slot left for another RIFF: the file cannot grow further. Nothing went
            // wrong with what it holds, which Finish completes as usual.
            m_full = true;
            return false;
        }
        if (!CloseSegment() || !OpenSegment()) {
            m_failed = true;
            return false;
        }
    }
    RiffBytes header;
    header.U32(m_chunkId); // ckID
    header.U32(size);      // ckSize
    static const uint8_t kPad = 0;
    uint64_t at = m_sink.Size();
    bool ok = m_sink.Append(header.Data(), header.Size()) && m_sink.Append(data, size) &&
              ((size & 1) == 0 || m_sink.Append(&kPad, 1));
    if (!ok) {
        m_failed = true;
        return false;
    }
    m_current.entries.push_back({at, size, keyFrame});
    m_maxChunk = std::max(m_maxChunk, size);
    ++m_framesHandedIn;
    return true;
}

bool AviWriter::OpenSegment() {
    // The new RIFF becomes current before its header is written, so that a failure here
    // leaves recovery a RIFF to drop rather than the finished one before it to cut.
    Segment next;
    next.riffStart = m_sink.Size();
    next.moviStart = next.riffStart + 12;
    m_current = std::move(next);
    RiffBytes b;
    b.Open(FourCC("RIFF"), FourCC("AVIX"));
    b.Open(FourCC("LIST"), FourCC("movi"));
    return m_sink.Append(b.Data(), b.Size());
}

bool AviWriter::CloseSegment() {
    const Segment& seg = m_current;
    const uint32_t n = static_cast<uint32_t>(seg.entries.size());
    const bool first = m_closedFrames.empty();

    // The standard index closes the 'movi' list; offsets point at chunk data and are
    // relative to the start of this RIFF, which keeps them within 32 bits.
    RiffBytes ix;
    const uint64_t ixAt = m_sink.Size();
    size_t ixSize = ix.Open(FourCC("ix00"));
    ix.U16(2);             // wLongsPerEntry
    ix.U8(0);              // bIndexSubType
    ix.U8(kIndexOfChunks); // bIndexType
    ix.U32(n);             // nEntriesInUse
    ix.U32(m_chunkId);     // dwChunkId
    ix.U64(seg.riffStart); // qwBaseOffset
    ix.U32(0);             // dwReserved3
    for (const Entry& e : seg.entries) {
        ix.U32(static_cast<uint32_t>(e.offset + 8 - seg.riffStart)); // dwOffset
        ix.U32(e.size | (e.key ? 0 : kDeltaFrameBit));               // dwSize
    }
    ix.Close(ixSize);
    if (!m_sink.Append(ix.Data(), ix.Size())) {
        return false;
    }
    if (!Patch32(seg.moviStart + 4, static_cast<uint32_t>(m_sink.Size() - seg.moviStart - 8))) {
        return false;
    }
    if (first) {
        RiffBytes idx;
        size_t idxSize = idx.Open(FourCC("idx1"));
        const uint64_t moviFcc = seg.moviStart + 8;
        for (const Entry& e : seg.entries) {
            idx.U32(m_chunkId);                                 // ckid
            idx.U32(e.key ? kAviifKeyFrame : 0);                // dwFlags
            idx.U32(static_cast<uint32_t>(e.offset - moviFcc)); // dwChunkOffset
            idx.U32(e.size);                                    // dwChunkLength
        }
        idx.Close(idxSize);
        if (!m_sink.Append(idx.Data(), idx.Size())) {
            return false;
        }
    }
    if (!Patch32(seg.riffStart + 4, static_cast<uint32_t>(m_sink.Size() - seg.riffStart - 8))) {
        return false;
    }
    RiffBytes slot;
    slot.U64(ixAt);                             // qwOffset
    slot.U32(static_cast<uint32_t>(ix.Size())); // dwSize
    slot.U32(n);                                // dwDuration: frames of this RIFF
    const uint64_t slotAt = m_offIndxEntries + 16 * uint64_t(m_closedFrames.size());
    if (!m_sink.Patch(slotAt, slot.Data(), slot.Size()) ||
        !Patch32(m_offIndxInUse, static_cast<uint32_t>(m_closedFrames.size() + 1)) ||
        !m_sink.Flush()) {
        return false;
    }
    m_closedFrames.push_back(n);
    m_current.entries.clear();
    return true;
}

bool AviWriter::Patch32(uint64_t offset, uint32_t value) {
    uint8_t bytes[4];
    StoreLE(bytes, value);
    return m_sink.Patch(offset, bytes, 4);
}

bool AviWriter::PatchTotals() {
    const uint32_t total = std::accumulate(m_closedFrames.begin(), m_closedFrames.end(), 0u);
    const uint32_t firstRiff = m_closedFrames.empty() ? 0 : m_closedFrames.front();
    const uint32_t buffer = m_maxChunk + 8;
    const uint64_t perSecond = uint64_t(buffer) * m_format.rate / m_format.scale;
    const bool ok = Patch32(m_offMaxBytesPerSec,
                            static_cast<uint32_t>(std::min<uint64_t>(perSecond, 0xFFFFFFFFu))) &&
                    Patch32(m_offAvihFrames, firstRiff) && Patch32(m_offAvihBuffer, buffer) &&
                    Patch32(m_offStrhLength, total) && Patch32(m_offStrhBuffer, buffer) &&
                    Patch32(m_offDmlhFrames, total) &&
                    Patch32(m_offIndxInUse, static_cast<uint32_t>(m_closedFrames.size())) &&
                    m_sink.Flush();
    if (ok) {
        m_framesInFile = total;
    }
    return ok;
}

bool AviWriter::Finish() {
    if (!m_begun) {
        // Not even the headers were written.
        Recover();
        return false;
    }
    if (!m_failed && CloseSegment() && PatchTotals()) {
        m_finalised = true;
        return !m_full && m_framesInFile == m_framesHandedIn;
    }
    m_failed = true;
    m_finalised = Recover();
    return false;
}

bool AviWriter::Recover() {
    if (!m_begun) {
        return false;
    }
    uint64_t keepUpTo = m_sink.StoredSize();
    for (;;) {
        Segment& seg = m_current;
        const uint64_t dataStart = seg.moviStart + 12;
        if (keepUpTo < dataStart) {
            if (m_closedFrames.empty()) {
                return false; // not even the first headers are on disk
            }
            // This RIFF never got going: drop it and end the file with the previous one.
            if (!m_sink.Truncate(seg.riffStart)) {
                return false;
            }
            seg.entries.clear();
            return PatchTotals();
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
        if (!m_sink.Truncate(cut)) {
            return false;
        }
        if (CloseSegment() && PatchTotals()) {
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
