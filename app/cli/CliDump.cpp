#include "app/cli/Cli.h"

#include "score/ScoreData.h"

#include <cstdio>

// vorlat-cli dump SCORE.txt: loads the file as the program does and prints the evaluated
// match. The format is relied upon by scripts and tests; keep it stable:
//   game=<game> kind=<n> sepabull=<n> compress=<n> entries=<n>
// then one line per entry with its 25 fields, tab-separated, in declaration order.
// A match file (several legs, or LEGS/SETS given) adds to the first line
//   legs=<legs played> out=<open|double|master> winner=<0|1|2>
// and to every entry line five columns: its leg (1-based, as numbered in the file), then
// the legs (of the current set) and the sets each player has won after it.
int CliDump(int argc, char** argv) {
    if (argc != 1) {
        std::fputs("usage: vorlat-cli dump SCORE.txt\n", stderr);
        return 2;
    }
    Match data;
    if (!LoadScore(data, argv[0])) {
        return 1;
    }
    std::printf("game=%s kind=%d sepabull=%d compress=%d entries=%d", data.game.c_str(),
                data.gameKind, data.separateBull, static_cast<int>(data.compress), data.count());
    if (data.isMatch) {
        static const char* const kOut[] = {"open", "double", "master"};
        std::printf(" legs=%d out=%s winner=%d", static_cast<int>(data.legs.size()),
                    kOut[static_cast<int>(data.out)], data.winner);
    }
    std::printf("\n");
    for (const Entry& m : data.entries) {
        std::printf("%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d", m.time, m.player, m.round, m.dart,
                    m.kind, m.number, m.value, m.turnTotal, m.score[0], m.score[1]);
        for (const auto& player : m.marks) {
            for (int32_t marks : player) {
                std::printf("\t%d", marks);
            }
        }
        std::printf("\t0"); // a column the dump has always ended with
        if (data.isMatch) {
            const size_t leg = static_cast<size_t>(m.leg);
            std::printf("\t%d\t%d\t%d\t%d\t%d", leg < data.legs.size() ? data.legs[leg].number : 0,
                        m.legsWon[0], m.legsWon[1], m.setsWon[0], m.setsWon[1]);
        }
        std::printf("\n");
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("vorlat-cli dump: could not write the output\n", stderr);
        return 1;
    }
    return 0;
}
