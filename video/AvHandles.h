#pragma once

// Owning handles for FFmpeg's objects. Every file of this folder holds FFmpeg objects
// through these, so that an early return or an exception can never leak or double-free
// one, and nobody writes the free calls by hand.
//
// Each handle frees with the call FFmpeg documents for its object. An output format
// context closes its file first when the muxer opened one (not for AVFMT_NOFILE muxers);
// call avio_closep yourself before the handle goes when the close's result matters (it
// reports the last write's failure).

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace avhandles {
template <typename T, void (*Free)(T**)> struct FreeByAddress {
    void operator()(T* object) const { Free(&object); }
};
template <typename T, void (*Free)(T*)> struct FreeByValue {
    void operator()(T* object) const { Free(object); }
};
inline void CloseInput(AVFormatContext** format) {
    avformat_close_input(format);
}
inline void FreeOutput(AVFormatContext** format) {
    if (*format != nullptr && (*format)->oformat != nullptr &&
        !((*format)->oformat->flags & AVFMT_NOFILE)) {
        avio_closep(&(*format)->pb);
    }
    avformat_free_context(*format);
    *format = nullptr;
}
inline void FreePool(AVBufferPool** pool) {
    av_buffer_pool_uninit(pool);
}
} // namespace avhandles

using AvFramePtr = std::unique_ptr<AVFrame, avhandles::FreeByAddress<AVFrame, av_frame_free>>;
using AvPacketPtr = std::unique_ptr<AVPacket, avhandles::FreeByAddress<AVPacket, av_packet_free>>;
using AvCodecContextPtr =
    std::unique_ptr<AVCodecContext, avhandles::FreeByAddress<AVCodecContext, avcodec_free_context>>;
// A demuxer's context, from avformat_open_input.
using AvInputPtr =
    std::unique_ptr<AVFormatContext,
                    avhandles::FreeByAddress<AVFormatContext, avhandles::CloseInput>>;
// A muxer's context, from avformat_alloc_output_context2.
using AvOutputPtr =
    std::unique_ptr<AVFormatContext,
                    avhandles::FreeByAddress<AVFormatContext, avhandles::FreeOutput>>;
using SwrContextPtr = std::unique_ptr<SwrContext, avhandles::FreeByAddress<SwrContext, swr_free>>;
using SwsContextPtr =
    std::unique_ptr<SwsContext, avhandles::FreeByValue<SwsContext, sws_freeContext>>;
using AvAudioFifoPtr =
    std::unique_ptr<AVAudioFifo, avhandles::FreeByValue<AVAudioFifo, av_audio_fifo_free>>;
using AvBufferPoolPtr =
    std::unique_ptr<AVBufferPool, avhandles::FreeByAddress<AVBufferPool, avhandles::FreePool>>;
