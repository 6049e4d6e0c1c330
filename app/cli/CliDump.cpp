#include "app/cli/Cli.h"

#include "score/ScoreData.h"

#include <cstdio>

// vorlat-cli dump SCORE.txt: loads the file as the program does and prints the evaluated
// match. The format is relied upon by scripts and tests; keep it stable:
//   game=<game> kind=<n> sepabull=<n> compress=<n> entries=<n>
// then one line per entry with its 25 fields, tab-separated, in declaration order.
int CliDump(int argc, char** argv) {
    if (argc != 1) {
        std::fputs("usage: vorlat-cli dump SCORE.txt\n", stderr);
        return 2;
    }
    Match data;
    if (!LoadScore(data, argv[0])) {
        return 1;
    }
    std::printf("game=%s kind=%d sepabull=%d compress=%d entries=%d\n", data.game.c_str(),
                data.gameKind, data.separateBull, static_cast<int>(data.compress), data.count());
    for (const Entry& m : data.entries) {
        std::printf("%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d", m.time, m.player, m.round, m.dart,
                    m.kind, m.number, m.value, m.turnTotal, m.score[0], m.score[1]);
        for (const auto& player : m.marks) {
            for (int32_t marks : player) {
                std::printf("\t%d", marks);
            }
        }
        std::printf("\t0\n"); // a column the dump has always ended with
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("vorlat-cli dump: could not write the output\n", stderr);
        return 1;
    }
    return 0;
}
