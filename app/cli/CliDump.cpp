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
    CScoreData data;
    if (!LoadScore(data, argv[0])) {
        return 1;
    }
    std::printf("game=%s kind=%d sepabull=%d compress=%d entries=%d\n", data.m_strGame.c_str(),
                data.m_nGameKind, data.m_nSepaBull, static_cast<int>(data.m_bCompress),
                data.GetCount());
    for (const CMark& m : data.m_listMark) {
        std::printf("%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d", m.m_nTime, m.m_nPlayer, m.m_nRound,
                    m.m_nDart, m.m_nKind, m.m_nNumber, m.m_nValue, m.m_nTurnTotal, m.m_nScore[0],
                    m.m_nScore[1]);
        for (const auto& player : m.m_nMark) {
            for (int32_t marks : player) {
                std::printf("\t%d", marks);
            }
        }
        std::printf("\t%d\n", m.m_nReserved);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("vorlat-cli dump: could not write the output\n", stderr);
        return 1;
    }
    return 0;
}
