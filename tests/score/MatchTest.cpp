#include "ScoreTestUtil.h"

#include "score/Loader.h"
#include "score/ProfileFile.h"
#include "score/Statistics.h"
#include "score/TimingWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

Match LoadText(const TempDir& dir, const std::string& text) {
    const std::string path = dir.File("match.txt");
    WriteBytes(path, text);
    Match match;
    EXPECT_TRUE(OpenScoreFile(match, path));
    return match;
}

Match LoadExample(const char* name) {
    Match match;
    EXPECT_TRUE(OpenScoreFile(match, std::string(VORLAT_EXAMPLES_DIR) + "/" + name));
    return match;
}

// The players of a leg's turn starts in entry order, as "1212...".
std::string TurnOrder(const Match& match, const Leg& leg) {
    std::string order;
    for (int i = leg.firstEntry; i < leg.firstEntry + leg.entryCount; ++i) {
        if (match.entries[static_cast<size_t>(i)].dart == 0) {
            order += std::to_string(match.entries[static_cast<size_t>(i)].player);
        }
    }
    return order;
}

TEST(MatchLoad, ThreeLegDoubleOutExample) {
    const Match m = LoadExample("501-match.txt");
    EXPECT_TRUE(m.isMatch);
    EXPECT_EQ(m.names[0], "Aiko Tanaka");
    EXPECT_EQ(m.names[1], "山田 太郎");
    EXPECT_EQ(m.legsToWin, 2);
    EXPECT_EQ(m.setsToWin, 0);
    EXPECT_EQ(m.out, OutRule::Double);
    ASSERT_EQ(m.legs.size(), 3u);
    const int firsts[] = {1, 2, 1};
    const int winners[] = {1, 2, 2};
    const char* orders[] = {"12121", "2121212", "12121212"};
    for (size_t k = 0; k < 3; ++k) {
        const Leg& leg = m.legs[k];
        EXPECT_EQ(leg.number, static_cast<int>(k) + 1);
        EXPECT_EQ(leg.firstThrower, firsts[k]) << k;
        EXPECT_EQ(leg.winner, winners[k]) << k;
        EXPECT_EQ(TurnOrder(m, leg), orders[k]) << k;
        const Entry& head = m.entries[static_cast<size_t>(leg.firstEntry)];
        EXPECT_EQ(head.score[0], 501);
        EXPECT_EQ(head.score[1], 501);
        EXPECT_EQ(head.leg, static_cast<int>(k));
    }
    EXPECT_EQ(m.winner, 2);
    EXPECT_EQ(m.count(), 75);
    const Entry& last = m.entries.back();
    EXPECT_EQ(last.legsWon[0], 1);
    EXPECT_EQ(last.legsWon[1], 2);
    // Leg 3: player 1's single 10 on 10 left busts under the double out; D5 then wins.
    const Entry& bust = m.entries[m.entries.size() - 3];
    EXPECT_EQ(bust.value, -1);
    EXPECT_EQ(bust.score[0], 10);
    EXPECT_EQ(last.kind, Hit::Double);
    EXPECT_EQ(last.score[1], 0);
    // The clock runs on across legs: leg 2's first turn start lies halfway between the last
    // dart of leg 1 and its own first dart.
    const Entry& leg2 = m.entries[static_cast<size_t>(m.legs[1].firstEntry)];
    EXPECT_EQ(leg2.time, (65200 + 116000) / 2);
}

TEST(MatchLoad, SetsExampleWithACricketDecider) {
    const Match m = LoadExample("sets-match.txt");
    ASSERT_EQ(m.legs.size(), 8u);
    EXPECT_EQ(m.setsToWin, 2);
    EXPECT_EQ(m.legsToWin, 3);
    // Set 1 goes 3-2 to player 1 with the Cricket leg; set 2 opens with player 2, who did
    // not open set 1, and player 1 takes it 3-0.
    const int sets[] = {1, 1, 1, 1, 1, 2, 2, 2};
    const int inSet[] = {1, 2, 3, 4, 5, 1, 2, 3};
    const int firsts[] = {1, 2, 1, 2, 1, 2, 1, 2};
    const int winners[] = {1, 2, 1, 2, 1, 1, 1, 1};
    for (size_t k = 0; k < 8; ++k) {
        EXPECT_EQ(m.legs[k].set, sets[k]) << k;
        EXPECT_EQ(m.legs[k].legInSet, inSet[k]) << k;
        EXPECT_EQ(m.legs[k].firstThrower, firsts[k]) << k;
        EXPECT_EQ(m.legs[k].winner, winners[k]) << k;
        EXPECT_EQ(m.legs[k].gameKind, k == 4 ? GameKind::Cricket : GameKind::X01) << k;
    }
    // The set-winning dart adds the set and clears the legs of the set.
    const Entry& endOfSet1 = m.entries[static_cast<size_t>(m.legs[5].firstEntry) - 1];
    EXPECT_EQ(endOfSet1.setsWon[0], 1);
    EXPECT_EQ(endOfSet1.legsWon[0], 0);
    const Entry& beforeDecider = m.entries[static_cast<size_t>(m.legs[4].firstEntry)];
    EXPECT_EQ(beforeDecider.legsWon[0], 2);
    EXPECT_EQ(beforeDecider.legsWon[1], 2);
    EXPECT_EQ(m.winner, 1);
    EXPECT_EQ(m.entries.back().setsWon[0], 2);
    EXPECT_EQ(m.entries.back().setsWon[1], 0);
}

// What each dart of one visit leaves, from 40 left, under each out rule.
TEST(MatchLoad, OutRules) {
    struct Case {
        const char* out;
        const char* visit;
        std::vector<int> values; // -1: the dart busts
        int left;
    } cases[] = {
        {"OPEN", "20,20", {20, 20}, 0},
        {"DOUBLE", "20,20", {20, -1}, 40},      // a single cannot finish: back to 40
        {"DOUBLE", "D20", {40}, 0},             //
        {"DOUBLE", "T13", {-1}, 40},            // 1 left cannot be finished
        {"DOUBLE", "T10,D5", {30, 10}, 0},      //
        {"MASTER", "D19,1", {38, -1}, 40},      // 1 left cannot be finished
        {"MASTER", "T10,10", {30, -1}, 40},     // a single still cannot finish
        {"MASTER", "20,S5,T5", {20, 5, 15}, 0}, // a treble finishes
        {"double", "@0", {40}, 0},              // a leave says it was finished
    };
    for (const Case& c : cases) {
        TempDir dir;
        const Match m = LoadText(dir, std::string("[SETTING]\nGAME=301\nP1-SCORE=40\nOUT=") +
                                          c.out + "\n[DATA]\nR01-1=" + c.visit + "\n");
        std::vector<int> values;
        for (const Entry& e : m.entries) {
            if (e.dart > 0) {
                values.push_back(e.value);
            }
        }
        EXPECT_EQ(values, c.values) << c.out << " " << c.visit;
        EXPECT_EQ(m.entries.back().score[0], c.left) << c.out << " " << c.visit;
    }
}

TEST(MatchLoad, AMatchLegEndsWithItsWinningDartAOneLegGameDoesNot) {
    const std::string legs = "[DATA]\nR01-1=T20,D20,5\nR01-2=20\n"
                             "[DATA2]\nR01-2=D20\nR01-1=20\n";
    TempDir dir;
    // Two legs: leg 1's third dart and player 2's turn are not played.
    const Match match =
        LoadText(dir, "[SETTING]\nGAME=301\nP1-SCORE=100\nP2-SCORE=40\nLEGS=2\n" + legs);
    ASSERT_EQ(match.legs.size(), 2u);
    EXPECT_EQ(match.legs[0].entryCount, 3);
    EXPECT_EQ(match.legs[0].writtenEntries, 6);
    EXPECT_EQ(match.legs[1].entryCount, 2);
    EXPECT_EQ(match.legs[1].writtenEntries, 4);
    EXPECT_EQ(match.legs[1].winner, 2);
    EXPECT_EQ(match.count(), 5);
    EXPECT_EQ(match.entries.back().legsWon[0], 1);
    EXPECT_EQ(match.entries.back().legsWon[1], 1);
    EXPECT_EQ(match.winner, 0); // 1-1 in a first to 2
}

TEST(MatchLoad, LegsAfterTheMatchIsDecidedAreNotPlayed) {
    TempDir dir;
    const Match match = LoadText(dir, "[SETTING]\nGAME=301\nP1-SCORE=40\nP2-SCORE=40\nLEGS=1\n"
                                      "[DATA]\nR01-1=D20\n[DATA2]\nR01-2=D20\n");
    ASSERT_EQ(match.legs.size(), 1u);
    EXPECT_EQ(match.winner, 1);
    EXPECT_EQ(match.count(), 2);

    // Without match keys and with one leg, darts after zero still count, as they always did.
    const Match game =
        LoadText(dir, "[SETTING]\nGAME=301\nP1-SCORE=40\n[DATA]\nR01-1=D20,5\nR01-2=20\n");
    EXPECT_FALSE(game.isMatch);
    EXPECT_EQ(game.count(), 5);
    EXPECT_EQ(game.legs[0].winner, 1);
}

TEST(MatchLoad, WhoThrowsFirstAndPerLegOverrides) {
    TempDir dir;
    const std::string visit = "R01-1=20\nR01-2=20\n";
    const Match m = LoadText(dir, "[SETTING]\nGAME=501\nP1-SCORE=301\nFIRST=2\nLEGS=3\n"
                                  "[DATA]\n" +
                                      visit + "[DATA2]\n" + visit +
                                      "[SETTING3]\nFIRST=2\nGAME=Cricket\n[DATA3]\n" + visit +
                                      "[DATA4]\n" + visit);
    ASSERT_EQ(m.legs.size(), 4u);
    const int firsts[] = {2, 1, 2, 1}; // leg 3 by its own FIRST, leg 4 alternating after it
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(m.legs[k].firstThrower, firsts[k]) << k;
        EXPECT_EQ(m.legs[k].winner, 0) << k;
    }
    EXPECT_EQ(TurnOrder(m, m.legs[0]), "21");
    // The match's P1-SCORE is a 501 start: the Cricket leg starts from 0 points, the 501
    // legs from it.
    EXPECT_EQ(m.legs[2].gameKind, GameKind::Cricket);
    EXPECT_EQ(m.entries[static_cast<size_t>(m.legs[2].firstEntry)].score[0], 0);
    EXPECT_EQ(m.entries[static_cast<size_t>(m.legs[3].firstEntry)].score[0], 301);
    EXPECT_EQ(m.game, "501");
}

TEST(MatchLoad, NamesAreCutTo32Characters) {
    TempDir dir;
    std::string longName;
    for (int i = 0; i < 40; ++i) {
        longName += "名";
    }
    const Match m = LoadText(dir, "[SETTING]\nGAME=501\nP1-NAME=" + longName +
                                      "\nP2-NAME=Bo\n[DATA]\nR01-1=20\n");
    EXPECT_EQ(m.names[0], longName.substr(0, 32 * std::string("名").size()));
    EXPECT_EQ(m.names[1], "Bo");
    EXPECT_FALSE(m.isMatch); // names alone make no match
}

// Each leg's times go back into its own section, every other byte as it was.
TEST(MatchTiming, SavesEachLegIntoItsOwnSection) {
    TempDir dir;
    const std::string path = dir.File("match.txt");
    const std::string original = ReadBytes(std::string(VORLAT_EXAMPLES_DIR) + "/501-match.txt");
    WriteBytes(path, original);
    Match m;
    ASSERT_TRUE(OpenScoreFile(m, path));
    for (Entry& e : m.entries) {
        e.time += 7;
    }
    ASSERT_TRUE(SaveTimingFile(m).ok());

    Match again;
    ASSERT_TRUE(OpenScoreFile(again, path));
    ASSERT_EQ(again.count(), m.count());
    for (int i = 0; i < m.count(); ++i) {
        if (m.entries[static_cast<size_t>(i)].dart > 0) {
            EXPECT_EQ(again.entries[static_cast<size_t>(i)].time,
                      m.entries[static_cast<size_t>(i)].time)
                << i;
        }
    }
    // Only the times changed: the same file with every time written 7 ms later.
    ProfileFile file;
    ASSERT_EQ(file.load(path).result, ProfileFile::ReadResult::Ok);
    EXPECT_EQ(ScoreValue(file, "TIME2", "R01-2"), "116007,117807,119607");
    EXPECT_EQ(ScoreValue(file, "TIME3", "R04-2"), "352207");
    const std::string saved = ReadBytes(path);
    EXPECT_EQ(saved.size(), original.size()); // every time keeps its number of digits
    size_t differing = 0;
    for (size_t i = 0; i < saved.size() && i < original.size(); ++i) {
        differing += saved[i] != original[i];
    }
    EXPECT_GT(differing, 0u);
    EXPECT_EQ(saved.substr(0, saved.find("[TIME]")), original.substr(0, original.find("[TIME]")));
}

TEST(MatchStatistics, ThreeLegExampleByHand) {
    const Match m = LoadExample("501-match.txt");
    const std::vector<PlayerStatistics> match = ComputeMatchStatistics(m);
    // Player 1: legs 501 + 346 + 491 points in 9 + 9 + 10 darts; the 141 checkout in leg 1
    // from 24 left with the third dart (D12), and darts at 24 and 10 left in leg 3.
    EXPECT_EQ(match[0].legsWon, 1);
    EXPECT_EQ(match[0].darts, 28);
    EXPECT_EQ(match[0].points, 1338);
    EXPECT_EQ(PerThreeDarts(match[0].points, match[0].x01Darts), "143.36");
    EXPECT_EQ(match[0].checkout, 141);
    EXPECT_EQ(match[0].bestLeg, 9);
    EXPECT_EQ(match[0].finishDarts, 3);
    EXPECT_EQ(Percent(match[0].checkouts, match[0].finishDarts), "33.33");
    EXPECT_EQ(match[0].ton80s, 5);
    // Player 2: 225 + 501 + 501 in 6 + 11 + 10 darts, won leg 2 (100 out, D20 at 40 left)
    // and leg 3 (D5 at 10 left, after a dart at 30 left).
    EXPECT_EQ(match[1].legsWon, 2);
    EXPECT_EQ(match[1].darts, 27);
    EXPECT_EQ(match[1].points, 1227);
    EXPECT_EQ(match[1].checkout, 100);
    EXPECT_EQ(match[1].bestLeg, 10);
    EXPECT_EQ(match[1].checkouts, 2);
    EXPECT_EQ(match[1].finishDarts, 3);
    EXPECT_EQ(PerThreeDarts(match[1].first9Points, match[1].first9Darts), "139.63");

    const std::vector<PlayerStatistics> leg2 = ComputeLegStatistics(m, 1);
    EXPECT_EQ(leg2[1].darts, 11);
    EXPECT_EQ(leg2[1].legsWon, 1);
    EXPECT_EQ(PerThreeDarts(leg2[1].first9Points, leg2[1].first9Darts), "133.67");
    EXPECT_EQ(leg2[0].checkout, 0);
}

TEST(MatchStatistics, CricketLegsCountMarksNotPoints) {
    const Match m = LoadExample("sets-match.txt");
    const std::vector<PlayerStatistics> decider = ComputeLegStatistics(m, 4);
    EXPECT_EQ(decider[0].darts, 8);
    EXPECT_EQ(decider[0].marks, 21);
    EXPECT_EQ(decider[1].marks, 7);
    EXPECT_EQ(decider[0].points, 0);
    const std::vector<PlayerStatistics> match = ComputeMatchStatistics(m);
    EXPECT_EQ(match[0].setsWon, 2);
    EXPECT_EQ(match[0].x01Darts, 36);
    EXPECT_EQ(match[0].cricketDarts, 8);
    EXPECT_EQ(match[0].points, 301 * 5 + 100 * 2); // won legs 1,3,6,7,8; 100 in legs 2 and 4
}

} // namespace
