#include "video/Footage.h"

#include "video/AvHandles.h"
#include "video/AvSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr AVRational kMs = {1, 1000};

// The readers of files that hold their pictures themselves. Left out on purpose: playlists
// (hls, dash), concatenation scripts (concat), numbered or globbed picture names (image2)
// and everything else that opens further files or URLs named inside the file.
constexpr const char* kVideoDemuxers =
    "mov,mp4,m4a,3gp,3g2,mj2,matroska,webm,avi,mpegts,mpeg,flv,asf,ogg,mxf,nut,dv,gif,ivf,"
    "h264,hevc,m4v,mjpeg,png_pipe,jpeg_pipe,webp_pipe,bmp_pipe,tiff_pipe";

// The reader FFmpeg would pick for url, or the reason there is none we take.
Result<const AVInputFormat*> ProbeReader(const std::string& url, const std::string& path) {
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVIOContext* io = nullptr;
    int code = avio_open2(&io, url.c_str(), AVIO_FLAG_READ, nullptr, &options);
    av_dict_free(&options);
    if (code < 0) {
        return Failure(path, MessageId::FootageCannotOpen, {AvErrorText(code)});
    }
    const AVInputFormat* reader = nullptr;
    code = av_probe_input_buffer2(io, &reader, url.c_str(), nullptr, 0, 0);
    avio_closep(&io);
    if (code < 0 || reader == nullptr) {
        return Failure(path, MessageId::FootageCannotOpen, {AvErrorText(code)});
    }
    if (av_match_list(reader->name, kVideoDemuxers, ',') <= 0) {
        return Failure(
            path, MessageId::FootageNotVideo,
            {reader->long_name != nullptr ? reader->long_name : reader->name, reader->name});
    }
    return reader;
}

// Clockwise quarter turns a player applies, from a display matrix (which states the
// counterclockwise angle).
int RotationOf(const AVStream* stream) {
    size_t size = 0;
    const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix == nullptr || size < 9 * sizeof(int32_t)) {
        return 0;
    }
    const double angle = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (std::isnan(angle)) {
        return 0;
    }
    const long turns = std::lround(-angle / 90.0);
    return static_cast<int>(((turns % 4) + 4) % 4) * 90;
}

} // namespace

Result<std::unique_ptr<Footage>> Footage::open(const std::string& path) {
    std::unique_ptr<Footage> footage(new Footage);
    footage->m_path = path;
    const auto refuse = [&path](MessageId id, std::vector<std::string> args = {}) {
        return Failure(path, id, std::move(args));
    };
    // A FIFO would block the open until someone writes into it, a device never ends.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return refuse(MessageId::FootageCannotOpen, {SystemReason(errno)});
    }
    if (!S_ISREG(status.st_mode)) {
        return refuse(S_ISDIR(status.st_mode) ? MessageId::FootageIsFolder
                                              : MessageId::FootageNotRegular);
    }
    // Through the file protocol, so that a name with a colon is not taken for a URL.
    const std::string url = "file:" + path;
    const Result<const AVInputFormat*> probed = ProbeReader(url, path);
    if (!probed) {
        return probed.error();
    }
    const AVInputFormat* reader = probed.value();
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", kVideoDemuxers, 0);
    AVFormatContext* opened = nullptr;
    int code = avformat_open_input(&opened, url.c_str(), reader, &options);
    av_dict_free(&options);
    footage->m_format.reset(opened);
    if (code < 0) {
        return refuse(MessageId::FootageCannotOpen, {AvErrorText(code)});
    }
    AVFormatContext* format = footage->m_format.get();
    code = avformat_find_stream_info(format, nullptr);
    if (code < 0) {
        return refuse(MessageId::FootageUnreadable, {AvErrorText(code)});
    }
    // Cover art of an audio file comes as a one-picture video stream: not footage.
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && stream->codecpar->width > 0) {
            footage->m_videoIndex = static_cast<int>(i);
            break;
        }
    }
    if (footage->m_videoIndex < 0) {
        return refuse(MessageId::FootageNoVideo);
    }
    AVStream* video = format->streams[footage->m_videoIndex];
    const AVCodec* codec = avcodec_find_decoder(video->codecpar->codec_id);
    if (codec == nullptr) {
        return refuse(MessageId::FootageNoDecoder, {avcodec_get_name(video->codecpar->codec_id)});
    }
    const int audio =
        av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, footage->m_videoIndex, nullptr, 0);
    footage->m_audioIndex = audio >= 0 ? audio : -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != footage->m_videoIndex &&
            static_cast<int>(i) != footage->m_audioIndex) {
            format->streams[i]->discard = AVDISCARD_ALL;
        }
    }

    footage->m_decoder.reset(avcodec_alloc_context3(codec));
    AVCodecContext* decoder = footage->m_decoder.get();
    avcodec_parameters_to_context(decoder, video->codecpar);
    decoder->pkt_timebase = video->time_base;
    decoder->thread_count = 0; // as many as the machine has
    decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    code = avcodec_open2(decoder, codec, nullptr);
    if (code < 0) {
        return refuse(MessageId::FootageCannotDecode, {AvErrorText(code)});
    }
    footage->m_packet.reset(av_packet_alloc());
    footage->m_current.reset(av_frame_alloc());
    footage->m_pending.reset(av_frame_alloc());

    if (format->start_time != AV_NOPTS_VALUE) {
        footage->m_startUs = format->start_time;
    } else if (video->start_time != AV_NOPTS_VALUE) {
        footage->m_startUs = av_rescale_q(video->start_time, video->time_base, AV_TIME_BASE_Q);
    }
    footage->m_startPts = footage->startIn(video);

    FootageInfo& info = footage->m_info;
    info.width = video->codecpar->width;
    info.height = video->codecpar->height;
    AVRational rate = video->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) {
        rate = video->r_frame_rate;
    }
    if (rate.num > 0 && rate.den > 0) {
        info.rateNum = rate.num;
        info.rateDen = rate.den;
    }
    if (format->duration != AV_NOPTS_VALUE) {
        info.durationMs = av_rescale(format->duration, 1, 1000);
    } else if (video->duration != AV_NOPTS_VALUE) {
        info.durationMs = av_rescale_q(video->duration, video->time_base, kMs);
    }
    if (video->duration != AV_NOPTS_VALUE && video->duration > 0) {
        const int64_t start = video->start_time != AV_NOPTS_VALUE ? video->start_time : 0;
        info.videoEndMs = av_rescale_q(start + video->duration, video->time_base, kMs) -
                          av_rescale_q(footage->m_startUs, AV_TIME_BASE_Q, kMs);
    } else if (format->nb_streams == 1) {
        info.videoEndMs = info.durationMs;
    }
    if (video->nb_frames > 0) {
        info.frameCountEstimate = video->nb_frames;
    } else if (info.rateNum > 0) {
        info.frameCountEstimate = av_rescale(info.durationMs, info.rateNum, 1000LL * info.rateDen);
    }
    info.rotation = RotationOf(video);
    info.container = format->iformat->name;
    info.videoCodec = avcodec_get_name(video->codecpar->codec_id);
    info.hasAudio = footage->m_audioIndex >= 0;
    if (info.hasAudio) {
        info.audioCodec =
            avcodec_get_name(format->streams[footage->m_audioIndex]->codecpar->codec_id);
    }
    return footage;
}

Footage::~Footage() = default;

AVStream* Footage::videoStream() const {
    return m_format->streams[m_videoIndex];
}

AVStream* Footage::audioStream() const {
    return m_audioIndex >= 0 ? m_format->streams[m_audioIndex] : nullptr;
}

int64_t Footage::startIn(const AVStream* stream) const {
    return av_rescale_q(m_startUs, AV_TIME_BASE_Q, stream->time_base);
}

bool Footage::fail(MessageId id, int code) {
    m_error = Failure(m_path, id, {AvErrorText(code)});
    return false;
}

// Decodes the next frame into `into`, with its start in into->pts (the decoder's best
// guess, or extrapolated from the previous frame when the file has no time stamp).
bool Footage::decode(AVFrame* into) {
    for (;;) {
        int code = avcodec_receive_frame(m_decoder.get(), into);
        if (code == 0) {
            int64_t pts = into->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE) {
                pts = m_lastPts == INT64_MIN ? m_startPts : m_lastPts + m_frameDuration;
            }
            into->pts = pts;
            m_lastPts = pts;
            return true;
        }
        if (code == AVERROR_EOF) {
            return false;
        }
        // A damaged packet costs a frame or two, as in any player; with frame threads its
        // error comes out here rather than when the packet goes in.
        if (code != AVERROR(EAGAIN) && code != AVERROR_INVALIDDATA) {
            return fail(MessageId::FootageCannotDecode, code);
        }
        code = av_read_frame(m_format.get(), m_packet.get());
        if (code == AVERROR_EOF) {
            if (m_draining) {
                return false;
            }
            m_draining = true;
            avcodec_send_packet(m_decoder.get(), nullptr);
            continue;
        }
        if (code < 0) {
            return fail(MessageId::FootageUnreadable, code);
        }
        if (m_packet->stream_index == m_videoIndex) {
            code = avcodec_send_packet(m_decoder.get(), m_packet.get());
            av_packet_unref(m_packet.get());
            // A damaged packet costs a frame or two, as in any player; anything else ends.
            if (code < 0 && code != AVERROR_INVALIDDATA) {
                return fail(MessageId::FootageCannotDecode, code);
            }
        } else if (m_packet->stream_index == m_audioIndex && m_audioSink) {
            m_audioSink(m_packet.get());
            av_packet_unref(m_packet.get());
        } else {
            av_packet_unref(m_packet.get());
        }
    }
}

int64_t Footage::msOf(const AVFrame* frame) const {
    return av_rescale_q(frame->pts - m_startPts, videoStream()->time_base, kMs);
}

bool Footage::deliver(AVFrame* from) {
    av_frame_unref(m_current.get());
    av_frame_move_ref(m_current.get(), from);
    m_framePts = m_current->pts - m_startPts;
    m_frameMs = msOf(m_current.get());
    if (m_current->pkt_duration > 0) {
        m_frameDuration = m_current->pkt_duration;
    }
    return true;
}

bool Footage::next() {
    if (!m_queue.empty()) {
        const AvFramePtr frame = std::move(m_queue.front());
        m_queue.pop_front();
        return deliver(frame.get());
    }
    return decode(m_pending.get()) && deliver(m_pending.get());
}

void Footage::clearQueue() {
    m_queue.clear();
}

bool Footage::seek(int64_t ms) {
    AVStream* video = videoStream();
    const int64_t target = m_startPts + av_rescale_q(ms, kMs, video->time_base);
    const int64_t first = video->start_time != AV_NOPTS_VALUE ? video->start_time : m_startPts;
    m_error.reset();
    // A coarse index may place the key frame it finds after the target; then the footage is
    // read again from its first frame.
    for (bool fromStart : {false, true}) {
        const int code = av_seek_frame(m_format.get(), m_videoIndex, fromStart ? first : target,
                                       AVSEEK_FLAG_BACKWARD);
        if (code < 0) {
            if (fromStart) {
                return fail(MessageId::FootageCannotSeek, code);
            }
            continue;
        }
        avcodec_flush_buffers(m_decoder.get());
        m_draining = false;
        m_lastPts = INT64_MIN;
        clearQueue();

        // held: the last frame at or before ms so far. Decoding stops at the first frame
        // after ms, which is queued behind it.
        AvFramePtr held;
        for (;;) {
            AvFramePtr frame(av_frame_alloc());
            if (!decode(frame.get())) {
                break;
            }
            if (!held || msOf(frame.get()) <= ms) {
                held = std::move(frame);
                if (msOf(held.get()) > ms) {
                    break;
                }
                continue;
            }
            m_queue.push_back(std::move(held));
            m_queue.push_back(std::move(frame));
            return true;
        }
        if (m_error) {
            return false;
        }
        if (held && (fromStart || msOf(held.get()) <= ms)) {
            m_queue.push_back(std::move(held));
            return true;
        }
    }
    return false;
}

QImage Footage::frameImage() {
    const AVFrame* frame = m_current.get();
    if (frame->data[0] == nullptr) {
        return {};
    }
    m_scaler.reset(sws_getCachedContext(
        m_scaler.release(), frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
        frame->width, frame->height, AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (m_scaler == nullptr) {
        return {};
    }
    const int* table =
        sws_getCoefficients(PictureMatrix(frame->colorspace, frame->width, frame->height));
    sws_setColorspaceDetails(m_scaler.get(), table, IsFullRange(frame->format, frame->color_range),
                             table, 1, 0, 1 << 16, 1 << 16);
    QImage image(frame->width, frame->height, QImage::Format_RGB32);
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    return image;
}
