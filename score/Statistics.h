#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Match;

// One player's figures of a match, from the program's own evaluation (the entries as the
// loader left them). Turns are the player's turns in match order; a turn's score is the
// remaining score at its start minus the remaining score after its last dart (0 for a bust).
struct PlayerStatistics {
    int player = 0;    // 1 or 2
    int64_t darts = 0; // every dart thrown, a bust turn's darts included
    // 01 games.
    int64_t points = 0;       // starting score minus the final remaining score
    int64_t first9Darts = 0;  // darts of the first three turns
    int64_t first9Points = 0; // starting score minus the remaining after the third turn
    int64_t highest = 0;      // best turn score
    int64_t tons = 0;         // turns scoring 100-139
    int64_t ton40s = 0;       // 140-179
    int64_t ton80s = 0;       // exactly 180
    int64_t checkout = 0;     // score of the turn that took the remaining to 0, or 0
    // Cricket.
    int64_t marks = 0;         // marks of every dart on 15-20 and the bull, closed or not
    int64_t cricketPoints = 0; // final points

    // A match (ComputeMatchStatistics, ComputeLegStatistics). checkout above is then the
    // highest checkout of the legs counted.
    int64_t legsWon = 0;      // legs won (in a leg's figures: 1 when it won the leg)
    int64_t setsWon = 0;      // sets won
    int64_t x01Darts = 0;     // darts of 01 legs: average, first9 and the 01 figures count these
    int64_t cricketDarts = 0; // darts of Cricket legs: mpr counts these
    int64_t checkouts = 0;    // 01 legs won
    // Darts thrown at a finish: darts thrown while the score left could be finished with
    // that one dart under the match's out rule.
    int64_t finishDarts = 0;
    int64_t bestLeg = 0; // fewest darts in a won 01 leg; 0 when none was won
};

// Both players' figures (player 1 first). An empty match gives two players with zeros. For a
// match file (match.isMatch) these are ComputeMatchStatistics; otherwise the one game's.
std::vector<PlayerStatistics> ComputeStatistics(const Match& match);

// Both players' figures in leg `leg` (an index into match.legs), the leg's own game: its
// entries from its starting scores to its last entry.
std::vector<PlayerStatistics> ComputeLegStatistics(const Match& match, size_t leg);

// Both players' figures over every leg: sums of the legs' counts, the highest of their
// highest turn and checkout, the fewest darts of a won 01 leg, and the legs and sets won as
// the last entry has them (its legs of the current set when the match has sets).
std::vector<PlayerStatistics> ComputeMatchStatistics(const Match& match);

// 100 * part / whole with two decimals, rounded half away from zero; "0.00" when whole is 0.
std::string Percent(int64_t part, int64_t whole);

// 3 * amount / darts with two decimals, rounded half away from zero; "0.00" with no darts.
// The average (points) and marks per round (marks) are this figure.
std::string PerThreeDarts(int64_t amount, int64_t darts);

// What `vorlat-cli stats SCORE` prints: one line per player of key=value pairs separated by
// spaces, each line ending in '\n'.
//   01:      player=N darts=D points=P average=A first9=F highest=H tons=T ton40s=U ton80s=V
//            checkout=C
//   Cricket: player=N darts=D marks=M mpr=R points=P
// A match file prints a line per player for the match, then one per leg and player:
//   match player=N legs=L sets=S darts=D, then with a 01 leg in the match
//            points=P average=A first9=F highest=H tons=T ton40s=U ton80s=V checkout=C
//            bestleg=B checkouts=W finishdarts=F checkoutpct=X
//         and with a Cricket leg marks=M mpr=R (a match of Cricket legs only: points=P after)
//   leg=K player=N won=0|1 set=S darts=D, then the 01 or Cricket keys of the leg's game:
//            points average first9 highest tons ton40s ton80s checkout finishdarts checkoutpct
//            or marks mpr points
// where average is over the 01 darts (x01Darts) and mpr over the Cricket darts.
std::string FormatStatistics(const Match& match);
