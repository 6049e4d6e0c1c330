#pragma once

#include "video/FrameClock.h"

#include <QImage>
#include <QSize>

#include "score/Result.h"

// Where an export's frames go: a file in some container and codec. The export renders the
// frames and hands each one over in order; the output encodes, stores and finishes the file.
// An output that wraps another library (FFmpeg, say) takes the very same pictures.
class VideoOutput {
public:
    virtual ~VideoOutput() = default;

    // Creates the file for frames of this size and rate. When it cannot, the reason names
    // the file, and no file is left behind.
    virtual Status open(QSize frameSize, FrameRate rate) = 0;
    // Adds the next frame: Format_RGB32, or Format_ARGB32_Premultiplied when the background is
    // transparent. changed is false when it is the same picture as the previous frame's, so
    // that an encoder can skip the work. Fails when the frame could not be stored.
    virtual Status write(const QImage& picture, bool changed) = 0;
    // Completes the file after the last frame, or after a failed write or a stop: whatever
    // was written so far should make a playable file. Succeeds only when every frame handed
    // to write is in the finished file and the file is still where it was created; after a
    // failed write the caller keeps that write's reason, the first one.
    virtual Status finish() = 0;
};
