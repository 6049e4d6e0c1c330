#include "OtherUser.h"
#include "ScoreTestUtil.h"

#include "score/Loader.h"
#include "score/ProfileFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <sys/stat.h>

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
    const Entry& At(int i) const { return *m_data.at(i); }

    TempDir m_dir;
    Match m_data;
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
    EXPECT_EQ(m_data.path, m_dir.File("score.txt"));
    EXPECT_EQ(m_data.game, "501");
    EXPECT_EQ(m_data.gameKind, GameKind::X01);
    EXPECT_EQ(m_data.separateBull, 1);
    EXPECT_EQ(m_data.compress, 1);
    const std::vector<MarkFields> expected = {
        Entry01(0, 1, 1, 0, Hit::None, 0, 0, 0, 501, 501),
        Entry01(100, 1, 1, 1, Hit::Triple, 20, 60, 60, 441, 501),
        Entry01(200, 1, 1, 2, Hit::Single, 20, 20, 80, 421, 501),
        Entry01(300, 1, 1, 3, Hit::Single, 5, 5, 85, 416, 501),
        Entry01(400, 2, 1, 0, Hit::None, 0, 0, 0, 416, 501),
        Entry01(500, 2, 1, 1, Hit::Bull, 0, 50, 50, 416, 451),
        Entry01(600, 2, 1, 2, Hit::Triple, 19, 57, 107, 416, 394),
        Entry01(700, 2, 1, 3, Hit::OuterBull, 0, 25, 132, 416, 369),
        Entry01(750, 1, 2, 0, Hit::None, 0, 0, 0, 416, 369),
        Entry01(800, 1, 2, 1, Hit::Single, 15, 15, 15, 401, 369),
        Entry01(850, 1, 2, 2, Hit::Double, 20, 40, 55, 361, 369),
        Entry01(900, 1, 2, 3, Hit::None, 0, 0, 55, 361, 369),
        Entry01(920, 2, 2, 0, Hit::None, 0, 0, 0, 361, 369),
        Entry01(940, 2, 2, 1, Hit::Triple, 20, 60, 60, 361, 309),
        Entry01(960, 2, 2, 2, Hit::Triple, 20, 60, 120, 361, 249),
        Entry01(980, 2, 2, 3, Hit::None, -1, -1, 120, 361, 369),
    };
    ASSERT_EQ(m_data.count(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Describe(Fields(At(static_cast<int>(i)))), Describe(expected[i])) << i;
    }
}

TEST_F(LoaderTest, WindowsLineEndingsAndByteOrderMarkReadTheSame) {
    ASSERT_TRUE(Load(kWorkedExample, "lf.txt"));
    Match lf = m_data;
    std::string crlf = "\xEF\xBB\xBF";
    for (const char* p = kWorkedExample; *p != '\0'; ++p) {
        crlf += *p == '\n' ? "\r\n" : std::string(1, *p);
    }
    ASSERT_TRUE(Load(crlf, "crlf.txt"));
    ASSERT_EQ(m_data.count(), lf.count());
    EXPECT_EQ(m_data.game, lf.game);
    EXPECT_EQ(m_data.separateBull, lf.separateBull);
    for (int i = 0; i < lf.count(); ++i) {
        EXPECT_EQ(Fields(At(i)), Fields(*lf.at(i))) << i;
    }
}

struct ThrowCase {
    const char* token;
    int32_t kind;
    int32_t number;
};

TEST(ClassifyThrow, FirstMatchingRuleDecides) {
    const ThrowCase cases[] = {
        {"", Hit::None, 0},
        {"   ", Hit::None, 0},
        {"@401", Hit::Leave, 401},
        {"@", Hit::Leave, 0},
        {"DB", Hit::Bull, 0},
        {" db ", Hit::Bull, 0},
        {"SB", Hit::OuterBull, 0},
        {"DBULL", Hit::Double, 0},
        {"S25", Hit::Single, 25},
        {"D25", Hit::Double, 25},
        {"t20", Hit::Triple, 20},
        {"S 19", Hit::Single, 19},
        {"S-3", Hit::Single, -3},
        {"T20X", Hit::Triple, 20},
        {"BUST", Hit::None, -1},
        {"bust", Hit::None, -1},
        {"X", Hit::None, -1},
        {"-", Hit::None, 0},
        {"OUT", Hit::None, 0},
        {"0", Hit::None, 0},
        {"20", Hit::Single, 20},
        {"00", Hit::Single, 0},
        {"--", Hit::Single, 0},
        {"MISS", Hit::Single, 0},
        {"T2147483647", Hit::Triple, INT32_MAX},
        {"S99999999999999999999", Hit::Single, INT32_MAX},
        {"-99999999999999999999", Hit::Single, INT32_MIN},
        {"@-5", Hit::Leave, -5},
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
    m_data.compress = false;
    Match before = m_data;
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
        EXPECT_EQ(m_data.path, before.path);
        EXPECT_EQ(m_data.game, before.game);
        EXPECT_EQ(m_data.gameKind, before.gameKind);
        EXPECT_EQ(m_data.separateBull, before.separateBull);
        EXPECT_EQ(m_data.compress, 0);
        ASSERT_EQ(m_data.count(), before.count());
        for (int i = 0; i < before.count(); ++i) {
            EXPECT_EQ(Fields(At(i)), Fields(*before.at(i)));
        }
    }
    EXPECT_FALSE(OpenScoreFile(m_data, m_dir.File("does-not-exist.txt")));
    EXPECT_FALSE(OpenScoreFile(m_data, m_dir.Path().string()));
    EXPECT_EQ(m_data.path, before.path);
}

TEST_F(LoaderTest, TurnsAndDarts) {
    // A gap ends the match even when later turns exist.
    ASSERT_TRUE(Load("[DATA]\nR01-1=T20\nR01-2=S1\nR02-2=S5\n"));
    EXPECT_EQ(m_data.count(), 4);

    ASSERT_TRUE(Load("[DATA]\nR01-1= t20 , s19 ,db \n"));
    ASSERT_EQ(m_data.count(), 4);
    EXPECT_EQ(At(1).kind, Hit::Triple);
    EXPECT_EQ(At(1).number, 20);
    EXPECT_EQ(At(2).kind, Hit::Single);
    EXPECT_EQ(At(2).number, 19);
    EXPECT_EQ(At(3).kind, Hit::Bull);

    ASSERT_TRUE(Load("[DATA]\nR01-1=,\n"));
    ASSERT_EQ(m_data.count(), 3);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(At(i).kind, Hit::None);
        EXPECT_EQ(At(i).number, 0);
        EXPECT_EQ(At(i).dart, i);
    }

    // A fourth throw has no dart slot.
    ASSERT_TRUE(Load("[DATA]\nR01-1=S1,S2,S3,S4,S5\nR01-2=S6\n"));
    ASSERT_EQ(m_data.count(), 6);
    EXPECT_EQ(At(3).number, 3);
    EXPECT_EQ(At(5).number, 6);
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
    EXPECT_EQ(m_data.count(), 80 * 3);
    EXPECT_EQ(m_data.entries.back().round, 40);
    EXPECT_EQ(m_data.entries.back().player, 2);
}

TEST_F(LoaderTest, Times) {
    ASSERT_TRUE(Load("[DATA]\nR01-1=S1,S1\nR01-2=S1\n"));
    for (const Entry& m : m_data.entries) {
        EXPECT_EQ(m.time, 0);
    }

    // A turn starts halfway between the previous dart and its own first dart.
    ASSERT_TRUE(Load("[DATA]\nR01-1=S1,S1\nR01-2=S1\n[TIME]\nR01-1=150,290\nR01-2=900\n"));
    EXPECT_EQ(At(0).time, 0);
    EXPECT_EQ(At(3).time, 595);
    EXPECT_EQ(At(4).time, 900);

    // Darts without a recorded time get 0, not the time of an earlier turn's dart; the
    // clean-up then zeroes everything from that first step backwards.
    ASSERT_TRUE(Load("[DATA]\nR01-1=S1,S1,S1\nR01-2=S1,S1,S1\n[TIME]\nR01-1=100,200,300\n"
                     "R01-2=1000\n"));
    const int32_t times[] = {0, 100, 200, 300, 650, 1000, 0, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(At(i).time, times[i]) << i;
    }

    ASSERT_TRUE(Load("[DATA]\nR01-1=S1\nR01-2=S1\n[TIME]\nR01-1=99999999999\nR01-2=99999999999\n"));
    EXPECT_EQ(At(1).time, INT32_MAX);
    EXPECT_EQ(At(2).time, INT32_MAX);
    EXPECT_EQ(At(3).time, INT32_MAX);
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
        {"", "301", GameKind::X01, 301, 301, 0, 1},
        {"GAME=cricket\n", "CRICKET", GameKind::Cricket, 0, 0, 0, 1},
        {"GAME= Cri \n", "CRI", GameKind::Cricket, 0, 0, 0, 1},
        {"GAME=CR\n", "301", GameKind::X01, 301, 301, 0, 1},
        {"GAME=5O1\n", "301", GameKind::X01, 301, 301, 0, 1},
        {"GAME= 1501\n", "1501", GameKind::X01, 1501, 1501, 0, 1},
        {"GAME=701\nP1-SCORE=-5\n", "701", GameKind::X01, 701, 701, 0, 1},
        {"GAME=501\nP1-SCORE=301\nP2-SCORE=99999999999\n", "501", GameKind::X01, 301, INT32_MAX, 0,
         1},
        {"GAME=CRICKET\nP1-SCORE=-5\nP2-SCORE=40\n", "CRICKET", GameKind::Cricket, 0, 40, 0, 1},
        {"GAME=501\nSEPABULL=1\n", "501", GameKind::X01, 501, 501, 1, 1},
        {"GAME=CRICKET\nSEPABULL=1\n", "CRICKET", GameKind::Cricket, 0, 0, 0, 1},
        {"NOCOMP-AVI=1\n", "301", GameKind::X01, 301, 301, 0, 0},
        {"NOCOMP-AVI=0\n", "301", GameKind::X01, 301, 301, 0, 1},
        {"NOCOMP-AVI=-1\n", "301", GameKind::X01, 301, 301, 0, 1},
    };
    for (const GameCase& c : cases) {
        ASSERT_TRUE(Load("[SETTING]\n"s + c.setting + "[DATA]\nR01-1=-\n")) << c.setting;
        EXPECT_EQ(m_data.game, c.game) << c.setting;
        EXPECT_EQ(m_data.gameKind, c.kind) << c.setting;
        EXPECT_EQ(At(0).score[0], c.score1) << c.setting;
        EXPECT_EQ(At(0).score[1], c.score2) << c.setting;
        EXPECT_EQ(m_data.separateBull, c.sepaBull) << c.setting;
        EXPECT_EQ(m_data.compress, c.compress) << c.setting;
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
            EXPECT_EQ(At(0).marks[0][t], c.marks[static_cast<size_t>(t)]) << c.value << t;
            EXPECT_EQ(At(0).marks[1][t], 0);
        }
    }
}

TEST_F(LoaderTest, HugeNumbersSaturate) {
    ASSERT_TRUE(Load("[SETTING]\nGAME=501\n[DATA]\nR01-1=T2147483647,S-2147483648,@-9999999999\n"));
    EXPECT_EQ(At(1).number, INT32_MAX);
    EXPECT_EQ(At(1).value, -1); // far below zero: a bust
    EXPECT_EQ(At(1).turnTotal, INT32_MAX);
    EXPECT_EQ(At(1).score[0], 501);
    EXPECT_EQ(At(2).number, INT32_MIN);
    EXPECT_EQ(At(2).value, -1);
    EXPECT_EQ(At(3).kind, Hit::Single);
    EXPECT_EQ(At(3).number, INT32_MAX); // 501 - (-9999999999), clamped
    EXPECT_EQ(At(3).value, -1);
    EXPECT_EQ(At(3).score[0], 501);
}

TEST_F(LoaderTest, FilesThatAreNotTextLoadOrFailCleanly) {
    // Too large to be a score file, even with a valid start.
    std::string big = "[DATA]\nR01-1=T20\n";
    big.resize(ProfileFile::kMaxBytes + 1, 'x');
    EXPECT_FALSE(Load(big, "big.txt"));

    // One very long line (longer than any value) inside an otherwise good file.
    std::string longLine = "[DATA]\nR01-1=T20,";
    longLine.append(1'000'000, '9');
    longLine += "\nR01-2=S5\n";
    ASSERT_TRUE(Load(longLine, "long.txt"));
    EXPECT_EQ(m_data.count(), 5);
    EXPECT_EQ(At(2).number, INT32_MAX);

    // NUL bytes end a value; the rest of the line is gone.
    ASSERT_TRUE(Load("[DATA]\nR01-1=T20\0,S5\n"s, "nul.txt"));
    EXPECT_EQ(m_data.count(), 2);

    // Random bytes, sometimes with a valid start: never a crash.
    std::mt19937 rng(1234);
    for (int round = 0; round < 50; ++round) {
        std::string noise = round % 2 == 0 ? "[DATA]\nR01-1=" : "";
        size_t length = rng() % 5000;
        for (size_t i = 0; i < length; ++i) {
            noise += static_cast<char>(rng() % 256);
        }
        m_data.reset();
        bool loaded = Load(noise, "noise.txt");
        EXPECT_EQ(loaded, m_data.count() > 0);
    }
}

TEST_F(LoaderTest, FailedLoadsSayWhyAndNameTheFile) {
    const std::string big = m_dir.File("big.txt");
    WriteBytes(big, "[DATA]\nR01-1=T20\n" + std::string(ProfileFile::kMaxBytes, ';'));
    ASSERT_EQ(::mkfifo(m_dir.File("fifo").c_str(), 0600), 0);
    WriteBytes(m_dir.File("settings.txt"), "[SETTING]\nGAME=501\n");
    WriteBytes(m_dir.File("late.txt"), "[DATA]\nR02-1=T20\n");
    const std::string size = std::to_string(ProfileFile::kMaxBytes + 17);

    struct Case {
        std::string path;
        MessageId id;
        std::string why;
    };
    const Case cases[] = {
        {m_dir.File("missing.txt"), MessageId::FileMissing, "no such file"},
        {m_dir.Path().string(), MessageId::FileUnreadable, "cannot be read: Is a directory"},
        {m_dir.File("fifo"), MessageId::FileNotRegular,
         "is not a regular file (a device, pipe or socket)"},
        {big, MessageId::FileTooLarge,
         "is " + size + " bytes, more than the 1048576 bytes a score file may have"},
        {m_dir.File("settings.txt"), MessageId::NoDataSection,
         "is not a score file: it has no [DATA] section"},
        {m_dir.File("late.txt"), MessageId::NoFirstTurn,
         "is not a score file: its [DATA] section has no turn R01-1"},
    };
    for (const Case& c : cases) {
        Match data;
        LoadOutcome outcome = LoadScoreFile(data, c.path);
        EXPECT_FALSE(outcome.loaded) << c.path;
        EXPECT_EQ(outcome.error.reason.id, c.id) << c.path;
        EXPECT_EQ(outcome.error.text(), c.path + ": " + c.why);
        EXPECT_TRUE(outcome.diagnostics.empty());
        EXPECT_EQ(data.count(), 0);
    }

    // A file the user may not read: the system's reason.
    const std::string secret = m_dir.File("secret.txt");
    WriteBytes(secret, "[DATA]\nR01-1=T20\n");
    ::chmod(secret.c_str(), 0600);
    ::chmod(m_dir.Path().c_str(), 0755);
    if (RunningAsRoot()) {
        ASSERT_EQ(::chown(secret.c_str(), 0, 0), 0);
    } else {
        ::chmod(secret.c_str(), 0);
    }
    std::optional<std::string> text = AsUnprivileged([&secret] {
        Match data;
        return LoadScoreFile(data, secret).error.text();
    });
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, secret + ": cannot be read: Permission denied");
}

TEST_F(LoaderTest, LongValuesAreCutAtTheReadLimit) {
    // 2047 bytes are read of a longer value: here the cut falls between the digits of the
    // third throw, "S<blanks>19", which reads as a single 1.
    const std::string throws = "S1,S2,S" + std::string(kMaxValueBytes - 8, ' ') + "19";
    ASSERT_TRUE(Load("[DATA]\nR01-1=" + throws + "\n"));
    ProfileFile file(ReadBytes(m_data.path));
    EXPECT_EQ(ScoreValue(file, "DATA", "R01-1"), throws.substr(0, kMaxValueBytes));
    EXPECT_EQ(ScoreValue(file, "DATA", "R01-2"), "");
    ASSERT_EQ(m_data.count(), 4);
    EXPECT_EQ(At(3).kind, Hit::Single);
    EXPECT_EQ(At(3).number, 1);

    // A settings value is cut the same way: a GAME of 2046 blanks and "501" reads as the
    // blanks and "5", which is no game.
    ASSERT_TRUE(Load("[SETTING]\nGAME=\"" + std::string(kMaxValueBytes - 1, ' ') +
                     "501\"\n[DATA]\nR01-1=T20\n"));
    EXPECT_EQ(m_data.game, "301");
}

TEST(LoaderFixtures, FuzzFindingsLoadCleanly) {
    // Inputs the fuzzer once found troublesome; each must load or fail without harm.
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VORLAT_SCORE_FIXTURES)) {
        Match data;
        bool loaded = OpenScoreFile(data, entry.path().string());
        EXPECT_EQ(loaded, data.count() > 0) << entry.path();
        ++seen;
    }
    EXPECT_GT(seen, 0);
}

} // namespace
