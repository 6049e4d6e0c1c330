#include "video/ExportAvi.h"

#include "render/GStatic.h"
#include "render/Painters.h"
#include "score/Evaluate.h"
#include "score/ScoreData.h"
#include "video/AviWriter.h"
#include "video/ByteSink.h"
#include "video/Video1Encoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kProgressFormat = "（　動画ファイル出力中...　%d%%　）";
constexpr const char* kCancelledText = "（　ファイル出力中断　）";
constexpr const char* kFinishedText = "（　動画ファイル出力完了　）";
constexpr int64_t kTailMs = 10000;
constexpr int kKeyFrameEvery = 15; // one a second, so that editors can seek

// The end of the video: 10 s after the last entry of the leading run of non-decreasing
// times. 64-bit, since a time near the 32-bit limit plus the tail does not fit in 32 bits.
int64_t TotalLength(const Match& score) {
    int32_t previous = 0;
    int32_t last = 0;
    for (const Entry& mark : score.entries) {
        if (mark.time < previous) {
            break;
        }
        last = mark.time;
        previous = mark.time;
    }
    return int64_t(last) + kTailMs;
}

} // namespace

bool ExportAvi(const std::string& path, bool compress, Match& score,
               const std::function<ExportStop()>& stopCheck,
               const std::function<void(const std::string&)>& statusSink,
               const ExportOptions& options) {
    ValidateTimes(score);
    const int64_t total = TotalLength(score);

    CGStatic* surface = score.m_pSurface;
    if (surface == nullptr) {
        return false;
    }
    const int width = surface->GetCanvas().width();
    const int height = surface->GetCanvas().height();
    // Video 1 codes whole 4 x 4 blocks only.
    if (width <= 0 || height <= 0 || (compress && (width % 4 != 0 || height % 4 != 0))) {
        return false;
    }

    AviVideoFormat format;
    format.width = width;
    format.height = height;
    if (compress) {
        format.bitCount = 16;
        format.compression = FourCC("CRAM");
        format.handler = FourCC("msvc");
        format.sizeImage = static_cast<uint32_t>(width * height * 2);
    } else {
        format.bitCount = 32;
        format.compression = 0;
        format.handler = FourCC("DIB ");
        format.sizeImage = static_cast<uint32_t>(width * height * 4);
    }

    FileSink sink(options.spaceLimit);
    if (!sink.Open(path)) {
        return false;
    }
    AviWriter writer(sink, format, options.riffLimit);
    std::unique_ptr<Video1Encoder> encoder;
    if (compress) {
        encoder = std::make_unique<Video1Encoder>(width, height);
    }
    const size_t frameBytes = static_cast<size_t>(width) * height * 4;
    std::vector<uint8_t> lastCanvas(frameBytes); // the picture of the previous frame, top-down
    std::vector<uint8_t> rawFrame;               // the uncompressed frame, bottom-up
    if (!compress) {
        rawFrame.resize(frameBytes);
    }

    const uint32_t keyEvery = static_cast<uint32_t>(
        options.keyFrameInterval > 0 ? options.keyFrameInterval : kKeyFrameEvery);
    bool result = writer.Begin();
    std::string previousText;
    int64_t t = 0;
    uint32_t n = 0;
    size_t reached = 0; // entries whose time is at most t, walked as frame selection does
    long lastIndex = -2;
    while (result && t < total) {
        const ExportStop stop = stopCheck ? stopCheck() : ExportStop::Continue;
        if (stop == ExportStop::Closing) {
            result = false;
            break;
        }
        if (stop == ExportStop::Cancelled) {
            if (statusSink) {
                statusSink(kCancelledText);
            }
            result = false;
            break;
        }
        char text[128];
        std::snprintf(text, sizeof text, kProgressFormat, static_cast<int>(t * 100 / total));
        if (text != previousText) {
            if (statusSink) {
                statusSink(text);
            }
            previousText = text;
        }

        // A frame whose moment reaches the same entry as the frame before shows the same
        // picture, so painting is needed only when the entry changes. This keeps export
        // speed bound by the number of entries, not by the length of the match.
        while (reached < score.entries.size() && score.entries[reached].time <= t) {
            ++reached;
        }
        const long index = static_cast<long>(reached) - 1;
        bool changed = false;
        if (index != lastIndex) {
            lastIndex = index;
            DrawFrameAt(score, static_cast<int32_t>(
                                   std::min<int64_t>(t, std::numeric_limits<int32_t>::max())));
            QImage canvas = surface->GetCanvas();
            if (canvas.format() != QImage::Format_RGB32 || canvas.width() != width ||
                canvas.height() != height) {
                canvas = canvas.convertToFormat(QImage::Format_RGB32).copy(0, 0, width, height);
            }
            const size_t rowBytes = static_cast<size_t>(width) * 4;
            for (int y = 0; y < height; ++y) {
                const uint8_t* row = canvas.constScanLine(y);
                uint8_t* into = lastCanvas.data() + y * rowBytes;
                if (n == 0 || changed || std::memcmp(into, row, rowBytes) != 0) {
                    changed = true;
                    std::memcpy(into, row, rowBytes);
                }
            }
            if (n == 0) {
                changed = true;
            }
        }

        const bool key = n % keyEvery == 0;
        const void* data = nullptr;
        uint32_t size = 0;
        if (compress) {
            const std::vector<uint8_t>& bytes =
                changed ? encoder->Encode(lastCanvas.data(), width * 4, key)
                        : encoder->EncodeSame(key);
            data = bytes.data();
            size = static_cast<uint32_t>(bytes.size());
        } else {
            if (changed) {
                // Bitmaps are stored bottom-up; the fourth byte is opaque alpha for readers
                // that take 32-bit frames as BGRA.
                const size_t rowBytes = static_cast<size_t>(width) * 4;
                for (int y = 0; y < height; ++y) {
                    const uint8_t* from = lastCanvas.data() + y * rowBytes;
                    uint8_t* to = rawFrame.data() + (height - 1 - y) * rowBytes;
                    std::memcpy(to, from, rowBytes);
                    for (size_t x = 3; x < rowBytes; x += 4) {
                        to[x] = 255;
                    }
                }
            }
            data = rawFrame.data();
            size = static_cast<uint32_t>(rawFrame.size());
        }
        if (!writer.WriteFrame(data, size, compress ? key : true)) {
            result = false;
            break;
        }

        t += (n % 3 == 0) ? 66 : 67;
        ++n;
        if (options.pauseAfterFrame) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Finish also runs after a failure: it leaves the frames written so far as a complete
    // file, or reports that not even that was possible.
    if (!writer.Finish()) {
        result = false;
    }
    const bool stillAtPath = sink.StillAtPath();
    if (!sink.Close()) {
        result = false;
    }
    if (!writer.Finalised()) {
        // A file that could not be finalised would only confuse players; leave none.
        ::unlink(path.c_str());
        result = false;
    } else if (result && !stillAtPath) {
        // The folder or file was removed while writing: nothing usable is left at path.
        result = false;
    }
    if (result && statusSink) {
        statusSink(kFinishedText);
    }
    return result;
}
