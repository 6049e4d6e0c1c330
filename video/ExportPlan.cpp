#include "video/ExportPlan.h"

#include "score/Timeline.h"
#include "video/FfmpegOutput.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;

bool ParseSide(std::string_view text, int& side) {
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, side);
    return ec == std::errc() && at == end && side >= kMinSide && side <= kMaxSide;
}

// The containers a format for editors goes into, its own first.
std::vector<std::string> Containers(VideoCodec codec) {
    std::vector<std::string> containers;
    for (const char* extension : FormatOf(codec).containers) {
        if (extension != nullptr) {
            containers.emplace_back(extension);
        }
    }
    return containers;
}

std::string LowerExtension(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1)) {
        return {};
    }
    std::string extension = path.substr(dot);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension;
}

} // namespace

bool IsExportRate(FrameRate rate) {
    return rate.num > 0 && rate.den > 0 && rate.num >= kMinExportFps * rate.den &&
           rate.num <= kMaxExportFps * rate.den;
}

Status CheckExportPath(const std::string& path, VideoCodec codec) {
    if (Status pattern = checkFramePattern(path); !pattern) {
        return pattern;
    }
    const bool numbered = codecForPath(path) == VideoCodec::PNG;
    if (codec == VideoCodec::PNG) {
        if (numbered) {
            return Done{};
        }
        return Failure(path, MessageId::PngNeedsNumber);
    }
    const std::string label = FormatOf(codec).label;
    if (numbered) {
        return Failure(path, MessageId::NotInNumberedPng, {label});
    }
    const std::string extension = LowerExtension(path);
    const auto refuse = [&](const std::string& use) {
        if (extension.empty()) {
            return Failure(path, MessageId::CodecNeedsExtension, {label, use});
        }
        return Failure(path, MessageId::CodecNotInContainer, {label, extension, use});
    };
    if (IsAviCodec(codec)) {
        if (extension == ".mp4" || extension == ".mov" || extension == ".webm" ||
            extension == ".mkv" || extension == ".png") {
            return refuse(".avi");
        }
        return Done{};
    }
    const std::vector<std::string> containers = Containers(codec);
    if (std::find(containers.begin(), containers.end(), extension) != containers.end()) {
        return Done{};
    }
    std::string list;
    for (const std::string& container : containers) {
        list += (list.empty() ? "" : ", ") + container;
    }
    return refuse(list);
}

std::optional<VideoCodec> VideoCodecForPath(const std::string& path, bool compress) {
    if (const std::optional<VideoCodec> codec = codecForPath(path)) {
        return codec;
    }
    // Anything else has always been an AVI, whatever its name.
    return compress ? VideoCodec::Video1 : VideoCodec::Raw;
}

std::optional<BoardPlace> ParseBoardPlace(std::string_view text) {
    for (BoardPlace place : {BoardPlace::TopLeft, BoardPlace::TopRight, BoardPlace::BottomLeft,
                             BoardPlace::BottomRight, BoardPlace::Center}) {
        if (text == BoardPlaceName(place)) {
            return place;
        }
    }
    return std::nullopt;
}

const char* BoardPlaceName(BoardPlace place) {
    switch (place) {
    case BoardPlace::TopLeft:
        return "top-left";
    case BoardPlace::TopRight:
        return "top-right";
    case BoardPlace::BottomLeft:
        return "bottom-left";
    case BoardPlace::BottomRight:
        return "bottom-right";
    case BoardPlace::Center:
        break;
    }
    return "center";
}

std::optional<QSize> ParseFrameSize(std::string_view text) {
    const size_t x = text.find_first_of("xX");
    int width = 0;
    int height = 0;
    if (x == std::string_view::npos || !ParseSide(text.substr(0, x), width) ||
        !ParseSide(text.substr(x + 1), height)) {
        return std::nullopt;
    }
    return QSize(width, height);
}

double DefaultBoardScale(QSize frame) {
    const int margin = frame.height() / 30;
    // Hundredths keep the board's sides whole-ish and the choice reproducible.
    double scale = std::floor(double(frame.height()) / 3.0 / kBoardHeight * 100.0) / 100.0;
    const double byWidth =
        std::floor(double(frame.width() - 2 * margin) / kBoardWidth * 100.0) / 100.0;
    scale = std::min(scale, byWidth);
    while (scale > kMinScale && BoardSize(scale).height() > frame.height() / 3) {
        scale -= 0.01;
    }
    return std::clamp(scale, kMinScale, kMaxScale);
}

QRect PlaceBoard(QSize frame, QSize boardSize, BoardPlace place) {
    const int margin = frame.height() / 30;
    const int left = margin;
    const int right = frame.width() - margin - boardSize.width();
    const int top = margin;
    const int bottom = frame.height() - margin - boardSize.height();
    QPoint at;
    switch (place) {
    case BoardPlace::TopLeft:
        at = {left, top};
        break;
    case BoardPlace::TopRight:
        at = {right, top};
        break;
    case BoardPlace::BottomLeft:
        at = {left, bottom};
        break;
    case BoardPlace::BottomRight:
        at = {right, bottom};
        break;
    case BoardPlace::Center:
        at = {(frame.width() - boardSize.width()) / 2, (frame.height() - boardSize.height()) / 2};
        break;
    }
    return QRect(at, boardSize);
}

QImage MakeVideoFrame(QSize size, const Background& background) {
    const bool transparent = background.kind == Background::Kind::Transparent;
    QImage frame(size, transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    frame.fill(transparent                                   ? QColor(Qt::transparent)
               : background.kind == Background::Kind::Colour ? background.colour
                                                             : QColor(Qt::black));
    return frame;
}

std::optional<BoardCorner> BroadcastCorner(BoardPlace place) {
    switch (place) {
    case BoardPlace::TopLeft:
        return BoardCorner::TopLeft;
    case BoardPlace::TopRight:
        return BoardCorner::TopRight;
    case BoardPlace::BottomLeft:
        return BoardCorner::BottomLeft;
    case BoardPlace::BottomRight:
        return BoardCorner::BottomRight;
    case BoardPlace::Center:
        break;
    }
    return std::nullopt;
}

ExportPlan PlanExport(const Match& match, const ExportRequest& request) {
    const Match cleaned = WithCleanTimes(match);
    ExportPlan plan;
    plan.lengthMs = TimelineLength(cleaned);
    plan.rate = request.rate;
    plan.frames = FrameClock(request.rate, plan.lengthMs).frameCount();
    if (request.rate.num > 0 && request.rate.den > 0) {
        const __int128 step = static_cast<__int128>(1000) * request.rate.den;
        const __int128 ms =
            (static_cast<__int128>(plan.frames) * step + request.rate.num - 1) / request.rate.num;
        plan.videoMs = ms > INT64_MAX ? INT64_MAX : static_cast<int64_t>(ms);
    }
    const QSize board =
        request.render.design == BoardDesign::Broadcast && !request.frameSize.isEmpty()
            ? request.frameSize
            : PictureSize(request.render);
    plan.frameSize = request.frameSize.isEmpty() ? board : request.frameSize;
    plan.board = request.frameSize.isEmpty() || request.render.design == BoardDesign::Broadcast
                     ? QRect(QPoint(0, 0), board)
                     : PlaceBoard(plan.frameSize, board, request.place);
    return plan;
}

std::string DescribeLength(const ExportPlan& plan) {
    const int64_t tenths = plan.lengthMs / 100;
    const int64_t minutes = tenths / 600;
    char text[160];
    std::snprintf(text, sizeof text, "length %lld:%02lld.%lld (%lld frames at %s fps)",
                  static_cast<long long>(minutes), static_cast<long long>(tenths / 10 % 60),
                  static_cast<long long>(tenths % 10), static_cast<long long>(plan.frames),
                  plan.rate.toString().c_str());
    return text;
}

uint64_t UncompressedBytes(const ExportPlan& plan, VideoCodec codec) {
    if (codec != VideoCodec::Raw) {
        return 0;
    }
    // Each frame: its bitmap, a chunk header and an index entry; plus the headers.
    const uint64_t frameBytes =
        uint64_t(plan.frameSize.width()) * uint64_t(plan.frameSize.height()) * 4 + 8 + 16;
    return uint64_t(plan.frames) * frameBytes + (uint64_t(1) << 16);
}
