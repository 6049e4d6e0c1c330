#pragma once

#include "video/FrameClock.h"

#include <QImage>
#include <QSize>

#include <string>

// Where an export's frames go: a file in some container and codec. The export renders the
// frames and hands each one over in order; the output encodes, stores and finishes the file.
// An output that wraps another library (FFmpeg, say) takes the very same pictures.
class VideoOutput {
public:
    virtual ~VideoOutput() = default;

    // Creates the file for frames of this size and rate. False, with error() saying why,
    // when it cannot; then no file is left behind.
    virtual bool open(QSize frameSize, FrameRate rate) = 0;
    // Adds the next frame: Format_RGB32, or Format_ARGB32_Premultiplied when the background is
    // transparent. changed is false when it is the same picture as the previous frame's, so
    // that an encoder can skip the work. False, with error() set, when it could not be stored.
    virtual bool write(const QImage& picture, bool changed) = 0;
    // Completes the file after the last frame, or after a failed write or a stop: whatever
    // was written so far should make a playable file. True when every frame handed to write
    // is in the finished file and the file is still where it was created.
    virtual bool finish() = 0;
    // Why the last call failed; empty when nothing failed.
    virtual std::string error() const = 0;
};
