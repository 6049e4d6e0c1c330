#include "app/cli/Cli.h"
#include "app/cli/CliText.h"

#include "score/Diagnostics.h"
#include "score/Loader.h"
#include "score/ScoreData.h"

#include <cstdio>

// vorlat-cli check SCORE.txt: what the loader read leniently, one compiler-style line each,
// on stdout so that an editor or a script can take the report as it is; in the user's
// language, and never with a byte of the file that a terminal would act on. The exit status
// says only whether the file loaded: warnings never stop a load.
int CliCheck(int argc, char** argv) {
    if (argc != 1) {
        std::fputs("usage: vorlat-cli check SCORE.txt\n", stderr);
        return 2;
    }
    Match data;
    const LoadOutcome outcome = LoadScoreFile(data, argv[0]);
    const std::string report = CliCheckReport(argv[0], outcome);
    std::fwrite(report.data(), 1, report.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s\n", CliCheckWriteErrorText().c_str());
        return 1;
    }
    return CheckExitStatus(outcome);
}
