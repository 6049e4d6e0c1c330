#include "video/BurnIn.h"

#include "video/AvHandles.h"
#include "video/AvSupport.h"
#include "video/Clips.h"
#include "video/ExportTarget.h"
#include "video/Footage.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/avstring.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QRect>
#include <QTransform>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

std::string Seconds(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", double(ms) / 1000.0);
    return text;
}

// Where a rectangle of the shown picture lies in the stored one, for a player that turns
// the stored picture (size stored) clockwise by rotation to show it.
QRect StoredRect(const QRect& shown, QSize stored, int rotation) {
    const int w = stored.width(), h = stored.height();
    switch (rotation) {
    case 90:
        return QRect(shown.y(), h - shown.x() - shown.width(), shown.height(), shown.width());
    case 180:
        return QRect(w - shown.x() - shown.width(), h - shown.y() - shown.height(), shown.width(),
                     shown.height());
    case 270:
        return QRect(w - shown.y() - shown.height(), shown.x(), shown.height(), shown.width());
    default:
        return shown;
    }
}

// H.264's largest frame (level 6.2: 139264 macroblocks, 8192 x 4352 pixels) and x264's widest.
constexpr int64_t kMaxMacroblocks = 139264;
constexpr int kMaxSide = 16384;

// Muxers that store a display matrix (the tkhd box's matrix).
constexpr const char* kRotatingMuxers = "mov,mp4,3gp,3g2,ipod,psp,ismv,f4v";

// Row and plane alignment of the frames we fill ourselves, enough for every SIMD width.
constexpr int kFrameAlign = 64;

// The board turned into the footage's YUV 4:2:0 once per distinct picture, so that laying
// it over a frame costs a multiply-add per sample of its rectangle. Every sample is stored
// premultiplied, scaled by 65536: out = (value + in * keep + 32768) >> 16, with keep the
// part of the frame that shows through.
class BoardOverlay {
public:
    void build(const QImage& board, const QRect& area, const QPoint& boardPos, AVColorSpace matrix,
               bool fullRange);
    void blend(AVFrame* frame) const;

private:
    struct Sample {
        uint32_t value;
        uint32_t keep;
    };
    QRect m_luma;   // in frame pixels
    QRect m_chroma; // in chroma pixels
    std::vector<Sample> m_y, m_u, m_v;
};

void BoardOverlay::build(const QImage& board, const QRect& area, const QPoint& boardPos,
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
    case AVCOL_SPC_FCC:
        kr = 0.30, kb = 0.11;
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

void BoardOverlay::blend(AVFrame* frame) const {
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

// One burn-in: the footage read once, front to back, and the output written alongside.
class BurnJob {
public:
    BurnJob(const BurnSettings& settings, const QSize& boardSize)
        : m_settings(settings), m_boardSize(boardSize) {}
    ExportResult run(const BoardSource& board, const ExportProgressFn& progress,
                     const std::function<bool()>& shouldStop);

private:
    // The first reason stays: what followed from it says less.
    bool fail(ScoreError error);
    bool failOutput(MessageId id, std::vector<std::string> args = {});
    bool failFootage(MessageId id, std::vector<std::string> args = {});
    bool checkFootage();
    bool checkOutputKind();
    bool prepareTarget(ExportTarget& target);
    bool openOutput(ExportTarget& target);
    bool finish();
    void keepPartial(ExportTarget& target, ExportResult& result);
    bool openVideoEncoder();
    bool openAudio();
    bool write(AVPacket* packet, const AVStream* stream, AVRational from);
    bool drainVideo();
    bool encodeVideo(AVFrame* frame);
    void onAudioPacket(AVPacket* packet);
    bool encodeAudio(bool flush);
    bool prepareFrame();

    const BurnSettings& m_settings;
    QSize m_boardSize;
    std::optional<ScoreError> m_error;
    std::unique_ptr<Footage> m_footage;
    const AVOutputFormat* m_outputFormat = nullptr;
    AvOutputPtr m_output;

    AVStream* m_videoIn = nullptr;
    AVStream* m_videoOut = nullptr;
    AvCodecContextPtr m_videoEncoder;
    AVColorSpace m_matrix = AVCOL_SPC_UNSPECIFIED;
    bool m_fullRange = false;
    AvFramePtr m_work{av_frame_alloc()};
    SwsContextPtr m_scaler;
    AvBufferPoolPtr m_pool;
    int64_t m_lastPts = INT64_MIN;
    int64_t m_nominalDuration = 0;
    std::map<int64_t, int64_t> m_durations; // by pts, until the encoder hands the frame out
    AvPacketPtr m_packet{av_packet_alloc()};

    AVStream* m_audioIn = nullptr;
    AVStream* m_audioOut = nullptr;
    int64_t m_audioShift = 0;
    AvCodecContextPtr m_audioDecoder;
    AvCodecContextPtr m_audioEncoder;
    SwrContextPtr m_resampler;
    AvAudioFifoPtr m_fifo;
    AvFramePtr m_audioFrame{av_frame_alloc()};
    int64_t m_audioNextPts = AV_NOPTS_VALUE;
};

bool BurnJob::fail(ScoreError error) {
    if (!m_error) {
        m_error = std::move(error);
    }
    return false;
}

bool BurnJob::failOutput(MessageId id, std::vector<std::string> args) {
    return fail(Failure(m_settings.outputPath, id, std::move(args)));
}

bool BurnJob::failFootage(MessageId id, std::vector<std::string> args) {
    return fail(Failure(m_settings.footagePath, id, std::move(args)));
}

// Sizes the encoder cannot take are refused before anything is written.
bool BurnJob::checkFootage() {
    const FootageInfo& info = m_footage->info();
    const std::vector<std::string> size = {std::to_string(info.width), std::to_string(info.height)};
    if (info.width % 2 != 0 || info.height % 2 != 0) {
        return failFootage(MessageId::FootageOddSize, size);
    }
    const int64_t macroblocks = int64_t((info.width + 15) / 16) * ((info.height + 15) / 16);
    if (info.width > kMaxSide || info.height > kMaxSide || macroblocks > kMaxMacroblocks) {
        return failFootage(MessageId::FootageTooLarge,
                           {size[0], size[1], std::to_string(kMaxSide)});
    }
    return true;
}

// Only a single video file that takes H.264, the footage's sound and its rotation.
bool BurnJob::checkOutputKind() {
    const std::string& path = m_settings.outputPath;
    const AVOutputFormat* format = av_guess_format(nullptr, path.c_str(), nullptr);
    if (format == nullptr) {
        return failOutput(MessageId::BurnKindUnknown);
    }
    if ((format->flags & AVFMT_NOFILE) || av_match_name(format->name, "image2,image2pipe") ||
        av_filename_number_test(path.c_str())) {
        return failOutput(MessageId::BurnNamesPictures);
    }
    if (avformat_query_codec(format, AV_CODEC_ID_H264, FF_COMPLIANCE_NORMAL) != 1) {
        return failOutput(MessageId::BurnNoH264);
    }
    if (const AVStream* audio = m_footage->audioStream(); audio != nullptr) {
        const AVCodecID codec = audio->codecpar->codec_id;
        if (avformat_query_codec(format, codec, FF_COMPLIANCE_NORMAL) != 1 &&
            avformat_query_codec(format, AV_CODEC_ID_AAC, FF_COMPLIANCE_NORMAL) != 1) {
            return failOutput(MessageId::BurnSoundNotStorable, {avcodec_get_name(codec)});
        }
    }
    if (const int rotation = m_footage->info().rotation;
        rotation != 0 && !av_match_name(format->name, kRotatingMuxers)) {
        return failOutput(MessageId::BurnRotation, {std::to_string(rotation)});
    }
    m_outputFormat = format;
    return true;
}

bool BurnJob::prepareTarget(ExportTarget& target) {
    Status prepared = target.prepare(m_settings.outputPath,
                                     {{m_settings.scorePath, MessageId::IsTheScoreFile},
                                      {m_settings.footagePath, MessageId::IsTheFootage}},
                                     false, 0);
    return prepared || fail(prepared.error());
}

bool BurnJob::openOutput(ExportTarget& target) {
    AVFormatContext* output = nullptr;
    // The file protocol, so that a name with a colon is not taken for a URL.
    const std::string url = "file:" + target.writePath();
    int code = avformat_alloc_output_context2(&output, m_outputFormat, nullptr, url.c_str());
    if (code < 0 || output == nullptr) {
        return failOutput(MessageId::CannotWrite, {AvErrorText(code)});
    }
    m_output.reset(output);
    return true;
}

bool BurnJob::openVideoEncoder() {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) {
        return failOutput(MessageId::NoEncoder, {"H.264", "libx264"});
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
    const FootageInfo& info = m_footage->info();
    if (info.rateNum > 0) {
        encoder->framerate = {info.rateNum, info.rateDen};
        m_nominalDuration = av_rescale_q(1, av_inv_q(encoder->framerate), encoder->time_base);
    }
    // The footage's colour description goes out as it came in, "unspecified" included: a
    // tag of our own would make players show the footage in other colours than before. The
    // board is converted with the matrix a player uses for the footage, tagged or not.
    // RGB footage has no YUV description to keep; it gets the matrix it was converted with.
    const AVPixFmtDescriptor* pixels = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(in->format));
    const bool rgb = (pixels != nullptr && (pixels->flags & AV_PIX_FMT_FLAG_RGB)) ||
                     in->color_space == AVCOL_SPC_RGB;
    m_fullRange = !rgb && IsFullRange(in->format, in->color_range);
    m_matrix = PictureMatrix(in->color_space, in->width, in->height);
    encoder->color_range =
        m_fullRange ? AVCOL_RANGE_JPEG : (rgb ? AVCOL_RANGE_MPEG : in->color_range);
    encoder->colorspace = rgb ? m_matrix : in->color_space;
    encoder->color_primaries = in->color_primaries;
    encoder->color_trc = in->color_trc;
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
        return failOutput(
            MessageId::H264WontStart,
            {m_settings.preset.empty() ? std::string(kDefaultBurnPreset) : m_settings.preset,
             std::to_string(crf), AvErrorText(code)});
    }
    if (unknownOption) {
        return failOutput(MessageId::H264RefusedSettings);
    }
    m_videoOut = avformat_new_stream(m_output.get(), nullptr);
    avcodec_parameters_from_context(m_videoOut->codecpar, encoder);
    m_videoOut->time_base = encoder->time_base;
    m_videoOut->avg_frame_rate = m_videoIn->avg_frame_rate;
    m_videoOut->r_frame_rate = m_videoIn->r_frame_rate;
    m_videoOut->sample_aspect_ratio = in->sample_aspect_ratio;
    // A phone's footage stays turned as it was shown.
    size_t size = 0;
    const uint8_t* matrix = av_stream_get_side_data(m_videoIn, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix != nullptr && size > 0) {
        uint8_t* copy = av_stream_new_side_data(m_videoOut, AV_PKT_DATA_DISPLAYMATRIX, size);
        if (copy == nullptr) {
            return failOutput(MessageId::OutOfMemory);
        }
        std::memcpy(copy, matrix, size);
    }
    return true;
}

bool BurnJob::openAudio() {
    m_audioIn = m_footage->audioStream();
    if (m_audioIn == nullptr) {
        return true;
    }
    m_audioShift = m_footage->startIn(m_audioIn);
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
        return failFootage(MessageId::SoundNotConvertible, {avcodec_get_name(in->codec_id)});
    }
    m_audioDecoder.reset(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(m_audioDecoder.get(), in);
    m_audioDecoder->pkt_timebase = m_audioIn->time_base;
    int code = avcodec_open2(m_audioDecoder.get(), decoder, nullptr);
    if (code < 0) {
        return failFootage(MessageId::SoundCannotDecode, {AvErrorText(code)});
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
        return failOutput(MessageId::EncoderWontStart, {"AAC", AvErrorText(code)});
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
        return failFootage(MessageId::SoundConvertFailed, {AvErrorText(code)});
    }
    m_fifo.reset(av_audio_fifo_alloc(aac->sample_fmt, aac->ch_layout.nb_channels, aac->frame_size));
    avcodec_parameters_from_context(m_audioOut->codecpar, aac);
    m_audioOut->time_base = aac->time_base;
    return true;
}

bool BurnJob::write(AVPacket* packet, const AVStream* stream, AVRational from) {
    packet->stream_index = stream->index;
    av_packet_rescale_ts(packet, from, stream->time_base);
    packet->pos = -1;
    const int code = av_interleaved_write_frame(m_output.get(), packet);
    if (code < 0) {
        return failOutput(MessageId::CannotWrite, {AvErrorText(code)});
    }
    return true;
}

void BurnJob::onAudioPacket(AVPacket* packet) {
    if (m_error || m_audioOut == nullptr) {
        return;
    }
    if (!m_audioDecoder) {
        if (packet->pts != AV_NOPTS_VALUE) {
            packet->pts -= m_audioShift;
        }
        if (packet->dts != AV_NOPTS_VALUE) {
            packet->dts -= m_audioShift;
        }
        write(packet, m_audioOut, m_audioIn->time_base);
        return;
    }
    int code = avcodec_send_packet(m_audioDecoder.get(), packet);
    if (code < 0 && code != AVERROR_INVALIDDATA) {
        failFootage(MessageId::SoundCannotDecode, {AvErrorText(code)});
        return;
    }
    encodeAudio(false);
}

// Moves decoded audio through the resampler and the FIFO into the AAC encoder, in frames
// of the encoder's size; flush also sends out what is left.
bool BurnJob::encodeAudio(bool flush) {
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
            return failOutput(MessageId::OutOfMemory);
        }
        const int got = swr_convert(m_resampler.get(), planes.data(), room,
                                    in ? const_cast<const uint8_t**>(in->extended_data) : nullptr,
                                    in ? in->nb_samples : 0);
        if (got > 0) {
            av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(planes.data()), got);
        }
        av_freep(&planes[0]);
        return got >= 0 || failFootage(MessageId::SoundConvertFailed, {AvErrorText(got)});
    };
    auto encode = [&](AVFrame* frame) {
        int code = avcodec_send_frame(aac, frame);
        if (code < 0) {
            return failOutput(MessageId::EncodingFailed, {"AAC", AvErrorText(code)});
        }
        while ((code = avcodec_receive_packet(aac, m_packet.get())) == 0) {
            if (!write(m_packet.get(), m_audioOut, aac->time_base)) {
                return false;
            }
        }
        return code == AVERROR(EAGAIN) || code == AVERROR_EOF ||
               failOutput(MessageId::EncodingFailed, {"AAC", AvErrorText(code)});
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
        AvFramePtr frame(av_frame_alloc());
        frame->nb_samples = std::min(size, av_audio_fifo_size(m_fifo.get()));
        frame->format = aac->sample_fmt;
        frame->sample_rate = aac->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &aac->ch_layout);
        if (av_frame_get_buffer(frame.get(), 0) < 0) {
            return failOutput(MessageId::OutOfMemory);
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

bool BurnJob::drainVideo() {
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
        if (!write(m_packet.get(), m_videoOut, encoder->time_base)) {
            return false;
        }
    }
    return code == AVERROR(EAGAIN) || code == AVERROR_EOF ||
           failOutput(MessageId::EncodingFailed, {"H.264", AvErrorText(code)});
}

bool BurnJob::encodeVideo(AVFrame* frame) {
    const int code = avcodec_send_frame(m_videoEncoder.get(), frame);
    if (code < 0) {
        return failOutput(MessageId::EncodingFailed, {"H.264", AvErrorText(code)});
    }
    return drainVideo();
}

// Turns the footage's current frame into m_work: a writable YUV 4:2:0 frame with the
// output's time stamp. 8-bit 4:2:0 frames go through as they are (copied only when the
// decoder still refers to them); other formats are converted.
bool BurnJob::prepareFrame() {
    AVFrame* decoded = m_footage->frame();
    AVFrame* work = m_work.get();
    av_frame_unref(work);
    if (decoded->width != m_videoEncoder->width || decoded->height != m_videoEncoder->height) {
        return failFootage(MessageId::FootageChangesSize,
                           {std::to_string(m_videoEncoder->width),
                            std::to_string(m_videoEncoder->height), std::to_string(decoded->width),
                            std::to_string(decoded->height)});
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
            return failOutput(MessageId::OutOfMemory);
        }
        av_image_fill_arrays(work->data, work->linesize, work->buf[0]->data, AV_PIX_FMT_YUV420P,
                             work->width, work->height, kFrameAlign);
        av_frame_copy_props(work, decoded);
        if (planar420) {
            // Plane by plane: av_frame_copy refuses YUVJ420P into YUV420P, the same layout.
            av_image_copy(work->data, work->linesize, const_cast<const uint8_t**>(decoded->data),
                          decoded->linesize, AV_PIX_FMT_YUV420P, work->width, work->height);
        } else {
            m_scaler.reset(sws_getCachedContext(m_scaler.release(), decoded->width, decoded->height,
                                                static_cast<AVPixelFormat>(decoded->format),
                                                work->width, work->height, AV_PIX_FMT_YUV420P,
                                                SWS_BICUBIC, nullptr, nullptr, nullptr));
            if (!m_scaler) {
                return failFootage(
                    MessageId::PicturesNotConvertible,
                    {av_get_pix_fmt_name(static_cast<AVPixelFormat>(decoded->format))});
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
    int64_t pts = m_footage->framePts();
    if (pts <= m_lastPts) {
        pts = m_lastPts + 1; // the encoder needs rising time stamps
    }
    work->pts = m_lastPts = pts;
    const int64_t duration = m_footage->frameDuration();
    m_durations[pts] = duration > 0 ? duration : m_nominalDuration;
    return true;
}

ExportResult BurnJob::run(const BoardSource& board, const ExportProgressFn& progress,
                          const std::function<bool()>& shouldStop) {
    QuietFfmpegLog();
    ExportResult result;
    const auto refused = [&] {
        result.error = *m_error;
        return result;
    };
    auto opened = Footage::open(m_settings.footagePath);
    if (!opened) {
        fail(opened.error());
        return refused();
    }
    m_footage = std::move(opened.value());
    ExportTarget target;
    // The footage and the score file are named as such before the name's extension is
    // looked at: "it is the score file" says more than "cannot tell the kind of video".
    if (!checkFootage() || !prepareTarget(target) || !checkOutputKind() || !openOutput(target)) {
        return refused();
    }
    m_videoIn = m_footage->videoStream();
    const std::string& path = m_settings.outputPath;
    if (!openVideoEncoder() || !openAudio()) {
        return refused();
    }
    int code = avio_open(&m_output->pb, m_output->url, AVIO_FLAG_WRITE);
    if (code < 0) {
        failOutput(MessageId::CannotWrite, {AvErrorText(code)});
        return refused();
    }
    AddContainerChapters(m_output.get(), m_settings.chapters);
    code = avformat_write_header(m_output.get(), nullptr);
    if (code < 0) {
        failOutput(MessageId::CannotWrite, {AvErrorText(code)});
        return refused();
    }
    m_footage->setAudioSink([this](AVPacket* packet) { onAudioPacket(packet); });

    const FootageInfo& info = m_footage->info();
    const QSize stored(info.width, info.height);
    const QPoint shownPos = m_settings.boardPos;
    // Chroma comes in 2 x 2 blocks: on even coordinates the board's edges fall between
    // blocks, so that its colour does not bleed into the footage beside it.
    QRect boardRect = StoredRect(QRect(shownPos, m_boardSize), stored, info.rotation);
    boardRect.moveTopLeft(QPoint(boardRect.x() & ~1, boardRect.y() & ~1));
    const QRect area = m_boardSize.isEmpty() ? QRect() : boardRect & QRect(QPoint(0, 0), stored);
    QImage boardImage(area.isEmpty() ? QSize() : m_boardSize, QImage::Format_ARGB32_Premultiplied);
    boardImage.fill(Qt::transparent);
    BoardOverlay overlay;
    bool firstBoard = true;

    ExportProgress state;
    state.frames = info.frameCountEstimate;
    int64_t reachedMs = 0; // end of the last frame burned in
    result.outcome = ExportOutcome::Finished;
    while (!m_error) {
        if (shouldStop && shouldStop()) {
            result.outcome = ExportOutcome::Cancelled;
            break;
        }
        if (!m_footage->next()) {
            if (m_footage->error()) {
                ScoreError stopped = Failure(
                    m_settings.footagePath, MessageId::FootageStopsDecoding,
                    {Seconds(reachedMs), Seconds(info.durationMs), std::to_string(state.frame)});
                stopped.notes.push_back(m_footage->error()->reason);
                fail(std::move(stopped));
            }
            break;
        }
        const int64_t ms = m_footage->frameMs();
        if (!prepareFrame()) {
            break;
        }
        if (!area.isEmpty() && board) {
            const bool changed = board(ms - m_settings.offsetMs, boardImage);
            if (changed || firstBoard) {
                if (boardImage.size() != m_boardSize) {
                    fail(Failure({}, MessageId::BoardWrongSize));
                    break;
                }
                if (boardImage.format() != QImage::Format_ARGB32_Premultiplied) {
                    boardImage.convertTo(QImage::Format_ARGB32_Premultiplied);
                }
                // Turned against the player's turn, so that it shows upright.
                const QImage turned =
                    info.rotation == 0
                        ? boardImage
                        : boardImage.transformed(QTransform().rotate(-info.rotation));
                overlay.build(turned, area, boardRect.topLeft(), m_matrix, m_fullRange);
                firstBoard = false;
            }
            overlay.blend(m_work.get());
        }
        if (!encodeVideo(m_work.get())) {
            break;
        }
        ++state.frame;
        const int64_t duration =
            m_footage->frameDuration() > 0 ? m_footage->frameDuration() : m_nominalDuration;
        reachedMs = ms + av_rescale_q(duration, m_videoIn->time_base, {1, 1000});
        if (progress) {
            state.percent = info.durationMs > 0
                                ? int(std::clamp<int64_t>(ms * 100 / info.durationMs, 0, 100))
                                : 0;
            progress(state);
        }
    }
    result.framesWritten = state.frame;
    if (!m_error && result.outcome == ExportOutcome::Finished) {
        // A file cut off or damaged partway decodes to its end without a word: the end its
        // file states tells. Two frames or half a second of slack for how files round.
        const int64_t slack = std::max<int64_t>(
            500, 2 * av_rescale_q(m_nominalDuration, m_videoIn->time_base, {1, 1000}));
        if (state.frame == 0) {
            failFootage(MessageId::FootageNoPicture);
        } else if (info.videoEndMs > 0 && reachedMs + slack < info.videoEndMs) {
            failFootage(MessageId::FootageCutOff, {Seconds(reachedMs), Seconds(info.videoEndMs),
                                                   std::to_string(state.frame)});
        }
    }

    const bool playable = finish() && state.frame > 0;
    if (!m_error && result.outcome == ExportOutcome::Finished) {
        if (Status committed = target.commit(); !committed) {
            fail(committed.error());
        }
    } else if (playable) {
        keepPartial(target, result);
    } else {
        target.discard();
    }
    if (m_error) {
        result.outcome = ExportOutcome::Failed;
        result.error = *m_error;
        result.error.notes.push_back(result.partialPath.empty()
                                         ? Message{MessageId::TargetAsItWas, {path}}
                                         : Message{MessageId::BurnPartialKept,
                                                   {std::to_string(state.frame), Seconds(reachedMs),
                                                    result.partialPath, path}});
    }
    if (result.outcome == ExportOutcome::Finished && progress) {
        state.percent = 100;
        progress(state);
    }
    return result;
}

// Whatever happened, the frames so far are finished into a file. True when it is whole.
bool BurnJob::finish() {
    const std::optional<ScoreError> saved = std::move(m_error);
    m_error.reset();
    encodeVideo(nullptr);
    if (m_audioEncoder) {
        encodeAudio(true);
    }
    int code = av_write_trailer(m_output.get());
    if (code < 0) {
        failOutput(MessageId::CannotWrite, {AvErrorText(code)});
    }
    code = avio_closep(&m_output->pb);
    if (code < 0) {
        failOutput(MessageId::CannotWrite, {AvErrorText(code)});
    }
    const bool whole = !m_error;
    if (saved) {
        m_error = saved;
    }
    return whole;
}

// The finished frames of a burn-in that did not finish go beside the output, never over it
// nor over the footage or the score file (footage named NAME.partial.EXT is no leftover).
void BurnJob::keepPartial(ExportTarget& target, ExportResult& result) {
    const std::string partial = PartialName(m_settings.outputPath);
    if (SameFile(partial, m_settings.footagePath) || SameFile(partial, m_settings.scorePath)) {
        target.discard();
        return;
    }
    // finish() wrote the trailer and closed the file: it plays.
    result.partialPath = target.keepPartial([](const std::string&) { return true; });
}

} // namespace

ExportResult BurnIn(const BurnSettings& settings, const QSize& boardSize, const BoardSource& board,
                    const ExportProgressFn& progress, const std::function<bool()>& shouldStop) {
    BurnJob job(settings, boardSize);
    return job.run(board, progress, shouldStop);
}
