#include "RunProgram.h"
#include "ScoreTestUtil.h"

#include "score/Loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs vorlat-cli with the given arguments (already quoted for the shell), after the given
// environment assignments ("LANGUAGE=en ").
CliRun Cli(const TempDir&, const std::string& args, const std::string& env = {}) {
    const RunResult ran = RunShell(env + "'" + VORLAT_CLI + "' " + args);
    return {ran.status, ran.out, ran.err};
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

TEST(CliCheck, OneCompilerStyleLineADiagnosticAndTheExitStatusSaysWhetherItLoaded) {
    TempDir dir;
    const std::string warned = dir.File("warned.txt");
    WriteBytes(warned, "[DATA]\r\nR01-1=T20,Z5\r\nR01-2=S1,S2,S3,S4\r\n");
    const std::string clean = dir.File("clean.txt");
    WriteBytes(clean, "[SETTING]\nGAME=301\n[DATA]\nR01-1=T20\n");
    const std::string empty = dir.File("empty.txt");
    WriteBytes(empty, "[DATA]\n");
    const std::string missing = dir.File("missing.txt");

    const struct {
        std::string path;
        int status;
        std::string out;
    } cases[] = {
        {warned, 0,
         warned + ": warning: GAME is missing; played as 301\n" + warned +
             ":2: warning: throw \"Z5\" is not a dart on the board; counted as S0, scoring 0\n" +
             warned +
             ":3: warning: turn R01-2 lists 4 throws; a turn has three darts, so \"S4\" is "
             "ignored\n"},
        {clean, 0, ""},
        {missing, 1, missing + ": error: no such file\n"},
        {empty, 1,
         empty + ": error: " +
             [&] {
                 Match data;
                 return LoadScoreFile(data, empty).error.reason.english();
             }() +
             "\n"},
    };
    for (const auto& c : cases) {
        // check speaks the user's language: these are its English lines.
        const CliRun run = Cli(dir, "check " + Quoted(c.path), "LANGUAGE=en ");
        EXPECT_EQ(run.status, c.status) << c.path;
        EXPECT_EQ(run.out, c.out) << c.path;
        EXPECT_EQ(run.err, "") << c.path;
    }
    EXPECT_EQ(Cli(dir, "check").status, 2);
    EXPECT_EQ(Cli(dir, "check a b").status, 2);
}

TEST(CliStats, FiguresWorkedOutByHand) {
    TempDir dir;
    // 01: player 1 scores 180, then checks out 121 (T20 T17 D5); player 2 throws one S1.
    // Cricket: player 1 closes 20 and scores 60 with the second T20 (7 marks: 3 + 3 + 1);
    // player 2 closes the bull with DB SB and scores 25 with the outer bull (4 marks).
    const struct {
        const char* name;
        const char* score;
        std::string out;
    } cases[] = {
        {"x01.txt", "[SETTING]\nGAME=301\n[DATA]\nR01-1=T20,T20,T20\nR01-2=S1\nR02-1=T20,T17,D5\n",
         "player=1 darts=6 points=301 average=150.50 first9=150.50 highest=180 tons=1 ton40s=0 "
         "ton80s=1 checkout=121\n"
         "player=2 darts=1 points=1 average=3.00 first9=3.00 highest=1 tons=0 ton40s=0 ton80s=0 "
         "checkout=0\n"},
        {"cricket.txt", "[SETTING]\nGAME=CRICKET\n[DATA]\nR01-1=T20,T20,S19\nR01-2=DB,SB,25\n",
         "player=1 darts=3 marks=7 mpr=7.00 points=60\n"
         "player=2 darts=3 marks=4 mpr=4.00 points=25\n"},
    };
    for (const auto& c : cases) {
        WriteBytes(dir.File(c.name), c.score);
        const CliRun run = Cli(dir, "stats " + Quoted(dir.File(c.name)));
        EXPECT_EQ(run.status, 0) << c.name;
        EXPECT_EQ(run.out, c.out) << c.name;
        EXPECT_EQ(run.err, "") << c.name;
    }
}

TEST(CliStats, LoadFailureSaysWhyAndUsage) {
    TempDir dir;
    const CliRun run = Cli(dir, "stats " + Quoted(dir.File("missing.txt")));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    // Both lines in the user's language (the tests run under a Japanese locale).
    EXPECT_EQ(run.err, std::string(kLoadErrorText) + "\n" + dir.File("missing.txt") +
                           ": ファイルがありません\n");
    EXPECT_EQ(Cli(dir, "stats").status, 2);
    EXPECT_EQ(Cli(dir, "stats a b").status, 2);
}

// The sets example, worked by hand: five 301 legs won by player 1 (6 darts each, the 121 out
// T20 T11 D14 from 121 left, a dart at a finish), two 301 legs won by player 2 in which
// player 1 threw 100; the Cricket leg 5 (21 marks in 8 darts to 7 in 6).
TEST(CliStats, AMatchPrintsTheMatchThenEveryLeg) {
    TempDir dir;
    const CliRun run =
        Cli(dir, "stats " + Quoted(std::string(VORLAT_EXAMPLES_DIR) + "/sets-match.txt"));
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> lines;
    for (size_t at = 0; at < run.out.size();) {
        const size_t end = run.out.find('\n', at);
        lines.push_back(run.out.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_EQ(lines.size(), 2u + 8u * 2u);
    EXPECT_EQ(lines[0], "match player=1 legs=0 sets=2 darts=44 points=1705 average=142.08 "
                        "first9=142.08 highest=180 tons=7 ton40s=0 ton80s=5 checkout=121 "
                        "bestleg=6 checkouts=5 finishdarts=5 checkoutpct=100.00 marks=21 "
                        "mpr=7.88");
    EXPECT_EQ(lines[2], "leg=1 player=1 won=1 set=1 darts=6 points=301 average=150.50 "
                        "first9=150.50 highest=180 tons=1 ton40s=0 ton80s=1 checkout=121 "
                        "finishdarts=1 checkoutpct=100.00");
    EXPECT_EQ(lines[10], "leg=5 player=1 won=1 set=1 darts=8 marks=21 mpr=7.88 points=0");
    EXPECT_EQ(lines[11], "leg=5 player=2 won=0 set=1 darts=6 marks=7 mpr=3.50 points=0");
    EXPECT_EQ(lines[12].substr(0, 31), "leg=6 player=1 won=1 set=2 dart");
}

TEST(CliDump, AMatchAddsItsLegsAndTheScoreOfTheMatch) {
    TempDir dir;
    const CliRun run =
        Cli(dir, "dump " + Quoted(std::string(VORLAT_EXAMPLES_DIR) + "/501-match.txt"));
    EXPECT_EQ(run.status, 0);
    const std::string first = run.out.substr(0, run.out.find('\n'));
    EXPECT_EQ(first, "game=501 kind=1 sepabull=1 compress=1 entries=75 legs=3 out=double "
                     "winner=2");
    // The last entry: player 2's D5 in leg 3 makes the legs 1-2.
    const std::string last = run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1);
    EXPECT_EQ(last.substr(0, last.find('\t')), "352200");
    const std::string tail = last.substr(last.size() - 12);
    EXPECT_EQ(tail, "0\t3\t1\t2\t0\t0\n");
}

TEST(CliCheckout, PrintsARouteOrSaysThereIsNone) {
    TempDir dir;
    const struct {
        const char* args;
        int status;
        const char* out;
    } cases[] = {
        {"170 --out double", 0, "T20 T20 DB\n"},
        {"170 --out double --darts 2", 0, "no checkout\n"},
        {"60 --darts=1 --out master", 0, "T20\n"},
        {"25 --darts 1", 0, "SB\n"},
        {"25 --darts 1 --bull 50", 0, "no checkout\n"},
        {"1 --out double", 0, "no checkout\n"},
        {"40 --out triple", 2, ""},
        {"40 --darts 4", 2, ""},
        {"40 --bull 30", 2, ""},
        {"", 2, ""},
        {"forty", 2, ""},
    };
    for (const auto& c : cases) {
        const CliRun run = Cli(dir, std::string("checkout ") + c.args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_EQ(run.out, c.out) << c.args;
    }
}

} // namespace
