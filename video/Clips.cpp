#include "video/Clips.h"

#include "video/AvHandles.h"

#include "video/AvSupport.h"
#include "video/BurnIn.h"
#include "video/ExportTarget.h"
#include "video/Footage.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>

namespace {

AvFramePtr NewFrame() {
    return AvFramePtr(av_frame_alloc());
}

// Sound on a clock of samples, written at the position each decoded piece says it starts:
// gaps stay silent and an overlap takes the later piece.
class SoundTrack {
public:
    void setup(int channels) { m_planes.assign(size_t(channels), {}); }
    int channels() const { return static_cast<int>(m_planes.size()); }
    void put(int64_t at, const float* const* planes, int count) {
        if (count <= 0 || m_planes.empty()) {
            return;
        }
        if (m_begin < 0 || at < m_begin) {
            // Sound before what is held: only the start of a read lands here.
            const int64_t shift = m_begin < 0 ? 0 : m_begin - at;
            for (auto& plane : m_planes) {
                plane.insert(plane.begin(), size_t(shift), 0.0f);
            }
            m_begin = at;
        }
        const size_t offset = size_t(at - m_begin);
        for (size_t c = 0; c < m_planes.size(); ++c) {
            std::vector<float>& plane = m_planes[c];
            if (plane.size() < offset + size_t(count)) {
                plane.resize(offset + size_t(count), 0.0f);
            }
            std::copy(planes[c], planes[c] + count, plane.begin() + std::ptrdiff_t(offset));
        }
    }
    // Samples [from, from + count) of the clock, silent where nothing was put.
    std::vector<std::vector<float>> slice(int64_t from, int64_t count) const {
        std::vector<std::vector<float>> out(
            m_planes.size(), std::vector<float>(size_t(std::max<int64_t>(0, count))));
        for (size_t c = 0; c < m_planes.size(); ++c) {
            for (int64_t i = 0; i < count; ++i) {
                const int64_t at = from + i - m_begin;
                if (m_begin >= 0 && at >= 0 && at < int64_t(m_planes[c].size())) {
                    out[c][size_t(i)] = m_planes[c][size_t(at)];
                }
            }
        }
        return out;
    }

private:
    int64_t m_begin = -1;
    std::vector<std::vector<float>> m_planes;
};

// Decodes the packets of one audio stream into float planes at the stream's own rate, one
// or two channels, each piece placed on the footage's clock in samples.
class SoundReader {
public:
    // path: the file the stream is in, for the reason of a failure.
    Status open(const AVStream* stream, int64_t startInStream, const std::string& path) {
        m_stream = stream;
        m_start = startInStream;
        const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
        m_decoder.reset(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
        if (m_decoder == nullptr) {
            return Failure(path, MessageId::SoundNoDecoder,
                           {avcodec_get_name(stream->codecpar->codec_id)});
        }
        avcodec_parameters_to_context(m_decoder.get(), stream->codecpar);
        m_decoder->pkt_timebase = stream->time_base;
        const int code = avcodec_open2(m_decoder.get(), codec, nullptr);
        if (code < 0) {
            return Failure(path, MessageId::SoundCannotDecode, {AvErrorText(code)});
        }
        m_rate = m_decoder->sample_rate;
        m_channels = m_decoder->ch_layout.nb_channels >= 2 ? 2 : 1;
        av_channel_layout_default(&m_layout, m_channels);
        m_track.setup(m_channels);
        if (m_rate <= 0) {
            return Failure(path, MessageId::SoundCannotDecode, {AvErrorText(AVERROR_INVALIDDATA)});
        }
        return Done{};
    }
    int rate() const { return m_rate; }
    int channels() const { return m_channels; }
    const AVChannelLayout& layout() const { return m_layout; }
    SoundTrack& track() { return m_track; }

    void decode(const AVPacket* packet) {
        if (avcodec_send_packet(m_decoder.get(), packet) < 0) {
            return; // a damaged packet costs its few ms of sound
        }
        AvFramePtr frame = NewFrame();
        while (avcodec_receive_frame(m_decoder.get(), frame.get()) == 0) {
            place(frame.get());
            av_frame_unref(frame.get());
        }
    }
    void flush() { decode(nullptr); }

private:
    void place(const AVFrame* frame) {
        if (m_resampler == nullptr) {
            AVChannelLayout in{};
            if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
                av_channel_layout_default(&in, frame->ch_layout.nb_channels);
            } else {
                av_channel_layout_copy(&in, &frame->ch_layout);
            }
            SwrContext* made = nullptr;
            swr_alloc_set_opts2(&made, &m_layout, AV_SAMPLE_FMT_FLTP, m_rate, &in,
                                static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                nullptr);
            av_channel_layout_uninit(&in);
            m_resampler.reset(made);
            if (!m_resampler || swr_init(m_resampler.get()) < 0) {
                m_resampler.reset();
                return;
            }
        }
        int64_t pts = frame->best_effort_timestamp;
        int64_t at = pts == AV_NOPTS_VALUE
                         ? m_next
                         : av_rescale_q(pts - m_start, m_stream->time_base, AVRational{1, m_rate});
        std::vector<std::vector<float>> planes(size_t(m_channels),
                                               std::vector<float>(size_t(frame->nb_samples) + 64));
        uint8_t* out[2] = {reinterpret_cast<uint8_t*>(planes[0].data()),
                           m_channels > 1 ? reinterpret_cast<uint8_t*>(planes[1].data()) : nullptr};
        const int got =
            swr_convert(m_resampler.get(), out, frame->nb_samples + 64,
                        const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        if (got <= 0) {
            return;
        }
        const float* pointers[2] = {planes[0].data(), m_channels > 1 ? planes[1].data() : nullptr};
        m_track.put(at, pointers, got);
        m_next = at + got;
    }

    const AVStream* m_stream = nullptr;
    int64_t m_start = 0;
    AvCodecContextPtr m_decoder;
    SwrContextPtr m_resampler;
    int m_rate = 0;
    int m_channels = 0;
    AVChannelLayout m_layout{};
    int64_t m_next = 0;
    SoundTrack m_track;
};

struct VideoFormat {
    int width = 0;
    int height = 0;
    AVRational timeBase{1, 30};
    AVRational rate{30, 1};
    AVRational aspect{0, 1};
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
    AVColorRange range = AVCOL_RANGE_MPEG;
};

// One output file: H.264 and AAC into the container its name asks for, written through an
// ExportTarget.
class ClipWriter {
public:
    Status open(const std::string& path, const ClipSettings& settings,
                const std::vector<std::string>& inputs, const VideoFormat& video,
                const SoundReader* sound, const std::vector<Chapter>& chapters) {
        m_path = path;
        for (const std::string& input : inputs) {
            if (SameFile(path, input)) {
                return Failure(path, MessageId::IsAnInputOfClips);
            }
        }
        if (Status prepared = m_target.prepare(path, settings.scorePath, false, 0); !prepared) {
            return prepared;
        }
        const AVOutputFormat* format = av_guess_format(nullptr, path.c_str(), nullptr);
        AVFormatContext* made = nullptr;
        if (format == nullptr || avformat_alloc_output_context2(&made, format, nullptr,
                                                                m_target.writePath().c_str()) < 0) {
            return Failure(path, MessageId::UnknownKindByName);
        }
        m_output.reset(made);
        m_packet.reset(av_packet_alloc());
        if (Status opened = openVideo(settings, video); !opened) {
            return opened;
        }
        if (sound != nullptr) {
            if (Status opened = openAudio(*sound); !opened) {
                return opened;
            }
        }
        AddContainerChapters(m_output.get(), chapters);
        // The file protocol, so that a name with a colon is not taken for a URL.
        int code =
            avio_open(&m_output->pb, ("file:" + m_target.writePath()).c_str(), AVIO_FLAG_WRITE);
        if (code < 0 || (code = avformat_write_header(m_output.get(), nullptr)) < 0) {
            return Failure(path, MessageId::CannotWrite, {AvErrorText(code)});
        }
        return Done{};
    }

    // A picture in the format open() was given, pts in its time base.
    bool picture(AVFrame* frame, int64_t pts) {
        frame->pts = pts;
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        return send(m_video.get(), m_videoOut, frame);
    }

    // Float planes at the rate and channels open() was given.
    bool sound(const std::vector<std::vector<float>>& planes, int64_t from, int64_t count) {
        if (m_audio == nullptr || count <= 0) {
            return true;
        }
        const float* pointers[2] = {planes[0].data() + from,
                                    planes.size() > 1 ? planes[1].data() + from : nullptr};
        av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(const_cast<float**>(pointers)),
                            static_cast<int>(count));
        return drainSound(false);
    }

    Status finish() {
        bool ok = (m_audio == nullptr || drainSound(true)) &&
                  send(m_video.get(), m_videoOut, nullptr) &&
                  (m_audio == nullptr || send(m_audio.get(), m_audioOut, nullptr));
        int code = av_write_trailer(m_output.get());
        ok = ok && code >= 0;
        code = avio_closep(&m_output->pb);
        ok = ok && code >= 0;
        if (!ok) {
            m_target.discard();
            return m_error.value_or(Failure(m_path, MessageId::NotCompleted));
        }
        return m_target.commit();
    }

    // Why a picture or sound could not be stored; empty when none failed.
    const std::optional<ScoreError>& error() const { return m_error; }

private:
    Status openVideo(const ClipSettings& settings, const VideoFormat& video) {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (codec == nullptr) {
            return Failure(m_path, MessageId::NoEncoder, {"H.264", "libx264"});
        }
        m_video.reset(avcodec_alloc_context3(codec));
        m_video->width = video.width;
        m_video->height = video.height;
        m_video->pix_fmt = AV_PIX_FMT_YUV420P;
        m_video->time_base = video.timeBase;
        m_video->framerate = video.rate;
        m_video->sample_aspect_ratio = video.aspect;
        m_video->colorspace = video.matrix;
        m_video->color_range = video.range;
        m_video->thread_count = 0;
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER) {
            m_video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        AVDictionary* options = nullptr;
        av_dict_set_int(&options, "crf", settings.crf >= 0 ? settings.crf : kDefaultBurnCrf, 0);
        av_dict_set(&options, "preset",
                    settings.preset.empty() ? kDefaultBurnPreset : settings.preset.c_str(), 0);
        const int code = avcodec_open2(m_video.get(), codec, &options);
        av_dict_free(&options);
        if (code < 0) {
            return Failure(m_path, MessageId::EncoderWontStart, {"H.264", AvErrorText(code)});
        }
        m_videoOut = avformat_new_stream(m_output.get(), nullptr);
        avcodec_parameters_from_context(m_videoOut->codecpar, m_video.get());
        m_videoOut->time_base = m_video->time_base;
        m_videoOut->avg_frame_rate = video.rate;
        m_videoOut->sample_aspect_ratio = video.aspect;
        return Done{};
    }

    Status openAudio(const SoundReader& sound) {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (codec == nullptr) {
            return Failure(m_path, MessageId::NoEncoder, {"AAC", "aac"});
        }
        m_audio.reset(avcodec_alloc_context3(codec));
        m_audio->sample_rate = sound.rate();
        m_audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
        av_channel_layout_copy(&m_audio->ch_layout, &sound.layout());
        m_audio->bit_rate = 96'000 * sound.channels();
        m_audio->time_base = {1, sound.rate()};
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER) {
            m_audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        const int code = avcodec_open2(m_audio.get(), codec, nullptr);
        if (code < 0) {
            return Failure(m_path, MessageId::EncoderWontStart, {"AAC", AvErrorText(code)});
        }
        m_fifo.reset(
            av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, sound.channels(), m_audio->frame_size));
        m_audioOut = avformat_new_stream(m_output.get(), nullptr);
        avcodec_parameters_from_context(m_audioOut->codecpar, m_audio.get());
        m_audioOut->time_base = m_audio->time_base;
        return Done{};
    }

    bool drainSound(bool all) {
        const int size = m_audio->frame_size > 0 ? m_audio->frame_size : 1024;
        while (av_audio_fifo_size(m_fifo.get()) >= size ||
               (all && av_audio_fifo_size(m_fifo.get()) > 0)) {
            AvFramePtr frame = NewFrame();
            frame->nb_samples = std::min(size, av_audio_fifo_size(m_fifo.get()));
            frame->format = m_audio->sample_fmt;
            frame->sample_rate = m_audio->sample_rate;
            av_channel_layout_copy(&frame->ch_layout, &m_audio->ch_layout);
            if (av_frame_get_buffer(frame.get(), 0) < 0) {
                return false;
            }
            av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->data),
                               frame->nb_samples);
            frame->pts = m_samples;
            m_samples += frame->nb_samples;
            if (!send(m_audio.get(), m_audioOut, frame.get())) {
                return false;
            }
        }
        return true;
    }

    bool send(AVCodecContext* encoder, AVStream* stream, AVFrame* frame) {
        int code = avcodec_send_frame(encoder, frame);
        if (code < 0 && code != AVERROR_EOF) {
            m_error = Failure(m_path, MessageId::ClipEncodeFailed, {AvErrorText(code)});
            return false;
        }
        while ((code = avcodec_receive_packet(encoder, m_packet.get())) == 0) {
            m_packet->stream_index = stream->index;
            av_packet_rescale_ts(m_packet.get(), encoder->time_base, stream->time_base);
            code = av_interleaved_write_frame(m_output.get(), m_packet.get());
            if (code < 0) {
                m_error = Failure(m_path, MessageId::CannotWrite, {AvErrorText(code)});
                return false;
            }
        }
        return code == AVERROR(EAGAIN) || code == AVERROR_EOF;
    }

    ExportTarget m_target;
    AvOutputPtr m_output;
    AvCodecContextPtr m_video;
    AvCodecContextPtr m_audio;
    AVStream* m_videoOut = nullptr;
    AVStream* m_audioOut = nullptr;
    AvAudioFifoPtr m_fifo;
    AvPacketPtr m_packet;
    int64_t m_samples = 0;
    std::string m_path;
    std::optional<ScoreError> m_error;
};

// Frames as the encoder takes them (YUV 4:2:0, 8 bits), converted only when the footage
// has another format.
class Planar420 {
public:
    AvFramePtr take(AVFrame* decoded) {
        AvFramePtr out = NewFrame();
        if (decoded->format == AV_PIX_FMT_YUV420P || decoded->format == AV_PIX_FMT_YUVJ420P) {
            av_frame_move_ref(out.get(), decoded);
            out->format = AV_PIX_FMT_YUV420P;
            return out;
        }
        m_scaler.reset(sws_getCachedContext(m_scaler.release(), decoded->width, decoded->height,
                                            static_cast<AVPixelFormat>(decoded->format),
                                            decoded->width, decoded->height, AV_PIX_FMT_YUV420P,
                                            SWS_BILINEAR, nullptr, nullptr, nullptr));
        out->format = AV_PIX_FMT_YUV420P;
        out->width = decoded->width;
        out->height = decoded->height;
        if (m_scaler == nullptr || av_frame_get_buffer(out.get(), 0) < 0) {
            return nullptr;
        }
        av_frame_copy_props(out.get(), decoded);
        sws_scale(m_scaler.get(), decoded->data, decoded->linesize, 0, decoded->height, out->data,
                  out->linesize);
        return out;
    }

private:
    SwsContextPtr m_scaler;
};

VideoFormat FormatOf(Footage& footage) {
    const AVStream* stream = footage.videoStream();
    const FootageInfo& info = footage.info();
    VideoFormat f;
    f.width = info.width;
    f.height = info.height;
    f.timeBase = stream->time_base;
    if (info.rateNum > 0) {
        f.rate = {info.rateNum, info.rateDen};
    }
    f.aspect = stream->codecpar->sample_aspect_ratio;
    f.matrix = PictureMatrix(stream->codecpar->color_space, info.width, info.height);
    f.range = AVCOL_RANGE_MPEG;
    return f;
}

// The frame's length in its stream's time base: its own, else one nominal frame.
int64_t FrameLength(Footage& footage, const VideoFormat& f) {
    if (footage.frameDuration() > 0) {
        return footage.frameDuration();
    }
    return std::max<int64_t>(1, av_rescale_q(1, av_inv_q(f.rate), f.timeBase));
}

// The encoders' statistics and notices are not for our users; errors come back as codes.
void QuietLibraries() {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
}

// How far ahead of a cut the sound is read, so that sound stored before the key frame the
// seek lands on is not missed.
constexpr int64_t kSoundLeadMs = 1000;

} // namespace

ClipResult CutClip(const ClipSettings& settings, const ClipSpan& span,
                   const std::string& outputPath) {
    QuietLibraries();
    ClipResult result;
    const auto fail = [&result](ScoreError error) {
        result.error = std::move(error);
        return result;
    };
    if (span.endMs <= span.startMs) {
        return fail(Failure(outputPath, MessageId::ClipEmpty));
    }
    auto opened = Footage::open(settings.footagePath);
    if (!opened) {
        return fail(opened.error());
    }
    const std::unique_ptr<Footage> footage = std::move(opened.value());
    SoundReader sound;
    const AVStream* audio = footage->audioStream();
    const bool withSound = audio != nullptr;
    if (withSound) {
        if (Status soundOpened = sound.open(audio, footage->startIn(audio), settings.footagePath);
            !soundOpened) {
            return fail(soundOpened.error());
        }
        footage->setAudioSink([&](AVPacket* packet) { sound.decode(packet); });
    }
    if (!footage->seek(std::max<int64_t>(0, span.startMs - kSoundLeadMs))) {
        // Without a read error the seek found no frame at all.
        return fail(
            footage->error().value_or(Failure(settings.footagePath, MessageId::FootageNoPicture)));
    }

    const VideoFormat format = FormatOf(*footage);
    ClipWriter writer;
    if (Status writing = writer.open(outputPath, settings, {settings.footagePath}, format,
                                     withSound ? &sound : nullptr, {});
        !writing) {
        return fail(writing.error());
    }
    Planar420 planar;
    // held: the frame on screen at the start so far; it is known once a later one starts
    // after the start.
    AvFramePtr held;
    int64_t heldPts = 0;
    int64_t firstPts = -1;
    int64_t endPts = 0;
    auto encodeFrame = [&](AvFramePtr frame, int64_t pts, int64_t length) {
        if (firstPts < 0) {
            firstPts = pts;
            result.firstFrameMs = av_rescale_q(pts, format.timeBase, AVRational{1, 1000});
        }
        endPts = pts + length;
        ++result.frames;
        return frame != nullptr && writer.picture(frame.get(), pts - firstPts);
    };
    int64_t heldLength = 0;
    bool ok = true;
    while (ok && footage->next()) {
        const int64_t ms = footage->frameMs();
        const int64_t pts = footage->framePts();
        const int64_t length = FrameLength(*footage, format);
        if (ms <= span.startMs) {
            held = planar.take(footage->frame());
            heldPts = pts;
            heldLength = length;
            continue;
        }
        if (held) {
            ok = encodeFrame(std::move(held), heldPts, heldLength);
        }
        if (ms >= span.endMs) {
            break;
        }
        ok = ok && encodeFrame(planar.take(footage->frame()), pts, length);
    }
    // At the footage's end the last frame counts only while it is still on screen at the
    // start.
    if (ok && held &&
        av_rescale_q(heldPts + heldLength, format.timeBase, AVRational{1, 1000}) > span.startMs) {
        ok = encodeFrame(std::move(held), heldPts, heldLength);
    }
    if (footage->error()) {
        return fail(*footage->error());
    }
    if (result.frames == 0) {
        return fail(Failure(outputPath, MessageId::FootageEndsBeforeClip));
    }
    if (withSound) {
        // The sound stored after the clip's last frame: read on until past its end.
        const int64_t endMs = av_rescale_q(endPts, format.timeBase, AVRational{1, 1000});
        while (footage->frameMs() < endMs + kSoundLeadMs && footage->next()) {
        }
        if (footage->frameMs() < endMs + kSoundLeadMs) {
            sound.flush();
        }
        const AVRational samples{1, sound.rate()};
        const int64_t from = av_rescale_q(firstPts, format.timeBase, samples);
        const int64_t count = av_rescale_q(endPts, format.timeBase, samples) - from;
        ok = ok && writer.sound(sound.track().slice(from, count), 0, count);
    }
    if (!ok) {
        return fail(writer.error().value_or(Failure(outputPath, MessageId::NotWritten)));
    }
    if (Status finished = writer.finish(); !finished) {
        return fail(finished.error());
    }
    result.ok = true;
    return result;
}

ClipResult JoinClips(const std::vector<std::string>& clips, const std::string& outputPath,
                     int64_t fadeMs, const ClipSettings& settings) {
    QuietLibraries();
    ClipResult result;
    const auto fail = [&result](ScoreError error) {
        result.error = std::move(error);
        return result;
    };
    if (clips.empty()) {
        return fail(Failure(outputPath, MessageId::NoClipToJoin));
    }
    std::vector<std::unique_ptr<Footage>> inputs;
    int64_t shortest = INT64_MAX;
    for (const std::string& clip : clips) {
        auto opened = Footage::open(clip);
        if (!opened) {
            return fail(opened.error());
        }
        inputs.push_back(std::move(opened.value()));
        shortest = std::min(shortest, inputs.back()->info().durationMs);
    }
    Footage& first = *inputs.front();
    VideoFormat format = FormatOf(first);
    // The reel counts whole frames of the clips' rate.
    format.timeBase = av_inv_q(format.rate);
    const int64_t fadeFrames = av_rescale(std::clamp<int64_t>(fadeMs, 0, shortest / 2),
                                          format.rate.num, 1000LL * format.rate.den);
    const AVStream* firstAudio = first.audioStream();
    SoundReader soundFormat;
    const bool withSound = firstAudio != nullptr;
    if (withSound) {
        if (Status opened = soundFormat.open(firstAudio, first.startIn(firstAudio), clips.front());
            !opened) {
            return fail(opened.error());
        }
    }
    const int sampleRate = withSound ? soundFormat.rate() : 1;
    const int64_t fadeSamples =
        av_rescale(fadeFrames, int64_t(sampleRate) * format.rate.den, format.rate.num);

    ClipWriter writer;
    std::vector<std::string> refused = clips;
    refused.push_back(settings.footagePath);
    if (Status writing = writer.open(outputPath, settings, refused, format,
                                     withSound ? &soundFormat : nullptr, {});
        !writing) {
        return fail(writing.error());
    }
    Planar420 planar;
    std::deque<AvFramePtr> tail;  // the previous clip's last fadeFrames frames
    std::deque<AvFramePtr> queue; // this clip's frames held back until they are not its tail
    std::vector<std::vector<float>> soundTail;
    bool ok = true;
    auto out = [&](AVFrame* frame) { return writer.picture(frame, result.frames++); };

    for (size_t c = 0; c < inputs.size() && ok; ++c) {
        Footage& clip = *inputs[c];
        if (clip.info().width != format.width || clip.info().height != format.height) {
            return fail(Failure(clips[c], MessageId::ClipOtherSize));
        }
        SoundReader sound;
        const AVStream* audio = clip.audioStream();
        // A clip whose sound cannot be decoded joins with silence under its pictures.
        const bool clipSound =
            withSound && audio != nullptr && sound.open(audio, clip.startIn(audio), clips[c]).ok();
        if (clipSound) {
            clip.setAudioSink([&](AVPacket* packet) { sound.decode(packet); });
        }
        int64_t index = 0;
        while (ok && clip.next()) {
            AvFramePtr frame = planar.take(clip.frame());
            if (!frame) {
                ok = false;
                break;
            }
            if (c > 0 && index < fadeFrames && !tail.empty()) {
                // Crossfade: the new clip comes up over the old one's last frames.
                AvFramePtr old = std::move(tail.front());
                tail.pop_front();
                av_frame_make_writable(frame.get());
                const int weight = int((index + 1) * 256 / (fadeFrames + 1));
                for (int p = 0; p < 3; ++p) {
                    const int rows = p == 0 ? format.height : (format.height + 1) / 2;
                    const int cols = p == 0 ? format.width : (format.width + 1) / 2;
                    for (int y = 0; y < rows; ++y) {
                        uint8_t* n = frame->data[p] + y * frame->linesize[p];
                        const uint8_t* o = old->data[p] + y * old->linesize[p];
                        for (int x = 0; x < cols; ++x) {
                            n[x] = uint8_t((o[x] * (256 - weight) + n[x] * weight + 128) >> 8);
                        }
                    }
                }
                ok = out(frame.get());
            } else {
                queue.push_back(std::move(frame));
                if (int64_t(queue.size()) > fadeFrames) {
                    ok = out(queue.front().get());
                    queue.pop_front();
                }
            }
            ++index;
        }
        if (clip.error()) {
            return fail(*clip.error());
        }
        // A clip shorter than the fade leaves some of the old tail: it goes out as it is.
        while (ok && !tail.empty()) {
            ok = out(tail.front().get());
            tail.pop_front();
        }
        tail.swap(queue);
        if (clipSound) {
            sound.flush();
        }
        if (withSound) {
            // The clip's sound under its frames, faded across like the pictures.
            const int64_t count =
                av_rescale(index, int64_t(sampleRate) * format.rate.den, format.rate.num);
            std::vector<std::vector<float>> samples =
                clipSound ? sound.track().slice(0, count)
                          : std::vector<std::vector<float>>(size_t(soundFormat.channels()),
                                                            std::vector<float>(size_t(count)));
            samples.resize(size_t(soundFormat.channels()), std::vector<float>(size_t(count)));
            int64_t start = 0;
            if (c > 0 && !soundTail.empty()) {
                const int64_t overlap = std::min<int64_t>(int64_t(soundTail[0].size()), count);
                for (size_t ch = 0; ch < samples.size(); ++ch) {
                    for (int64_t i = 0; i < overlap; ++i) {
                        const float w = float(i + 0.5) / float(overlap);
                        samples[ch][size_t(i)] =
                            soundTail[ch][size_t(i)] * (1.0f - w) + samples[ch][size_t(i)] * w;
                    }
                }
            }
            const bool last = c + 1 == inputs.size();
            const int64_t keep = last ? 0 : std::min(fadeSamples, count - start);
            ok = ok && writer.sound(samples, start, count - keep);
            soundTail.assign(samples.size(), {});
            for (size_t ch = 0; ch < samples.size(); ++ch) {
                soundTail[ch].assign(samples[ch].end() - std::ptrdiff_t(keep), samples[ch].end());
            }
        }
    }
    while (ok && !tail.empty()) {
        ok = out(tail.front().get());
        tail.pop_front();
    }
    if (!ok) {
        return fail(writer.error().value_or(Failure(outputPath, MessageId::NotWritten)));
    }
    if (Status finished = writer.finish(); !finished) {
        return fail(finished.error());
    }
    result.ok = true;
    return result;
}

ClipSpan EventClipSpan(const MatchEvent& event, int64_t offsetMs, int64_t beforeMs, int64_t afterMs,
                       int64_t durationMs) {
    ClipSpan span;
    span.startMs = std::max<int64_t>(0, event.visitStartMs + offsetMs - beforeMs);
    span.endMs = std::max<int64_t>(span.startMs, event.timeMs + offsetMs + afterMs);
    if (durationMs > 0) {
        span.endMs = std::min(span.endMs, durationMs);
        span.startMs = std::min(span.startMs, span.endMs);
    }
    return span;
}

void AddContainerChapters(AVFormatContext* output, const std::vector<Chapter>& chapters) {
    for (size_t i = 0; i < chapters.size(); ++i) {
        AVChapter* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (chapter == nullptr) {
            return;
        }
        chapter->id = static_cast<int64_t>(i) + 1;
        chapter->time_base = {1, 1000};
        chapter->start = chapters[i].startMs;
        chapter->end = chapters[i].endMs;
        av_dict_set(&chapter->metadata, "title", chapters[i].title.c_str(), 0);
        auto** grown = static_cast<AVChapter**>(
            av_realloc_array(output->chapters, output->nb_chapters + 1, sizeof(AVChapter*)));
        if (grown == nullptr) {
            av_dict_free(&chapter->metadata);
            av_free(chapter);
            return;
        }
        output->chapters = grown;
        output->chapters[output->nb_chapters++] = chapter;
    }
}

void TakeFootageTiming(ChapterSettings& settings, const FootageInfo& footage) {
    settings.width = footage.width;
    settings.height = footage.height;
    settings.durationMs = footage.durationMs;
    if (footage.rateNum > 0 && footage.rateDen > 0) {
        settings.rateNum = footage.rateNum;
        settings.rateDen = footage.rateDen;
    }
}
