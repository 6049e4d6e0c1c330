#include "video/Export.h"

#include "score/Timeline.h"
#include "video/AviOutput.h"
#include "video/ExportPlan.h"
#include "video/ExportTarget.h"
#include "video/FfmpegVideoOutput.h"
#include "video/FrameSource.h"

#include <QPainter>

#include <algorithm>
#include <memory>

namespace {

// The output's words name the temporary file; the user knows only the target.
std::string NameTarget(std::string text, const std::string& temporary, const std::string& target) {
    for (size_t at = text.find(temporary); !temporary.empty() && at != std::string::npos;
         at = text.find(temporary, at + target.size())) {
        text.replace(at, temporary.size(), target);
    }
    if (text.find(target) == std::string::npos) {
        text = "cannot write " + target + ": " + text;
    }
    return text;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string Duration(int64_t ms) {
    const int64_t seconds = ms / 1000;
    return std::to_string(seconds / 3600) + " h " + std::to_string(seconds / 60 % 60) + " min";
}

} // namespace

ExportResult ExportVideo(const Match& match, const ExportRequest& request,
                         const ExportProgressFn& progress, const ExportStopFn& shouldStop) {
    ExportResult result;
    if (!IsValidScale(request.render.scale)) {
        result.error = "the picture scale is out of range";
        return result;
    }
    if (!IsExportRate(request.rate)) {
        result.error = "the frame rate " + request.rate.toString() + " is not from " +
                       std::to_string(kMinExportFps) + " to " + std::to_string(kMaxExportFps) +
                       " frames a second";
        return result;
    }
    if (std::string problem = ExportPathProblem(request.path, request.codec); !problem.empty()) {
        result.error = problem;
        return result;
    }
    const ExportPlan plan = PlanExport(match, request);
    if (const int64_t longest = std::max(plan.lengthMs, plan.videoMs); longest > kMaxExportMs) {
        result.error = "the video would run " + Duration(longest) +
                       "; more than 24 hours is refused (are the times in " +
                       (match.path.empty() ? std::string("the score file") : match.path) +
                       " right?)";
        return result;
    }
    if (request.render.background.kind == Background::Kind::Transparent &&
        !CodecKeepsAlpha(request.codec)) {
        result.error = std::string("a transparent background needs a format with alpha; ") +
                       VideoCodecName(request.codec) + " has none";
        return result;
    }

    const bool sequence = request.codec == VideoCodec::PNG;
    ExportTarget target;
    if (!target.prepare(request.path, request.scorePath, sequence, plan.frames, result.error)) {
        return result;
    }
    if (const uint64_t needed = UncompressedBytes(plan, request.codec); needed > 0) {
        const int64_t free = FreeBytes(target.folder());
        if (free >= 0 && needed > static_cast<uint64_t>(free)) {
            result.error = "cannot write " + request.path + ": the uncompressed video needs " +
                           std::to_string(needed >> 20) + " MiB, but its file system has " +
                           std::to_string(free >> 20) + " MiB free";
            return result;
        }
    }

    std::unique_ptr<VideoOutput> output;
    FfmpegVideoOutput* ffmpeg = nullptr;
    if (IsAviCodec(request.codec)) {
        AviOutputOptions options;
        options.riffLimit = request.riffLimit;
        options.spaceLimit = request.spaceLimit;
        options.keyFrameInterval = request.keyFrameInterval;
        output = std::make_unique<AviOutput>(target.writePath(), request.codec, options);
    } else {
        auto own = std::make_unique<FfmpegVideoOutput>(
            target.writePath(), request.codec,
            request.render.background.kind == Background::Kind::Transparent, request.quality);
        ffmpeg = own.get();
        output = std::move(own);
    }
    result = ExportVideo(match, request, plan, *output, progress, shouldStop);
    const int64_t inFile = ffmpeg != nullptr ? ffmpeg->framesWritten() : result.framesWritten;
    // A cut-off file (a container without its index, a truncated cluster) may still show its
    // first frame; only a whole one counts as playing. The AVI output leaves none other.
    const bool whole = ffmpeg == nullptr || ffmpeg->fileComplete();
    output.reset(); // every file of the output closed before it is moved
    if (!result.error.empty()) {
        // A picture's name in the temporary folder reads as the name it would have had.
        const std::string temporary = sequence ? FolderOf(target.writePath()) : target.writePath();
        const std::string shown = sequence ? FolderOf(request.path) : request.path;
        result.error = NameTarget(result.error, temporary, shown);
    }
    if (result.outcome == ExportOutcome::Finished) {
        std::string error;
        if (!target.commit(sequence ? inFile : -1, error)) {
            result.outcome = ExportOutcome::Failed;
            result.error = error;
        }
        return result;
    }
    if (inFile > 0) {
        result.partialPath = target.keepPartial(
            [whole](const std::string& path) { return whole && VideoPlays(path); });
    }
    target.discard();
    if (result.outcome == ExportOutcome::Failed) {
        result.error += sequence ? "; the pictures of " + request.path + " are as they were"
                                 : "; " + request.path + " is as it was";
        if (!result.partialPath.empty()) {
            result.error += ", and the " + std::to_string(inFile) + " frames written are kept in " +
                            result.partialPath;
        }
    }
    return result;
}

ExportResult ExportVideo(const Match& match, const ExportRequest& request, const ExportPlan& plan,
                         VideoOutput& output, const ExportProgressFn& progress,
                         const ExportStopFn& shouldStop) {
    ExportResult result;
    // The broadcast board is drawn at the video's own size.
    RenderOptions render = request.render;
    if (render.design == BoardDesign::Broadcast && !request.frameSize.isEmpty()) {
        render.frameSize = plan.frameSize;
    }
    FrameSource source(match, render, request.endCard);
    const int64_t length = plan.lengthMs;
    const FrameClock clock(plan.rate, length);
    const QSize frameSize = plan.frameSize;
    const QRect board = plan.board;
    if (!QRect(QPoint(0, 0), frameSize).contains(board)) {
        result.error = "the board does not fit into a " + std::to_string(frameSize.width()) + "x" +
                       std::to_string(frameSize.height()) + " video at that scale";
        return result;
    }
    // A frame larger than the board: the board is copied onto a frame of the background,
    // once per distinct picture.
    QImage frame;
    if (frameSize != board.size()) {
        frame = MakeVideoFrame(frameSize, request.render.background);
    }
    if (!output.open(frameSize, plan.rate)) {
        result.error = output.error();
        return result;
    }

    result.outcome = ExportOutcome::Finished;
    int lastPercent = -1;
    for (int64_t n = 0; n < clock.frameCount(); ++n) {
        if (shouldStop && shouldStop()) {
            result.outcome = ExportOutcome::Cancelled;
            break;
        }
        const int64_t t = clock.momentOf(n);
        const int percent = static_cast<int>(t * 100 / length);
        if (percent != lastPercent) {
            lastPercent = percent;
            if (progress) {
                progress({n, clock.frameCount(), percent});
            }
        }
        const bool changed = source.advanceTo(t);
        if (!frame.isNull() && changed) {
            QPainter painter(&frame);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(board.topLeft(), source.picture());
        }
        if (!output.write(frame.isNull() ? source.picture() : frame, changed)) {
            result.outcome = ExportOutcome::Failed;
            break;
        }
        ++result.framesWritten;
    }

    if (!output.finish() && result.outcome == ExportOutcome::Finished) {
        result.outcome = ExportOutcome::Failed;
    }
    if (result.outcome == ExportOutcome::Failed) {
        result.error = output.error();
    }
    return result;
}
