#include "ScoreTestUtil.h"

#include "score/Evaluate.h"
#include "score/Timeline.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <utility>

namespace {

using Throw = std::pair<int32_t, int32_t>; // kind, number

// Appends one turn: a turn-start entry and its darts, placed as the loader places them.
void AddTurn(Match& data, std::initializer_list<Throw> throws) {
    data.append().dart = 0;
    int dart = 0;
    for (const Throw& t : throws) {
        Entry& m = data.append();
        m.dart = ++dart;
        m.kind = t.first;
        m.number = t.second;
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
        {"bust_below_zero", 40, 0, {{Hit::Triple, 20}}, {{-1, 60, 40}}},
        {"one_is_no_bust", 1, 0, {{Hit::Single, 1}, {Hit::None, 0}}, {{1, 1, 0}, {0, 1, 0}}},
        {"zero_then_scoring_busts",
         20,
         0,
         {{Hit::Single, 20}, {Hit::Single, 1}},
         {{20, 20, 0}, {-1, 21, 20}}},
        {"leave_above_remaining_busts", 100, 0, {{Hit::Leave, 120}}, {{-1, -20, 100}}},
        {"leave_equal_scores_zero", 100, 0, {{Hit::Leave, 100}}, {{0, 0, 100}}},
        {"outer_bull_50",
         501,
         0,
         {{Hit::OuterBull, 0}, {Hit::Bull, 0}},
         {{50, 50, 451}, {50, 100, 401}}},
        {"outer_bull_25",
         501,
         1,
         {{Hit::OuterBull, 0}, {Hit::Bull, 0}},
         {{25, 25, 476}, {50, 75, 426}}},
        {"bust_token_after_points",
         100,
         0,
         {{Hit::Triple, 20}, {Hit::None, -1}, {Hit::Single, 5}},
         {{60, 60, 40}, {-1, 60, 100}, {5, 65, 95}}},
        {"darts_after_bust_score_again",
         50,
         0,
         {{Hit::Triple, 20}, {Hit::Single, 10}, {Hit::Double, 20}},
         {{-1, 60, 50}, {10, 70, 40}, {40, 110, 0}}},
        {"numbers_as_written",
         501,
         0,
         {{Hit::Single, 60}, {Hit::Double, 0}, {Hit::Triple, 25}},
         {{60, 60, 441}, {0, 60, 441}, {75, 135, 366}}},
        {"negative_single_busts", 501, 0, {{Hit::Single, -3}}, {{-1, -3, 501}}},
        {"overflow_saturates",
         INT32_MAX,
         0,
         {{Hit::Triple, INT32_MIN}, {Hit::Triple, INT32_MAX}},
         {{-1, INT32_MIN, INT32_MAX}, {-1, INT32_MAX, INT32_MAX}}},
    };
    for (const Case01& c : cases) {
        Match data;
        data.separateBull = c.sepaBull;
        data.append().dart = 0;
        for (size_t i = 0; i < c.throws.size(); ++i) {
            Entry& m = data.append();
            m.dart = static_cast<int32_t>(i + 1);
            m.kind = c.throws[i].first;
            m.number = c.throws[i].second;
        }
        data.at(0)->score[0] = c.start;
        data.at(0)->score[1] = 301;
        Evaluate01(data);
        EXPECT_EQ(data.at(0)->score[0], c.start) << c.name;
        for (size_t i = 0; i < c.darts.size(); ++i) {
            const Entry& m = *data.at(static_cast<int>(i + 1));
            EXPECT_EQ(m.value, c.darts[i].value) << c.name << " dart " << i + 1;
            EXPECT_EQ(m.turnTotal, c.darts[i].total) << c.name << " dart " << i + 1;
            EXPECT_EQ(m.score[0], c.darts[i].left) << c.name << " dart " << i + 1;
            EXPECT_EQ(m.score[1], 301) << c.name;
            EXPECT_NE(m.kind, Hit::Leave) << c.name;
        }
    }
}

TEST(Evaluate01, LeaveBecomesASingleOfTheDifference) {
    Match data;
    AddTurn(data, {{Hit::Leave, 401}});
    data.at(0)->score[0] = 416;
    Evaluate01(data);
    EXPECT_EQ(data.at(1)->kind, Hit::Single);
    EXPECT_EQ(data.at(1)->number, 15);
    EXPECT_EQ(data.at(1)->value, 15);
}

TEST(Evaluate, WalkRenumbersTurnsAndSkipsUnplacedEntries) {
    Match data;
    AddTurn(data, {{Hit::Single, 1}});
    Entry& unplaced = data.append();
    unplaced.kind = Hit::Triple;
    unplaced.number = 20;
    unplaced.time = 5;
    const MarkFields before = Fields(unplaced);
    AddTurn(data, {{Hit::Single, 2}});
    AddTurn(data, {{Hit::Single, 3}});
    for (Entry& m : data.entries) {
        if (m.dart >= 0) {
            m.round = 77;
            m.player = 9;
        }
    }
    data.at(0)->score[0] = 100;
    data.at(0)->score[1] = 100;
    Evaluate01(data);
    EXPECT_EQ(Fields(*data.at(2)), before);
    const std::pair<int, int> turns[] = {{0, 1}, {1, 1}, {3, 2}, {4, 2}, {5, 1}, {6, 1}};
    const int rounds[] = {1, 1, 1, 1, 2, 2};
    for (size_t i = 0; i < 6; ++i) {
        const Entry& m = *data.at(turns[i].first);
        EXPECT_EQ(m.player, turns[i].second) << i;
        EXPECT_EQ(m.round, rounds[i]) << i;
    }
    EXPECT_EQ(data.at(6)->score[0], 96);
    EXPECT_EQ(data.at(6)->score[1], 98);
}

TEST(Evaluate, EmptyAndHeadlessDocuments) {
    Match empty;
    Evaluate01(empty);
    EvaluateCricket(empty);
    EXPECT_EQ(empty.count(), 0);

    // A dart ahead of any turn start (never made by the loader) opens round 1 itself.
    for (int cricket = 0; cricket < 2; ++cricket) {
        Match data;
        Entry& dart = data.append();
        dart.dart = 1;
        dart.kind = Hit::Triple;
        dart.number = 20;
        data.at(0)->score[0] = 100;
        cricket ? EvaluateCricket(data) : Evaluate01(data);
        EXPECT_EQ(data.at(0)->round, 1);
        EXPECT_EQ(data.at(0)->player, 1);
        EXPECT_EQ(data.at(0)->value, cricket ? 3 : 60);
    }
}

TEST(EvaluateCricket, WorkedExample) {
    Match data;
    AddTurn(data, {{Hit::Triple, 20}, {Hit::Single, 20}, {Hit::Double, 19}});
    AddTurn(data, {{Hit::OuterBull, 0}, {Hit::Bull, 0}, {Hit::Triple, 20}});
    AddTurn(data, {{Hit::Triple, 20}});
    EvaluateCricket(data);

    // time, player, round, dart, kind, number, value, total, points 1, points 2,
    // marks of player 1 (bull, 15..20), marks of player 2, reserved
    const std::vector<MarkFields> expected = {
        {0, 1, 1, 0, Hit::None, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 1, 1, 1, Hit::Triple, 20, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 1, 1, 2, Hit::Single, 20, 1, 0, 20, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 1, 1, 3, Hit::Double, 19, 2, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 2, 1, 0, Hit::None, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 2, 1, 1, Hit::OuterBull, 0, 1, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0},
        {0, 2, 1, 2, Hit::Bull, 0, 2, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 3, 0, 0, 0, 0, 0, 0, 0},
        {0, 2, 1, 3, Hit::Triple, 20, 3, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 3, 0, 0, 0, 0, 0, 3, 0},
        {0, 1, 2, 0, Hit::None, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 3, 0, 0, 0, 0, 0, 3, 0},
        {0, 1, 2, 1, Hit::Triple, 20, 0, 0, 20, 0, 0, 0, 0, 0, 0, 2, 3, 3, 0, 0, 0, 0, 0, 3, 0},
    };
    ASSERT_EQ(data.count(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Describe(Fields(*data.at(static_cast<int>(i)))), Describe(expected[i])) << i;
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
        {"third_mark_scores_nothing", 0, 0, 2, 0, {Hit::Single, 20}, 6, 1, 0, 3},
        {"mark_on_closed_scores", 0, 0, 3, 2, {Hit::Single, 20}, 6, 1, 20, 3},
        {"triple_19_opponent_open", 0, 0, 2, 0, {Hit::Triple, 19}, 5, 3, 38, 3},
        {"triple_19_opponent_closed", 0, 0, 2, 3, {Hit::Triple, 19}, 5, 1, 0, 3},
        {"lead_of_200_scores_nothing", 200, 0, 3, 0, {Hit::Triple, 20}, 6, 0, 200, 3},
        {"lead_of_200_still_closes", 200, 0, 1, 0, {Hit::Triple, 20}, 6, 2, 200, 3},
        {"lead_of_199_scores", 199, 0, 3, 0, {Hit::Triple, 20}, 6, 3, 259, 3},
        {"single_25_is_bull", 0, 0, 3, 0, {Hit::Single, 25}, 0, 1, 25, 3},
        {"double_25_is_bull", 0, 0, 2, 0, {Hit::Double, 25}, 0, 2, 25, 3},
        {"inner_bull", 0, 0, 3, 0, {Hit::Bull, 0}, 0, 2, 50, 3},
        {"fifteen", 0, 0, 0, 0, {Hit::Double, 15}, 1, 2, 0, 2},
        {"saturated_points", INT32_MAX, INT32_MAX, 3, 0, {Hit::Triple, 20}, 6, 3, INT32_MAX, 3},
    };
    for (const CricketCase& c : cases) {
        Match data;
        AddTurn(data, {c.dart});
        Entry& head = *data.at(0);
        head.score[0] = c.myPoints;
        head.score[1] = c.otherPoints;
        head.marks[0][c.target] = c.myMarks;
        head.marks[1][c.target] = c.otherMarks;
        EvaluateCricket(data);
        const Entry& m = *data.at(1);
        EXPECT_EQ(m.value, c.value) << c.name;
        EXPECT_EQ(m.score[0], c.points) << c.name;
        EXPECT_EQ(m.score[1], c.otherPoints) << c.name;
        EXPECT_EQ(m.marks[0][c.target], c.marks) << c.name;
        EXPECT_EQ(m.marks[1][c.target], c.otherMarks) << c.name;
    }
}

TEST(EvaluateCricket, DartsWithoutATarget) {
    const Throw darts[] = {{Hit::Single, 14}, {Hit::Double, 21}, {Hit::Triple, 0},
                           {Hit::None, -1},   {Hit::Leave, 20},  {Hit::Single, 51},
                           {7, 20},           {Hit::Triple, -20}};
    for (const Throw& t : darts) {
        Match data;
        AddTurn(data, {t});
        EvaluateCricket(data);
        const Entry& m = *data.at(1);
        EXPECT_EQ(m.value, 0) << t.first << ' ' << t.second;
        EXPECT_EQ(m.score[0], 0);
        for (int target = 0; target < kCricketTargets; ++target) {
            EXPECT_EQ(m.marks[0][target], 0);
        }
        // Normalised in place: kinds outside 1..5 and numbers outside 1..50 become 0.
        EXPECT_TRUE(m.kind >= Hit::None && m.kind <= Hit::Bull);
        EXPECT_TRUE(m.number == 0 || (m.number >= 1 && m.number <= 50));
    }
    Match bust;
    AddTurn(bust, {{Hit::None, -1}, {Hit::Leave, 20}});
    EvaluateCricket(bust);
    EXPECT_EQ(bust.at(1)->number, 0);
    EXPECT_EQ(bust.at(2)->kind, Hit::None);
}

TEST(WithCleanTimes, FromTheFirstStepBackEverythingIsZero) {
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
        Match data;
        for (size_t i = 0; i < c.before.size(); ++i) {
            Entry& m = data.append();
            m.time = c.before[i];
            m.dart = i == 1 ? -1 : 1; // unplaced entries are walked too
        }
        const Match cleaned = WithCleanTimes(data);
        for (size_t i = 0; i < c.after.size(); ++i) {
            EXPECT_EQ(cleaned.at(static_cast<int>(i))->time, c.after[i]) << i;
            EXPECT_EQ(data.at(static_cast<int>(i))->time, c.before[i]) << "the original stays";
        }
    }
}

} // namespace
