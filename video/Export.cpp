#include "video/Export.h"

#include "score/Timeline.h"
#include "video/AviOutput.h"
#include "video/FrameSource.h"

ExportResult ExportVideo(const Match& match, const ExportRequest& request,
                         const ExportProgressFn& progress, const ExportStopFn& shouldStop) {
    AviOutputOptions options;
    options.riffLimit = request.riffLimit;
    options.spaceLimit = request.spaceLimit;
    options.keyFrameInterval = request.keyFrameInterval;
    AviOutput output(request.path,
                     request.codec == VideoCodec::Video1 ? AviCodec::Video1 : AviCodec::Raw,
                     options);
    return ExportVideo(match, request, output, progress, shouldStop);
}

ExportResult ExportVideo(const Match& match, const ExportRequest& request, VideoOutput& output,
                         const ExportProgressFn& progress, const ExportStopFn& shouldStop) {
    ExportResult result;
    if (!IsValidScale(request.render.scale)) {
        result.error = "the picture scale is out of range";
        return result;
    }
    FrameSource source(match, request.render, request.endCard);
    const int64_t length = TimelineLength(source.match());
    const FrameClock clock(request.rate, length);
    if (!output.open(BoardSize(request.render.scale), request.rate)) {
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
        if (!output.write(source.picture(), changed)) {
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
