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

// The match with the times a video and a preview use: from the first entry whose time lies
// before its predecessor's on, every time is 0. A negative first time counts as a step back
// from 0. Loading gives a match whose times are already clean; a recording or an adjustment
// may make them unclean again, which is why the players of a match take this copy.
Match WithCleanTimes(Match match);

// When a turn starts: halfway between the last dart before it and the turn's own first dart
// (the half rounded toward zero, kept within 32 bits). The loader gives each turn this time,
// and a recording and a save of times give it the same, so that the board shown is the
// board the file makes when read again.
int32_t TurnStartTime(int64_t lastDartMs, int64_t firstDartMs);

// Gives every turn start after the first entry its TurnStartTime from the darts around it,
// as the file will give it when it is loaded again; a turn without a dart of its own takes
// 0 as its first dart's time.
void SetTurnStarts(Match& match);
