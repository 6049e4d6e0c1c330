#include "video/AvHandles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace avhandles {

void FreeFrame::operator()(AVFrame* frame) const {
    av_frame_free(&frame);
}

void FreePacket::operator()(AVPacket* packet) const {
    av_packet_free(&packet);
}

void FreeCodecContext::operator()(AVCodecContext* context) const {
    avcodec_free_context(&context);
}

void CloseInput::operator()(AVFormatContext* format) const {
    avformat_close_input(&format);
}

void FreeOutput::operator()(AVFormatContext* format) const {
    if (format == nullptr) {
        return;
    }
    // Only a file the muxer opened itself; a custom I/O context belongs to whoever made it.
    if (format->oformat != nullptr && !(format->oformat->flags & AVFMT_NOFILE) &&
        !(format->flags & AVFMT_FLAG_CUSTOM_IO)) {
        avio_closep(&format->pb);
    }
    avformat_free_context(format);
}

void FreeResampler::operator()(SwrContext* context) const {
    swr_free(&context);
}

void FreeScaler::operator()(SwsContext* context) const {
    sws_freeContext(context);
}

void FreeAudioFifo::operator()(AVAudioFifo* fifo) const {
    av_audio_fifo_free(fifo);
}

void FreeBufferPool::operator()(AVBufferPool* pool) const {
    av_buffer_pool_uninit(&pool);
}

} // namespace avhandles
