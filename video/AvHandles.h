#pragma once

// Owning handles for FFmpeg's objects. Every file of this folder holds FFmpeg objects
// through these, so that an early return or an exception can never leak or double-free
// one, and nobody writes the free calls by hand. The header names FFmpeg's types only, so
// a class may hold handles without bringing FFmpeg's headers to those who include it.
//
// Each handle frees with the call FFmpeg documents for its object. An output format
// context closes its file first when the muxer opened one (not for AVFMT_NOFILE muxers,
// nor for one given an I/O context of ours, which its owner frees); call avio_closep
// yourself before the handle goes when the close's result matters (it reports the last
// write's failure).

#include <memory>

struct AVAudioFifo;
struct AVBufferPool;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;
struct SwsContext;

namespace avhandles {
struct FreeFrame {
    void operator()(AVFrame* frame) const;
};
struct FreePacket {
    void operator()(AVPacket* packet) const;
};
struct FreeCodecContext {
    void operator()(AVCodecContext* context) const;
};
struct CloseInput {
    void operator()(AVFormatContext* format) const;
};
struct FreeOutput {
    void operator()(AVFormatContext* format) const;
};
struct FreeResampler {
    void operator()(SwrContext* context) const;
};
struct FreeScaler {
    void operator()(SwsContext* context) const;
};
struct FreeAudioFifo {
    void operator()(AVAudioFifo* fifo) const;
};
struct FreeBufferPool {
    void operator()(AVBufferPool* pool) const;
};
} // namespace avhandles

using AvFramePtr = std::unique_ptr<AVFrame, avhandles::FreeFrame>;
using AvPacketPtr = std::unique_ptr<AVPacket, avhandles::FreePacket>;
using AvCodecContextPtr = std::unique_ptr<AVCodecContext, avhandles::FreeCodecContext>;
// A demuxer's context, from avformat_open_input.
using AvInputPtr = std::unique_ptr<AVFormatContext, avhandles::CloseInput>;
// A muxer's context, from avformat_alloc_output_context2.
using AvOutputPtr = std::unique_ptr<AVFormatContext, avhandles::FreeOutput>;
using SwrContextPtr = std::unique_ptr<SwrContext, avhandles::FreeResampler>;
using SwsContextPtr = std::unique_ptr<SwsContext, avhandles::FreeScaler>;
using AvAudioFifoPtr = std::unique_ptr<AVAudioFifo, avhandles::FreeAudioFifo>;
using AvBufferPoolPtr = std::unique_ptr<AVBufferPool, avhandles::FreeBufferPool>;
