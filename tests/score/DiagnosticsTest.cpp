#include "ScoreTestUtil.h"

#include "score/Diagnostics.h"
#include "score/Loader.h"
#include "score/ProfileFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

struct Expected {
    int line;
    MessageId id;
    std::string english;
};

struct DiagnosticCase {
    const char* name;
    std::string text;
    std::vector<Expected> expected; // in line order
};

// The header most cases start with: lines 1 to 3, so the first turn is on line 4.
const std::string k501 = "[SETTING]\nGAME=501\n[DATA]\n";
const std::string kCricket = "[SETTING]\nGAME=Cricket\n[DATA]\n";

void ExpectSameMatch(const Match& a, const Match& b) {
    EXPECT_EQ(a.path, b.path);
    EXPECT_EQ(a.game, b.game);
    EXPECT_EQ(a.gameKind, b.gameKind);
    EXPECT_EQ(a.separateBull, b.separateBull);
    EXPECT_EQ(a.compress, b.compress);
    ASSERT_EQ(a.count(), b.count());
    for (int i = 0; i < a.count(); ++i) {
        EXPECT_EQ(Describe(Fields(*a.at(i))), Describe(Fields(*b.at(i)))) << i;
    }
}

class DiagnosticKinds : public ::testing::TestWithParam<DiagnosticCase> {};

// Each file loads, says exactly what it should on the lines it should, and gives the very
// match that the load without diagnostics gives.
TEST_P(DiagnosticKinds, LineAndMessageAndTheSameMatch) {
    const DiagnosticCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File("score.txt");
    WriteBytes(path, c.text);

    Match plain;
    ASSERT_TRUE(OpenScoreFile(plain, path));
    Match diagnosed;
    LoadOutcome outcome = LoadScoreFile(diagnosed, path);
    ASSERT_TRUE(outcome.loaded) << outcome.error.text();
    ExpectSameMatch(diagnosed, plain);

    std::vector<std::string> got;
    for (const Diagnostic& d : outcome.diagnostics) {
        got.push_back(std::to_string(d.line) + ": " + d.message.english());
    }
    std::vector<std::string> want;
    for (const Expected& e : c.expected) {
        want.push_back(std::to_string(e.line) + ": " + e.english);
    }
    EXPECT_EQ(got, want);
    ASSERT_EQ(outcome.diagnostics.size(), c.expected.size());
    for (size_t i = 0; i < c.expected.size(); ++i) {
        EXPECT_EQ(outcome.diagnostics[i].message.id, c.expected[i].id) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Score, DiagnosticKinds,
    ::testing::Values(
        // Throws.
        DiagnosticCase{"letter_for_ring",
                       k501 + "R01-1=T20,Z5,S1\n",
                       {{4, MessageId::ThrowNotOnBoard01,
                         "throw \"Z5\" is not a dart on the board; counted as S0, scoring 0"}}},
        DiagnosticCase{"triple_bull",
                       k501 + "R01-1=t25\n",
                       {{4, MessageId::ThrowNotOnBoard01,
                         "throw \"t25\" is not a dart on the board; counted as T25, scoring 75"}}},
        DiagnosticCase{"double_zero_and_single_21",
                       k501 + "R01-1= D0 , S21 , 20 \n",
                       {{4, MessageId::ThrowNotOnBoard01,
                         "throw \"D0\" is not a dart on the board; counted as D0, scoring 0"},
                        {4, MessageId::ThrowNotOnBoard01,
                         "throw \"S21\" is not a dart on the board; counted as S21, scoring 21"}}},
        DiagnosticCase{"negative_number_busts",
                       k501 + "R01-1=T20,T-3\n",
                       {{4, MessageId::ThrowNotOnBoardBust,
                         "throw \"T-3\" is not a dart on the board; counted as T-3, which busts "
                         "the turn"}}},
        DiagnosticCase{"trailing_letters",
                       k501 + "R01-1=T20X\n",
                       {{4, MessageId::ThrowNotOnBoard01,
                         "throw \"T20X\" is not a dart on the board; counted as T20, scoring "
                         "60"}}},
        DiagnosticCase{"empty_piece",
                       k501 + "R01-1=T20,,S1\n",
                       {{4, MessageId::EmptyThrow,
                         "empty throw between commas; counted as a dart that scored nothing"}}},
        DiagnosticCase{"cricket_triple_bull",
                       kCricket + "R01-1=T25,S14\n",
                       {{4, MessageId::ThrowNotOnBoardMarks,
                         "throw \"T25\" is not a dart on the board; counted as T25, 3 marks"}}},
        DiagnosticCase{"leave_in_cricket",
                       kCricket + "R01-1=@40\n",
                       {{4, MessageId::LeaveInCricket,
                         "leave \"@40\" has no meaning in Cricket; counted as a dart that scored "
                         "nothing"}}},
        DiagnosticCase{"more_than_three_throws",
                       k501 + "R01-1=S1,S2,S3,S4, S5\n",
                       {{4, MessageId::ExtraThrows,
                         "turn R01-1 lists 5 throws; a turn has three darts, so \"S4, S5\" is "
                         "ignored"}}},
        DiagnosticCase{"leave_above_remaining",
                       k501 + "R01-1=T20,@600\n",
                       {{4, MessageId::LeaveTooLarge,
                         "leave \"@600\" is more than the 441 left; the dart busts the turn"}}},
        DiagnosticCase{"turn_after_the_win",
                       "[SETTING]\nGAME=301\nP1-SCORE=40\n[DATA]\nR01-1=D20\nR01-2=S1\nR02-1=-\n",
                       {{6, MessageId::AfterWin,
                         "turn R01-2 comes after player 1 won in R01-1; its darts still count"},
                        {7, MessageId::AfterWin,
                         "turn R02-1 comes after player 1 won in R01-1; its darts still count"}}},
        DiagnosticCase{"dart_after_the_checkout",
                       "[SETTING]\nGAME=301\nP1-SCORE=40\n[DATA]\nR01-1=D20,S5\nR01-2=S1\n",
                       {{5, MessageId::AfterCheckout,
                         "dart 2 of R01-1 comes after the checkout; it still counts"}}},
        DiagnosticCase{"cricket_turn_after_the_win",
                       "[SETTING]\nGAME=CRI\nP1-MARK=3333330\n[DATA]\nR01-1=SB,DB,S20\n"
                       "R01-2=T20\n",
                       {{5, MessageId::AfterCheckout,
                         "dart 3 of R01-1 comes after the checkout; it still counts"},
                        {6, MessageId::AfterWin,
                         "turn R01-2 comes after player 1 won in R01-1; its darts still count"}}},
        // Settings.
        DiagnosticCase{"game_missing_no_settings",
                       "[DATA]\nR01-1=T20\n",
                       {{0, MessageId::GameMissing, "GAME is missing; played as 301"}}},
        DiagnosticCase{"game_missing",
                       "[SETTING]\nSEPABULL=1\n[DATA]\nR01-1=T20\n",
                       {{1, MessageId::GameMissing, "GAME is missing; played as 301"}}},
        DiagnosticCase{"game_unknown",
                       "[SETTING]\nGAME= 502\n[DATA]\nR01-1=T20\n",
                       {{2, MessageId::GameUnknown,
                         "GAME \"502\" is not 301, 501, 701, 901, 1101, 1501 or Cricket; played "
                         "as 301"}}},
        DiagnosticCase{"marks_too_short",
                       "[SETTING]\nGAME=CRICKET\nP1-MARK=333\n[DATA]\nR01-1=T20\n",
                       {{3, MessageId::MarksWrongLength,
                         "P1-MARK \"333\" is not seven digits 0-3; ignored, no starting marks"}}},
        DiagnosticCase{"marks_bad_digit",
                       "[SETTING]\nGAME=CRICKET\nP2-MARK=9300000\n[DATA]\nR01-1=T20\n",
                       {{3, MessageId::MarksBadDigit,
                         "P2-MARK \"9300000\" is not seven digits 0-3; a target with another "
                         "character starts with 0 marks"}}},
        DiagnosticCase{
            "negative_score",
            "[SETTING]\nGAME=701\nP1-SCORE=-5\n[DATA]\nR01-1=T20\n",
            {{3, MessageId::ScoreNegative, "P1-SCORE -5 is negative; the player starts at 701"}}},
        DiagnosticCase{
            "settings_not_numbers",
            "[SETTING]\nGAME=501\nP2-SCORE=abc\nSEPABULL=yes\nNOCOMP-AVI=1x\n"
            "[DATA]\nR01-1=T20\n",
            {{3, MessageId::NotANumber, "P2-SCORE \"abc\" is not a number; read as 0"},
             {4, MessageId::NotANumber, "SEPABULL \"yes\" is not a number; read as 0"},
             {5, MessageId::NotANumber, "NOCOMP-AVI \"1x\" is not a number; read as 1"}}},
        DiagnosticCase{"setting_never_read",
                       "[SETTING]\nGAME=501\nSEPBULL=1\n[DATA]\nR01-1=T20\n",
                       {{3, MessageId::SettingNeverRead, "SEPBULL in [SETTING] is never read"}}},
        // Turns and keys.
        DiagnosticCase{"gap_in_turns",
                       k501 + "R01-1=T20\nR01-2=S1\nR02-2=S5\nR03-1=S5\n",
                       {{6, MessageId::TurnMissing,
                         "turn R02-1 is missing, so the match ends before it; R02-2 and later "
                         "turns are not read"}}},
        DiagnosticCase{"empty_turn",
                       k501 + "R01-1=T20\nR01-2=\nR02-1=S5\n",
                       {{5, MessageId::TurnEmpty,
                         "turn R01-2 is empty, so the match ends before it; R02-1 and later "
                         "turns are not read"}}},
        DiagnosticCase{"past_round_40",
                       k501 + "R01-1=T20\nR41-1=S5\n",
                       {{5, MessageId::RoundTooHigh,
                         "R41-1 in [DATA] is past round 40; never "
                         "read"}}},
        DiagnosticCase{"keys_never_read",
                       k501 + "R01-1=T20\nR1-2=S5\n[TIME]\nR01-1=100\nR01-3=200\n",
                       {{5, MessageId::KeyNeverRead,
                         "R1-2 in [DATA] is never read; turns are written R01-1 to R40-2"},
                        {8, MessageId::KeyNeverRead,
                         "R01-3 in [TIME] is never read; turns are written R01-1 to R40-2"}}},
        DiagnosticCase{"time_without_turn",
                       k501 + "R01-1=T20\n[TIME]\nR01-1=100\nr02-1=200\n",
                       {{7, MessageId::TimeWithoutTurn,
                         "time r02-1 has no turn in [DATA]; "
                         "ignored"}}},
        DiagnosticCase{"section_never_read",
                       k501 + "R01-1=T20\n[NOTES]\nplayed at the club\n",
                       {{5, MessageId::SectionNeverRead, "section [NOTES] is never read"}}},
        DiagnosticCase{"duplicate_section",
                       k501 + "R01-1=T20\n[DATA]\nR01-2=S1\n",
                       {{5, MessageId::DuplicateSection,
                         "section [DATA] appears again (first on line 3); this block is "
                         "ignored"}}},
        DiagnosticCase{"duplicate_key",
                       k501 + "R01-1=T20\nr01-1=T19\n",
                       {{5, MessageId::DuplicateKey,
                         "r01-1 appears again in [DATA] (first on line 4); ignored"}}},
        DiagnosticCase{"value_cut",
                       k501 + "R01-1=T20" + std::string(2100, ' ') + ",S1\n",
                       {{4, MessageId::ValueCut,
                         "value of R01-1 is 2106 bytes long; only the first 2047 are read"}}},
        DiagnosticCase{"skipped_lines",
                       "501 league night\n" + k501 + "R01-1=T20\nR01-2 S1\n=S5\n",
                       {{1, MessageId::LineBeforeSection, "text before the first section; ignored"},
                        {6, MessageId::LineWithoutEquals, "line has no '='; ignored"},
                        {7, MessageId::KeyWithoutName, "line has nothing before '='; ignored"}}},
        // Times.
        DiagnosticCase{"fewer_times",
                       k501 + "R01-1=T20,T20\nR01-2=S1\n[TIME]\nR01-1=0\nR01-2=900\n",
                       {{7, MessageId::FewerTimes,
                         "turn R01-1 has 2 darts but 1 times; a dart without a time gets 0"}}},
        DiagnosticCase{"turn_without_times",
                       k501 + "R01-1=T20\nR01-2=S1\n[TIME]\nR01-1=100\n",
                       {{5, MessageId::FewerTimes,
                         "turn R01-2 has 1 darts but 0 times; a dart without a time gets 0"},
                        {5, MessageId::TimeGoesBack,
                         "time 0 of dart 1 in R01-2 is earlier than the 100 before it; the "
                         "video ends at 100 ms and every later time counts as 0"}}},
        DiagnosticCase{"more_times",
                       k501 + "R01-1=T20\n[TIME]\nR01-1=100,200\n",
                       {{6, MessageId::MoreTimes,
                         "turn R01-1 has 1 darts but 2 times; the extra times are ignored"}}},
        DiagnosticCase{"time_goes_back",
                       k501 + "R01-1=T20,T20\nR01-2=S1,S1\n[TIME]\nR01-1=100,200\n"
                              "R01-2=150,900\n",
                       {{8, MessageId::TimeGoesBack,
                         "time 150 of dart 1 in R01-2 is earlier than the 200 before it; the "
                         "video ends at 200 ms and every later time counts as 0"}}},
        DiagnosticCase{"long_gap",
                       "[SETTING]\nGAME=501\n[DATA]\nR01-1=T20,S1\n[TIME]\n"
                       "R01-1=1000,2147483647\n",
                       {{6, MessageId::LongGap,
                         "dart 2 of R01-1 comes 596:31:22 after the dart before it; the video "
                         "shows the board that long"}}},
        DiagnosticCase{"bom_and_crlf",
                       "\xEF\xBB\xBF; match\r\n[SETTING]\r\nGAME=501\r\n\r\n[DATA]\r\n"
                       "R01-1=T20\r\nR01-2=Z5\r\n",
                       {{7, MessageId::ThrowNotOnBoard01,
                         "throw \"Z5\" is not a dart on the board; counted as S0, scoring 0"}}},
        // Normal use that says nothing: a bust token where the score stays above zero, the
        // misses after a checkout, a file without times, an empty [TIME] section, bulls.
        DiagnosticCase{"normal_use",
                       "[SETTING]\nGAME=301\nP1-SCORE=40\nSEPABULL=1\n[DATA]\nR01-1=S20,S19,BUST\n"
                       "R01-2=SB,DB,25\nR02-1=d20,-,-\n[TIME]\n",
                       {}},
        DiagnosticCase{"normal_cricket",
                       kCricket + "R01-1=T20,S20,D19\nR01-2=SB,DB,D25\nR02-1=X,OUT,0\n",
                       {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Match files: lines 1 to 4 set a 301 first-to-2 match (P1 40 left), [DATA] on line 5.
const std::string kMatch = "[SETTING]\nGAME=301\nP1-SCORE=40\nLEGS=2\n[DATA]\n";

INSTANTIATE_TEST_SUITE_P(
    Match, DiagnosticKinds,
    ::testing::Values(
        DiagnosticCase{
            "match_keys_unknown",
            "[SETTING]\nGAME=501\nLEGS=two\nSETS=-1\nFIRST=3\nOUT=single\n"
            "[DATA]\nR01-1=20\n",
            {{3, MessageId::SettingValueUnknown,
              "LEGS \"two\" is not a number of legs from 1; read as 1"},
             {4, MessageId::SettingValueUnknown, "SETS \"-1\" is not a number of sets; read as 0"},
             {5, MessageId::SettingValueUnknown, "FIRST \"3\" is not 1 or 2; read as 1"},
             {6, MessageId::SettingValueUnknown,
              "OUT \"single\" is not OPEN, DOUBLE or MASTER; read as OPEN"}}},
        DiagnosticCase{"name_too_long",
                       "[SETTING]\nGAME=501\nP2-NAME=" + std::string(33, 'x') +
                           "\n[DATA]\nR01-1=20\n",
                       {{3, MessageId::NameCut, "P2-NAME is 33 characters long; shown cut to 32"}}},
        // Leg 3 is player 2's to open (player 1 opened leg 1).
        DiagnosticCase{
            "leg_without_first_visit",
            kMatch + "R01-1=20\n[DATA2]\nR02-1=20\n[DATA3]\nR01-2=D20\n",
            {{5, MessageId::LegUnfinished, "leg 1 ends without a winner, but leg 3 follows"},
             {7, MessageId::LegWithoutFirstVisit,
              "[DATA2] has no first visit R01-1 or R01-2; the leg is not played"}}},
        DiagnosticCase{"darts_after_the_leg_was_won",
                       kMatch + "R01-1=D20,5\nR01-2=20\n[DATA2]\nR01-2=20\n",
                       {{6, MessageId::AfterLegCheckout,
                         "dart 2 of R01-1 comes after the leg was won; ignored"},
                        {7, MessageId::AfterLegWon,
                         "turn R01-2 comes after player 1 won the leg in R01-1; ignored"}}},
        // The darts ignored in leg 1 are no entries: leg 2's warnings must still find its own
        // darts.
        DiagnosticCase{"a_later_leg_after_ignored_darts",
                       kMatch + "R01-1=D20,5\nR01-2=20\n[DATA2]\nR01-2=Z5\nR01-1=D20,T20\n",
                       {{6, MessageId::AfterLegCheckout,
                         "dart 2 of R01-1 comes after the leg was won; ignored"},
                        {7, MessageId::AfterLegWon,
                         "turn R01-2 comes after player 1 won the leg in R01-1; ignored"},
                        {9, MessageId::ThrowNotOnBoard01,
                         "throw \"Z5\" is not a dart on the board; counted as S0, scoring 0"},
                        {10, MessageId::AfterLegCheckout,
                         "dart 2 of [DATA2] R01-1 comes after the leg was won; ignored"}}},
        DiagnosticCase{"leg_after_the_match",
                       kMatch + "R01-1=D20\n[DATA2]\nR01-2=20\nR01-1=D20\n[DATA3]\n"
                                "R01-1=D20\n",
                       {{10, MessageId::LegAfterMatch,
                         "[DATA3] comes after player 1 won the match; the leg is not shown"}}},
        DiagnosticCase{
            "unfinished_leg_before_another",
            kMatch + "R01-1=20\n[DATA2]\nR01-2=20\n",
            {{5, MessageId::LegUnfinished, "leg 1 ends without a winner, but leg 2 follows"}}},
        DiagnosticCase{"finish_on_a_single_under_double_out",
                       "[SETTING]\nGAME=301\nP1-SCORE=40\nOUT=DOUBLE\n[DATA]\nR01-1=20,20\n",
                       {{6, MessageId::FinishNotAllowed,
                         "\"20\" in R01-1 reaches zero, but a double out cannot finish on it; "
                         "the turn busts"}}},
        DiagnosticCase{"finish_on_a_treble_under_master_out_is_fine",
                       "[SETTING]\nGAME=301\nP1-SCORE=60\nOUT=master\n[DATA]\nR01-1=T20\n",
                       {}},
        DiagnosticCase{"leg_times_go_back",
                       kMatch + "R01-1=D20\n[TIME]\nR01-1=5000\n[DATA2]\nR01-2=20\n"
                                "[TIME2]\nR01-2=4000\n",
                       {{12, MessageId::LegTimeGoesBack,
                         "leg 2 starts at 4000 ms, before the 5000 ms of the leg before it; the "
                         "video ends at 5000 ms and every later time counts as 0"}}},
        DiagnosticCase{"time_goes_back_inside_a_later_leg",
                       kMatch + "R01-1=D20\n[TIME]\nR01-1=5000\n[DATA2]\nR01-2=20\nR01-1=20\n"
                                "[TIME2]\nR01-2=6000\nR01-1=5500\n",
                       {{14, MessageId::TimeGoesBack,
                         "time 5500 of dart 1 in [DATA2] R01-1 is earlier than the 6000 before "
                         "it; the video ends at 6000 ms and every later time counts as 0"}}},
        DiagnosticCase{"times_all_zero_after_the_first_dart",
                       "[SETTING]\nGAME=501\n[DATA]\nR01-1=20,20\nR01-2=5\n[TIME]\n"
                       "R01-1=2150,0\nR01-2=0\n",
                       {{7, MessageId::TimesAllZero,
                         "every time after the first dart is 0 (3 darts); the times were not "
                         "recorded or were lost, and the video shows the last board from its "
                         "start"}}},
        DiagnosticCase{
            "leg_settings_never_read",
            kMatch + "R01-1=D20\n[SETTING2]\nSEPABULL=0\nFIRST=x\n[DATA2]\n"
                     "R01-2=20\n",
            {{8, MessageId::LegSettingNeverRead,
              "SEPABULL in [SETTING2] is never read; a leg takes GAME, P1-SCORE, P2-SCORE, "
              "P1-MARK, P2-MARK and FIRST"},
             {9, MessageId::SettingValueUnknown, "FIRST \"x\" is not 1 or 2; read as 2"}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Leg sections past the first missing [DATAk], and a handicap leg's own bad values.
INSTANTIATE_TEST_SUITE_P(
    MatchSections, DiagnosticKinds,
    ::testing::Values(
        DiagnosticCase{"legs_after_a_gap_are_never_read",
                       kMatch + "R01-1=20\n[DATA3]\nR01-1=20\n[TIME4]\nR01-1=5\n",
                       {{7, MessageId::SectionNeverRead, "section [DATA3] is never read"},
                        {9, MessageId::SectionNeverRead, "section [TIME4] is never read"}}},
        DiagnosticCase{
            "handicap_leg_values",
            kMatch + "R01-1=D20\n[SETTING2]\nP2-SCORE=-5\nP1-MARK=123\n[DATA2]\n"
                     "R01-2=20\n",
            {{8, MessageId::ScoreNegative, "P2-SCORE -5 is negative; the player starts at 301"},
             {9, MessageId::MarksWrongLength,
              "P1-MARK \"123\" is not seven digits 0-3; ignored, no starting marks"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Diagnostics, ExampleFiles) {
    // The 01 examples are clean. In the Cricket example player 1 has closed every target with
    // more points (138 to 54) after the first dart of R07-1, and R07-2 is still played.
    const std::pair<const char*, std::string> examples[] = {
        {"501-timed.txt", ""},
        {"1501.txt", ""},
        {"cricket.txt", "cricket.txt:20: warning: turn R07-2 comes after player 1 won in R07-1; "
                        "its darts still count\n"},
        // Player 1 throws a single 10 on 10 left in leg 3: the double out busts it.
        {"501-match.txt", "501-match.txt:52: warning: \"10\" in [DATA3] R04-1 reaches zero, but "
                          "a double out cannot finish on it; the turn busts\n"},
        {"sets-match.txt", ""},
    };
    for (const auto& [name, report] : examples) {
        Match data;
        LoadOutcome outcome = LoadScoreFile(data, std::string(VORLAT_EXAMPLES_DIR "/") + name);
        ASSERT_TRUE(outcome.loaded) << name;
        EXPECT_EQ(FormatCheckReport(name, outcome), report) << name;
    }
}

TEST(Diagnostics, AFileAtTheLoadLimitInShortLinesIsDiagnosedWhole) {
    // Up to the load limit in short lines: keys that are never read, each repeated once, and
    // sections that are never read, each with a line of text. (How the time grows with such
    // a file is a benchmark's business, not a test's: comparing every line with the lines
    // before it once took over 20 s here.)
    TempDir dir;
    auto load = [&dir](int keys, int sections, LoadOutcome& outcome) {
        std::string text = "[SETTING]\nGAME=501\n[DATA]\nR01-1=T20\n";
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < keys; ++i) {
                text += "k" + std::to_string(i) + "=\n";
            }
        }
        for (int i = 0; i < sections; ++i) {
            text += "[s" + std::to_string(i) + "]\nx\n";
        }
        EXPECT_LE(text.size(), ProfileFile::kMaxBytes);
        WriteBytes(dir.File("many.txt"), text);
        Match data;
        outcome = LoadScoreFile(data, dir.File("many.txt"));
    };
    LoadOutcome large;
    load(40000, 30000, large);
    ASSERT_TRUE(large.loaded);

    std::vector<size_t> counts(3);
    for (const Diagnostic& d : large.diagnostics) {
        counts[0] += d.message.id == MessageId::KeyNeverRead;
        counts[1] += d.message.id == MessageId::DuplicateKey;
        counts[2] += d.message.id == MessageId::SectionNeverRead;
    }
    EXPECT_EQ(counts, (std::vector<size_t>{40000, 40000, 30000}));
    EXPECT_EQ(large.diagnostics.size(), 110000u);
}

TEST(CheckReport, CompilerStyleLinesAndExitStatus) {
    TempDir dir;
    const std::string path = dir.File("m.txt");
    WriteBytes(path, "[DATA]\r\nR01-1=T20,Z5\r\nR01-2=S1,S2,S3,S4\r\n");
    Match data;
    LoadOutcome outcome = LoadScoreFile(data, path);
    EXPECT_EQ(FormatCheckReport(path, outcome),
              path + ": warning: GAME is missing; played as 301\n" + path +
                  ":2: warning: throw \"Z5\" is not a dart on the board; counted as S0, scoring "
                  "0\n" +
                  path +
                  ":3: warning: turn R01-2 lists 4 throws; a turn has three darts, so \"S4\" is "
                  "ignored\n");
    EXPECT_EQ(CheckExitStatus(outcome), 0);

    WriteBytes(path, "[SETTING]\nGAME=501\n[DATA]\nR01-1=T20\n");
    outcome = LoadScoreFile(data, path);
    EXPECT_EQ(FormatCheckReport(path, outcome), "");
    EXPECT_EQ(CheckExitStatus(outcome), 0);

    const std::string missing = dir.File("missing.txt");
    outcome = LoadScoreFile(data, missing);
    EXPECT_EQ(FormatCheckReport(missing, outcome), missing + ": error: no such file\n");
    EXPECT_EQ(CheckExitStatus(outcome), 1);
    WriteBytes(path, "[DATA]\nR02-1=T20\n");
    outcome = LoadScoreFile(data, path);
    EXPECT_EQ(FormatCheckReport(path, outcome),
              path + ": error: is not a score file: its [DATA] section has no turn R01-1\n");
    EXPECT_EQ(CheckExitStatus(outcome), 1);
}

TEST(Messages, TemplatesTakeTheirArgumentsInOrder) {
    // A translation may put the arguments in another order; the English one fills %1.. in
    // any order and leaves unknown placeholders alone.
    EXPECT_EQ(FillTemplate("%2 before %1, %3 stays, 100%", {"a", "b"}),
              "b before a, %3 stays, 100%");
    Message m{MessageId::ThrowNotOnBoard01, {"Z5", "S0", "0"}};
    EXPECT_EQ(m.english(), FillTemplate(EnglishTemplate(m.id), m.args));
    EXPECT_EQ(EnglishTemplate(MessageId::None), std::string());
}

} // namespace

namespace {

// The window shows the warnings in Japanese from the "Diagnostics" context of the translation
// file: every message of the score layer needs its entry there.
TEST(Diagnostics, EveryMessageHasAJapaneseText) {
    const std::string ts = ReadBytes(VORLAT_JA_TRANSLATIONS);
    const size_t context = ts.find("<name>Diagnostics</name>");
    ASSERT_NE(context, std::string::npos);
    const std::string diagnostics = ts.substr(context, ts.find("</context>", context) - context);
    int checked = 0;
    for (int id = 1; *EnglishTemplate(static_cast<MessageId>(id)) != '\0'; ++id) {
        std::string source;
        for (const char c : std::string(EnglishTemplate(static_cast<MessageId>(id)))) {
            source += c == '"'    ? std::string("&quot;")
                      : c == '\'' ? std::string("&apos;")
                      : c == '&'  ? std::string("&amp;")
                                  : std::string(1, c);
        }
        const size_t at = diagnostics.find("<source>" + source + "</source>");
        EXPECT_NE(at, std::string::npos) << source;
        if (at != std::string::npos) {
            const size_t translation = diagnostics.find("<translation>", at);
            EXPECT_NE(diagnostics.substr(translation, 27), "<translation type=\"unfinish")
                << source;
        }
        ++checked;
    }
    EXPECT_GT(checked, static_cast<int>(MessageId::TimesAllZero) - 1);
}

} // namespace
