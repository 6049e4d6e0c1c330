#include "app/BoardOverlay.h"
#include "app/cli/Cli.h"

#include "score/ScoreData.h"
#include "video/BurnIn.h"
#include "video/Footage.h"

#include <QString>

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

bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || parsed < low ||
        parsed > high) {
        return false;
    }
    value = parsed;
    return true;
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
    if (!TakeBoardArguments(argc, argv, out.board)) {
        return 2;
    }
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.substr(0, 2) != "--") {
            out.positional.emplace_back(arg);
            continue;
        }
        std::string name(arg);
        std::string value;
        if (const size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        } else if (i + 1 < argc) {
            value = argv[++i];
        }
        if (name == "--offset") {
            if (!ParseInteger(value, -86'400'000, 86'400'000, out.offsetMs)) {
                std::fprintf(stderr, "vorlat-cli: --offset needs whole milliseconds, not \"%s\"\n",
                             value.c_str());
                return 2;
            }
        } else if (name == "--crf") {
            if (!ParseInteger(value, 0, 51, out.crf)) {
                std::fprintf(stderr, "vorlat-cli: --crf needs a number from 0 to 51, not \"%s\"\n",
                             value.c_str());
                return 2;
            }
        } else if (name == "--place") {
            const std::optional<BoardPlace> place = ParseBoardPlace(value);
            if (!place) {
                std::fprintf(stderr,
                             "vorlat-cli: --place needs top-left, top-right, bottom-left, "
                             "bottom-right or center, not \"%s\"\n",
                             value.c_str());
                return 2;
            }
            out.overlay.place = *place;
        } else if (name == "--scale") {
            char* end = nullptr;
            const double scale = std::strtod(value.c_str(), &end);
            if (value.empty() || end != value.c_str() + value.size() || !IsValidScale(scale)) {
                std::fprintf(stderr,
                             "vorlat-cli: --scale needs a number from %g to %g, not \"%s\"\n",
                             kMinScale, kMaxScale, value.c_str());
                return 2;
            }
            out.overlay.scale = scale;
        } else {
            std::fprintf(stderr, "vorlat-cli: unknown option %s\n", name.c_str());
            return 2;
        }
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
    const QString out = QString::fromStdString(outPath);
    if (SameFile(out, QString::fromStdString(scorePath)) ||
        SameFile(out, QString::fromStdString(footagePath))) {
        std::fprintf(stderr,
                     "vorlat-cli: %s is the score file or the footage; the burn-in never writes "
                     "over them\n",
                     outPath.c_str());
        return 1;
    }
    std::string error;
    const std::unique_ptr<Footage> footage = Footage::Open(footagePath, error);
    if (!footage) {
        std::fprintf(stderr, "vorlat-cli: %s\n", error.c_str());
        return 1;
    }
    const FootageInfo info = footage->Info();
    const QSize frame(info.width, info.height);
    CliOptions boardOptions;
    boardOptions.size = frame;
    boardOptions.place = args.overlay.place;
    boardOptions.render.scale = EffectiveScale(args.overlay, frame);
    if (!ApplyBoardArguments(args.board, boardOptions)) {
        return 2;
    }
    MomentBoard board(score, boardOptions.render);

    BurnSettings settings;
    settings.footagePath = footagePath;
    settings.outputPath = outPath;
    settings.offsetMs = args.offsetMs;
    settings.crf = static_cast<int>(args.crf);
    settings.boardPos = boardOptions.render.design == BoardDesign::Broadcast
                            ? QPoint(0, 0)
                            : BoardPosition(frame, board.size(), args.overlay.place);

    // An interrupt finishes the file with the frames written so far, as a cancel does.
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    int shown = -1;
    const BurnResult result = BurnIn(
        settings, board.size(), std::ref(board),
        [&](const BurnProgress& progress) {
            if (progress.percent == shown) {
                return;
            }
            shown = progress.percent;
            std::fprintf(stderr, terminal ? "\r\033[Kburning %d%% (%lld frames)" : "burning %d%%\n",
                         progress.percent, static_cast<long long>(progress.frame));
            std::fflush(stderr);
        },
        [] { return g_signal.load() != 0; });
    if (terminal && shown >= 0) {
        std::fputc('\n', stderr);
    }
    switch (result.outcome) {
    case BurnResult::Finished:
        std::fprintf(stderr, "wrote %s (%lld frames)\n", outPath.c_str(),
                     static_cast<long long>(result.frames));
        return 0;
    case BurnResult::Cancelled:
        std::fprintf(stderr, "stopped: %s holds the first %lld frames\n", outPath.c_str(),
                     static_cast<long long>(result.frames));
        return 128 + g_signal.load();
    case BurnResult::Failed:
        break;
    }
    std::fprintf(stderr, "vorlat-cli: %s\n",
                 result.error.empty() ? ("could not write " + outPath).c_str()
                                      : result.error.c_str());
    return 1;
}
