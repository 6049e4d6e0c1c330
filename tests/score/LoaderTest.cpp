#include "ScoreTestUtil.h"

#include "score/Loader.h"
#include "score/ProfileFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

using namespace std::string_literals;

namespace {

// Loads text written to a file of its own; the document keeps the result.
class LoaderTest : public ::testing::Test {
protected:
    bool Load(std::string_view text, const char* name = "score.txt") {
        const std::string path = m_dir.File(name);
        WriteBytes(path, text);
        return OpenScoreFile(m_data, path);
    }
    const CMark& At(int i) const { return *m_data.GetAt(i); }

    TempDir m_dir;
    CScoreData m_data;
};

const char* const kWorkedExample = "[SETTING]\n"
                                   "GAME=501\n"
                                   "SEPABULL=1\n"
                                   "\n"
                                   "[DATA]\n"
                                   "R01-1=T20,20,S5\n"
                                   "R01-2=DB,T19,SB\n"
                                   "R02-1=@401,D20,OUT\n"
                                   "R02-2=T20,T20,BUST\n"
                                   "\n"
                                   "[TIME]\n"
                                   "R01-1=100,200,300\n"
                                   "R01-2=500,600,700\n"
                                   "R02-1=800,850,900\n"
                                   "R02-2=940,960,980\n";

MarkFields Entry01(int time, int player, int round, int dart, int kind, int number, int value,
                   int total, int score1, int score2) {
    return MarkFields{time, player, round, dart, kind, number, value, total, score1, score2};
}

TEST_F(LoaderTest, WorkedExample501) {
    ASSERT_TRUE(Load(kWorkedExample));
    EXPECT_EQ(m_data.m_strPath, m_dir.File("score.txt"));
    EXPECT_EQ(m_data.m_strGame, "501");
    EXPECT_EQ(m_data.m_nGameKind, GAME_01);
    EXPECT_EQ(m_data.m_nSepaBull, 1);
    EXPECT_EQ(m_data.m_bCompress, 1);
    const std::vector<MarkFields> expected = {
        Entry01(0, 1, 1, 0, HIT_NONE, 0, 0, 0, 501, 501),
        Entry01(100, 1, 1, 1, HIT_TRIPLE, 20, 60, 60, 441, 501),
        Entry01(200, 1, 1, 2, HIT_SINGLE, 20, 20, 80, 421, 501),
        Entry01(300, 1, 1, 3, HIT_SINGLE, 5, 5, 85, 416, 501),
        Entry01(400, 2, 1, 0, HIT_NONE, 0, 0, 0, 416, 501),
        Entry01(500, 2, 1, 1, HIT_DBULL, 0, 50, 50, 416, 451),
        Entry01(600, 2, 1, 2, HIT_TRIPLE, 19, 57, 107, 416, 394),
        Entry01(700, 2, 1, 3, HIT_SBULL, 0, 25, 132, 416, 369),
        Entry01(750, 1, 2, 0, HIT_NONE, 0, 0, 0, 416, 369),
        Entry01(800, 1, 2, 1, HIT_SINGLE, 15, 15, 15, 401, 369),
        Entry01(850, 1, 2, 2, HIT_DOUBLE, 20, 40, 55, 361, 369),
        Entry01(900, 1, 2, 3, HIT_NONE, 0, 0, 55, 361, 369),
        Entry01(920, 2, 2, 0, HIT_NONE, 0, 0, 0, 361, 369),
        Entry01(940, 2, 2, 1, HIT_TRIPLE, 20, 60, 60, 361, 309),
        Entry01(960, 2, 2, 2, HIT_TRIPLE, 20, 60, 120, 361, 249),
        Entry01(980, 2, 2, 3, HIT_NONE, -1, -1, 120, 361, 369),
    };
    ASSERT_EQ(m_data.GetCount(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Describe(Fields(At(static_cast<int>(i)))), Describe(expected[i])) << i;
    }
}

TEST_F(LoaderTest, WindowsLineEndingsAndByteOrderMarkReadTheSame) {
    ASSERT_TRUE(Load(kWorkedExample, "lf.txt"));
    CScoreData lf;
    lf.Copy(m_data);
    std::string crlf = "\xEF\xBB\xBF";
    for (const char* p = kWorkedExample; *p != '\0'; ++p) {
        crlf += *p == '\n' ? "\r\n" : std::string(1, *p);
    }
    ASSERT_TRUE(Load(crlf, "crlf.txt"));
    ASSERT_EQ(m_data.GetCount(), lf.GetCount());
    EXPECT_EQ(m_data.m_strGame, lf.m_strGame);
    EXPECT_EQ(m_data.m_nSepaBull, lf.m_nSepaBull);
    for (int i = 0; i < lf.GetCount(); ++i) {
        EXPECT_EQ(Fields(At(i)), Fields(*lf.GetAt(i))) << i;
    }
}

struct ThrowCase {
    const char* token;
    int32_t kind;
    int32_t number;
};

TEST(ClassifyThrow, FirstMatchingRuleDecides) {
    const ThrowCase cases[] = {
        {"", HIT_NONE, 0},
        {"   ", HIT_NONE, 0},
        {"@401", HIT_LEAVE, 401},
        {"@", HIT_LEAVE, 0},
        {"DB", HIT_DBULL, 0},
        {" db ", HIT_DBULL, 0},
        {"SB", HIT_SBULL, 0},
        {"DBULL", HIT_DOUBLE, 0},
        {"S25", HIT_SINGLE, 25},
        {"D25", HIT_DOUBLE, 25},
        {"t20", HIT_TRIPLE, 20},
        {"S 19", HIT_SINGLE, 19},
        {"S-3", HIT_SINGLE, -3},
        {"T20X", HIT_TRIPLE, 20},
        {"BUST", HIT_NONE, -1},
        {"bust", HIT_NONE, -1},
        {"X", HIT_NONE, -1},
        {"-", HIT_NONE, 0},
        {"OUT", HIT_NONE, 0},
        {"0", HIT_NONE, 0},
        {"20", HIT_SINGLE, 20},
        {"00", HIT_SINGLE, 0},
        {"--", HIT_SINGLE, 0},
        {"MISS", HIT_SINGLE, 0},
        {"T2147483647", HIT_TRIPLE, INT32_MAX},
        {"S99999999999999999999", HIT_SINGLE, INT32_MAX},
        {"-99999999999999999999", HIT_SINGLE, INT32_MIN},
        {"@-5", HIT_LEAVE, -5},
    };
    for (const ThrowCase& c : cases) {
        int32_t kind = -7;
        int32_t number = -7;
        ClassifyThrow(c.token, kind, number);
        EXPECT_EQ(kind, c.kind) << '"' << c.token << '"';
        EXPECT_EQ(number, c.number) << '"' << c.token << '"';
    }
}

TEST(SplitComma, PiecesAndLimits) {
    struct Case {
        const char* value;
        int count;
        std::vector<std::string> pieces; // all four slots afterwards
    };
    const Case cases[] = {
        {"", 0, {"old0", "old1", "old2", "old3"}}, {"a", 1, {"a", "old1", "old2", "old3"}},
        {"a,b", 2, {"a", "b", "old2", "old3"}},    {"a,", 2, {"a", "", "old2", "old3"}},
        {",", 2, {"", "", "old2", "old3"}},        {"a,b,c,d", 4, {"a", "b", "c", "d"}},
        {"a,b,c,d,e,f", 4, {"a", "b", "c", "d"}},  {"a,b,c,", 4, {"a", "b", "c", ""}},
    };
    for (const Case& c : cases) {
        std::string pieces[4] = {"old0", "old1", "old2", "old3"};
        EXPECT_EQ(SplitComma(c.value, pieces), c.count) << c.value;
        EXPECT_EQ(std::vector<std::string>(pieces, pieces + 4), c.pieces) << c.value;
    }
}

TEST_F(LoaderTest, FailedLoadKeepsThePreviousMatch) {
    ASSERT_TRUE(Load(kWorkedExample, "good.txt"));
    m_data.m_bCompress = 0;
    CScoreData before;
    before.Copy(m_data);
    const std::string failing[] = {
        "[DATA]\nR02-1=T20\n",
        "[DATA]\nR01-1=\nR01-2=T20\n",
        "[SETTING]\nGAME=501\n",
        "",
        "\x7f"
        "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0"s,
    };
    for (const std::string& text : failing) {
        EXPECT_FALSE(Load(text, "bad.txt"));
        EXPECT_EQ(m_data.m_strPath, before.m_strPath);
        EXPECT_EQ(m_data.m_strGame, before.m_strGame);
        EXPECT_EQ(m_data.m_nGameKind, before.m_nGameKind);
        EXPECT_EQ(m_data.m_nSepaBull, before.m_nSepaBull);
        EXPECT_EQ(m_data.m_bCompress, 0);
        ASSERT_EQ(m_data.GetCount(), before.GetCount());
        for (int i = 0; i < before.GetCount(); ++i) {
            EXPECT_EQ(Fields(At(i)), Fields(*before.GetAt(i)));
        }
    }
    EXPECT_FALSE(OpenScoreFile(m_data, m_dir.File("does-not-exist.txt")));
    EXPECT_FALSE(OpenScoreFile(m_data, m_dir.Path().string()));
    EXPECT_EQ(m_data.m_strPath, before.m_strPath);
}

TEST_F(LoaderTest, TurnsAndDarts) {
    // A gap ends the match even when later turns exist.
    ASSERT_TRUE(Load("[DATA]\nR01-1=T20\nR01-2=S1\nR02-2=S5\n"));
    EXPECT_EQ(m_data.GetCount(), 4);

    ASSERT_TRUE(Load("[DATA]\nR01-1= t20 , s19 ,db \n"));
    ASSERT_EQ(m_data.GetCount(), 4);
    EXPECT_EQ(At(1).m_nKind, HIT_TRIPLE);
    EXPECT_EQ(At(1).m_nNumber, 20);
    EXPECT_EQ(At(2).m_nKind, HIT_SINGLE);
    EXPECT_EQ(At(2).m_nNumber, 19);
    EXPECT_EQ(At(3).m_nKind, HIT_DBULL);

    ASSERT_TRUE(Load("[DATA]\nR01-1=,\n"));
    ASSERT_EQ(m_data.GetCount(), 3);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(At(i).m_nKind, HIT_NONE);
        EXPECT_EQ(At(i).m_nNumber, 0);
        EXPECT_EQ(At(i).m_nDart, i);
    }

    // A fourth throw has no dart slot.
    ASSERT_TRUE(Load("[DATA]\nR01-1=S1,S2,S3,S4,S5\nR01-2=S6\n"));
    ASSERT_EQ(m_data.GetCount(), 6);
    EXPECT_EQ(At(3).m_nNumber, 3);
    EXPECT_EQ(At(5).m_nNumber, 6);
}

TEST_F(LoaderTest, AtMostFortyRounds) {
    std::string text = "[DATA]\n";
    for (int round = 1; round <= 45; ++round) {
        for (int player = 1; player <= 2; ++player) {
            char line[32];
            std::snprintf(line, sizeof line, "R%02d-%d=S1,S1\n", round, player);
            text += line;
        }
    }
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(m_data.GetCount(), 80 * 3);
    EXPECT_EQ(m_data.m_listMark.back().m_nRound, 40);
    EXPECT_EQ(m_data.m_listMark.back().m_nPlayer, 2);
}

TEST_F(LoaderTest, Times) {
    ASSERT_TRUE(Load("[DATA]\nR01-1=S1,S1\nR01-2=S1\n"));
    for (const CMark& m : m_data.m_listMark) {
        EXPECT_EQ(m.m_nTime, 0);
    }

    // A turn starts halfway between the previous dart and its own first dart.
    ASSERT_TRUE(Load("[DATA]\nR01-1=S1,S1\nR01-2=S1\n[TIME]\nR01-1=150,290\nR01-2=900\n"));
    EXPECT_EQ(At(0).m_nTime, 0);
    EXPECT_EQ(At(3).m_nTime, 595);
    EXPECT_EQ(At(4).m_nTime, 900);

    // Darts without a recorded time get 0, not the time of an earlier turn's dart; the
    // clean-up then zeroes everything from that first step backwards.
    ASSERT_TRUE(Load("[DATA]\nR01-1=S1,S1,S1\nR01-2=S1,S1,S1\n[TIME]\nR01-1=100,200,300\n"
                     "R01-2=1000\n"));
    const int32_t times[] = {0, 100, 200, 300, 650, 1000, 0, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(At(i).m_nTime, times[i]) << i;
    }

    ASSERT_TRUE(Load("[DATA]\nR01-1=S1\nR01-2=S1\n[TIME]\nR01-1=99999999999\nR01-2=99999999999\n"));
    EXPECT_EQ(At(1).m_nTime, INT32_MAX);
    EXPECT_EQ(At(2).m_nTime, INT32_MAX);
    EXPECT_EQ(At(3).m_nTime, INT32_MAX);
}

struct GameCase {
    const char* setting; // lines of [SETTING]
    const char* game;
    int32_t kind;
    int32_t score1;
    int32_t score2;
    int32_t sepaBull;
    uint8_t compress;
};

TEST_F(LoaderTest, Settings) {
    const GameCase cases[] = {
        {"", "301", GAME_01, 301, 301, 0, 1},
        {"GAME=cricket\n", "CRICKET", GAME_CRICKET, 0, 0, 0, 1},
        {"GAME= Cri \n", "CRI", GAME_CRICKET, 0, 0, 0, 1},
        {"GAME=CR\n", "301", GAME_01, 301, 301, 0, 1},
        {"GAME=5O1\n", "301", GAME_01, 301, 301, 0, 1},
        {"GAME= 1501\n", "1501", GAME_01, 1501, 1501, 0, 1},
        {"GAME=701\nP1-SCORE=-5\n", "701", GAME_01, 701, 701, 0, 1},
        {"GAME=501\nP1-SCORE=301\nP2-SCORE=99999999999\n", "501", GAME_01, 301, INT32_MAX, 0, 1},
        {"GAME=CRICKET\nP1-SCORE=-5\nP2-SCORE=40\n", "CRICKET", GAME_CRICKET, 0, 40, 0, 1},
        {"GAME=501\nSEPABULL=1\n", "501", GAME_01, 501, 501, 1, 1},
        {"GAME=CRICKET\nSEPABULL=1\n", "CRICKET", GAME_CRICKET, 0, 0, 0, 1},
        {"NOCOMP-AVI=1\n", "301", GAME_01, 301, 301, 0, 0},
        {"NOCOMP-AVI=0\n", "301", GAME_01, 301, 301, 0, 1},
        {"NOCOMP-AVI=-1\n", "301", GAME_01, 301, 301, 0, 1},
    };
    for (const GameCase& c : cases) {
        ASSERT_TRUE(Load("[SETTING]\n"s + c.setting + "[DATA]\nR01-1=-\n")) << c.setting;
        EXPECT_EQ(m_data.m_strGame, c.game) << c.setting;
        EXPECT_EQ(m_data.m_nGameKind, c.kind) << c.setting;
        EXPECT_EQ(At(0).m_nScore[0], c.score1) << c.setting;
        EXPECT_EQ(At(0).m_nScore[1], c.score2) << c.setting;
        EXPECT_EQ(m_data.m_nSepaBull, c.sepaBull) << c.setting;
        EXPECT_EQ(m_data.m_bCompress, c.compress) << c.setting;
    }
}

TEST_F(LoaderTest, StartingMarks) {
    struct Case {
        const char* value;
        std::array<int32_t, kCricketTargets> marks; // bull, 15, ..., 20
    };
    const Case cases[] = {
        {"3330000", {0, 0, 0, 0, 3, 3, 3}},  {"333000", {0, 0, 0, 0, 0, 0, 0}},
        {"33300000", {0, 0, 0, 0, 0, 0, 0}}, {"9300000", {0, 0, 0, 0, 0, 3, 0}},
        {"0123012", {2, 1, 0, 3, 2, 1, 0}},  {"x-3 0a2", {2, 0, 0, 0, 3, 0, 0}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Load("[SETTING]\nGAME=CRI\nP1-MARK="s + c.value + "\n[DATA]\nR01-1=-\n"));
        for (int t = 0; t < kCricketTargets; ++t) {
            EXPECT_EQ(At(0).m_nMark[0][t], c.marks[static_cast<size_t>(t)]) << c.value << t;
            EXPECT_EQ(At(0).m_nMark[1][t], 0);
        }
    }
}

TEST_F(LoaderTest, HugeNumbersSaturate) {
    ASSERT_TRUE(Load("[SETTING]\nGAME=501\n[DATA]\nR01-1=T2147483647,S-2147483648,@-9999999999\n"));
    EXPECT_EQ(At(1).m_nNumber, INT32_MAX);
    EXPECT_EQ(At(1).m_nValue, -1); // far below zero: a bust
    EXPECT_EQ(At(1).m_nTurnTotal, INT32_MAX);
    EXPECT_EQ(At(1).m_nScore[0], 501);
    EXPECT_EQ(At(2).m_nNumber, INT32_MIN);
    EXPECT_EQ(At(2).m_nValue, -1);
    EXPECT_EQ(At(3).m_nKind, HIT_SINGLE);
    EXPECT_EQ(At(3).m_nNumber, INT32_MAX); // 501 - (-9999999999), clamped
    EXPECT_EQ(At(3).m_nValue, -1);
    EXPECT_EQ(At(3).m_nScore[0], 501);
}

TEST_F(LoaderTest, FilesThatAreNotTextLoadOrFailCleanly) {
    // Too large to be a score file, even with a valid start.
    std::string big = "[DATA]\nR01-1=T20\n";
    big.resize(CProfileFile::kMaxBytes + 1, 'x');
    EXPECT_FALSE(Load(big, "big.txt"));

    // One very long line (longer than any value) inside an otherwise good file.
    std::string longLine = "[DATA]\nR01-1=T20,";
    longLine.append(1'000'000, '9');
    longLine += "\nR01-2=S5\n";
    ASSERT_TRUE(Load(longLine, "long.txt"));
    EXPECT_EQ(m_data.GetCount(), 5);
    EXPECT_EQ(At(2).m_nNumber, INT32_MAX);

    // NUL bytes end a value; the rest of the line is gone.
    ASSERT_TRUE(Load("[DATA]\nR01-1=T20\0,S5\n"s, "nul.txt"));
    EXPECT_EQ(m_data.GetCount(), 2);

    // Random bytes, sometimes with a valid start: never a crash.
    std::mt19937 rng(1234);
    for (int round = 0; round < 50; ++round) {
        std::string noise = round % 2 == 0 ? "[DATA]\nR01-1=" : "";
        size_t length = rng() % 5000;
        for (size_t i = 0; i < length; ++i) {
            noise += static_cast<char>(rng() % 256);
        }
        m_data.Reset();
        bool loaded = Load(noise, "noise.txt");
        EXPECT_EQ(loaded, m_data.GetCount() > 0);
    }
}

TEST(LoaderFixtures, FuzzFindingsLoadCleanly) {
    // Inputs the fuzzer once found troublesome; each must load or fail without harm.
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VORLAT_SCORE_FIXTURES)) {
        CScoreData data;
        bool loaded = OpenScoreFile(data, entry.path().string());
        EXPECT_EQ(loaded, data.GetCount() > 0) << entry.path();
        ++seen;
    }
    EXPECT_GT(seen, 0);
}

} // namespace
