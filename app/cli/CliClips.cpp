#include "app/cli/Cli.h"
#include "app/cli/CliText.h"
#include "video/MomentBoard.h"

#include "score/Chapters.h"
#include "score/ScoreData.h"
#include "video/BurnIn.h"
#include "video/Clips.h"
#include "video/ExportTarget.h"
#include "video/Footage.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

std::atomic<int> g_signal{0};

extern "C" void OnClipsStopSignal(int signal) {
    g_signal = signal;
}

void PrintUsage() {
    std::fputs("usage: vorlat-cli clips SCORE.txt FOOTAGE OUTDIR [--events KINDS] [--before S] "
               "[--after S]\n"
               "            [--offset MS] [--burn] [--reel REEL.mp4] [--fade S] [--crf N]\n"
               "  KINDS: a comma list of leg, set, match, 180, 140, 100, checkout100, bust, "
               "marks6 (default: all)\n",
               stderr);
}

struct ClipsArguments {
    std::vector<std::string> positional;
    EventKinds kinds = kAllEvents;
    int64_t beforeMs = 2000;
    int64_t afterMs = 3000;
    long long offsetMs = 0;
    bool burn = false;
    std::string reel;
    int64_t fadeMs = 500;
    long long crf = -1;
};

int ParseArguments(int argc, char** argv, ClipsArguments& out) {
    const CliOptionTable table{
        EventsOption(out.kinds),
        SecondsOption("--before", out.beforeMs),
        SecondsOption("--after", out.afterMs),
        SecondsOption("--fade", out.fadeMs),
        MillisecondsOption("--offset", out.offsetMs),
        IntegerOption("--crf", 0, 51, out.crf),
        SwitchOption("--burn", out.burn),
        PathOption("--reel", out.reel),
    };
    if (!ParseOptions(argc, argv, table, out.positional)) {
        return 2;
    }
    if (out.positional.size() != 3) {
        PrintUsage();
        return 2;
    }
    return 0;
}

// "1m23s" or "1h02m03s": the clip's start, readable in a file list and sorted with it by
// the number in front.
std::string ClipTime(int64_t ms) {
    const int64_t s = ms / 1000;
    char text[32];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%" PRId64 "h%02" PRId64 "m%02" PRId64 "s", s / 3600,
                      s / 60 % 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%" PRId64 "m%02" PRId64 "s", s / 60, s % 60);
    }
    return text;
}

struct Planned {
    ClipSpan span;
    std::string path;
    const MatchEvent* event = nullptr;
};

} // namespace

int CliClips(int argc, char** argv) {
    ClipsArguments args;
    if (const int status = ParseArguments(argc, argv, args); status != 0) {
        return status;
    }
    const std::string& scorePath = args.positional[0];
    const std::string& footagePath = args.positional[1];
    const QString folder = QString::fromStdString(args.positional[2]);

    Match score;
    if (!LoadScore(score, scorePath.c_str())) {
        return 1;
    }
    FootageInfo info;
    if (const auto footage = Footage::open(footagePath)) {
        info = footage.value()->info();
    } else {
        CliPrintError(footage.error());
        return 1;
    }
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "vorlat-cli: %s is not a folder\n", args.positional[2].c_str());
        return 1;
    }
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "vorlat-cli: cannot make the folder %s\n", args.positional[2].c_str());
        return 1;
    }

    // Events of the same visit (a checkout that wins the leg and the match) share one clip.
    const std::vector<MatchEvent> events = MatchEvents(score, args.kinds);
    std::vector<Planned> plan;
    for (const MatchEvent& event : events) {
        const ClipSpan span =
            EventClipSpan(event, args.offsetMs, args.beforeMs, args.afterMs, info.durationMs);
        if (span.endMs <= span.startMs) {
            continue;
        }
        if (!plan.empty() && plan.back().span.startMs == span.startMs &&
            plan.back().span.endMs == span.endMs) {
            continue;
        }
        char number[16];
        std::snprintf(number, sizeof number, "%02zu-", plan.size() + 1);
        const std::string name =
            number + std::string(EventKindSlug(event.kind)) + "-" + ClipTime(span.startMs) + ".mp4";
        plan.push_back(
            {span, QDir(folder).filePath(QString::fromStdString(name)).toStdString(), &event});
    }
    if (plan.empty()) {
        std::fprintf(stderr, "vorlat-cli: no event of the chosen kinds lies in the footage\n");
        return 1;
    }

    ClipSettings settings;
    settings.footagePath = footagePath;
    settings.scorePath = scorePath;
    settings.crf = static_cast<int>(args.crf);

    // A stop finishes the clip being written and keeps the ones before it.
    struct sigaction action {};
    action.sa_handler = OnClipsStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const QSize frame(info.width, info.height);
    OverlaySettings overlay;
    std::vector<std::string> written;
    for (const Planned& clip : plan) {
        if (g_signal.load() != 0) {
            std::fprintf(stderr, "stopped: %zu of %zu clips written\n", written.size(),
                         plan.size());
            return 128 + g_signal.load();
        }
        if (!args.burn) {
            const ClipResult result = CutClip(settings, clip.span, clip.path);
            if (!result.ok) {
                CliPrintError(result.error);
                return 1;
            }
        } else {
            // Cut first, then burn the board into the cut: the burn-in reads a whole file.
            const QFileInfo target(QString::fromStdString(clip.path));
            const std::string cut =
                target.dir().filePath("." + target.completeBaseName() + ".cut.mp4").toStdString();
            ClipResult result = CutClip(settings, clip.span, cut);
            if (!result.ok) {
                CliPrintError(result.error);
                return 1;
            }
            ExportTarget out;
            if (Status prepared = out.prepare(clip.path,
                                              {{scorePath, MessageId::IsTheScoreFile},
                                               {footagePath, MessageId::IsTheFootage}},
                                              false, 0);
                !prepared) {
                std::remove(cut.c_str());
                CliPrintError(prepared.error());
                return 1;
            }
            MomentBoard board(score, EffectiveScale(overlay, frame));
            BurnSettings burn;
            burn.footagePath = cut;
            burn.outputPath = out.writePath();
            burn.crf = settings.crf;
            // Clip time t is footage time t + the clip's first frame.
            burn.offsetMs = args.offsetMs - result.firstFrameMs;
            burn.boardPos = BoardPosition(frame, board.size(), overlay.place);
            const ExportResult burned = BurnIn(
                burn, board.size(), std::ref(board), [](const ExportProgress&) {},
                [] { return false; });
            std::remove(cut.c_str());
            if (burned.outcome != ExportOutcome::Finished) {
                CliPrintError(burned.error);
                return 1;
            }
            if (Status committed = out.commit(); !committed) {
                CliPrintError(committed.error());
                return 1;
            }
        }
        written.push_back(clip.path);
        std::fprintf(stderr, "wrote %s (%s)\n", clip.path.c_str(),
                     clip.event->label.english().c_str());
    }

    if (!args.reel.empty()) {
        if (g_signal.load() != 0) {
            std::fprintf(stderr, "stopped: %zu clips written, no reel\n", written.size());
            return 128 + g_signal.load();
        }
        const ClipResult reel = JoinClips(written, args.reel, args.fadeMs, settings);
        if (!reel.ok) {
            CliPrintError(reel.error);
            return 1;
        }
        std::fprintf(stderr, "wrote %s (%zu clips)\n", args.reel.c_str(), written.size());
    }
    return 0;
}
