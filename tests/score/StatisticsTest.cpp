#include "ScoreTestUtil.h"

#include "score/Loader.h"
#include "score/Statistics.h"

#include <gtest/gtest.h>

namespace {

Match LoadExample(const char* name) {
    Match data;
    EXPECT_TRUE(OpenScoreFile(data, std::string(VORLAT_EXAMPLES_DIR "/") + name)) << name;
    return data;
}

Match LoadText(const TempDir& dir, const std::string& text) {
    Match data;
    const std::string path = dir.File("stats.txt");
    WriteBytes(path, text);
    EXPECT_TRUE(OpenScoreFile(data, path));
    return data;
}

TEST(Statistics, Example501Timed) {
    // GAME=501, SEPABULL=1.
    // Player 1: R01-1 T20,T20,20 = 140 (501 -> 361); R02-1 T20,19,T19 = 60+19+57 = 136
    //   (-> 225); R03-1 T20,T20,S5 = 125 (-> 100); R04-1 T20,D20 = 100 (-> 0, checkout 100).
    //   darts 3+3+3+2 = 11, points 501, average 3*501/11 = 136.636 -> 136.64;
    //   first9: 9 darts, 501-100 = 401, 3*401/9 = 133.667 -> 133.67; highest 140;
    //   tons (100-139) 136, 125, 100 = 3; ton40s 140 = 1.
    // Player 2: R01-2 20,T20,1 = 81 (-> 420); R02-2 T19,T19,19 = 133 (-> 287);
    //   R03-2 T20,5,20 = 85 (-> 202). darts 9, points 299, average 897/9 = 99.667 -> 99.67,
    //   first9 the same three turns; highest 133; tons 1; no checkout.
    EXPECT_EQ(FormatStatistics(LoadExample("501-timed.txt")),
              "player=1 darts=11 points=501 average=136.64 first9=133.67 highest=140 tons=3 "
              "ton40s=1 ton80s=0 checkout=100\n"
              "player=2 darts=9 points=299 average=99.67 first9=99.67 highest=133 tons=1 "
              "ton40s=0 ton80s=0 checkout=0\n");
}

TEST(Statistics, Example1501) {
    // GAME=1501, P2-SCORE=1301, SEPABULL=1 (SB scores 25).
    // Player 1, 13 turns of 3 darts = 39: 140, 125, 100, 180, 79 (S19,T19,S3), 81, 140, 45,
    //   180, 95 (T19,S19,S19), 130 (DB,T20,S20), 100, 106 (T20,S6,D20: 106 -> 0, checkout).
    //   Sum 1501 = points; average 3*1501/39 = 115.462 -> 115.46; first9: 140+125+100 = 365,
    //   3*365/9 = 121.667 -> 121.67; highest 180; tons 125, 100, 130, 100, 106 = 5;
    //   ton40s 140, 140 = 2; ton80s 2.
    // Player 2, 12 turns = 36 darts: 41, 85, 121 (T19,T19,S7), 81, 65 (SB,S20,S20), 125, 95,
    //   140, 41, 85, 119 (T17,T17,S17), 81. Sum 1079 = 1301 - 222; average 3*1079/36 =
    //   89.917 -> 89.92; first9: 41+85+121 = 247, 741/9 = 82.333 -> 82.33; highest 140;
    //   tons 121, 125, 119 = 3; ton40s 1.
    EXPECT_EQ(FormatStatistics(LoadExample("1501.txt")),
              "player=1 darts=39 points=1501 average=115.46 first9=121.67 highest=180 tons=5 "
              "ton40s=2 ton80s=2 checkout=106\n"
              "player=2 darts=36 points=1079 average=89.92 first9=82.33 highest=140 tons=3 "
              "ton40s=1 ton80s=0 checkout=0\n");
}

TEST(Statistics, ExampleCricket) {
    // Marks per dart on 15-20 and the bull (closed targets included), per turn:
    // Player 1: T20,S20,D19 = 6; T19,S19,- = 4; D17,S17,S1 = 3; T16,D18,S16 = 6;
    //   S15,D15,T15 = 6; SB,-,DB = 3; T18,S3,- = 3. 31 marks in 21 darts: mpr 93/21 = 4.429
    //   -> 4.43. Points: S20 on the closed 20 = 20; T19 on 2 marks = 2 over, 38; S19 = 19;
    //   S16 over the closed 16 = 16; T15 on 3 marks = 3 over, 45. 20+38+19+16+45 = 138.
    // Player 2: SB,DB,T20 = 6; T18,S18,D18 = 6; T19,S5,S19 = 4; T17,S17,S17 = 5;
    //   D16,S16,S20 = 4; T15,S15,S15 = 5; S20,T20,S20 = 5. 35 marks in 21 darts: mpr 5.00.
    //   Points: S18 and D18 over the closed 18 while player 1 is open there: 18 + 36 = 54;
    //   every other extra mark falls on a target player 1 has closed.
    EXPECT_EQ(FormatStatistics(LoadExample("cricket.txt")),
              "player=1 darts=21 marks=31 mpr=4.43 points=138\n"
              "player=2 darts=21 marks=35 mpr=5.00 points=54\n");
}

TEST(Statistics, TurnScoresBustsAndBands) {
    TempDir dir;
    // Player 1 from 1501: 99, 100, 139, 140, 179, 180, 181 (S61 is read as it is written).
    // Player 2 from 40: a turn with a bust (T20 busts, S1 then scores from 40: the turn
    // scores 1, both darts count), a checkout of 39 with a miss after it, then four turns of
    // one miss each after the win. 9 darts, 40 points.
    const Match data = LoadText(dir, "[SETTING]\nGAME=1501\nP2-SCORE=40\n[DATA]\n"
                                     "R01-1=T20,T13\nR01-2=T20,S1\n"
                                     "R02-1=T20,S20,S20\nR02-2=S19,D10,-\n"
                                     "R03-1=T20,T20,S19\nR03-2=-\n"
                                     "R04-1=T20,T20,S20\nR04-2=-\n"
                                     "R05-1=T20,T20,S59\nR05-2=-\n"
                                     "R06-1=T20,T20,T20\nR06-2=-\n"
                                     "R07-1=T20,T20,S61\n");
    const std::vector<PlayerStatistics> stats = ComputeStatistics(data);
    ASSERT_EQ(stats.size(), 2u);
    const PlayerStatistics& one = stats[0];
    EXPECT_EQ(one.darts, 20);
    EXPECT_EQ(one.points, 99 + 100 + 139 + 140 + 179 + 180 + 181);
    EXPECT_EQ(one.first9Darts, 8);
    EXPECT_EQ(one.first9Points, 99 + 100 + 139);
    EXPECT_EQ(one.highest, 181);
    EXPECT_EQ(one.tons, 2);
    EXPECT_EQ(one.ton40s, 2);
    EXPECT_EQ(one.ton80s, 1);
    EXPECT_EQ(one.checkout, 0);

    const PlayerStatistics& two = stats[1];
    EXPECT_EQ(two.darts, 2 + 3 + 4);
    EXPECT_EQ(two.points, 40);
    EXPECT_EQ(two.first9Darts, 6);
    EXPECT_EQ(two.first9Points, 40);
    EXPECT_EQ(two.highest, 39);
    EXPECT_EQ(two.checkout, 39);
    EXPECT_EQ(PerThreeDarts(two.points, two.darts), "13.33");
}

TEST(Statistics, PerThreeDartsRoundsHalfAwayFromZero) {
    EXPECT_EQ(PerThreeDarts(0, 0), "0.00");
    EXPECT_EQ(PerThreeDarts(25, 0), "0.00");
    EXPECT_EQ(PerThreeDarts(1, 8), "0.38");   // 0.375
    EXPECT_EQ(PerThreeDarts(1, 600), "0.01"); // 0.005
    EXPECT_EQ(PerThreeDarts(1, 601), "0.00"); // 0.00499
    EXPECT_EQ(PerThreeDarts(-1, 8), "-0.38");
    EXPECT_EQ(PerThreeDarts(180, 3), "180.00");
    EXPECT_EQ(PerThreeDarts(2147483647, 1), "6442450941.00");
}

TEST(Statistics, EmptyMatchAndPlayerWithoutDarts) {
    EXPECT_EQ(FormatStatistics(Match{}),
              "player=1 darts=0 points=0 average=0.00 first9=0.00 highest=0 tons=0 ton40s=0 "
              "ton80s=0 checkout=0\n"
              "player=2 darts=0 points=0 average=0.00 first9=0.00 highest=0 tons=0 ton40s=0 "
              "ton80s=0 checkout=0\n");
    TempDir dir;
    EXPECT_EQ(FormatStatistics(LoadText(dir, "[SETTING]\nGAME=cricket\n[DATA]\nR01-1=T20\n")),
              "player=1 darts=1 marks=3 mpr=9.00 points=0\n"
              "player=2 darts=0 marks=0 mpr=0.00 points=0\n");
}

} // namespace
