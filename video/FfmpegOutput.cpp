#include "video/FfmpegOutput.h"

#include "video/AvHandles.h"
#include "video/AvSupport.h"
#include "video/FfmpegPicture.h"
#include "video/OutputFile.h"
#include "video/OutputFormats.h"
#include "video/ProResTiles.h"

#include <QImage>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

namespace {

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool hasFrameNumber(const std::string& path) {
    std::string name(path.size() + 32, '\0');
    return av_get_frame_filename2(name.data(), static_cast<int>(name.size()), path.c_str(), 0, 0) ==
           0;
}

std::string frameFileName(const std::string& pattern, int64_t number) {
    std::string name(pattern.size() + 32, '\0');
    av_get_frame_filename2(name.data(), static_cast<int>(name.size()), pattern.c_str(),
                           static_cast<int>(number), 0);
    name.resize(std::strlen(name.c_str()));
    return name;
}

// The libavformat muxer for a file name's extension.
const char* muxerForPath(const std::string& path) {
    const std::string extension = lowerExtension(path);
    if (extension == ".mp4") {
        return "mp4";
    }
    if (extension == ".mov") {
        return "mov";
    }
    if (extension == ".webm") {
        return "webm";
    }
    if (extension == ".mkv") {
        return "matroska";
    }
    return nullptr;
}

// How a format's encoder is set up, as the format table gives it.
struct CodecSetup {
    const char* encoder;
    const char* label;
    AVPixelFormat opaqueFormat;
    AVPixelFormat alphaFormat; // AV_PIX_FMT_NONE: no alpha
    bool intraOnly;
    bool yuv;
    int defaultQuality;
    EncoderThreads threads;
};

CodecSetup setupFor(VideoCodec codec) {
    const OutputFormat& format = FormatOf(codec);
    const AVPixelFormat opaque = av_get_pix_fmt(format.opaquePixels);
    const AVPixelFormat alpha =
        format.alphaPixels != nullptr ? av_get_pix_fmt(format.alphaPixels) : AV_PIX_FMT_NONE;
    const AVPixFmtDescriptor* pixels = av_pix_fmt_desc_get(opaque);
    const bool yuv = pixels != nullptr && !(pixels->flags & AV_PIX_FMT_FLAG_RGB);
    return {format.encoder,        format.label,  opaque, alpha, format.intraOnly, yuv,
            format.defaultQuality, format.threads};
}

int writeToFile(void* opaque, uint8_t* data, int size) {
    auto* file = static_cast<OutputFile*>(opaque);
    if (!file->write(data, static_cast<size_t>(size))) {
        return AVERROR(errno != 0 ? errno : EIO);
    }
    return size;
}

int64_t seekInFile(void* opaque, int64_t offset, int whence) {
    auto* file = static_cast<OutputFile*>(opaque);
    const int64_t at =
        whence == AVSEEK_SIZE ? file->size() : file->seek(offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

constexpr int kIoBufferSize = 1 << 20;

// Packets on their way into the file. They are written on a thread of their own, so that
// while the bytes of repeated frames go to the disk the caller already paints and encodes
// the next picture. A repeated packet shares its buffer with the original, so even a long
// queue holds little.
class PacketQueue {
public:
    explicit PacketQueue(std::function<bool(AVPacket*)> store)
        : m_store(std::move(store)), m_thread([this] { run(); }) {}
    ~PacketQueue() { close(); }
    PacketQueue(const PacketQueue&) = delete;
    PacketQueue& operator=(const PacketQueue&) = delete;

    // Takes over the packet's reference; waits while the queue is full. False once a packet
    // could not be stored (later ones are dropped).
    bool push(AVPacket* packet) {
        std::unique_lock lock(m_mutex);
        m_space.wait(lock, [this] { return m_queuedBytes < kMaxQueuedBytes || m_failed; });
        if (m_failed) {
            av_packet_unref(packet);
            return false;
        }
        AvPacketPtr item(av_packet_alloc());
        if (!item) {
            av_packet_unref(packet);
            return false;
        }
        av_packet_move_ref(item.get(), packet);
        m_queuedBytes += static_cast<size_t>(item->size);
        m_items.push_back(std::move(item));
        m_ready.notify_one();
        return true;
    }

    // Stores what is queued and stops the thread.
    void close() {
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        m_ready.notify_one();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

private:
    // Bytes still to write, repeats counted each time: what the writing may lag behind.
    // The memory held is at most this (repeats share one buffer).
    static constexpr size_t kMaxQueuedBytes = size_t(64) << 20;

    void run() {
        for (;;) {
            AvPacketPtr item;
            bool failed = false;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_items.empty() || m_closing; });
                if (m_items.empty()) {
                    return;
                }
                item = std::move(m_items.front());
                m_items.pop_front();
                failed = m_failed;
            }
            const size_t size = static_cast<size_t>(item->size);
            const bool ok = failed || m_store(item.get());
            item.reset();
            std::lock_guard lock(m_mutex);
            m_queuedBytes -= size;
            m_failed = m_failed || !ok;
            m_space.notify_all();
        }
    }

    std::function<bool(AVPacket*)> m_store;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_space;
    std::deque<AvPacketPtr> m_items;
    size_t m_queuedBytes = 0;
    bool m_closing = false;
    bool m_failed = false;
    std::thread m_thread; // last: it starts once the rest is in place
};

} // namespace

std::optional<VideoCodec> codecForPath(const std::string& path) {
    if (hasFrameNumber(path)) {
        return VideoCodec::PNG;
    }
    return VideoCodecForExtension(lowerExtension(path));
}

Status checkFramePattern(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const bool png = lowerExtension(path) == ".png";
    int numbers = 0;
    bool inFolder = false;
    bool unreadable = false;
    size_t widest = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '%') {
            continue;
        }
        if (i + 1 < path.size() && path[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < path.size() && std::isdigit(static_cast<unsigned char>(path[end])) != 0) {
            ++end;
        }
        if (end >= path.size() || path[end] != 'd') {
            unreadable = true;
            continue;
        }
        ++numbers;
        inFolder = inFolder || (slash != std::string::npos && i < slash);
        const std::string digits = path.substr(i + 1, end - i - 1);
        // Leading zeros are the zero flag; a width of nine digits is beyond any file name.
        widest = std::max(widest, digits.empty()      ? size_t(0)
                                  : digits.size() > 9 ? size_t(NAME_MAX)
                                                      : size_t(std::stoul(digits)));
        i = end;
    }
    if (numbers == 0 && !png) {
        return Done{};
    }
    if (numbers == 0 && !unreadable) {
        return Failure(path, MessageId::NeedsFrameNumber,
                       {name.substr(0, name.size() - 4) + "%05d.png"});
    }
    if (unreadable && png) {
        return Failure(path, MessageId::FrameNumberUnreadable);
    }
    if (unreadable) {
        return Done{}; // a literal % in the name of a video file
    }
    if (numbers > 1) {
        return Failure(path, MessageId::FrameNumbers);
    }
    if (widest >= 19) {
        return Failure(path, MessageId::FrameNumberTooWide);
    }
    if (inFolder) {
        return Failure(path, MessageId::FrameNumberInFolder);
    }
    if (!png) {
        return Failure(path, MessageId::NumberedNotPng);
    }
    // The widest number of a day's video, or the width asked for.
    if (name.size() + std::max<size_t>(widest, 10) > NAME_MAX) {
        return Failure(path, MessageId::PictureNamesTooLong);
    }
    return Done{};
}

struct FfmpegOutput::Impl {
    OutputSettings settings;
    CodecSetup setup{};
    Counts counts; // written is kept apart: the writing thread counts it
    std::atomic<int64_t> written{0};

    AvCodecContextPtr encoder;
    AVFormatContext* muxer = nullptr; // none for a PNG sequence
    AVStream* stream = nullptr;
    AVIOContext* io = nullptr;
    OutputFile file;
    std::unique_ptr<PictureConverter> converter;
    std::unique_ptr<ProResTiles> proresTiles; // ProRes is encoded by these
    AvFramePtr frame;                         // the latest distinct picture in the encoder's format
    AvPacketPtr packet;                       // what the encoder just gave
    AvPacketPtr last; // intra-only codecs: the latest distinct picture's packet
    std::unique_ptr<PacketQueue> queue;
    bool havePicture = false;
    bool headerWritten = false;
    bool finished = false;
    bool complete = false; // the file was closed whole
    bool encoderBroken = false;
    std::atomic<bool> muxerBroken{false}; // set by the writing thread

    mutable std::mutex errorMutex;
    std::optional<ScoreError> error; // the first failure

    ~Impl() {
        queue.reset();
        // The muxer writes through an I/O context of ours, which its owning handle would
        // close as if FFmpeg had opened it: both are freed here, the context's buffer first.
        if (io != nullptr) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        avformat_free_context(muxer);
    }

    // A reason that names no file (the encoder's) is about this output's.
    bool fail(ScoreError reason) {
        if (reason.path.empty()) {
            reason.path = settings.path;
        }
        std::lock_guard lock(errorMutex);
        if (!error) {
            error = std::move(reason);
        }
        return false;
    }
    bool fail(MessageId id, std::vector<std::string> args = {}) {
        return fail(Failure(settings.path, id, std::move(args)));
    }
    std::optional<ScoreError> firstError() const {
        std::lock_guard lock(errorMutex);
        return error;
    }

    Status openEncoder();
    Status openMuxer();
    void startWriting();
    bool writePacket(AVPacket* packet);
    bool storePacket(AVPacket* packet);
    bool drainEncoder();
    bool encodePicture(const QImage& picture, int64_t index);
    bool encodeAgain(int64_t index);
    bool writeRepeat(int64_t index);
};

Status FfmpegOutput::Impl::openEncoder() {
    const AVCodec* codec = avcodec_find_encoder_by_name(setup.encoder);
    if (codec == nullptr) {
        return Failure(settings.path, MessageId::NoEncoder, {setup.label, setup.encoder});
    }
    encoder.reset(avcodec_alloc_context3(codec));
    packet.reset(av_packet_alloc());
    last.reset(av_packet_alloc());
    frame.reset(av_frame_alloc());
    if (encoder == nullptr || packet == nullptr || last == nullptr || frame == nullptr) {
        return Failure(settings.path, MessageId::OutOfMemory);
    }
    const AVPixelFormat pixelFormat = settings.alpha ? setup.alphaFormat : setup.opaqueFormat;
    encoder->width = settings.width;
    encoder->height = settings.height;
    encoder->pix_fmt = pixelFormat;
    encoder->time_base = {static_cast<int>(settings.rateDen), static_cast<int>(settings.rateNum)};
    encoder->framerate = {static_cast<int>(settings.rateNum), static_cast<int>(settings.rateDen)};
    encoder->sample_aspect_ratio = {1, 1};
    if (setup.yuv) {
        encoder->color_primaries = AVCOL_PRI_BT709;
        encoder->color_trc = AVCOL_TRC_BT709;
        encoder->colorspace = AVCOL_SPC_BT709;
        encoder->color_range = AVCOL_RANGE_MPEG;
    }
    // Intra-only encoders work on slices of one frame at a time, so that every picture's
    // packet is back before the next frame, ready to be repeated.
    if (setup.intraOnly) {
        encoder->thread_type = FF_THREAD_SLICE;
    }
    // The libraries' default is one thread. Every core gets one thread, not what 0 would
    // pick: x264 then starts one and a half a core, each holding frames of its own (some
    // 40 MB more at 4K on two cores), and was no faster for it on these pictures.
    AVDictionary* options = nullptr;
    switch (setup.threads) {
    case EncoderThreads::One:
        encoder->thread_count = 1;
        break;
    case EncoderThreads::AllRows:
        [[fallthrough]];
    case EncoderThreads::AllCores:
        encoder->thread_count = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        break;
    }
    if (settings.encoderThreadsForBench > 0) {
        encoder->thread_count = settings.encoderThreadsForBench;
    }
    if (muxer != nullptr && (muxer->oformat->flags & AVFMT_GLOBALHEADER)) {
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }

    const int quality = settings.quality >= 0 ? settings.quality : setup.defaultQuality;
    switch (settings.codec) {
    case VideoCodec::H264:
        av_dict_set_int(&options, "crf", quality, 0);
        av_dict_set(&options, "preset", "ultrafast", 0);
        break;
    case VideoCodec::ProRes: {
        // This encoder only describes the stream; the tiles encode.
        ProResTiles::Setup setup;
        setup.width = settings.width;
        setup.height = settings.height;
        setup.alpha = settings.alpha;
        setup.quantiser = settings.quality > 0 ? settings.quality : this->setup.defaultQuality;
        ProResTiles::configure(encoder.get(), setup, &options);
        // Each worker keeps converted pixels and encoders of its own; a few are plenty.
        const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
        proresTiles = std::make_unique<ProResTiles>(setup, static_cast<int>(workers));
        break;
    }
    case VideoCodec::VP9:
        encoder->bit_rate = 0;
        av_dict_set_int(&options, "crf", quality, 0);
        // libvpx's fastest mode: about four times faster than "good" at cpu-used 4 on these
        // pictures, at the same quality and files about half as large again. Without look-
        // ahead frames the two encoders (colour and alpha) take some 200 MB less at 1080p.
        av_dict_set(&options, "deadline", "realtime", 0);
        av_dict_set(&options, "cpu-used", "8", 0);
        av_dict_set(&options, "lag-in-frames", "0", 0);
        av_dict_set(&options, "row-mt", "1", 0);
        break;
    case VideoCodec::FFV1:
        // libavcodec 5.1 gives this encoder a zero-filled buffer for its worst-case packet,
        // 148 bytes a pixel: 1.3 GB at 4K, 330 MB at 1080p, whatever the slices, threads or
        // our queue (which holds right-sized copies); the ffmpeg program holds as much. Only
        // version 4 of the format, experimental in that release and other bytes, asks less.
        encoder->gop_size = 1;
        encoder->slices = 16;
        av_dict_set(&options, "level", "3", 0);
        av_dict_set(&options, "slicecrc", "1", 0);
        av_dict_set(&options, "coder", "range_def", 0);
        break;
    case VideoCodec::PNG:
        av_dict_set(&options, "pred", "paeth", 0);
        break;
    case VideoCodec::Video1:
    case VideoCodec::Raw:
        break;
    }
    const int result = avcodec_open2(encoder.get(), codec, &options);
    av_dict_free(&options);
    if (result < 0) {
        return Failure(settings.path, MessageId::EncoderWontStart,
                       {setup.label, AvErrorText(result)});
    }
    converter = std::make_unique<PictureConverter>(pixelFormat, settings.alpha);
    return Done{};
}

Status FfmpegOutput::Impl::openMuxer() {
    stream = avformat_new_stream(muxer, nullptr);
    if (stream == nullptr) {
        return Failure(settings.path, MessageId::OutOfMemory);
    }
    int result = avcodec_parameters_from_context(stream->codecpar, encoder.get());
    if (result < 0) {
        return Failure(settings.path, MessageId::EncoderWontStart,
                       {setup.label, AvErrorText(result)});
    }
    stream->time_base = encoder->time_base;
    stream->avg_frame_rate = encoder->framerate;

    if (Status opened = file.open(settings.path, settings.diskReserve); !opened) {
        return opened;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (buffer != nullptr) {
        io = avio_alloc_context(buffer, kIoBufferSize, 1, &file, nullptr, writeToFile, seekInFile);
    }
    if (io == nullptr) {
        av_free(buffer);
        return Failure(settings.path, MessageId::OutOfMemory);
    }
    muxer->pb = io;
    muxer->flags |= AVFMT_FLAG_CUSTOM_IO;

    AVDictionary* options = nullptr;
    if (settings.codec == VideoCodec::H264) {
        // The index in front, for players that start before the whole file is there. It
        // costs one more pass over the (small) file when it is finished.
        av_dict_set(&options, "movflags", "+faststart", 0);
    }
    result = avformat_write_header(muxer, &options);
    av_dict_free(&options);
    if (result < 0) {
        return Failure(settings.path, MessageId::CannotWrite, {AvErrorText(result)});
    }
    headerWritten = true;
    return Done{};
}

void FfmpegOutput::Impl::startWriting() {
    queue = std::make_unique<PacketQueue>([this](AVPacket* p) { return storePacket(p); });
}

bool FfmpegOutput::Impl::writePacket(AVPacket* p) {
    if (!queue->push(p)) {
        return fail(MessageId::NotWritten);
    }
    return true;
}

// On the writing thread.
bool FfmpegOutput::Impl::storePacket(AVPacket* p) {
    if (muxer == nullptr) {
        const std::string name = frameFileName(settings.path, p->pts);
        if (Status stored = writeWholeFile(name, p->data, static_cast<size_t>(p->size)); !stored) {
            return fail(stored.error());
        }
        ++written;
        return true;
    }
    av_packet_rescale_ts(p, encoder->time_base, stream->time_base);
    p->stream_index = stream->index;
    const int result = av_write_frame(muxer, p);
    if (result < 0) {
        muxerBroken = true;
        return fail(MessageId::CannotWrite, {AvErrorText(result)});
    }
    ++written;
    // The disk is full but the reserve took this write: stop here while the index still
    // fits.
    if (file.outOfSpace()) {
        return fail(MessageId::CannotWrite, {SystemReason(ENOSPC)});
    }
    return true;
}

bool FfmpegOutput::Impl::drainEncoder() {
    for (;;) {
        const int result = avcodec_receive_packet(encoder.get(), packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return true;
        }
        if (result < 0) {
            encoderBroken = true;
            return fail(MessageId::EncodingFailed, {setup.label, AvErrorText(result)});
        }
        if (setup.intraOnly) {
            av_packet_unref(last.get());
            av_packet_ref(last.get(), packet.get());
        }
        if (!writePacket(packet.get())) {
            return false;
        }
    }
}

bool FfmpegOutput::Impl::encodePicture(const QImage& picture, int64_t index) {
    if (proresTiles) {
        if (Status encoded = proresTiles->encode(picture, packet.get()); !encoded) {
            encoderBroken = true;
            return fail(encoded.error());
        }
        ++counts.conversions;
        ++counts.encodes;
        havePicture = true;
        packet->pts = index;
        packet->dts = index;
        packet->duration = 1;
        av_packet_unref(last.get());
        av_packet_ref(last.get(), packet.get());
        return writePacket(packet.get());
    }
    if (Status converted = converter->convert(picture, frame.get()); !converted) {
        return fail(converted.error());
    }
    ++counts.conversions;
    havePicture = true;
    av_packet_unref(last.get());
    return encodeAgain(index);
}

bool FfmpegOutput::Impl::encodeAgain(int64_t index) {
    frame->pts = index;
    const int result = avcodec_send_frame(encoder.get(), frame.get());
    if (result < 0) {
        encoderBroken = true;
        return fail(MessageId::EncodingFailed, {setup.label, AvErrorText(result)});
    }
    ++counts.encodes;
    if (!drainEncoder()) {
        return false;
    }
    if (setup.intraOnly && (last->data == nullptr || last->pts != index)) {
        encoderBroken = true;
        return fail(MessageId::EncoderHeldBack, {setup.label});
    }
    return true;
}

bool FfmpegOutput::Impl::writeRepeat(int64_t index) {
    if (av_packet_ref(packet.get(), last.get()) < 0) {
        return fail(MessageId::OutOfMemory);
    }
    packet->pts = index;
    packet->dts = index;
    packet->duration = 1;
    if (!writePacket(packet.get())) {
        return false;
    }
    ++counts.reused;
    return true;
}

Result<std::unique_ptr<FfmpegOutput>> FfmpegOutput::open(const OutputSettings& settings) {
    const auto refuse = [&](MessageId id, std::vector<std::string> args = {}) {
        return Failure(settings.path, id, std::move(args));
    };
    if (settings.width <= 0 || settings.height <= 0 || settings.width > 16384 ||
        settings.height > 16384) {
        return refuse(MessageId::UnusableSize,
                      {std::to_string(settings.width), std::to_string(settings.height)});
    }
    if (settings.rateNum <= 0 || settings.rateDen <= 0 || settings.rateNum > INT_MAX ||
        settings.rateDen > INT_MAX) {
        return refuse(MessageId::UnusableRate,
                      {std::to_string(settings.rateNum), std::to_string(settings.rateDen)});
    }
    // The libraries' notes (encoder statistics and the like) are not for our users; what
    // goes wrong reaches them through our reasons.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
    auto impl = std::make_unique<Impl>();
    Impl& d = *impl;
    d.settings = settings;
    if (FormatOf(settings.codec).encoder == nullptr) {
        return refuse(MessageId::WrittenAsAvi, {FormatOf(settings.codec).label});
    }
    d.setup = setupFor(settings.codec);
    if (settings.alpha && d.setup.alphaFormat == AV_PIX_FMT_NONE) {
        return refuse(MessageId::NoTransparency, {d.setup.label});
    }
    if (settings.codec == VideoCodec::H264 && (settings.width % 2 != 0 || settings.height % 2)) {
        return refuse(MessageId::H264EvenSides,
                      {std::to_string(settings.width), std::to_string(settings.height)});
    }

    if (settings.codec == VideoCodec::PNG) {
        if (!hasFrameNumber(settings.path)) {
            return refuse(MessageId::PngNeedsNumber);
        }
        std::filesystem::path folder = std::filesystem::path(settings.path).parent_path();
        if (folder.empty()) {
            folder = ".";
        }
        if (::access(folder.c_str(), W_OK | X_OK) != 0) {
            return Failure(folder.string(), MessageId::CannotWrite, {SystemReason(errno)});
        }
        if (Status opened = d.openEncoder(); !opened) {
            return opened.error();
        }
        d.startWriting();
        return std::unique_ptr<FfmpegOutput>(new FfmpegOutput(std::move(impl)));
    }

    const char* muxerName = muxerForPath(settings.path);
    if (muxerName == nullptr || hasFrameNumber(settings.path)) {
        return refuse(MessageId::UnknownVideoKind);
    }
    // The "file:" prefix keeps a colon in the name from being taken for a protocol when
    // the MP4 muxer reopens the file to move its index to the front.
    const std::string url = "file:" + settings.path;
    if (avformat_alloc_output_context2(&d.muxer, nullptr, muxerName, url.c_str()) < 0 ||
        d.muxer == nullptr) {
        return refuse(MessageId::OutOfMemory);
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(d.setup.encoder);
    if (codec != nullptr &&
        avformat_query_codec(d.muxer->oformat, codec->id, FF_COMPLIANCE_NORMAL) != 1) {
        return refuse(MessageId::ContainerRefuses, {d.setup.label, lowerExtension(settings.path)});
    }
    Status opened = d.openEncoder();
    if (opened) {
        opened = d.openMuxer();
    }
    if (!opened) {
        d.file.discard();
        return opened.error();
    }
    d.startWriting();
    return std::unique_ptr<FfmpegOutput>(new FfmpegOutput(std::move(impl)));
}

FfmpegOutput::FfmpegOutput(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

FfmpegOutput::~FfmpegOutput() {
    (void)finish();
}

FfmpegOutput::Counts FfmpegOutput::counts() const {
    Counts counts = m_impl->counts;
    counts.written = m_impl->written;
    return counts;
}

bool FfmpegOutput::fileComplete() const {
    return m_impl->complete;
}

Status FfmpegOutput::writeFrame(const QImage& picture, bool changed) {
    Impl& d = *m_impl;
    if (d.finished) {
        return Failure(d.settings.path, MessageId::AlreadyFinished);
    }
    if (auto error = d.firstError()) {
        return *error;
    }
    if (picture.width() != d.settings.width || picture.height() != d.settings.height) {
        return Failure(d.settings.path, MessageId::WrongPictureSize,
                       {std::to_string(picture.width()), std::to_string(picture.height()),
                        std::to_string(d.settings.width), std::to_string(d.settings.height)});
    }
    const int64_t index = d.counts.frames;
    bool ok;
    if (!changed && d.havePicture) {
        ok = d.setup.intraOnly ? d.writeRepeat(index) : d.encodeAgain(index);
    } else {
        const QImage::Format format = picture.format();
        if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
            format == QImage::Format_ARGB32_Premultiplied) {
            ok = d.encodePicture(picture, index);
        } else {
            ok = d.encodePicture(picture.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                                 index);
        }
    }
    if (!ok) {
        return *d.firstError();
    }
    ++d.counts.frames;
    return Done{};
}

Status FfmpegOutput::finish() {
    Impl& d = *m_impl;
    if (!d.finished) {
        d.finished = true;
        // Frames still inside the encoder belong to the video, also after a cancel. After a
        // failure the packets are dropped anyway, and after a full disk the reserve is kept
        // for the index.
        if (d.havePicture && !d.encoderBroken && !d.firstError()) {
            if (avcodec_send_frame(d.encoder.get(), nullptr) >= 0) {
                d.drainEncoder();
            }
        }
        d.queue->close();
        bool whole = d.headerWritten && !d.muxerBroken;
        if (whole) {
            const int result = av_write_trailer(d.muxer);
            if (result < 0) {
                whole = false;
                d.fail(MessageId::CannotWrite, {AvErrorText(result)});
            }
        }
        if (d.muxer != nullptr) {
            if (Status closed = d.file.close(); !closed) {
                whole = false;
                d.fail(closed.error());
            }
        }
        d.complete = whole;
    }
    if (auto error = d.firstError()) {
        return *error;
    }
    return Done{};
}
