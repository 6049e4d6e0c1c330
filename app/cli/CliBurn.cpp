#include "app/BoardOverlay.h"
#include "app/cli/Cli.h"

#include "score/Chapters.h"
#include "score/Events.h"
#include "score/ScoreData.h"
#include "video/BurnIn.h"
#include "video/Footage.h"

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

    Match score;
    if (!LoadScore(score, scorePath.c_str())) {
        return 1;
    }
    std::string error;
    const std::unique_ptr<Footage> footage = Footage::Open(footagePath, error);
    if (!footage) {
        std::fprintf(stderr, "vorlat-cli: %s\n", error.c_str());
        return 1;
    }
    const QSize shown = footage->Info().ShownSize();
    CliOptions boardOptions;
    boardOptions.size = shown;
    boardOptions.place = args.overlay.place;
    boardOptions.render.scale = EffectiveScale(args.overlay, shown);
    if (!ApplyBoardArguments(args.board, boardOptions)) {
        return 2;
    }
    MomentBoard board(score, boardOptions.render);

    BurnSettings settings;
    settings.footagePath = footagePath;
    settings.outputPath = outPath;
    settings.scorePath = scorePath;
    settings.offsetMs = args.offsetMs;
    settings.crf = static_cast<int>(args.crf);
    // The broadcast board is drawn at the footage's own size and lays itself out; the
    // classic one goes to the chosen place.
    if (boardOptions.render.design == BoardDesign::Broadcast) {
        settings.boardPos = QPoint(0, 0);
    } else {
        settings.place = args.overlay.place;
    }
    ChapterSettings chapters;
    chapters.offsetMs = args.offsetMs;
    chapters.durationMs = footage->Info().durationMs;
    settings.chapters = MatchChapters(MatchEvents(score), chapters);

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
    const BurnResult result = BurnIn(
        settings, board.size(), std::ref(board),
        [&](const BurnProgress& progress) {
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
    case BurnResult::Finished:
        std::fprintf(stderr, "wrote %s (%lld frames)\n", outPath.c_str(),
                     static_cast<long long>(result.frames));
        return 0;
    case BurnResult::Cancelled: {
        const int signal = g_signal.load();
        const char* name = signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal";
        if (!result.partialPath.empty()) {
            std::fprintf(stderr,
                         "vorlat-cli: stopped by %s; %s holds the first %lld frames, %s is as it "
                         "was\n",
                         name, result.partialPath.c_str(), static_cast<long long>(result.frames),
                         outPath.c_str());
        } else {
            std::fprintf(stderr, "vorlat-cli: stopped by %s; nothing was kept, %s is as it was\n",
                         name, outPath.c_str());
        }
        return 128 + (signal != 0 ? signal : SIGINT);
    }
    case BurnResult::Failed:
        break;
    }
    std::fprintf(stderr, "vorlat-cli: %s\n",
                 result.error.empty() ? ("could not write " + outPath).c_str()
                                      : result.error.c_str());
    return 1;
}
