#pragma once

#include <cstdint>

class Match;

// Fill every entry with the match state after it (01 rules), then clean the times.
void Evaluate01(Match& data);
// The same for Cricket.
void EvaluateCricket(Match& data);
// From the first entry whose time is smaller than its predecessor's, every time becomes 0.
void ValidateTimes(Match& data);

// How a dart counts in Cricket: its number of hits (1 for a single or the outer bull, 2 for
// a double or the bull, 3 for a treble, 0 otherwise), with value set to the number hit (25
// for either bull).
int32_t CricketHits(int32_t kind, int32_t number, int32_t& value);
