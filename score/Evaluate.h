#pragma once

class Match;

// Fill every entry with the match state after it (01 rules), then clean the times.
void Evaluate01(Match& data);
// The same for Cricket.
void EvaluateCricket(Match& data);
// From the first entry whose time is smaller than its predecessor's, every time becomes 0.
void ValidateTimes(Match& data);
