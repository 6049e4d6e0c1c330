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
        if (name == "--format") {
            const std::optional<ChapterFormat> format = ParseChapterFormat(value);
            if (!format) {
                std::fprintf(stderr,
                             "vorlat-cli: --format needs youtube, csv, edl, fcpxml or ffmetadata, "
                             "not \"%s\"\n",
                             value.c_str());
                return 2;
            }
            out.format = *format;
        } else if (name == "--events") {
            std::string bad;
            if (!ParseEventKinds(value, out.kinds, bad)) {
                std::fprintf(stderr, "vorlat-cli: --events: unknown kind \"%s\"\n", bad.c_str());
                return 2;
            }
        } else if (name == "--offset") {
            if (!ParseInteger(value, -86'400'000, 86'400'000, out.offsetMs)) {
                std::fprintf(stderr, "vorlat-cli: --offset needs whole milliseconds, not \"%s\"\n",
                             value.c_str());
                return 2;
            }
        } else if (name == "--fps") {
            out.rate = FrameRate::parse(value);
            if (!out.rate || out.rate->num > 1'000'000 || out.rate->den > 1'000'000) {
                std::fprintf(stderr, "vorlat-cli: --fps needs a frame rate, not \"%s\"\n",
                             value.c_str());
                return 2;
            }
        } else if (name == "--footage") {
            out.footage = value;
        } else if (name == "--output") {
            out.output = value;
        } else {
            std::fprintf(stderr, "vorlat-cli: unknown option %s\n", name.c_str());
            return 2;
        }
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
        std::string error;
        const std::unique_ptr<Footage> footage = Footage::Open(args.footage, error);
        if (!footage) {
            std::fprintf(stderr, "vorlat-cli: %s\n", error.c_str());
            return 1;
        }
        TakeFootageTiming(settings, footage->Info());
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
