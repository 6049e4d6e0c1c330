#include "ScoreTestUtil.h"

#include "score/Evaluate.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <utility>

namespace {

using Throw = std::pair<int32_t, int32_t>; // kind, number

// Appends one turn: a turn-start entry and its darts, placed as the loader places them.
void AddTurn(CScoreData& data, std::initializer_list<Throw> throws) {
    data.AddTail().m_nDart = 0;
    int dart = 0;
    for (const Throw& t : throws) {
        CMark& m = data.AddTail();
        m.m_nDart = ++dart;
        m.m_nKind = t.first;
        m.m_nNumber = t.second;
    }
}

struct Dart01 {
    int32_t value;
    int32_t total;
    int32_t left; // the thrower's remaining score after the dart
};

struct Case01 {
    const char* name;
    int32_t start;
    int32_t sepaBull;
    std::vector<Throw> throws;
    std::vector<Dart01> darts;
};

TEST(Evaluate01, SingleTurnCases) {
    const Case01 cases[] = {
        {"bust_below_zero", 40, 0, {{HIT_TRIPLE, 20}}, {{-1, 60, 40}}},
        {"one_is_no_bust", 1, 0, {{HIT_SINGLE, 1}, {HIT_NONE, 0}}, {{1, 1, 0}, {0, 1, 0}}},
        {"zero_then_scoring_busts",
         20,
         0,
         {{HIT_SINGLE, 20}, {HIT_SINGLE, 1}},
         {{20, 20, 0}, {-1, 21, 20}}},
        {"leave_above_remaining_busts", 100, 0, {{HIT_LEAVE, 120}}, {{-1, -20, 100}}},
        {"leave_equal_scores_zero", 100, 0, {{HIT_LEAVE, 100}}, {{0, 0, 100}}},
        {"outer_bull_50",
         501,
         0,
         {{HIT_SBULL, 0}, {HIT_DBULL, 0}},
         {{50, 50, 451}, {50, 100, 401}}},
        {"outer_bull_25", 501, 1, {{HIT_SBULL, 0}, {HIT_DBULL, 0}}, {{25, 25, 476}, {50, 75, 426}}},
        {"bust_token_after_points",
         100,
         0,
         {{HIT_TRIPLE, 20}, {HIT_NONE, -1}, {HIT_SINGLE, 5}},
         {{60, 60, 40}, {-1, 60, 100}, {5, 65, 95}}},
        {"darts_after_bust_score_again",
         50,
         0,
         {{HIT_TRIPLE, 20}, {HIT_SINGLE, 10}, {HIT_DOUBLE, 20}},
         {{-1, 60, 50}, {10, 70, 40}, {40, 110, 0}}},
        {"numbers_as_written",
         501,
         0,
         {{HIT_SINGLE, 60}, {HIT_DOUBLE, 0}, {HIT_TRIPLE, 25}},
         {{60, 60, 441}, {0, 60, 441}, {75, 135, 366}}},
        {"negative_single_busts", 501, 0, {{HIT_SINGLE, -3}}, {{-1, -3, 501}}},
        {"overflow_saturates",
         INT32_MAX,
         0,
         {{HIT_TRIPLE, INT32_MIN}, {HIT_TRIPLE, INT32_MAX}},
         {{-1, INT32_MIN, INT32_MAX}, {-1, INT32_MAX, INT32_MAX}}},
    };
    for (const Case01& c : cases) {
        CScoreData data;
        data.m_nSepaBull = c.sepaBull;
        data.AddTail().m_nDart = 0;
        for (size_t i = 0; i < c.throws.size(); ++i) {
            CMark& m = data.AddTail();
            m.m_nDart = static_cast<int32_t>(i + 1);
            m.m_nKind = c.throws[i].first;
            m.m_nNumber = c.throws[i].second;
        }
        data.GetAt(0)->m_nScore[0] = c.start;
        data.GetAt(0)->m_nScore[1] = 301;
        Evaluate01(data);
        EXPECT_EQ(data.GetAt(0)->m_nScore[0], c.start) << c.name;
        for (size_t i = 0; i < c.darts.size(); ++i) {
            const CMark& m = *data.GetAt(static_cast<int>(i + 1));
            EXPECT_EQ(m.m_nValue, c.darts[i].value) << c.name << " dart " << i + 1;
            EXPECT_EQ(m.m_nTurnTotal, c.darts[i].total) << c.name << " dart " << i + 1;
            EXPECT_EQ(m.m_nScore[0], c.darts[i].left) << c.name << " dart " << i + 1;
            EXPECT_EQ(m.m_nScore[1], 301) << c.name;
            EXPECT_NE(m.m_nKind, HIT_LEAVE) << c.name;
        }
    }
}

TEST(Evaluate01, LeaveBecomesASingleOfTheDifference) {
    CScoreData data;
    AddTurn(data, {{HIT_LEAVE, 401}});
    data.GetAt(0)->m_nScore[0] = 416;
    Evaluate01(data);
    EXPECT_EQ(data.GetAt(1)->m_nKind, HIT_SINGLE);
    EXPECT_EQ(data.GetAt(1)->m_nNumber, 15);
    EXPECT_EQ(data.GetAt(1)->m_nValue, 15);
}

TEST(Evaluate, WalkRenumbersTurnsAndSkipsUnplacedEntries) {
    CScoreData data;
    AddTurn(data, {{HIT_SINGLE, 1}});
    CMark& unplaced = data.AddTail();
    unplaced.m_nKind = HIT_TRIPLE;
    unplaced.m_nNumber = 20;
    unplaced.m_nTime = 5;
    const MarkFields before = Fields(unplaced);
    AddTurn(data, {{HIT_SINGLE, 2}});
    AddTurn(data, {{HIT_SINGLE, 3}});
    for (CMark& m : data.m_listMark) {
        if (m.m_nDart >= 0) {
            m.m_nRound = 77;
            m.m_nPlayer = 9;
        }
    }
    data.GetAt(0)->m_nScore[0] = 100;
    data.GetAt(0)->m_nScore[1] = 100;
    Evaluate01(data);
    EXPECT_EQ(Fields(*data.GetAt(2)), before);
    const std::pair<int, int> turns[] = {{0, 1}, {1, 1}, {3, 2}, {4, 2}, {5, 1}, {6, 1}};
    const int rounds[] = {1, 1, 1, 1, 2, 2};
    for (size_t i = 0; i < 6; ++i) {
        const CMark& m = *data.GetAt(turns[i].first);
        EXPECT_EQ(m.m_nPlayer, turns[i].second) << i;
        EXPECT_EQ(m.m_nRound, rounds[i]) << i;
    }
    EXPECT_EQ(data.GetAt(6)->m_nScore[0], 96);
    EXPECT_EQ(data.GetAt(6)->m_nScore[1], 98);
}

TEST(Evaluate, EmptyAndHeadlessDocuments) {
    CScoreData empty;
    Evaluate01(empty);
    EvaluateCricket(empty);
    EXPECT_EQ(empty.GetCount(), 0);

    // A dart ahead of any turn start (never made by the loader) opens round 1 itself.
    for (int cricket = 0; cricket < 2; ++cricket) {
        CScoreData data;
        CMark& dart = data.AddTail();
        dart.m_nDart = 1;
        dart.m_nKind = HIT_TRIPLE;
        dart.m_nNumber = 20;
        data.GetAt(0)->m_nScore[0] = 100;
        cricket ? EvaluateCricket(data) : Evaluate01(data);
        EXPECT_EQ(data.GetAt(0)->m_nRound, 1);
        EXPECT_EQ(data.GetAt(0)->m_nPlayer, 1);
        EXPECT_EQ(data.GetAt(0)->m_nValue, cricket ? 3 : 60);
    }
}

TEST(EvaluateCricket, WorkedExample) {
    CScoreData data;
    AddTurn(data, {{HIT_TRIPLE, 20}, {HIT_SINGLE, 20}, {HIT_DOUBLE, 19}});
    AddTurn(data, {{HIT_SBULL, 0}, {HIT_DBULL, 0}, {HIT_TRIPLE, 20}});
    AddTurn(data, {{HIT_TRIPLE, 20}});
    EvaluateCricket(data);

    // time, player, round, dart, kind, number, value, total, points 1, points 2,
    // marks of player 1 (bull, 15..20), marks of player 2, reserved
    const std::vector<MarkFields> expected = {
        {0, 1, 1, 0, HIT_NONE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 1, 1, 1, HIT_TRIPLE, 20, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 1, 1, 2, HIT_SINGLE, 20, 1, 0, 20, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 1, 1, 3, HIT_DOUBLE, 19, 2, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 2, 1, 0, HIT_NONE, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 2, 1, 1, HIT_SBULL, 0, 1, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0},
        {0, 2, 1, 2, HIT_DBULL, 0, 2, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 3, 0, 0, 0, 0, 0, 0, 0},
        {0, 2, 1, 3, HIT_TRIPLE, 20, 3, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 3, 0, 0, 0, 0, 0, 3, 0},
        {0, 1, 2, 0, HIT_NONE, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 3, 0, 0, 0, 0, 0, 3, 0},
        {0, 1, 2, 1, HIT_TRIPLE, 20, 0, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 3, 0, 0, 0, 0, 0, 3, 0},
    };
    ASSERT_EQ(data.GetCount(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Describe(Fields(*data.GetAt(static_cast<int>(i)))), Describe(expected[i])) << i;
    }
}

struct CricketCase {
    const char* name;
    int32_t myPoints;
    int32_t otherPoints;
    int32_t myMarks;    // on the dart's target before it
    int32_t otherMarks; // the opponent's on that target
    Throw dart;
    int target;
    int32_t value;  // counted marks
    int32_t points; // thrower's points after
    int32_t marks;  // thrower's marks on the target after
};

TEST(EvaluateCricket, DartCases) {
    const CricketCase cases[] = {
        {"third_mark_scores_nothing", 0, 0, 2, 0, {HIT_SINGLE, 20}, 6, 1, 0, 3},
        {"mark_on_closed_scores", 0, 0, 3, 2, {HIT_SINGLE, 20}, 6, 1, 20, 3},
        {"triple_19_opponent_open", 0, 0, 2, 0, {HIT_TRIPLE, 19}, 5, 3, 38, 3},
        {"triple_19_opponent_closed", 0, 0, 2, 3, {HIT_TRIPLE, 19}, 5, 1, 0, 3},
        {"lead_of_200_scores_nothing", 200, 0, 3, 0, {HIT_TRIPLE, 20}, 6, 0, 200, 3},
        {"lead_of_200_still_closes", 200, 0, 1, 0, {HIT_TRIPLE, 20}, 6, 2, 200, 3},
        {"lead_of_199_scores", 199, 0, 3, 0, {HIT_TRIPLE, 20}, 6, 3, 259, 3},
        {"single_25_is_bull", 0, 0, 3, 0, {HIT_SINGLE, 25}, 0, 1, 25, 3},
        {"double_25_is_bull", 0, 0, 2, 0, {HIT_DOUBLE, 25}, 0, 2, 25, 3},
        {"inner_bull", 0, 0, 3, 0, {HIT_DBULL, 0}, 0, 2, 50, 3},
        {"fifteen", 0, 0, 0, 0, {HIT_DOUBLE, 15}, 1, 2, 0, 2},
        {"saturated_points", INT32_MAX, INT32_MAX, 3, 0, {HIT_TRIPLE, 20}, 6, 3, INT32_MAX, 3},
    };
    for (const CricketCase& c : cases) {
        CScoreData data;
        AddTurn(data, {c.dart});
        CMark& head = *data.GetAt(0);
        head.m_nScore[0] = c.myPoints;
        head.m_nScore[1] = c.otherPoints;
        head.m_nMark[0][c.target] = c.myMarks;
        head.m_nMark[1][c.target] = c.otherMarks;
        EvaluateCricket(data);
        const CMark& m = *data.GetAt(1);
        EXPECT_EQ(m.m_nValue, c.value) << c.name;
        EXPECT_EQ(m.m_nScore[0], c.points) << c.name;
        EXPECT_EQ(m.m_nScore[1], c.otherPoints) << c.name;
        EXPECT_EQ(m.m_nMark[0][c.target], c.marks) << c.name;
        EXPECT_EQ(m.m_nMark[1][c.target], c.otherMarks) << c.name;
    }
}

TEST(EvaluateCricket, DartsWithoutATarget) {
    const Throw darts[] = {{HIT_SINGLE, 14}, {HIT_DOUBLE, 21}, {HIT_TRIPLE, 0}, {HIT_NONE, -1},
                           {HIT_LEAVE, 20},  {HIT_SINGLE, 51}, {7, 20},         {HIT_TRIPLE, -20}};
    for (const Throw& t : darts) {
        CScoreData data;
        AddTurn(data, {t});
        EvaluateCricket(data);
        const CMark& m = *data.GetAt(1);
        EXPECT_EQ(m.m_nValue, 0) << t.first << ' ' << t.second;
        EXPECT_EQ(m.m_nScore[0], 0);
        for (int target = 0; target < kCricketTargets; ++target) {
            EXPECT_EQ(m.m_nMark[0][target], 0);
        }
        // Normalised in place: kinds outside 1..5 and numbers outside 1..50 become 0.
        EXPECT_TRUE(m.m_nKind >= HIT_NONE && m.m_nKind <= HIT_DBULL);
        EXPECT_TRUE(m.m_nNumber == 0 || (m.m_nNumber >= 1 && m.m_nNumber <= 50));
    }
    CScoreData bust;
    AddTurn(bust, {{HIT_NONE, -1}, {HIT_LEAVE, 20}});
    EvaluateCricket(bust);
    EXPECT_EQ(bust.GetAt(1)->m_nNumber, 0);
    EXPECT_EQ(bust.GetAt(2)->m_nKind, HIT_NONE);
}

TEST(ValidateTimes, FromTheFirstStepBackEverythingIsZero) {
    struct Case {
        std::vector<int32_t> before;
        std::vector<int32_t> after;
    };
    const Case cases[] = {
        {{0, 1200, 900, 3000}, {0, 1200, 0, 0}},
        {{0, 100, 100, 200}, {0, 100, 100, 200}},
        {{-5, 100}, {0, 0}},
        {{0, 0, 0}, {0, 0, 0}},
        {{10, 20, 30, 5, 40}, {10, 20, 30, 0, 0}},
    };
    for (const Case& c : cases) {
        CScoreData data;
        for (size_t i = 0; i < c.before.size(); ++i) {
            CMark& m = data.AddTail();
            m.m_nTime = c.before[i];
            m.m_nDart = i == 1 ? -1 : 1; // unplaced entries are walked too
        }
        ValidateTimes(data);
        for (size_t i = 0; i < c.after.size(); ++i) {
            EXPECT_EQ(data.GetAt(static_cast<int>(i))->m_nTime, c.after[i]) << i;
        }
    }
}

} // namespace
