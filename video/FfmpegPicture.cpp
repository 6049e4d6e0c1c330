#include "video/FfmpegPicture.h"

#include <QImage>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace {

// The QImage layout that is byte for byte the given pixel format (QImage's 32-bit formats
// are native-endian words, as are FFmpeg's RGB32 and 0RGB32).
QImage::Format matchingImageFormat(AVPixelFormat format) {
    switch (format) {
    case AV_PIX_FMT_RGB32:
        return QImage::Format_ARGB32;
    case AV_PIX_FMT_0RGB32:
        return QImage::Format_RGB32;
    case AV_PIX_FMT_RGBA:
        return QImage::Format_RGBA8888;
    case AV_PIX_FMT_RGB24:
        return QImage::Format_RGB888;
    default:
        return QImage::Format_Invalid;
    }
}

void releaseImage(void* opaque, uint8_t*) {
    delete static_cast<QImage*>(opaque);
}

// Hands the image's pixels to the frame without a copy; the frame's buffer keeps a shallow
// copy of the image alive for as long as an encoder holds it.
bool wrapImage(const QImage& image, AVPixelFormat format, AVFrame* frame) {
    auto* owner = new QImage(image);
    auto* bits = const_cast<uint8_t*>(owner->constBits());
    AVBufferRef* buffer =
        av_buffer_create(bits, static_cast<size_t>(owner->sizeInBytes()), releaseImage, owner, 0);
    if (buffer == nullptr) {
        delete owner;
        return false;
    }
    frame->buf[0] = buffer;
    frame->data[0] = bits;
    frame->linesize[0] = static_cast<int>(owner->bytesPerLine());
    frame->format = format;
    frame->width = owner->width();
    frame->height = owner->height();
    return true;
}

} // namespace

PictureConverter::PictureConverter(int pixelFormat, bool alpha)
    : m_format(pixelFormat), m_alpha(alpha) {}

PictureConverter::~PictureConverter() = default;

Status PictureConverter::convert(const QImage& picture, AVFrame* frame) {
    av_frame_unref(frame);
    const auto format = static_cast<AVPixelFormat>(m_format);
    const QImage::Format direct = matchingImageFormat(format);
    if (direct != QImage::Format_Invalid) {
        // Without alpha a premultiplied picture's colours are already the picture over
        // black; 0RGB32 ignores the fourth byte.
        const bool asIs =
            picture.format() == direct || (format == AV_PIX_FMT_0RGB32 && picture.depth() == 32);
        if (!wrapImage(asIs ? picture : picture.convertToFormat(direct), format, frame)) {
            return Failure({}, MessageId::OutOfMemory);
        }
        return Done{};
    }

    // libswscale reads straight alpha; Qt's un-premultiplying is exact and vectorised.
    const bool straight = m_alpha && picture.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage source = straight ? picture.convertToFormat(QImage::Format_ARGB32) : picture;
    const AVPixelFormat sourceFormat = m_alpha ? AV_PIX_FMT_RGB32 : AV_PIX_FMT_0RGB32;
    const int width = source.width();
    const int height = source.height();
    m_sws.reset(sws_getCachedContext(m_sws.release(), width, height, sourceFormat, width, height,
                                     format, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr,
                                     nullptr));
    if (m_sws == nullptr) {
        return Failure({}, MessageId::NoColourConversion);
    }
    // A context made anew for another size starts with BT.601.
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(m_sws.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    frame->format = format;
    frame->width = width;
    frame->height = height;
    // ProRes takes the colour description of its frame headers from the frames.
    frame->color_primaries = AVCOL_PRI_BT709;
    frame->color_trc = AVCOL_TRC_BT709;
    frame->colorspace = AVCOL_SPC_BT709;
    frame->color_range = AVCOL_RANGE_MPEG;
    if (av_frame_get_buffer(frame, 0) < 0) {
        return Failure({}, MessageId::OutOfMemory);
    }
    const uint8_t* planes[1] = {source.constBits()};
    const int strides[1] = {static_cast<int>(source.bytesPerLine())};
    sws_scale(m_sws.get(), planes, strides, 0, height, frame->data, frame->linesize);
    return Done{};
}
