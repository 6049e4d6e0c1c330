#include "video/ProResTiles.h"
#include "video/AvHandles.h"
#include "video/AvSupport.h"
#include "video/FfmpegPicture.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

constexpr int kMacroblock = 16;
// A slice is eight macroblocks wide, the rest of a row is cut into slices of four, two and
// one. The encoder is told so (configure) rather than trusted to keep its default: the tiles
// are cut and stitched at exactly these slice borders.
constexpr int kMacroblocksPerSlice = 8;

// Encoder contexts are made for each tile size met; a worker forgets them all past this.
constexpr size_t kMaxEncodersKept = 24;
// Taller tiles are cut, so that a whole new picture is not converted in one piece (the
// memory that takes at 4K).
constexpr int kMaxTileRows = 16;

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint16_t be16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
void putBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}
void putBe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

std::vector<ProResTiles::Slice> sliceLayout(int width) {
    const int macroblocks = (width + kMacroblock - 1) / kMacroblock;
    std::vector<ProResTiles::Slice> slices;
    int size = kMacroblocksPerSlice;
    for (int x = 0; x < macroblocks; x += size) {
        while (macroblocks - x < size) {
            size /= 2;
        }
        slices.push_back({x, size});
    }
    return slices;
}

// Offsets into a frame: 4 bytes of size, "icpf", the frame header (its first two bytes give
// its length), then one picture: a header whose first byte gives its length in bits (times
// 8), the picture's size, the number of slices and the slice shape, then a table of slice
// sizes and the slices.
constexpr size_t kFrameHeaderAt = 8;
constexpr size_t kWidthInFrameHeader = 8;
constexpr size_t kHeightInFrameHeader = 10;
constexpr size_t kPictureHeaderSize = 8;

} // namespace

void ProResTiles::configure(AVCodecContext* encoder, const Setup& setup, AVDictionary** options) {
    encoder->width = setup.width;
    encoder->height = setup.height;
    encoder->pix_fmt = setup.alpha ? AV_PIX_FMT_YUVA444P10LE : AV_PIX_FMT_YUV422P10LE;
    encoder->color_primaries = AVCOL_PRI_BT709;
    encoder->color_trc = AVCOL_TRC_BT709;
    encoder->colorspace = AVCOL_SPC_BT709;
    encoder->color_range = AVCOL_RANGE_MPEG;
    // A fixed quantiser, not the search for the best one within the profile's bit budget:
    // several times faster, every slice independent of its neighbours (which the tiles rely
    // on), and at 2 the pictures stay far beyond visibly lossless.
    encoder->flags |= AV_CODEC_FLAG_QSCALE;
    encoder->global_quality = setup.quantiser * FF_QP2LAMBDA;
    av_dict_set(options, "profile", setup.alpha ? "4444" : "hq", 0);
    av_dict_set_int(options, "mbs_per_slice", kMacroblocksPerSlice, 0);
}

class ProResTiles::Worker {
public:
    explicit Worker(const Setup& setup)
        : m_setup(setup),
          m_converter(setup.alpha ? AV_PIX_FMT_YUVA444P10LE : AV_PIX_FMT_YUV422P10LE, setup.alpha),
          m_frame(av_frame_alloc()), m_packet(av_packet_alloc()) {}

    std::vector<Tile> tiles;
    ScoreError error; // why run() failed
    std::vector<uint8_t> frameHeader;
    uint8_t sliceShape = 0;

    bool run(const QImage& picture, const std::vector<Slice>& layout,
             std::vector<std::vector<std::vector<uint8_t>>>& slices) {
        for (const Tile& tile : tiles) {
            if (!encodeTile(picture, layout, tile, slices)) {
                return false;
            }
        }
        return true;
    }

private:
    AVCodecContext* encoderFor(int width, int height) {
        if (auto found = m_encoders.find({width, height}); found != m_encoders.end()) {
            return found->second.get();
        }
        if (m_encoders.size() >= kMaxEncodersKept) {
            m_encoders.clear();
        }
        const AVCodec* codec = avcodec_find_encoder_by_name("prores_ks");
        AvCodecContextPtr encoder(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
        if (!encoder) {
            error = Failure({}, MessageId::NoEncoder, {"ProRes", "prores_ks"});
            return nullptr;
        }
        Setup tile = m_setup;
        tile.width = width;
        tile.height = height;
        AVDictionary* options = nullptr;
        configure(encoder.get(), tile, &options);
        encoder->time_base = {1, 25};
        // The slices of a picture with a fixed quantiser are coded one after the other
        // anyway; the tiles are the parallel work.
        encoder->thread_count = 1;
        const int result = avcodec_open2(encoder.get(), codec, &options);
        av_dict_free(&options);
        if (result < 0) {
            error = Failure({}, MessageId::EncoderWontStart, {"ProRes", AvErrorText(result)});
            return nullptr;
        }
        AVCodecContext* opened = encoder.get();
        m_encoders[{width, height}] = std::move(encoder);
        return opened;
    }

    bool encodeTile(const QImage& picture, const std::vector<Slice>& layout, const Tile& tile,
                    std::vector<std::vector<std::vector<uint8_t>>>& slices) {
        const Slice& first = layout[static_cast<size_t>(tile.firstSlice)];
        const Slice& last = layout[static_cast<size_t>(tile.firstSlice + tile.slices - 1)];
        const int left = first.firstMacroblock * kMacroblock;
        const int right =
            std::min((last.firstMacroblock + last.macroblocks) * kMacroblock, m_setup.width);
        const int top = tile.firstRow * kMacroblock;
        const int height = std::min(tile.rows * kMacroblock, m_setup.height - top);
        const QImage area(picture.constBits() +
                              static_cast<qsizetype>(top) * picture.bytesPerLine() +
                              static_cast<qsizetype>(left) * 4,
                          right - left, height, picture.bytesPerLine(), picture.format());
        if (Status converted = m_converter.convert(area, m_frame.get()); !converted) {
            error = converted.error();
            return false;
        }
        AVCodecContext* encoder = encoderFor(right - left, height);
        if (encoder == nullptr) {
            return false;
        }
        m_frame->pts = 0;
        int result = avcodec_send_frame(encoder, m_frame.get());
        if (result >= 0) {
            result = avcodec_receive_packet(encoder, m_packet.get());
        }
        // Let go of the converted pixels at once: at 4K they are many.
        av_frame_unref(m_frame.get());
        if (result < 0) {
            error = Failure({}, MessageId::EncodingFailed, {"ProRes", AvErrorText(result)});
            return false;
        }
        const bool ok = takeSlices(tile, slices);
        av_packet_unref(m_packet.get());
        return ok;
    }

    // Files the tile's slices in their places of the whole picture.
    bool takeSlices(const Tile& tile, std::vector<std::vector<std::vector<uint8_t>>>& slices) {
        const uint8_t* data = m_packet->data;
        const size_t size = static_cast<size_t>(m_packet->size);
        error = Failure({}, MessageId::ProResLayout);
        if (size < kFrameHeaderAt + 2 || be32(data) != size ||
            std::memcmp(data + 4, "icpf", 4) != 0) {
            return false;
        }
        const size_t headerSize = be16(data + kFrameHeaderAt);
        const size_t pictureAt = kFrameHeaderAt + headerSize;
        if (pictureAt + kPictureHeaderSize > size || data[pictureAt] >> 3 != kPictureHeaderSize ||
            be16(data + pictureAt + 5) != tile.rows * tile.slices) {
            return false;
        }
        const uint8_t* table = data + pictureAt + kPictureHeaderSize;
        const uint8_t* slice = table + 2 * tile.rows * tile.slices;
        const uint8_t* end = data + size;
        for (int r = 0; r < tile.rows; ++r) {
            auto& row = slices[static_cast<size_t>(tile.firstRow + r)];
            for (int s = 0; s < tile.slices; ++s) {
                const uint16_t sliceSize = be16(table + 2 * (r * tile.slices + s));
                if (slice + sliceSize > end) {
                    return false;
                }
                row[static_cast<size_t>(tile.firstSlice + s)].assign(slice, slice + sliceSize);
                slice += sliceSize;
            }
        }
        if (frameHeader.empty()) {
            frameHeader.assign(data + kFrameHeaderAt, data + pictureAt);
            sliceShape = data[pictureAt + 7];
        }
        return true;
    }

    Setup m_setup;
    PictureConverter m_converter;
    AvFramePtr m_frame;
    AvPacketPtr m_packet;
    std::map<std::pair<int, int>, AvCodecContextPtr> m_encoders;
};

ProResTiles::ProResTiles(const Setup& setup, int threads)
    : m_setup(setup), m_rows((setup.height + kMacroblock - 1) / kMacroblock),
      m_sliceLayout(sliceLayout(setup.width)),
      m_slices(static_cast<size_t>(m_rows),
               std::vector<std::vector<uint8_t>>(m_sliceLayout.size())) {
    for (int i = 0; i < std::max(1, threads); ++i) {
        m_workers.push_back(std::make_unique<Worker>(setup));
    }
}

ProResTiles::~ProResTiles() = default;

std::vector<ProResTiles::Tile> ProResTiles::changedTiles(const QImage& picture) {
    const int sliceCount = static_cast<int>(m_sliceLayout.size());
    // Per macroblock row the changed slices, first to last (-1: none).
    std::vector<std::pair<int, int>> changed(static_cast<size_t>(m_rows), {0, sliceCount - 1});
    if (m_previous.isNull() || m_previous.format() != picture.format()) {
        m_previous = picture.copy();
    } else {
        const size_t lineBytes = static_cast<size_t>(picture.width()) * 4;
        for (int row = 0; row < m_rows; ++row) {
            const int top = row * kMacroblock;
            const int bottom = std::min(top + kMacroblock, picture.height());
            int lo = sliceCount;
            int hi = -1;
            for (int y = top; y < bottom; ++y) {
                const uchar* now = picture.constScanLine(y);
                const uchar* before = m_previous.constScanLine(y);
                if (std::memcmp(now, before, lineBytes) == 0) {
                    continue;
                }
                for (int s = 0; s < sliceCount; ++s) {
                    const Slice& slice = m_sliceLayout[static_cast<size_t>(s)];
                    const size_t from =
                        static_cast<size_t>(slice.firstMacroblock) * kMacroblock * 4;
                    const size_t to = std::min(
                        lineBytes, static_cast<size_t>(slice.firstMacroblock + slice.macroblocks) *
                                       kMacroblock * 4);
                    if (std::memcmp(now + from, before + from, to - from) != 0) {
                        lo = std::min(lo, s);
                        hi = std::max(hi, s);
                    }
                }
            }
            changed[static_cast<size_t>(row)] = {hi < 0 ? -1 : lo, hi};
            if (hi >= 0) {
                for (int y = top; y < bottom; ++y) {
                    std::memcpy(m_previous.scanLine(y), picture.constScanLine(y), lineBytes);
                }
            }
        }
    }

    // Runs of changed rows become tiles spanning the slices changed in any of their rows.
    // The encoder cuts a tile into slices as it cuts the whole row: eights first, then the
    // short slices of the row's end, whose sizes are falling powers of two.
    std::vector<Tile> tiles;
    for (int row = 0; row < m_rows;) {
        if (changed[static_cast<size_t>(row)].second < 0) {
            ++row;
            continue;
        }
        int lo = sliceCount;
        int hi = -1;
        int end = row;
        while (end < m_rows && end - row < kMaxTileRows &&
               changed[static_cast<size_t>(end)].second >= 0) {
            lo = std::min(lo, changed[static_cast<size_t>(end)].first);
            hi = std::max(hi, changed[static_cast<size_t>(end)].second);
            ++end;
        }
        tiles.push_back({row, end - row, lo, hi - lo + 1});
        row = end;
    }
    return tiles;
}

Status ProResTiles::encode(const QImage& picture, AVPacket* packet) {
    const std::vector<Tile> tiles = changedTiles(picture);

    // About the same number of slices for every worker; a tile is cut between its rows where
    // one worker's share ends.
    int total = 0;
    for (const Tile& tile : tiles) {
        total += tile.rows * tile.slices;
    }
    m_slicesEncoded = total;
    const int workers = static_cast<int>(m_workers.size());
    const int share = (total + workers - 1) / workers;
    for (auto& worker : m_workers) {
        worker->tiles.clear();
    }
    int worker = 0;
    int load = 0;
    for (Tile tile : tiles) {
        while (tile.rows > 0) {
            if (load >= share && worker + 1 < workers) {
                ++worker;
                load = 0;
            }
            const int fit = worker + 1 < workers
                                ? std::max(1, (share - load + tile.slices - 1) / tile.slices)
                                : tile.rows;
            Tile part = tile;
            part.rows = std::min(tile.rows, fit);
            m_workers[static_cast<size_t>(worker)]->tiles.push_back(part);
            load += part.rows * part.slices;
            tile.firstRow += part.rows;
            tile.rows -= part.rows;
        }
    }

    std::vector<std::thread> helpers;
    std::vector<char> ok(m_workers.size(), 1);
    for (size_t i = 1; i < m_workers.size(); ++i) {
        if (!m_workers[i]->tiles.empty()) {
            helpers.emplace_back(
                [&, i] { ok[i] = m_workers[i]->run(picture, m_sliceLayout, m_slices); });
        }
    }
    ok[0] = m_workers[0]->run(picture, m_sliceLayout, m_slices);
    for (std::thread& helper : helpers) {
        helper.join();
    }
    for (size_t i = 0; i < m_workers.size(); ++i) {
        if (!ok[i]) {
            m_previous = QImage(); // the slices kept no longer match it
            return m_workers[i]->error;
        }
        if (m_frameHeader.empty() && !m_workers[i]->frameHeader.empty()) {
            m_frameHeader = m_workers[i]->frameHeader;
            m_sliceShape = m_workers[i]->sliceShape;
            putBe16(m_frameHeader.data() + kWidthInFrameHeader,
                    static_cast<uint16_t>(m_setup.width));
            putBe16(m_frameHeader.data() + kHeightInFrameHeader,
                    static_cast<uint16_t>(m_setup.height));
        }
    }
    return assemble(packet);
}

Status ProResTiles::assemble(AVPacket* packet) const {
    size_t slices = 0;
    size_t sliceBytes = 0;
    for (const auto& row : m_slices) {
        for (const auto& slice : row) {
            ++slices;
            sliceBytes += slice.size();
        }
    }
    const size_t pictureSize = kPictureHeaderSize + 2 * slices + sliceBytes;
    const size_t frameSize = kFrameHeaderAt + m_frameHeader.size() + pictureSize;
    if (m_frameHeader.empty() || frameSize > INT32_MAX ||
        av_new_packet(packet, static_cast<int>(frameSize)) < 0) {
        return Failure({}, MessageId::OutOfMemory);
    }
    uint8_t* out = packet->data;
    putBe32(out, static_cast<uint32_t>(frameSize));
    std::memcpy(out + 4, "icpf", 4);
    out += kFrameHeaderAt;
    std::memcpy(out, m_frameHeader.data(), m_frameHeader.size());
    out += m_frameHeader.size();
    out[0] = kPictureHeaderSize << 3;
    putBe32(out + 1, static_cast<uint32_t>(pictureSize));
    putBe16(out + 5, static_cast<uint16_t>(slices));
    out[7] = m_sliceShape;
    out += kPictureHeaderSize;
    for (const auto& row : m_slices) {
        for (const auto& slice : row) {
            putBe16(out, static_cast<uint16_t>(slice.size()));
            out += 2;
        }
    }
    for (const auto& row : m_slices) {
        for (const auto& slice : row) {
            std::memcpy(out, slice.data(), slice.size());
            out += slice.size();
        }
    }
    packet->flags |= AV_PKT_FLAG_KEY;
    return Done{};
}
