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

// The output's reasons name the temporary file (or a picture in the temporary folder); the
// user knows only the target.
void NameTarget(ScoreError& error, const std::string& temporary, const std::string& target) {
    if (error.path.empty() || error.path == temporary) {
        error.path = target;
    } else if (error.path.rfind(temporary + "/", 0) == 0) {
        error.path = target + error.path.substr(temporary.size());
    }
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

ExportResult ExportVideo(const Match& match, const ExportRequest& request,
                         const ExportProgressFn& progress, const ExportStopFn& shouldStop) {
    ExportResult result;
    const auto refuse = [&result](ScoreError error) {
        result.error = std::move(error);
        return result;
    };
    if (!IsValidScale(request.render.scale)) {
        return refuse(Failure({}, MessageId::ScaleOutOfRange));
    }
    if (!IsExportRate(request.rate)) {
        return refuse(Failure({}, MessageId::RateOutOfRange,
                              {request.rate.toString(), std::to_string(kMinExportFps),
                               std::to_string(kMaxExportFps)}));
    }
    if (Status fits = CheckExportPath(request.path, request.codec); !fits) {
        return refuse(fits.error());
    }
    const ExportPlan plan = PlanExport(match, request);
    if (const int64_t longest = std::max(plan.lengthMs, plan.videoMs); longest > kMaxExportMs) {
        const int64_t seconds = longest / 1000;
        return refuse(Failure(match.path, MessageId::VideoTooLong,
                              {std::to_string(seconds / 3600), std::to_string(seconds / 60 % 60)}));
    }
    if (request.render.background.kind == Background::Kind::Transparent &&
        !CodecKeepsAlpha(request.codec)) {
        return refuse(Failure({}, MessageId::NoAlpha, {VideoCodecName(request.codec)}));
    }

    const bool sequence = request.codec == VideoCodec::PNG;
    ExportTarget target;
    if (Status prepared = target.prepare(request.path, request.scorePath, sequence, plan.frames);
        !prepared) {
        return refuse(prepared.error());
    }
    if (const uint64_t needed = UncompressedBytes(plan, request.codec); needed > 0) {
        const int64_t free = FreeBytes(target.folder());
        if (free >= 0 && needed > static_cast<uint64_t>(free)) {
            return refuse(Failure(request.path, MessageId::NotEnoughSpace,
                                  {std::to_string(needed >> 20), std::to_string(free >> 20)}));
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
    if (result.outcome == ExportOutcome::Failed) {
        // A picture's name in the temporary folder reads as the name it would have had.
        const std::string temporary = sequence ? FolderOf(target.writePath()) : target.writePath();
        const std::string shown = sequence ? FolderOf(request.path) : request.path;
        NameTarget(result.error, temporary, shown);
        if (sequence && result.error.path == shown) {
            result.error.path = request.path;
        }
    }
    if (result.outcome == ExportOutcome::Finished) {
        if (Status committed = target.commit(sequence ? inFile : -1); !committed) {
            result.outcome = ExportOutcome::Failed;
            result.error = committed.error();
        }
        return result;
    }
    if (inFile > 0) {
        result.partialPath = target.keepPartial(
            [whole](const std::string& path) { return whole && VideoPlays(path); });
    }
    target.discard();
    if (result.outcome == ExportOutcome::Failed) {
        result.error.notes.push_back(KeptNote(request.path, sequence, inFile, result.partialPath));
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
        result.error =
            Failure({}, MessageId::BoardDoesNotFit,
                    {std::to_string(frameSize.width()), std::to_string(frameSize.height())});
        return result;
    }
    // A frame larger than the board: the board is copied onto a frame of the background,
    // once per distinct picture.
    QImage frame;
    if (frameSize != board.size()) {
        frame = MakeVideoFrame(frameSize, request.render.background);
    }
    if (Status opened = output.open(frameSize, plan.rate); !opened) {
        result.error = opened.error();
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
        if (Status written = output.write(frame.isNull() ? source.picture() : frame, changed);
            !written) {
            result.outcome = ExportOutcome::Failed;
            result.error = written.error();
            break;
        }
        ++result.framesWritten;
    }

    // After a failed write its reason stands: the first one says what went wrong.
    if (Status finished = output.finish(); !finished && result.outcome == ExportOutcome::Finished) {
        result.outcome = ExportOutcome::Failed;
        result.error = finished.error();
    }
    return result;
}
