#pragma once

// Turns the renderer's pictures into frames of an encoder's pixel format, once per distinct
// picture. Formats that are just a byte order of a QImage format are done by Qt and handed
// to the encoder without a copy; YUV goes through libswscale with BT.709 coefficients and
// limited range.

#include "score/Result.h"
#include "video/AvHandles.h"

#include <memory>
#include <string>

class QImage;

class PictureConverter {
public:
    // pixelFormat: an AVPixelFormat. alpha: keep the pictures' alpha (stored straight);
    // without it the colour channels are taken as they are (premultiplied pictures are then
    // the picture over black).
    PictureConverter(int pixelFormat, bool alpha);
    ~PictureConverter();
    PictureConverter(const PictureConverter&) = delete;
    PictureConverter& operator=(const PictureConverter&) = delete;

    // Replaces frame's contents with picture (Format_RGB32, Format_ARGB32 or
    // Format_ARGB32_Premultiplied; any size). Fresh buffers each time, since an encoder may
    // still hold the previous ones. The reason of a failure names no file.
    Status convert(const QImage& picture, AVFrame* frame);

private:
    int m_format;
    bool m_alpha;
    SwsContextPtr m_sws;
};
