#include "app/cli/Cli.h"
#include "app/cli/CliText.h"

#include "score/ScoreData.h"
#include "video/Export.h"
#include "video/ExportPlan.h"
#include "video/OutputFormats.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signal) {
    g_stopSignal = signal;
}

// Ctrl-C and a polite kill end the export as its cancel does, so the file is finished; a
// size limit becomes a write error instead of killing the process mid-file.
void CatchSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
}

void PrintUsage() {
    std::fputs("usage: vorlat-cli export SCORE.txt OUT [--uncompressed|--compressed] [--scale S]\n"
               "         [--size WxH] [--place P] [--fps R] [--background B] [--codec C]\n"
               "         [--end-card] [--theme NAME|FILE] [--layout corner|lower-third|vertical]\n",
               stderr);
}

} // namespace

int CliExport(int argc, char** argv) {
    bool endCard = false;
    BoardArguments board;
    CliOptions options;
    CliOptionTable table{SwitchOption("--end-card", endCard)};
    AddPictureOptions(table, options);
    AddFrameOptions(table, options);
    AddVideoOptions(table, options);
    AddBoardOptions(table, board);
    if (!ParseOptions(argc, argv, table, options.positional)) {
        return 2;
    }
    if (options.positional.size() != 2) {
        PrintUsage();
        return 2;
    }
    if (board.theme.empty() && board.layout.empty()) {
        // The format decides the board when no theme is named; both AVI formats draw the
        // same one, so the score file's compression need not be read yet. The classic board
        // is what the render options hold already.
        const VideoCodec codec =
            options.codec ? *options.codec : *VideoCodecForPath(options.positional[1], true);
        if (const std::string theme = FormatOf(codec).defaultTheme; theme != "classic") {
            board.theme = theme;
        }
    }
    if (!ApplyBoardArguments(board, options)) {
        return 2;
    }
    if (options.render.design == BoardDesign::Classic && !ResolveBoard(options)) {
        return 2;
    }
    const std::string& scorePath = options.positional[0];
    const std::string& outPath = options.positional[1];
    Match score;
    if (!LoadScore(score, scorePath.c_str())) {
        return 1;
    }
    ExportRequest request;
    request.path = outPath;
    request.scorePath = scorePath;
    request.render = options.render;
    request.rate = options.rate;
    request.endCard = endCard;
    request.place = options.place;
    if (options.size) {
        request.frameSize = *options.size;
    }
    const bool compress = options.compress >= 0 ? options.compress == 1 : score.compress;
    request.codec = options.codec ? *options.codec : *VideoCodecForPath(outPath, compress);
    if (Status fits = CheckExportPath(outPath, request.codec); !fits) {
        CliPrintError(fits.error());
        return 2;
    }
    if (request.render.background.kind == Background::Kind::Transparent &&
        !CodecKeepsAlpha(request.codec)) {
        std::fprintf(stderr,
                     "vorlat-cli: --background transparent needs a format with alpha (prores, "
                     "vp9, ffv1, png or raw), not %s\n",
                     VideoCodecName(request.codec));
        return 2;
    }

    const ExportPlan plan = PlanExport(score, request);
    std::printf("%s\n", DescribeLength(plan).c_str());
    if (options.size) {
        std::printf("board %dx%d at %d,%d (%s, scale %g) in %dx%d\n", plan.board.width(),
                    plan.board.height(), plan.board.x(), plan.board.y(),
                    BoardPlaceName(request.place), request.render.scale, plan.frameSize.width(),
                    plan.frameSize.height());
    }
    std::fflush(stdout);

    // On a terminal the progress rewrites one line; otherwise every change is its own line,
    // which reads well in a log.
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    bool lineOpen = false;
    auto status = [&](const std::string& text) {
        if (terminal) {
            std::fprintf(stderr, "\r\033[K%s", text.c_str());
            lineOpen = true;
        } else {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
        std::fflush(stderr);
    };
    CatchSignals();
    const ExportResult result = ExportVideo(
        score, request,
        [&](const ExportProgress& progress) { status(CliExportProgressText(progress.percent)); },
        [] { return g_stopSignal != 0; });
    if (result.outcome == ExportOutcome::Finished) {
        status(CliExportFinishedText());
    }
    if (lineOpen) {
        std::fputc('\n', stderr);
    }
    if (result.outcome == ExportOutcome::Cancelled && g_stopSignal != 0) {
        const char* name = g_stopSignal == SIGINT ? "SIGINT" : "SIGTERM";
        if (!result.partialPath.empty()) {
            std::fprintf(stderr,
                         "vorlat-cli: stopped by %s; %s is as it was, and the first %lld frames "
                         "are in %s\n",
                         name, outPath.c_str(), static_cast<long long>(result.framesWritten),
                         result.partialPath.c_str());
        } else {
            std::fprintf(stderr, "vorlat-cli: stopped by %s; %s is as it was\n", name,
                         outPath.c_str());
        }
        return 128 + g_stopSignal;
    }
    if (result.outcome != ExportOutcome::Finished) {
        CliPrintError(result.error);
        return 1;
    }
    return 0;
}
