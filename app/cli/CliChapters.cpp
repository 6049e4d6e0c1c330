#include "app/cli/Cli.h"
#include "app/cli/CliText.h"
#include "video/MomentBoard.h"

#include "score/Chapters.h"
#include "score/ScoreData.h"
#include "video/Clips.h"
#include "video/ExportTarget.h"
#include "video/Footage.h"
#include "video/FrameClock.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void PrintUsage() {
    std::fputs("usage: vorlat-cli chapters SCORE.txt [--format youtube|csv|edl|fcpxml|ffmetadata]\n"
               "            [--events KINDS] [--offset MS] [--fps R] [--footage FILE] "
               "[--output FILE]\n"
               "  KINDS: a comma list of leg, set, match, 180, 140, 100, checkout100, bust, "
               "marks6 (default: all)\n",
               stderr);
}

struct ChaptersArguments {
    std::vector<std::string> positional;
    ChapterFormat format = ChapterFormat::YouTube;
    EventKinds kinds = kAllEvents;
    long long offsetMs = 0;
    std::optional<FrameRate> rate;
    std::string footage;
    std::string output;
};

int ParseArguments(int argc, char** argv, ChaptersArguments& out) {
    const CliOptionTable table{
        {"--format", "youtube, csv, edl, fcpxml or ffmetadata",
         [&out](const std::string& text) {
             const std::optional<ChapterFormat> format = ParseChapterFormat(text);
             out.format = format.value_or(out.format);
             return format.has_value();
         }},
        EventsOption(out.kinds),
        MillisecondsOption("--offset", out.offsetMs),
        {"--fps", "a frame rate such as 25 or 30000/1001",
         [&out](const std::string& text) {
             const std::optional<FrameRate> rate = FrameRate::parse(text);
             if (!rate || rate->num > 1'000'000 || rate->den > 1'000'000) {
                 return false;
             }
             out.rate = rate;
             return true;
         }},
        PathOption("--footage", out.footage),
        PathOption("--output", out.output),
    };
    if (!ParseOptions(argc, argv, table, out.positional)) {
        return 2;
    }
    if (out.positional.size() != 1) {
        PrintUsage();
        return 2;
    }
    return 0;
}

} // namespace

int CliChapters(int argc, char** argv) {
    ChaptersArguments args;
    if (const int status = ParseArguments(argc, argv, args); status != 0) {
        return status;
    }
    const std::string& scorePath = args.positional[0];
    Match score;
    if (!LoadScore(score, scorePath.c_str())) {
        return 1;
    }

    ChapterSettings settings;
    settings.offsetMs = args.offsetMs;
    settings.title = QFileInfo(QString::fromStdString(scorePath)).completeBaseName().toStdString();
    settings.labeler = CliEventLabels();
    if (!args.footage.empty()) {
        const auto footage = Footage::open(args.footage);
        if (!footage) {
            CliPrintError(footage.error());
            return 1;
        }
        TakeFootageTiming(settings, footage.value()->info());
    }
    if (args.rate) {
        settings.rateNum = static_cast<int>(args.rate->num);
        settings.rateDen = static_cast<int>(args.rate->den);
    }

    // The chapter formats divide the footage by legs whatever --events chose; the marker
    // formats mark the chosen events.
    const bool chapters =
        args.format == ChapterFormat::YouTube || args.format == ChapterFormat::FfMetadata;
    const std::vector<MatchEvent> events = MatchEvents(score, chapters ? kAllEvents : args.kinds);
    const std::string text = FormatChapters(args.format, events, settings);
    if (chapters && text.empty()) {
        std::fprintf(stderr, "vorlat-cli: %s has no dart, so no leg to make a chapter of\n",
                     scorePath.c_str());
        return 1;
    }

    if (args.output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    const QString out = QString::fromStdString(args.output);
    const QFileInfo target(out);
    if (SameFile(args.output, scorePath) ||
        (!args.footage.empty() && SameFile(args.output, args.footage))) {
        std::fprintf(stderr,
                     "vorlat-cli: %s is the score file or the footage; chapters never write over "
                     "them\n",
                     args.output.c_str());
        return 1;
    }
    if (target.exists() && !target.isFile()) {
        std::fprintf(stderr, "vorlat-cli: %s is not a regular file; nothing written\n",
                     args.output.c_str());
        return 1;
    }
    // Written beside the target and renamed over it: a failure leaves the old file whole.
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        std::fprintf(stderr, "vorlat-cli: %s: %s\n", args.output.c_str(),
                     file.errorString().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
