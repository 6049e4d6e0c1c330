#include "app/cli/Cli.h"
#include "app/cli/CliText.h"

#include "score/ScoreData.h"
#include "video/Export.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

void PrintUsage() {
    std::fputs("usage: vorlat-cli export SCORE.txt OUT.avi [--uncompressed|--compressed] "
               "[--end-card]\n",
               stderr);
}

} // namespace

int CliExport(int argc, char** argv) {
    const bool endCard = TakeFlag(argc, argv, "--end-card");
    if (argc < 2 || argc > 3) {
        PrintUsage();
        return 2;
    }
    int forced = -1; // -1: as the score file says
    if (argc == 3) {
        if (std::strcmp(argv[2], "--uncompressed") == 0) {
            forced = 0;
        } else if (std::strcmp(argv[2], "--compressed") == 0) {
            forced = 1;
        } else {
            PrintUsage();
            return 2;
        }
    }
    Match score;
    if (!LoadScore(score, argv[0])) {
        return 1;
    }
    ExportRequest request;
    request.path = argv[1];
    request.endCard = endCard;
    const bool compress = forced >= 0 ? forced == 1 : score.compress;
    request.codec = compress ? VideoCodec::Video1 : VideoCodec::Raw;

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
    const ExportResult result = ExportVideo(
        score, request,
        [&](const ExportProgress& progress) { status(CliExportProgressText(progress.percent)); },
        nullptr);
    if (result.outcome == ExportOutcome::Finished) {
        status(CliExportFinishedText());
    }
    if (lineOpen) {
        std::fputc('\n', stderr);
    }
    if (result.outcome != ExportOutcome::Finished) {
        std::fprintf(stderr, "vorlat-cli: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
