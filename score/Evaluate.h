#pragma once

#include <cstddef>
#include <cstdint>

class Match;
struct Entry;

// Fill every entry with the game state after it (01 rules, the match's out rule, player 1
// throwing first), treating all entries as one game, then clean the times.
void Evaluate01(Match& data);
// The same for Cricket.
void EvaluateCricket(Match& data);

// Evaluates leg `index` of data.legs: its entries (the first holding its starting scores
// and marks) as a game of its kind, its first thrower opening every round, under the
// match's out rule. Then carries the match on from the leg before: the leg's winner, each of
// its entries' leg, legsWon and setsWon, and data.winner when this leg decides the match.
// In a match (data.isMatch) the leg ends with its winning dart: the entries after it are
// removed and the later legs' firstEntry must be set after this call. A one-leg game keeps
// them and scores them as it always has. Times are not touched (WithCleanTimes in score/Timeline.h
// does that once for the whole match).
//
// Winning: 01 at zero (under a double or master out only on a dart that may finish, the
// evaluation busts any other); Cricket when a player has closed every target and has at
// least the other's points. The legs a player has won count within the current set: the
// dart that wins a set adds the set and sets both players' legs back to 0.
void EvaluateLeg(Match& data, size_t index);

// Whether player (1 or 2) has won the game by the state of this entry: 01 at zero, Cricket
// with every target closed and at least the other's points.
bool HasWonGame(const Entry& entry, int player, bool cricket);
// How a dart counts in Cricket: its number of hits (1 for a single or the outer bull, 2 for
// a double or the bull, 3 for a treble, 0 otherwise), with value set to the number hit (25
// for either bull).
int32_t CricketHits(int32_t kind, int32_t number, int32_t& value);
