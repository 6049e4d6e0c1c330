#include "video/BurnIn.h"

#include "video/AvSupport.h"
#include "video/Clips.h"
#include "video/Footage.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QRect>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace {

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// Row and plane alignment of the frames we fill ourselves, enough for every SIMD width.
constexpr int kFrameAlign = 64;

// The board turned into the footage's YUV 4:2:0 once per distinct picture, so that laying
// it over a frame costs a multiply-add per sample of its rectangle. Every sample is stored
// premultiplied, scaled by 65536: out = (value + in * keep + 32768) >> 16, with keep the
// part of the frame that shows through.
class BoardOverlay {
public:
    void Build(const QImage& board, const QRect& area, const QPoint& boardPos, AVColorSpace matrix,
               bool fullRange);
    void Blend(AVFrame* frame) const;

private:
    struct Sample {
        uint32_t value;
        uint32_t keep;
    };
    QRect m_luma;   // in frame pixels
    QRect m_chroma; // in chroma pixels
    std::vector<Sample> m_y, m_u, m_v;
};

void BoardOverlay::Build(const QImage& board, const QRect& area, const QPoint& boardPos,
                         AVColorSpace matrix, bool fullRange) {
    double kr = 0.299, kb = 0.114;
    switch (matrix) {
    case AVCOL_SPC_BT709:
        kr = 0.2126, kb = 0.0722;
        break;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        kr = 0.2627, kb = 0.0593;
        break;
    case AVCOL_SPC_SMPTE240M:
        kr = 0.212, kb = 0.087;
        break;
    default:
        break;
    }
    const double kg = 1.0 - kr - kb;
    const double yScale = fullRange ? 255.0 : 219.0;
    const double yFloor = fullRange ? 0.0 : 16.0;
    const double cScale = fullRange ? 255.0 : 224.0;

    m_luma = area;
    m_chroma =
        QRect(QPoint(area.left() / 2, area.top() / 2), QPoint(area.right() / 2, area.bottom() / 2));
    m_y.assign(size_t(area.width()) * area.height(), {});
    // Chroma sums over up to four luma samples; pixels of a 2 x 2 block outside the board
    // count as fully transparent.
    struct Sum {
        double u = 0, v = 0, keep = 0;
    };
    std::vector<Sum> sums(size_t(m_chroma.width()) * m_chroma.height());

    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* line =
            reinterpret_cast<const QRgb*>(board.constScanLine(y - boardPos.y())) - boardPos.x();
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb pixel = line[x];
            const double a = qAlpha(pixel) / 255.0;
            const double r = qRed(pixel) / 255.0, g = qGreen(pixel) / 255.0,
                         b = qBlue(pixel) / 255.0;
            const double luma = kr * r + kg * g + kb * b;
            const double yp = a * yFloor + yScale * luma;
            const double up = a * 128.0 + cScale * (b - luma) / (2.0 * (1.0 - kb));
            const double vp = a * 128.0 + cScale * (r - luma) / (2.0 * (1.0 - kr));
            m_y[size_t(y - area.top()) * area.width() + (x - area.left())] = {
                uint32_t(std::lround(std::clamp(yp, 0.0, 255.0) * 65536.0)),
                uint32_t(std::lround((1.0 - a) * 65536.0))};
            Sum& sum =
                sums[size_t(y / 2 - m_chroma.top()) * m_chroma.width() + (x / 2 - m_chroma.left())];
            sum.u += up;
            sum.v += vp;
            sum.keep += 1.0 - a;
        }
    }
    m_u.resize(sums.size());
    m_v.resize(sums.size());
    for (int cy = m_chroma.top(); cy <= m_chroma.bottom(); ++cy) {
        for (int cx = m_chroma.left(); cx <= m_chroma.right(); ++cx) {
            const size_t i =
                size_t(cy - m_chroma.top()) * m_chroma.width() + (cx - m_chroma.left());
            // Luma samples of the block that lie outside the board area.
            const int inside =
                (std::min(2 * cx + 1, area.right()) - std::max(2 * cx, area.left()) + 1) *
                (std::min(2 * cy + 1, area.bottom()) - std::max(2 * cy, area.top()) + 1);
            const double keep = (sums[i].keep + (4 - inside)) / 4.0;
            m_u[i] = {uint32_t(std::lround(std::clamp(sums[i].u / 4.0, 0.0, 255.0) * 65536.0)),
                      uint32_t(std::lround(keep * 65536.0))};
            m_v[i] = {uint32_t(std::lround(std::clamp(sums[i].v / 4.0, 0.0, 255.0) * 65536.0)),
                      m_u[i].keep};
        }
    }
}

void BoardOverlay::Blend(AVFrame* frame) const {
    auto blendPlane = [](uint8_t* plane, int stride, const QRect& rect,
                         const std::vector<Sample>& samples) {
        const Sample* sample = samples.data();
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            uint8_t* out = plane + ptrdiff_t(y) * stride + rect.left();
            for (int x = 0; x < rect.width(); ++x, ++sample) {
                out[x] = uint8_t((sample->value + out[x] * sample->keep + 32768) >> 16);
            }
        }
    };
    if (m_y.empty()) {
        return;
    }
    blendPlane(frame->data[0], frame->linesize[0], m_luma, m_y);
    blendPlane(frame->data[1], frame->linesize[1], m_chroma, m_u);
    blendPlane(frame->data[2], frame->linesize[2], m_chroma, m_v);
}

template <typename T, void (*Free)(T**)> struct AvDeleter {
    void operator()(T* p) const { Free(&p); }
};
void FreeOutput(AVFormatContext** format) {
    if (*format != nullptr && !((*format)->oformat->flags & AVFMT_NOFILE)) {
        avio_closep(&(*format)->pb);
    }
    avformat_free_context(*format);
    *format = nullptr;
}
using CodecPtr = std::unique_ptr<AVCodecContext, AvDeleter<AVCodecContext, avcodec_free_context>>;
using FramePtr = std::unique_ptr<AVFrame, AvDeleter<AVFrame, av_frame_free>>;
using PacketPtr = std::unique_ptr<AVPacket, AvDeleter<AVPacket, av_packet_free>>;
using OutputPtr = std::unique_ptr<AVFormatContext, AvDeleter<AVFormatContext, FreeOutput>>;
using ResamplerPtr = std::unique_ptr<SwrContext, AvDeleter<SwrContext, swr_free>>;
struct FifoDeleter {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
struct PoolDeleter {
    void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
};
struct ScalerDeleter {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

// One burn-in: the footage read once, front to back, and the output written alongside.
class BurnJob {
public:
    BurnJob(const BurnSettings& settings, const QSize& boardSize)
        : m_settings(settings), m_boardSize(boardSize) {}
    BurnResult Run(const BoardSource& board, const BurnProgressSink& progress,
                   const std::function<bool()>& shouldStop);

private:
    bool Fail(const std::string& message);
    bool FailAv(const std::string& what, int code);
    bool OpenOutput();
    bool OpenVideoEncoder();
    bool OpenAudio();
    bool Write(AVPacket* packet, const AVStream* stream, AVRational from);
    bool DrainVideo();
    bool EncodeVideo(AVFrame* frame);
    void OnAudioPacket(AVPacket* packet);
    bool EncodeAudio(bool flush);
    bool PrepareFrame();

    const BurnSettings& m_settings;
    QSize m_boardSize;
    std::string m_error;
    std::unique_ptr<Footage> m_footage;
    OutputPtr m_output;

    AVStream* m_videoIn = nullptr;
    AVStream* m_videoOut = nullptr;
    CodecPtr m_videoEncoder;
    AVColorSpace m_matrix = AVCOL_SPC_UNSPECIFIED;
    bool m_fullRange = false;
    FramePtr m_work{av_frame_alloc()};
    std::unique_ptr<SwsContext, ScalerDeleter> m_scaler;
    std::unique_ptr<AVBufferPool, PoolDeleter> m_pool;
    int64_t m_lastPts = INT64_MIN;
    int64_t m_nominalDuration = 0;
    std::map<int64_t, int64_t> m_durations; // by pts, until the encoder hands the frame out
    PacketPtr m_packet{av_packet_alloc()};

    AVStream* m_audioIn = nullptr;
    AVStream* m_audioOut = nullptr;
    int64_t m_audioShift = 0;
    CodecPtr m_audioDecoder;
    CodecPtr m_audioEncoder;
    ResamplerPtr m_resampler;
    std::unique_ptr<AVAudioFifo, FifoDeleter> m_fifo;
    FramePtr m_audioFrame{av_frame_alloc()};
    int64_t m_audioNextPts = AV_NOPTS_VALUE;
};

bool BurnJob::Fail(const std::string& message) {
    if (m_error.empty()) {
        m_error = message;
    }
    return false;
}

bool BurnJob::FailAv(const std::string& what, int code) {
    return Fail(what + ": " + AvErrorText(code));
}

bool BurnJob::OpenOutput() {
    const std::string& path = m_settings.outputPath;
    std::error_code ec;
    if (std::filesystem::equivalent(m_settings.footagePath, path, ec)) {
        return Fail("The output " + Quoted(path) + " is the footage itself");
    }
    AVFormatContext* output = nullptr;
    int code = avformat_alloc_output_context2(&output, nullptr, nullptr, path.c_str());
    if (code < 0 || output == nullptr) {
        return Fail("Cannot tell the kind of video file to write from the name " + Quoted(path));
    }
    m_output.reset(output);
    return true;
}

bool BurnJob::OpenVideoEncoder() {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) {
        return Fail("This build of FFmpeg has no H.264 encoder (libx264)");
    }
    const AVCodecParameters* in = m_videoIn->codecpar;
    m_videoEncoder.reset(avcodec_alloc_context3(codec));
    AVCodecContext* encoder = m_videoEncoder.get();
    encoder->width = in->width;
    encoder->height = in->height;
    encoder->sample_aspect_ratio = in->sample_aspect_ratio;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    // The footage's own time base keeps every time stamp as it was, variable rates included.
    encoder->time_base = m_videoIn->time_base;
    const FootageInfo& info = m_footage->Info();
    if (info.rateNum > 0) {
        encoder->framerate = {info.rateNum, info.rateDen};
        m_nominalDuration = av_rescale_q(1, av_inv_q(encoder->framerate), encoder->time_base);
    }
    m_fullRange = IsFullRange(in->format, in->color_range);
    m_matrix = PictureMatrix(in->color_space, in->width, in->height);
    encoder->color_range = m_fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    encoder->colorspace = m_matrix;
    const bool hd = m_matrix == AVCOL_SPC_BT709;
    encoder->color_primaries = in->color_primaries != AVCOL_PRI_UNSPECIFIED
                                   ? in->color_primaries
                                   : (hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M);
    encoder->color_trc = in->color_trc != AVCOL_TRC_UNSPECIFIED
                             ? in->color_trc
                             : (hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M);
    encoder->chroma_sample_location = in->chroma_location;
    encoder->thread_count = 0;
    if (m_output->oformat->flags & AVFMT_GLOBALHEADER) {
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVDictionary* options = nullptr;
    const int crf = m_settings.crf >= 0 ? m_settings.crf : kDefaultBurnCrf;
    av_dict_set_int(&options, "crf", crf, 0);
    av_dict_set(&options, "preset",
                m_settings.preset.empty() ? kDefaultBurnPreset : m_settings.preset.c_str(), 0);
    int code = avcodec_open2(encoder, codec, &options);
    const bool unknownOption = av_dict_count(options) > 0;
    av_dict_free(&options);
    if (code < 0) {
        return FailAv(
            "Cannot start the H.264 encoder (preset " +
                (m_settings.preset.empty() ? std::string(kDefaultBurnPreset) : m_settings.preset) +
                ", crf " + std::to_string(crf) + ")",
            code);
    }
    if (unknownOption) {
        return Fail("The H.264 encoder did not take its settings");
    }
    m_videoOut = avformat_new_stream(m_output.get(), nullptr);
    avcodec_parameters_from_context(m_videoOut->codecpar, encoder);
    m_videoOut->time_base = encoder->time_base;
    m_videoOut->avg_frame_rate = m_videoIn->avg_frame_rate;
    m_videoOut->r_frame_rate = m_videoIn->r_frame_rate;
    m_videoOut->sample_aspect_ratio = in->sample_aspect_ratio;
    return true;
}

bool BurnJob::OpenAudio() {
    m_audioIn = m_footage->AudioStream();
    if (m_audioIn == nullptr) {
        return true;
    }
    m_audioShift = m_footage->StartIn(m_audioIn);
    const AVCodecParameters* in = m_audioIn->codecpar;
    m_audioOut = avformat_new_stream(m_output.get(), nullptr);
    if (avformat_query_codec(m_output->oformat, in->codec_id, FF_COMPLIANCE_NORMAL) == 1) {
        avcodec_parameters_copy(m_audioOut->codecpar, in);
        m_audioOut->codecpar->codec_tag = 0;
        m_audioOut->time_base = m_audioIn->time_base;
        return true;
    }

    // The container does not take the footage's audio as it is: decode and encode to AAC.
    const AVCodec* decoder = avcodec_find_decoder(in->codec_id);
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (decoder == nullptr || encoder == nullptr) {
        return Fail(std::string("Cannot convert the footage's audio (") +
                    avcodec_get_name(in->codec_id) + ") to AAC");
    }
    m_audioDecoder.reset(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(m_audioDecoder.get(), in);
    m_audioDecoder->pkt_timebase = m_audioIn->time_base;
    int code = avcodec_open2(m_audioDecoder.get(), decoder, nullptr);
    if (code < 0) {
        return FailAv("Cannot decode the footage's audio", code);
    }
    m_audioEncoder.reset(avcodec_alloc_context3(encoder));
    AVCodecContext* aac = m_audioEncoder.get();
    aac->sample_fmt = AV_SAMPLE_FMT_FLTP;
    // AAC knows a fixed list of rates; anything else becomes 48 kHz.
    aac->sample_rate = 48000;
    for (const int* rate = encoder->supported_samplerates; rate && *rate; ++rate) {
        if (*rate == m_audioDecoder->sample_rate) {
            aac->sample_rate = *rate;
        }
    }
    const int channels = m_audioDecoder->ch_layout.nb_channels;
    av_channel_layout_default(&aac->ch_layout, channels == 1 ? 1 : 2);
    aac->bit_rate = 96000LL * aac->ch_layout.nb_channels;
    aac->time_base = {1, aac->sample_rate};
    if (m_output->oformat->flags & AVFMT_GLOBALHEADER) {
        aac->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    code = avcodec_open2(aac, encoder, nullptr);
    if (code < 0) {
        return FailAv("Cannot start the AAC encoder", code);
    }
    AVChannelLayout inLayout;
    if (m_audioDecoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&inLayout, channels);
    } else {
        av_channel_layout_copy(&inLayout, &m_audioDecoder->ch_layout);
    }
    SwrContext* resampler = nullptr;
    code = swr_alloc_set_opts2(&resampler, &aac->ch_layout, aac->sample_fmt, aac->sample_rate,
                               &inLayout, m_audioDecoder->sample_fmt, m_audioDecoder->sample_rate,
                               0, nullptr);
    av_channel_layout_uninit(&inLayout);
    m_resampler.reset(resampler);
    if (code < 0 || (code = swr_init(resampler)) < 0) {
        return FailAv("Cannot convert the footage's audio", code);
    }
    m_fifo.reset(av_audio_fifo_alloc(aac->sample_fmt, aac->ch_layout.nb_channels, aac->frame_size));
    avcodec_parameters_from_context(m_audioOut->codecpar, aac);
    m_audioOut->time_base = aac->time_base;
    return true;
}

bool BurnJob::Write(AVPacket* packet, const AVStream* stream, AVRational from) {
    packet->stream_index = stream->index;
    av_packet_rescale_ts(packet, from, stream->time_base);
    packet->pos = -1;
    const int code = av_interleaved_write_frame(m_output.get(), packet);
    if (code < 0) {
        return FailAv("Cannot write " + Quoted(m_settings.outputPath), code);
    }
    return true;
}

void BurnJob::OnAudioPacket(AVPacket* packet) {
    if (!m_error.empty() || m_audioOut == nullptr) {
        return;
    }
    if (!m_audioDecoder) {
        if (packet->pts != AV_NOPTS_VALUE) {
            packet->pts -= m_audioShift;
        }
        if (packet->dts != AV_NOPTS_VALUE) {
            packet->dts -= m_audioShift;
        }
        Write(packet, m_audioOut, m_audioIn->time_base);
        return;
    }
    int code = avcodec_send_packet(m_audioDecoder.get(), packet);
    if (code < 0 && code != AVERROR_INVALIDDATA) {
        FailAv("Cannot decode the footage's audio", code);
        return;
    }
    EncodeAudio(false);
}

// Moves decoded audio through the resampler and the FIFO into the AAC encoder, in frames
// of the encoder's size; flush also sends out what is left.
bool BurnJob::EncodeAudio(bool flush) {
    AVCodecContext* aac = m_audioEncoder.get();
    AVFrame* decoded = m_audioFrame.get();
    auto resample = [&](const AVFrame* in) {
        const int room = swr_get_out_samples(m_resampler.get(), in ? in->nb_samples : 0);
        if (room <= 0) {
            return true;
        }
        std::vector<uint8_t*> planes(size_t(aac->ch_layout.nb_channels));
        if (av_samples_alloc(planes.data(), nullptr, aac->ch_layout.nb_channels, room,
                             aac->sample_fmt, 0) < 0) {
            return Fail("Out of memory while converting the audio");
        }
        const int got = swr_convert(m_resampler.get(), planes.data(), room,
                                    in ? const_cast<const uint8_t**>(in->extended_data) : nullptr,
                                    in ? in->nb_samples : 0);
        if (got > 0) {
            av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(planes.data()), got);
        }
        av_freep(&planes[0]);
        return got >= 0 || FailAv("Cannot convert the footage's audio", got);
    };
    auto encode = [&](AVFrame* frame) {
        int code = avcodec_send_frame(aac, frame);
        if (code < 0) {
            return FailAv("Cannot encode the audio", code);
        }
        while ((code = avcodec_receive_packet(aac, m_packet.get())) == 0) {
            if (!Write(m_packet.get(), m_audioOut, aac->time_base)) {
                return false;
            }
        }
        return code == AVERROR(EAGAIN) || code == AVERROR_EOF ||
               FailAv("Cannot encode the audio", code);
    };

    if (flush) {
        avcodec_send_packet(m_audioDecoder.get(), nullptr);
    }
    while (avcodec_receive_frame(m_audioDecoder.get(), decoded) == 0) {
        if (m_audioNextPts == AV_NOPTS_VALUE) {
            m_audioNextPts = decoded->pts == AV_NOPTS_VALUE
                                 ? 0
                                 : av_rescale_q(decoded->pts - m_audioShift, m_audioIn->time_base,
                                                aac->time_base);
        }
        const bool ok = resample(decoded);
        av_frame_unref(decoded);
        if (!ok) {
            return false;
        }
    }
    if (flush && !resample(nullptr)) {
        return false;
    }
    const int size = aac->frame_size;
    while (av_audio_fifo_size(m_fifo.get()) >= size ||
           (flush && av_audio_fifo_size(m_fifo.get()) > 0)) {
        FramePtr frame(av_frame_alloc());
        frame->nb_samples = std::min(size, av_audio_fifo_size(m_fifo.get()));
        frame->format = aac->sample_fmt;
        frame->sample_rate = aac->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &aac->ch_layout);
        if (av_frame_get_buffer(frame.get(), 0) < 0) {
            return Fail("Out of memory while encoding the audio");
        }
        av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->data), frame->nb_samples);
        frame->pts = m_audioNextPts;
        m_audioNextPts += frame->nb_samples;
        if (!encode(frame.get())) {
            return false;
        }
    }
    return !flush || encode(nullptr);
}

bool BurnJob::DrainVideo() {
    int code;
    AVCodecContext* encoder = m_videoEncoder.get();
    while ((code = avcodec_receive_packet(encoder, m_packet.get())) == 0) {
        auto it = m_durations.find(m_packet->pts);
        if (it != m_durations.end()) {
            if (m_packet->duration <= 0) {
                m_packet->duration = it->second;
            }
            m_durations.erase(it);
        }
        if (!Write(m_packet.get(), m_videoOut, encoder->time_base)) {
            return false;
        }
    }
    return code == AVERROR(EAGAIN) || code == AVERROR_EOF ||
           FailAv("Cannot encode the video", code);
}

bool BurnJob::EncodeVideo(AVFrame* frame) {
    const int code = avcodec_send_frame(m_videoEncoder.get(), frame);
    if (code < 0) {
        return FailAv("Cannot encode the video", code);
    }
    return DrainVideo();
}

// Turns the footage's current frame into m_work: a writable YUV 4:2:0 frame with the
// output's time stamp. 8-bit 4:2:0 frames go through as they are (copied only when the
// decoder still refers to them); other formats are converted.
bool BurnJob::PrepareFrame() {
    AVFrame* decoded = m_footage->Frame();
    AVFrame* work = m_work.get();
    av_frame_unref(work);
    if (decoded->width != m_videoEncoder->width || decoded->height != m_videoEncoder->height) {
        return Fail("The footage changes its picture size from " +
                    std::to_string(m_videoEncoder->width) + " x " +
                    std::to_string(m_videoEncoder->height) + " to " +
                    std::to_string(decoded->width) + " x " + std::to_string(decoded->height));
    }
    const bool planar420 =
        decoded->format == AV_PIX_FMT_YUV420P || decoded->format == AV_PIX_FMT_YUVJ420P;
    if (planar420 && av_frame_is_writable(decoded)) {
        av_frame_move_ref(work, decoded);
    } else {
        // A picture the decoder still refers to, or one to convert: into a buffer of our
        // own, reused from frame to frame so that no fresh memory is touched each time.
        work->format = AV_PIX_FMT_YUV420P;
        work->width = decoded->width;
        work->height = decoded->height;
        if (m_pool == nullptr) {
            const int size = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, work->width, work->height,
                                                      kFrameAlign);
            m_pool.reset(size > 0 ? av_buffer_pool_init(size_t(size), nullptr) : nullptr);
        }
        work->buf[0] = m_pool ? av_buffer_pool_get(m_pool.get()) : nullptr;
        if (work->buf[0] == nullptr) {
            return Fail("Out of memory for a video frame");
        }
        av_image_fill_arrays(work->data, work->linesize, work->buf[0]->data, AV_PIX_FMT_YUV420P,
                             work->width, work->height, kFrameAlign);
        av_frame_copy_props(work, decoded);
        if (planar420) {
            av_frame_copy(work, decoded);
        } else {
            m_scaler.reset(sws_getCachedContext(m_scaler.release(), decoded->width, decoded->height,
                                                static_cast<AVPixelFormat>(decoded->format),
                                                work->width, work->height, AV_PIX_FMT_YUV420P,
                                                SWS_BICUBIC, nullptr, nullptr, nullptr));
            if (!m_scaler) {
                return Fail(std::string("Cannot convert the footage's pictures (") +
                            av_get_pix_fmt_name(static_cast<AVPixelFormat>(decoded->format)) + ")");
            }
            const int* table = sws_getCoefficients(m_matrix);
            sws_setColorspaceDetails(m_scaler.get(), table, m_fullRange, table, m_fullRange, 0,
                                     1 << 16, 1 << 16);
            sws_scale(m_scaler.get(), decoded->data, decoded->linesize, 0, decoded->height,
                      work->data, work->linesize);
        }
    }
    work->format = AV_PIX_FMT_YUV420P;
    // The decoder's picture types would otherwise force the encoder's.
    work->pict_type = AV_PICTURE_TYPE_NONE;
    work->key_frame = 0;
    work->color_range = m_videoEncoder->color_range;
    work->colorspace = m_videoEncoder->colorspace;
    int64_t pts = m_footage->FramePts();
    if (pts <= m_lastPts) {
        pts = m_lastPts + 1; // the encoder needs rising time stamps
    }
    work->pts = m_lastPts = pts;
    const int64_t duration = m_footage->FrameDuration();
    m_durations[pts] = duration > 0 ? duration : m_nominalDuration;
    return true;
}

BurnResult BurnJob::Run(const BoardSource& board, const BurnProgressSink& progress,
                        const std::function<bool()>& shouldStop) {
    BurnResult result;
    m_footage = Footage::Open(m_settings.footagePath, m_error);
    if (!m_footage) {
        result.error = m_error;
        return result;
    }
    m_videoIn = m_footage->VideoStream();
    if (!OpenOutput() || !OpenVideoEncoder() || !OpenAudio()) {
        result.error = m_error;
        return result;
    }
    const std::string& path = m_settings.outputPath;
    if (!(m_output->oformat->flags & AVFMT_NOFILE)) {
        // The file protocol, so that a name with a colon is not taken for a URL.
        const int code = avio_open(&m_output->pb, ("file:" + path).c_str(), AVIO_FLAG_WRITE);
        if (code < 0) {
            FailAv("Cannot write " + Quoted(path), code);
            result.error = m_error;
            return result;
        }
    }
    AddContainerChapters(m_output.get(), m_settings.chapters);
    int code = avformat_write_header(m_output.get(), nullptr);
    if (code < 0) {
        FailAv("Cannot start writing " + Quoted(path), code);
        result.error = m_error;
        m_output.reset();
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return result;
    }
    m_footage->SetAudioSink([this](AVPacket* packet) { OnAudioPacket(packet); });

    const FootageInfo& info = m_footage->Info();
    // Chroma comes in 2 x 2 blocks: on even coordinates the board's edges fall between
    // blocks, so that its colour does not bleed into the footage beside it.
    const QPoint boardPos(m_settings.boardPos.x() & ~1, m_settings.boardPos.y() & ~1);
    const QRect area = m_boardSize.isEmpty()
                           ? QRect()
                           : QRect(boardPos, m_boardSize) & QRect(0, 0, info.width, info.height);
    QImage boardImage(area.isEmpty() ? QSize() : m_boardSize, QImage::Format_ARGB32_Premultiplied);
    boardImage.fill(Qt::transparent);
    BoardOverlay overlay;
    bool firstBoard = true;

    BurnProgress state;
    state.frames = info.frameCountEstimate;
    result.outcome = BurnResult::Finished;
    while (m_error.empty()) {
        if (shouldStop && shouldStop()) {
            result.outcome = BurnResult::Cancelled;
            break;
        }
        if (!m_footage->Next()) {
            if (!m_footage->Error().empty()) {
                Fail(m_footage->Error());
            }
            break;
        }
        const int64_t ms = m_footage->FrameMs();
        if (!PrepareFrame()) {
            break;
        }
        if (!area.isEmpty() && board) {
            const bool changed = board(ms - m_settings.offsetMs, boardImage);
            if (changed || firstBoard) {
                if (boardImage.size() != m_boardSize) {
                    Fail("The board came back at a size other than the one announced");
                    break;
                }
                if (boardImage.format() != QImage::Format_ARGB32_Premultiplied) {
                    boardImage.convertTo(QImage::Format_ARGB32_Premultiplied);
                }
                overlay.Build(boardImage, area, boardPos, m_matrix, m_fullRange);
                firstBoard = false;
            }
            overlay.Blend(m_work.get());
        }
        if (!EncodeVideo(m_work.get())) {
            break;
        }
        ++state.frame;
        if (progress) {
            state.percent = info.durationMs > 0
                                ? int(std::clamp<int64_t>(ms * 100 / info.durationMs, 0, 100))
                                : 0;
            progress(state);
        }
    }
    result.frames = state.frame;

    // Whatever happened, the frames so far are finished into a playable file.
    if (m_error.empty() || state.frame > 0) {
        EncodeVideo(nullptr);
        if (m_audioEncoder) {
            EncodeAudio(true);
        }
    }
    code = av_write_trailer(m_output.get());
    if (code < 0) {
        FailAv("Cannot finish " + Quoted(path), code);
    }
    if (!(m_output->oformat->flags & AVFMT_NOFILE)) {
        code = avio_closep(&m_output->pb);
        if (code < 0) {
            FailAv("Cannot finish " + Quoted(path), code);
        }
    }
    if (!m_error.empty()) {
        result.outcome = BurnResult::Failed;
        result.error = m_error;
        if (state.frame == 0) {
            m_output.reset();
            std::error_code ec;
            std::filesystem::remove(path, ec);
        }
    }
    if (result.outcome == BurnResult::Finished && progress) {
        state.percent = 100;
        progress(state);
    }
    return result;
}

} // namespace

BurnResult BurnIn(const BurnSettings& settings, const QSize& boardSize, const BoardSource& board,
                  const BurnProgressSink& progress, const std::function<bool()>& shouldStop) {
    BurnJob job(settings, boardSize);
    return job.Run(board, progress, shouldStop);
}
