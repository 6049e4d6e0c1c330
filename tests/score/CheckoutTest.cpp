#include "score/Checkout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every dart on the board written independently of the route code: points and whether it
// may finish under an out rule.
struct BoardDart {
    int points;
    char ring; // 'S', 'D', 'T', 'o' outer bull, 'B' bull
};

std::vector<BoardDart> AllDarts(bool bull50) {
    std::vector<BoardDart> all;
    for (int n = 1; n <= 20; ++n) {
        all.push_back({n, 'S'});
        all.push_back({2 * n, 'D'});
        all.push_back({3 * n, 'T'});
    }
    all.push_back({bull50 ? 50 : 25, 'o'});
    all.push_back({50, 'B'});
    return all;
}

bool Finishes(char ring, OutRule out) {
    if (out == OutRule::Open) {
        return true;
    }
    if (ring == 'D' || ring == 'B') {
        return true;
    }
    return out == OutRule::Master && ring == 'T';
}

// shortest[s]: the fewest darts (1..3) that finish s by trying every sequence; 0 for none.
std::vector<int> Shortest(const CheckoutRules& rules) {
    const std::vector<BoardDart> all = AllDarts(rules.bull50);
    std::vector<int> shortest(181, 0);
    auto note = [&](int sum, int darts) {
        if (sum <= 180 && (shortest[sum] == 0 || darts < shortest[sum])) {
            shortest[sum] = darts;
        }
    };
    for (const BoardDart& c : all) {
        if (!Finishes(c.ring, rules.out)) {
            continue;
        }
        note(c.points, 1);
        for (const BoardDart& b : all) {
            note(b.points + c.points, 2);
            for (const BoardDart& a : all) {
                note(a.points + b.points + c.points, 3);
            }
        }
    }
    return shortest;
}

std::string Join(const std::vector<std::string>& route) {
    std::string text;
    for (const std::string& token : route) {
        text += (text.empty() ? "" : " ") + token;
    }
    return text;
}

TEST(Checkout, AgreesWithAnExhaustiveSearchForEveryScoreDartCountAndRule) {
    for (OutRule out : {OutRule::Open, OutRule::Double, OutRule::Master}) {
        for (bool bull50 : {false, true}) {
            const CheckoutRules rules{out, bull50};
            const std::vector<int> shortest = Shortest(rules);
            int routes = 0;
            for (int left = 1; left <= 180; ++left) {
                for (int darts = 1; darts <= 3; ++darts) {
                    SCOPED_TRACE("left " + std::to_string(left) + " darts " +
                                 std::to_string(darts) + " out " +
                                 std::to_string(static_cast<int>(out)) + " bull50 " +
                                 std::to_string(bull50));
                    const std::vector<std::string> route = CheckoutRoute(left, darts, rules);
                    const bool possible = shortest[left] != 0 && shortest[left] <= darts;
                    ASSERT_EQ(!route.empty(), possible) << Join(route);
                    if (route.empty()) {
                        continue;
                    }
                    ++routes;
                    EXPECT_EQ(static_cast<int>(route.size()), shortest[left]) << Join(route);
                    int sum = 0;
                    for (const std::string& token : route) {
                        const int points = CheckoutPoints(token, rules);
                        EXPECT_GT(points, 0) << token;
                        sum += points;
                    }
                    EXPECT_EQ(sum, left) << Join(route);
                    EXPECT_TRUE(CheckoutMayFinish(route.back(), rules)) << Join(route);
                }
            }
            EXPECT_GT(routes, 0);
        }
    }
}

TEST(Checkout, FollowsThePreferenceRule) {
    const CheckoutRules open{OutRule::Open, false};
    const CheckoutRules dbl{OutRule::Double, false};
    const CheckoutRules master{OutRule::Master, false};
    const CheckoutRules dbl50{OutRule::Double, true};
    struct Case {
        int left;
        int darts;
        CheckoutRules rules;
        const char* route;
    } cases[] = {
        {170, 3, dbl, "T20 T20 DB"},  // the bull only where nothing else finishes
        {100, 3, dbl, "T20 D20"},     // fewest darts, big treble, preferred double
        {40, 3, dbl, "D20"},          //
        {32, 2, dbl, "D16"},          //
        {50, 3, dbl, "DB"},           // one dart beats two
        {80, 2, dbl, "D20 D20"},      // the preferred double left for the last dart
        {103, 3, dbl, "T20 3 D20"},   //
        {101, 2, dbl, "T17 DB"},      // two darts only with the bull
        {60, 1, master, "T20"},       // a treble finishes under a master out
        {60, 1, dbl, ""},             // but not under a double out
        {159, 3, dbl, ""},            // no three-dart finish
        {1, 3, dbl, ""},              // 1 can never be finished on a double
        {20, 1, open, "20"},          // an open out finishes on the big single
        {100, 2, open, "T20 D20"},    // and sets up with the big treble there too
        {180, 3, open, "T20 T20 T20"} //
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Join(CheckoutRoute(c.left, c.darts, c.rules)), c.route)
            << c.left << " in " << c.darts;
    }
    // The outer bull's worth decides whether 25 is one dart away.
    EXPECT_EQ(Join(CheckoutRoute(25, 1, open)), "SB");
    EXPECT_EQ(Join(CheckoutRoute(25, 1, CheckoutRules{OutRule::Open, true})), "");
    EXPECT_EQ(Join(CheckoutRoute(90, 2, dbl50)), "T18 D18");
}

TEST(Checkout, RejectsDartCountsOutsideAVisit) {
    for (int darts : {0, 4, -1}) {
        EXPECT_TRUE(CheckoutRoute(40, darts, CheckoutRules{}).empty()) << darts;
    }
}

} // namespace
