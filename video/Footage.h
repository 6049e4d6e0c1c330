#pragma once

#include "score/Result.h"
#include "video/AvHandles.h"

#include <QImage>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

// What a footage file holds, as far as the board and the burn-in care.
struct FootageInfo {
    int width = 0;
    int height = 0;
    // The nominal frame rate (average rate where the file tells it); 0/1 if unknown.
    int rateNum = 0;
    int rateDen = 1;
    // From the start of the footage (the earliest stream) to its end.
    int64_t durationMs = 0;
    // Where the video stream ends as the file states it, ms on the footage's clock; 0 when
    // the file does not say (then nothing tells a cut-off file from a short one).
    int64_t videoEndMs = 0;
    // Frame count as the file states it, else estimated from duration and rate.
    int64_t frameCountEstimate = 0;
    // How far a player turns the decoded pictures clockwise to show them (0, 90, 180 or
    // 270), from the file's display matrix: phones store upright footage lying down.
    int rotation = 0;
    bool hasAudio = false;
    std::string container;
    std::string videoCodec;
    std::string audioCodec;

    // The picture as a player shows it, rotation applied.
    QSize shownSize() const {
        return rotation % 180 != 0 ? QSize(height, width) : QSize(width, height);
    }
};

// A video file read with FFmpeg's libraries: its first video stream decoded frame by frame
// in presentation order, each frame with its start time in ms on the footage's clock. The
// clock starts at the earliest stream's start (as players and the ffmpeg program count),
// so the first frame may start a little after 0 when the audio leads.
//
// Only regular files are opened (a FIFO or a device would block or never end), and only
// through the readers of self-contained video and picture files with the file protocol: a
// playlist, a concatenation script or a numbered picture pattern is refused, so that a
// shared "video" cannot make us read other files of this machine.
class Footage {
public:
    // Fails with a reason that names path.
    static Result<std::unique_ptr<Footage>> open(const std::string& path);
    ~Footage();
    Footage(const Footage&) = delete;
    Footage& operator=(const Footage&) = delete;

    const FootageInfo& info() const { return m_info; }

    // Decodes the next frame. False at the end of the footage, or on a read error (then
    // error() says why).
    bool next();
    // Start of the current frame, ms on the footage's clock (rounded to the nearest ms).
    int64_t frameMs() const { return m_frameMs; }
    // Same, in the video stream's time base, counted from the footage's start.
    int64_t framePts() const { return m_framePts; }
    // How long the current frame is shown, in the video stream's time base (0 if unknown).
    int64_t frameDuration() const { return m_frameDuration; }
    // The current frame as decoded. The caller may take its buffers (av_frame_move_ref);
    // frameImage() then has nothing to convert.
    AVFrame* frame() { return m_current.get(); }
    // The current frame as RGB32, for display.
    QImage frameImage();

    // Makes the next next() deliver the frame on screen at ms: the last frame whose frameMs()
    // is at most ms (the first frame before the start, the last one past the end).
    bool seek(int64_t ms);

    // Why the last next() or seek() failed; empty when it did not.
    const std::optional<ScoreError>& error() const { return m_error; }

    // Packets of the first audio stream read on the way to the video frames go here; without
    // a sink they are dropped. The packet is the sink's to keep or unreference.
    void setAudioSink(std::function<void(AVPacket*)> sink) { m_audioSink = std::move(sink); }

    // For the burn-in, which writes the same streams anew.
    AVFormatContext* format() const { return m_format.get(); }
    AVStream* videoStream() const;
    AVStream* audioStream() const;
    // The footage's start in the video stream's time base: subtracted from every time stamp
    // so that the clock starts at 0.
    int64_t startPts() const { return m_startPts; }
    // The footage's start in the given stream's time base.
    int64_t startIn(const AVStream* stream) const;

private:
    Footage() = default;
    bool decode(AVFrame* into);
    bool deliver(AVFrame* from);
    int64_t msOf(const AVFrame* frame) const;
    bool fail(MessageId id, int code);
    void clearQueue();

    AvInputPtr m_format;
    AvCodecContextPtr m_decoder;
    SwsContextPtr m_scaler;
    AvPacketPtr m_packet;
    AvFramePtr m_current;
    AvFramePtr m_pending;
    std::deque<AvFramePtr> m_queue; // decoded by Seek, delivered by next() before decoding on
    bool m_draining = false;
    int m_videoIndex = -1;
    int m_audioIndex = -1;
    int64_t m_startPts = 0;
    int64_t m_startUs = 0;
    int64_t m_frameMs = 0;
    int64_t m_framePts = 0;
    int64_t m_frameDuration = 0;
    int64_t m_lastPts = INT64_MIN;
    FootageInfo m_info;
    std::string m_path;
    std::optional<ScoreError> m_error;
    std::function<void(AVPacket*)> m_audioSink;
};
