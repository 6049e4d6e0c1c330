#include "video/AvSupport.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <mutex>

std::string AvErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

AVColorSpace PictureMatrix(AVColorSpace tag, int width, int height) {
    switch (tag) {
    case AVCOL_SPC_BT709:
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
    case AVCOL_SPC_FCC:
    case AVCOL_SPC_SMPTE240M:
        return tag;
    default:
        return height >= 720 || width >= 1280 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    }
}

bool IsFullRange(int pixelFormat, AVColorRange range) {
    switch (pixelFormat) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
        return true;
    default:
        return range == AVCOL_RANGE_JPEG;
    }
}

void QuietFfmpegLog() {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
}
