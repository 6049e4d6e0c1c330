#pragma once

// ProRes pictures encoded tile by tile. ProRes codes every slice (up to eight macroblocks of
// one macroblock row) on its own, and with a fixed quantiser a slice's bytes depend on its
// pixels alone. A picture that differs from the previous one in a few places therefore needs
// only the slices there encoded again: the changed slices are gathered into rectangles of
// whole slices (tiles), each tile is converted and encoded as a picture of its own (tiles
// shared out over threads), and its slices go into the frame in their place. The frame is
// byte for byte the one libavcodec's ProRes encoder gives for the whole picture.

#include "score/Result.h"

#include <QImage>

#include <memory>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVDictionary;
struct AVPacket;

class ProResTiles {
public:
    struct Setup {
        int width = 0;
        int height = 0;
        bool alpha = false; // 4444 with alpha, otherwise 422 HQ
        int quantiser = 2;
    };

    // The encoder settings for pictures of the setup, shared by the tiles and the stream's
    // description.
    static void configure(AVCodecContext* encoder, const Setup& setup, AVDictionary** options);

    ProResTiles(const Setup& setup, int threads);
    ~ProResTiles();
    ProResTiles(const ProResTiles&) = delete;
    ProResTiles& operator=(const ProResTiles&) = delete;

    // The frame for picture (the setup's size; Format_RGB32, Format_ARGB32 or
    // Format_ARGB32_Premultiplied) in packet. The reason of a failure names no file.
    Status encode(const QImage& picture, AVPacket* packet);
    // Slices the last encode() coded again.
    int slicesEncoded() const { return m_slicesEncoded; }

    // Where the slices of a macroblock row lie: eight macroblocks each, the rest of the row
    // cut into slices of four, two and one.
    struct Slice {
        int firstMacroblock;
        int macroblocks;
    };
    // A rectangle of slices: rows of macroblocks by slices of a row.
    struct Tile {
        int firstRow;
        int rows;
        int firstSlice;
        int slices;
    };

private:
    class Worker;

    std::vector<Tile> changedTiles(const QImage& picture);
    Status assemble(AVPacket* packet) const;

    Setup m_setup;
    int m_rows;
    std::vector<Slice> m_sliceLayout;
    std::vector<std::unique_ptr<Worker>> m_workers;
    QImage m_previous; // a copy of its own, to find what changed
    // The coded slices of the current picture, row by row.
    std::vector<std::vector<std::vector<uint8_t>>> m_slices;
    std::vector<uint8_t> m_frameHeader; // from a tile, with the whole picture's size
    uint8_t m_sliceShape = 0;
    int m_slicesEncoded = 0;
};
