#pragma once

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
};

// Both players' figures (player 1 first). An empty match gives two players with zeros.
std::vector<PlayerStatistics> ComputeStatistics(const Match& match);

// 3 * amount / darts with two decimals, rounded half away from zero; "0.00" with no darts.
// The average (points) and marks per round (marks) are this figure.
std::string PerThreeDarts(int64_t amount, int64_t darts);

// What `vorlat-cli stats SCORE` prints: one line per player of key=value pairs separated by
// spaces, each line ending in '\n'.
//   01:      player=N darts=D points=P average=A first9=F highest=H tons=T ton40s=U ton80s=V
//            checkout=C
//   Cricket: player=N darts=D marks=M mpr=R points=P
std::string FormatStatistics(const Match& match);
