#include "video/ProResBands.h"
#include "video/FfmpegPicture.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <map>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

constexpr int kMacroblock = 16;
// The encoder's default: a slice is eight macroblocks wide, the rest of a row is cut into
// slices of four, two and one.
constexpr int kMacroblocksPerSlice = 8;

// Encoder contexts are made for each band height met; a worker forgets them all past this.
constexpr size_t kMaxEncodersKept = 24;

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

int slicesPerRow(int width) {
    const int macroblocks = (width + kMacroblock - 1) / kMacroblock;
    return macroblocks / kMacroblocksPerSlice +
           std::popcount(static_cast<unsigned>(macroblocks % kMacroblocksPerSlice));
}

// Offsets into a frame: 4 bytes of size, "icpf", the frame header (its first two bytes give
// its length), then one picture: a header whose first byte gives its length in bits (times
// 8), the picture's size, the number of slices and the slice shape, then a table of slice
// sizes and the slices.
constexpr size_t kFrameHeaderAt = 8;
constexpr size_t kHeightInFrameHeader = 10;
constexpr size_t kPictureHeaderSize = 8;

} // namespace

void ProResBands::configure(AVCodecContext* encoder, const Setup& setup, AVDictionary** options) {
    encoder->width = setup.width;
    encoder->height = setup.height;
    encoder->pix_fmt = setup.alpha ? AV_PIX_FMT_YUVA444P10LE : AV_PIX_FMT_YUV422P10LE;
    encoder->color_primaries = AVCOL_PRI_BT709;
    encoder->color_trc = AVCOL_TRC_BT709;
    encoder->colorspace = AVCOL_SPC_BT709;
    encoder->color_range = AVCOL_RANGE_MPEG;
    // A fixed quantiser, not the search for the best one within the profile's bit budget:
    // several times faster, every slice independent of its neighbours (which the bands rely
    // on), and at 2 the pictures stay far beyond visibly lossless.
    encoder->flags |= AV_CODEC_FLAG_QSCALE;
    encoder->global_quality = setup.quantiser * FF_QP2LAMBDA;
    av_dict_set(options, "profile", setup.alpha ? "4444" : "hq", 0);
}

class ProResBands::Worker {
public:
    explicit Worker(const Setup& setup)
        : m_setup(setup),
          m_converter(setup.alpha ? AV_PIX_FMT_YUVA444P10LE : AV_PIX_FMT_YUV422P10LE, setup.alpha),
          m_frame(av_frame_alloc()), m_packet(av_packet_alloc()) {}
    ~Worker() {
        forgetEncoders();
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
    }

    std::vector<Piece> pieces;
    std::string error;
    std::vector<uint8_t> frameHeader;
    uint8_t sliceShape = 0;

    bool run(const QImage& picture, std::vector<Row>& rows) {
        for (const Piece& piece : pieces) {
            if (!encodePiece(picture, piece, rows)) {
                return false;
            }
        }
        return true;
    }

private:
    void forgetEncoders() {
        for (auto& [height, encoder] : m_encoders) {
            avcodec_free_context(&encoder);
        }
        m_encoders.clear();
    }

    AVCodecContext* encoderFor(int height) {
        if (auto found = m_encoders.find(height); found != m_encoders.end()) {
            return found->second;
        }
        if (m_encoders.size() >= kMaxEncodersKept) {
            forgetEncoders();
        }
        const AVCodec* codec = avcodec_find_encoder_by_name("prores_ks");
        AVCodecContext* encoder = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
        if (encoder == nullptr) {
            error = "No ProRes encoder";
            return nullptr;
        }
        Setup band = m_setup;
        band.height = height;
        AVDictionary* options = nullptr;
        configure(encoder, band, &options);
        encoder->time_base = {1, 25};
        // The slices of a picture with a fixed quantiser are coded one after the other
        // anyway; the bands are the parallel work.
        encoder->thread_count = 1;
        const int result = avcodec_open2(encoder, codec, &options);
        av_dict_free(&options);
        if (result < 0) {
            avcodec_free_context(&encoder);
            error = "Cannot start the ProRes encoder";
            return nullptr;
        }
        m_encoders[height] = encoder;
        return encoder;
    }

    bool encodePiece(const QImage& picture, const Piece& piece, std::vector<Row>& rows) {
        const int top = piece.firstRow * kMacroblock;
        const int height = std::min(piece.rows * kMacroblock, m_setup.height - top);
        const QImage band(picture.constBits() +
                              static_cast<qsizetype>(top) * picture.bytesPerLine(),
                          picture.width(), height, picture.bytesPerLine(), picture.format());
        if (!m_converter.convert(band, m_frame, error)) {
            return false;
        }
        AVCodecContext* encoder = encoderFor(height);
        if (encoder == nullptr) {
            return false;
        }
        m_frame->pts = 0;
        if (avcodec_send_frame(encoder, m_frame) < 0 ||
            avcodec_receive_packet(encoder, m_packet) < 0) {
            error = "ProRes encoding failed";
            return false;
        }
        const bool ok = takeSlices(piece, rows);
        av_packet_unref(m_packet);
        return ok;
    }

    // Files the band's slices under their rows of the whole picture.
    bool takeSlices(const Piece& piece, std::vector<Row>& rows) {
        const uint8_t* data = m_packet->data;
        const size_t size = static_cast<size_t>(m_packet->size);
        const int perRow = slicesPerRow(m_setup.width);
        error = "Unexpected ProRes frame layout";
        if (size < kFrameHeaderAt + 2 || be32(data) != size ||
            std::memcmp(data + 4, "icpf", 4) != 0) {
            return false;
        }
        const size_t headerSize = be16(data + kFrameHeaderAt);
        const size_t pictureAt = kFrameHeaderAt + headerSize;
        if (pictureAt + kPictureHeaderSize > size || data[pictureAt] >> 3 != kPictureHeaderSize) {
            return false;
        }
        const int slices = be16(data + pictureAt + 5);
        if (slices != piece.rows * perRow) {
            return false;
        }
        const uint8_t* table = data + pictureAt + kPictureHeaderSize;
        const uint8_t* slice = table + 2 * slices;
        const uint8_t* end = data + size;
        if (slice > end) {
            return false;
        }
        for (int r = 0; r < piece.rows; ++r) {
            Row& row = rows[static_cast<size_t>(piece.firstRow + r)];
            row.sliceSizes.resize(static_cast<size_t>(perRow));
            const uint8_t* rowStart = slice;
            for (int s = 0; s < perRow; ++s) {
                const uint16_t sliceSize = be16(table + 2 * (r * perRow + s));
                row.sliceSizes[static_cast<size_t>(s)] = sliceSize;
                slice += sliceSize;
            }
            if (slice > end) {
                return false;
            }
            row.bytes.assign(rowStart, slice);
        }
        if (frameHeader.empty()) {
            frameHeader.assign(data + kFrameHeaderAt, data + pictureAt);
            sliceShape = data[pictureAt + 7];
        }
        error.clear();
        return true;
    }

    Setup m_setup;
    PictureConverter m_converter;
    AVFrame* m_frame;
    AVPacket* m_packet;
    std::map<int, AVCodecContext*> m_encoders;
};

ProResBands::ProResBands(const Setup& setup, int threads)
    : m_setup(setup), m_mbRows((setup.height + kMacroblock - 1) / kMacroblock),
      m_rows(static_cast<size_t>(m_mbRows)) {
    for (int i = 0; i < std::max(1, threads); ++i) {
        m_workers.push_back(std::make_unique<Worker>(setup));
    }
}

ProResBands::~ProResBands() = default;

std::vector<bool> ProResBands::changedRows(const QImage& picture) {
    std::vector<bool> changed(static_cast<size_t>(m_mbRows), true);
    if (m_previous.isNull() || m_previous.format() != picture.format()) {
        m_previous = picture.copy();
        return changed;
    }
    const size_t lineBytes = static_cast<size_t>(picture.width()) * 4;
    for (int row = 0; row < m_mbRows; ++row) {
        const int top = row * kMacroblock;
        const int bottom = std::min(top + kMacroblock, picture.height());
        bool same = true;
        for (int y = top; y < bottom && same; ++y) {
            same =
                std::memcmp(picture.constScanLine(y), m_previous.constScanLine(y), lineBytes) == 0;
        }
        changed[static_cast<size_t>(row)] = !same;
        if (!same) {
            for (int y = top; y < bottom; ++y) {
                std::memcpy(m_previous.scanLine(y), picture.constScanLine(y), lineBytes);
            }
        }
    }
    return changed;
}

bool ProResBands::encode(const QImage& picture, AVPacket* packet, std::string& error) {
    const std::vector<bool> changed = changedRows(picture);
    m_rowsEncoded = static_cast<int>(std::count(changed.begin(), changed.end(), true));

    // Contiguous pieces of changed rows, about the same number of rows for every worker.
    const int workers = std::min(static_cast<int>(m_workers.size()), std::max(1, m_rowsEncoded));
    const int share = (m_rowsEncoded + workers - 1) / std::max(1, workers);
    for (auto& worker : m_workers) {
        worker->pieces.clear();
    }
    int worker = 0;
    int taken = 0;
    for (int row = 0; row < m_mbRows; ++row) {
        if (!changed[static_cast<size_t>(row)]) {
            continue;
        }
        if (taken == share) {
            ++worker;
            taken = 0;
        }
        auto& pieces = m_workers[static_cast<size_t>(worker)]->pieces;
        if (taken > 0 && pieces.back().firstRow + pieces.back().rows == row) {
            ++pieces.back().rows;
        } else {
            pieces.push_back({row, 1});
        }
        ++taken;
    }

    std::vector<std::thread> helpers;
    std::vector<char> ok(m_workers.size(), 1);
    for (size_t i = 1; i < m_workers.size(); ++i) {
        if (!m_workers[i]->pieces.empty()) {
            helpers.emplace_back([&, i] { ok[i] = m_workers[i]->run(picture, m_rows); });
        }
    }
    ok[0] = m_workers[0]->run(picture, m_rows);
    for (std::thread& helper : helpers) {
        helper.join();
    }
    for (size_t i = 0; i < m_workers.size(); ++i) {
        if (!ok[i]) {
            error = m_workers[i]->error;
            m_previous = QImage(); // the rows kept no longer match it
            return false;
        }
        if (m_frameHeader.empty() && !m_workers[i]->frameHeader.empty()) {
            m_frameHeader = m_workers[i]->frameHeader;
            m_sliceShape = m_workers[i]->sliceShape;
            putBe16(m_frameHeader.data() + kHeightInFrameHeader,
                    static_cast<uint16_t>(m_setup.height));
        }
    }
    return assemble(packet, error);
}

bool ProResBands::assemble(AVPacket* packet, std::string& error) const {
    size_t slices = 0;
    size_t sliceBytes = 0;
    for (const Row& row : m_rows) {
        slices += row.sliceSizes.size();
        sliceBytes += row.bytes.size();
    }
    const size_t pictureSize = kPictureHeaderSize + 2 * slices + sliceBytes;
    const size_t frameSize = kFrameHeaderAt + m_frameHeader.size() + pictureSize;
    if (m_frameHeader.empty() || frameSize > INT32_MAX ||
        av_new_packet(packet, static_cast<int>(frameSize)) < 0) {
        error = "Out of memory for a ProRes frame";
        return false;
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
    for (const Row& row : m_rows) {
        for (uint16_t size : row.sliceSizes) {
            putBe16(out, size);
            out += 2;
        }
    }
    for (const Row& row : m_rows) {
        std::memcpy(out, row.bytes.data(), row.bytes.size());
        out += row.bytes.size();
    }
    packet->flags |= AV_PKT_FLAG_KEY;
    return true;
}
