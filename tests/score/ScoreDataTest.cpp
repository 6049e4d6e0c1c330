#include "ScoreTestUtil.h"

#include "score/Evaluate.h"

#include <gtest/gtest.h>

namespace {

void Fill(Match& data) {
    data.path = "match.txt";
    data.game = "CRICKET";
    data.gameKind = GameKind::Cricket;
    data.separateBull = 3;
    data.compress = false;
    for (int i = 0; i < 12; ++i) {
        Entry& m = data.append();
        m.time = i * 100;
        m.player = 1 + i % 2;
        m.round = 1 + i / 8;
        m.dart = i % 4;
        m.kind = Hit::Double;
        m.number = 20 - i;
        m.score[1] = i;
        m.marks[1][6] = i % 4;
    }
}

TEST(ScoreData, NewEntryAndNewDocument) {
    const Entry mark;
    MarkFields expected{};
    expected[3] = -1;
    EXPECT_EQ(Fields(mark), expected);

    Match data;
    EXPECT_TRUE(data.path.empty());
    EXPECT_TRUE(data.game.empty());
    EXPECT_EQ(data.gameKind, GameKind::None);
    EXPECT_EQ(data.separateBull, 0);
    EXPECT_TRUE(data.compress);
    EXPECT_EQ(data.count(), 0);
    EXPECT_EQ(data.at(0), nullptr);
    EXPECT_EQ(data.at(-1), nullptr);

    // A fresh entry is not placed: both evaluations leave it alone.
    data.append().kind = Hit::Triple;
    Evaluate01(data);
    EvaluateCricket(data);
    expected[4] = Hit::Triple;
    EXPECT_EQ(Fields(*data.at(0)), expected);
}

TEST(ScoreData, ResetKeepsOnlyThePath) {
    Match data;
    Fill(data);
    data.reset();
    EXPECT_EQ(data.path, "match.txt");
    EXPECT_TRUE(data.game.empty());
    EXPECT_EQ(data.gameKind, GameKind::None);
    EXPECT_EQ(data.separateBull, 0);
    EXPECT_TRUE(data.compress);
    EXPECT_EQ(data.count(), 0);
}

TEST(ScoreData, CopiesAreIndependent) {
    Match original;
    Fill(original);
    Match backup = original;
    original.at(0)->time = -9;
    original.append();
    EXPECT_EQ(backup.at(0)->time, 0);
    EXPECT_EQ(backup.count(), 12);

    original = backup;
    ASSERT_EQ(original.count(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(Fields(*original.at(i)), Fields(*backup.at(i))) << i;
    }
    EXPECT_EQ(original.game, "CRICKET");
    EXPECT_FALSE(original.compress);
}

TEST(ScoreData, TurnKeys) {
    EXPECT_EQ(TurnKey(1, 1), "R01-1");
    EXPECT_EQ(TurnKey(9, 2), "R09-2");
    EXPECT_EQ(TurnKey(40, 2), "R40-2");
    EXPECT_EQ(TurnKey(123, 1), "R123-1");
}

} // namespace
