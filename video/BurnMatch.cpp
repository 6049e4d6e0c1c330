#include "video/BurnMatch.h"

#include "render/Theme.h"
#include "score/Chapters.h"
#include "score/Events.h"
#include "video/BurnIn.h"
#include "video/ExportPlan.h"
#include "video/Footage.h"

#include <memory>

RenderOptions DefaultBurnBoard() {
    RenderOptions options;
    ApplyTheme(options, *BuiltInTheme("broadcast"));
    return options;
}

ExportResult BurnMatch(const BurnRequest& request, const ExportProgressFn& progress,
                       const ExportStopFn& shouldStop) {
    const Result<std::unique_ptr<Footage>> footage = Footage::open(request.footagePath);
    if (!footage) {
        ExportResult result;
        result.error = footage.error();
        return result;
    }
    const QSize shown = footage.value()->info().shownSize();
    const int64_t durationMs = footage.value()->info().durationMs;

    BurnSettings settings;
    settings.footagePath = request.footagePath;
    settings.outputPath = request.outputPath;
    settings.scorePath = request.scorePath;
    settings.offsetMs = request.offsetMs;
    settings.crf = request.crf;
    const FootageBoard placed = BoardOverFootage(request.board, request.overlay, shown);
    settings.boardPos = placed.position;
    ChapterSettings chapters;
    chapters.offsetMs = request.offsetMs;
    chapters.durationMs = durationMs;
    settings.chapters = MatchChapters(MatchEvents(request.match), chapters);

    MomentBoard board(request.match, placed.options);
    return BurnIn(
        settings, board.size(), [&board](int64_t ms, QImage& into) { return board(ms, into); },
        progress, shouldStop);
}
