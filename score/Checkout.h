#pragma once

#include "score/ScoreData.h"

#include <string>
#include <vector>

// How a 01 leg may be finished, as a checkout route sees it.
struct CheckoutRules {
    OutRule out = OutRule::Open;
    bool bull50 = false; // the outer bull scores 50 too (SEPABULL=0 in 01)
};

// The suggested route that finishes `left` in at most `darts` darts (1..3) under the rules,
// as score-file tokens ("T20", "D16", "DB", "SB", "19"); empty when none exists.
//
// A route is given exactly when the score can be finished with the darts left: its darts sum
// to `left` and its last dart may finish under the out rule. Among the routes that do, the
// preference is ours, in this order:
// 1. fewest darts;
// 2. the bull only where nothing else finishes in the darts left (under 50-point bulls the
//    bull is a plain 50 and counts as any other dart, so it is taken where it saves a dart);
// 3. leave a preferred double for the last dart: D20, D16, D8, D10, D18, then D12, D4, D6,
//    D14, D2, then the odd ones;
// 4. set up with the big trebles: T20, then T19, T18 down to T15; then singles from 20 down,
//    the smaller trebles, the doubles, the bulls.
// An open out keeps no finishing double: there every dart, the last one too, is ranked as a
// setting-up dart (so 20 is finished on the single 20, 100 by T20 D20).
// Pure: the same arguments always give the same route. `darts` outside 1..3 gives none.
std::vector<std::string> CheckoutRoute(int left, int darts, const CheckoutRules& rules);

// The points a score-file dart token scores under the rules (0 for a token that is no dart),
// and whether it may finish a leg under the out rule.
int CheckoutPoints(const std::string& token, const CheckoutRules& rules);
bool CheckoutMayFinish(const std::string& token, const CheckoutRules& rules);
