#pragma once

// ProRes pictures encoded in horizontal bands. ProRes codes every slice (up to eight
// macroblocks of one macroblock row) on its own, and with a fixed quantiser a slice's bytes
// depend on its pixels alone. A picture that differs from the previous one in a few
// macroblock rows therefore needs only those rows encoded again, and the rows to encode can
// be shared out over threads: each band is encoded as a picture of its own and its slices go
// into the frame in their place. The frame is byte for byte the one libavcodec's ProRes
// encoder gives for the whole picture.

#include <QImage>

#include <memory>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVDictionary;
struct AVPacket;

class ProResBands {
public:
    struct Setup {
        int width = 0;
        int height = 0;
        bool alpha = false; // 4444 with alpha, otherwise 422 HQ
        int quantiser = 2;
    };

    // The encoder settings for pictures of the setup, shared by the bands and the stream's
    // description.
    static void configure(AVCodecContext* encoder, const Setup& setup, AVDictionary** options);

    ProResBands(const Setup& setup, int threads);
    ~ProResBands();
    ProResBands(const ProResBands&) = delete;
    ProResBands& operator=(const ProResBands&) = delete;

    // The frame for picture (the setup's size; Format_RGB32, Format_ARGB32 or
    // Format_ARGB32_Premultiplied) in packet.
    bool encode(const QImage& picture, AVPacket* packet, std::string& error);
    // Macroblock rows the last encode() coded again.
    int rowsEncoded() const { return m_rowsEncoded; }

private:
    struct Row {
        std::vector<uint16_t> sliceSizes;
        std::vector<uint8_t> bytes;
    };
    struct Piece {
        int firstRow;
        int rows;
    };
    class Worker;

    std::vector<bool> changedRows(const QImage& picture);
    bool assemble(AVPacket* packet, std::string& error) const;

    Setup m_setup;
    int m_mbRows;
    std::vector<std::unique_ptr<Worker>> m_workers;
    QImage m_previous; // a copy of its own, to find the rows that changed
    std::vector<Row> m_rows;
    std::vector<uint8_t> m_frameHeader; // from a band, with the whole picture's height
    uint8_t m_sliceShape = 0;
    int m_rowsEncoded = 0;
};
