#include "app/cli/Cli.h"
#include "app/cli/CliText.h"

#include "score/ScoreData.h"
#include "video/BurnMatch.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

std::atomic<int> g_signal{0};

extern "C" void OnStopSignal(int signal) {
    g_signal = signal;
}

void PrintUsage() {
    std::fputs("usage: vorlat-cli burn SCORE.txt FOOTAGE OUT.mp4 [--offset MS] [--scale S] "
               "[--place top-left|top-right|bottom-left|bottom-right|center] [--crf N]\n"
               "         [--theme NAME|FILE] [--layout corner|lower-third|vertical]\n",
               stderr);
}

struct BurnArguments {
    std::vector<std::string> positional;
    OverlaySettings overlay;
    long long offsetMs = 0;
    long long crf = -1;
    BoardArguments board; // --theme, --layout
};

// 2 and a message naming the option on a bad one.
int ParseArguments(int argc, char** argv, BurnArguments& out) {
    CliOptionTable table{MillisecondsOption("--offset", out.offsetMs),
                         IntegerOption("--crf", 0, 51, out.crf), PlaceOption(out.overlay.place),
                         ScaleOption(out.overlay.scale)};
    AddBoardOptions(table, out.board);
    if (!ParseOptions(argc, argv, table, out.positional)) {
        return 2;
    }
    if (out.positional.size() != 3) {
        PrintUsage();
        return 2;
    }
    return 0;
}

} // namespace

int CliBurn(int argc, char** argv) {
    BurnArguments args;
    if (const int status = ParseArguments(argc, argv, args); status != 0) {
        return status;
    }
    const std::string& scorePath = args.positional[0];
    const std::string& footagePath = args.positional[1];
    const std::string& outPath = args.positional[2];

    BurnRequest request;
    if (!LoadScore(request.match, scorePath.c_str())) {
        return 1;
    }
    request.scorePath = scorePath;
    request.footagePath = footagePath;
    request.outputPath = outPath;
    request.offsetMs = args.offsetMs;
    request.crf = static_cast<int>(args.crf);
    request.overlay = args.overlay;
    // --theme and --layout are checked as every command checks them, over the burn-in's own
    // default board.
    CliOptions boardOptions;
    boardOptions.place = args.overlay.place;
    boardOptions.render = request.board;
    if (!ApplyBoardArguments(args.board, boardOptions)) {
        return 2;
    }
    request.board = boardOptions.render;

    // An interrupt ends the burn-in as a cancel does, so the frames so far are finished; a
    // size limit becomes a write error instead of killing the process mid-file.
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);

    // On a terminal the progress rewrites one line; otherwise every percent is its own line,
    // which reads well in a log.
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    bool lineOpen = false;
    int shownPercent = -1;
    const ExportResult result = BurnMatch(
        request,
        [&](const ExportProgress& progress) {
            if (progress.percent == shownPercent) {
                return;
            }
            shownPercent = progress.percent;
            if (terminal) {
                std::fprintf(stderr, "\r\033[Kburning %d%% (%lld frames)", progress.percent,
                             static_cast<long long>(progress.frame));
                lineOpen = true;
            } else {
                std::fprintf(stderr, "burning %d%%\n", progress.percent);
            }
            std::fflush(stderr);
        },
        [] { return g_signal.load() != 0; });
    if (lineOpen) {
        std::fputc('\n', stderr);
    }
    switch (result.outcome) {
    case ExportOutcome::Finished:
        std::fprintf(stderr, "wrote %s (%lld frames)\n", outPath.c_str(),
                     static_cast<long long>(result.framesWritten));
        return 0;
    case ExportOutcome::Cancelled: {
        const int signal = g_signal.load();
        const char* name = signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal";
        if (!result.partialPath.empty()) {
            std::fprintf(stderr,
                         "vorlat-cli: stopped by %s; %s holds the first %lld frames, %s is as it "
                         "was\n",
                         name, result.partialPath.c_str(),
                         static_cast<long long>(result.framesWritten), outPath.c_str());
        } else {
            std::fprintf(stderr, "vorlat-cli: stopped by %s; nothing was kept, %s is as it was\n",
                         name, outPath.c_str());
        }
        return 128 + (signal != 0 ? signal : SIGINT);
    }
    case ExportOutcome::Failed:
        break;
    }
    CliPrintError(result.error);
    return 1;
}
