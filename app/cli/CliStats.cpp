#include "app/cli/Cli.h"

#include "score/ScoreData.h"
#include "score/Statistics.h"

#include <cstdio>

// vorlat-cli stats SCORE.txt: each player's figures as key=value pairs, one line a player.
int CliStats(int argc, char** argv) {
    if (argc != 1) {
        std::fputs("usage: vorlat-cli stats SCORE.txt\n", stderr);
        return 2;
    }
    Match data;
    if (!LoadScore(data, argv[0])) {
        return 1;
    }
    const std::string lines = FormatStatistics(data);
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("vorlat-cli stats: could not write the output\n", stderr);
        return 1;
    }
    return 0;
}
