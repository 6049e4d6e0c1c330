#pragma once

#include "score/ScoreData.h"

#include <cstdint>

// How long a match's video runs: the board stays up for this long after the last dart.
inline constexpr int64_t kTailMs = 10000;

// The time of the last entry of the leading run of non-decreasing times (0 for no entry):
// a time smaller than its predecessor ends the timeline there.
int64_t LastValidTime(const Match& match);

// The length of the match's timeline in ms: LastValidTime + kTailMs. 64-bit, since a time
// near the 32-bit limit plus the tail does not fit in 32 bits.
int64_t TimelineLength(const Match& match);

// Whether no entry's time lies before its predecessor's: times a recording or an adjustment
// may save. Times that fail it would be cleaned to 0 from the backward step on when read.
bool TimesRunForward(const Match& match);
