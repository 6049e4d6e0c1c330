#pragma once

class CScoreData;

// Fill every entry with the match state after it (01 rules), then clean the times.
void Evaluate01(CScoreData& data);
// The same for Cricket.
void EvaluateCricket(CScoreData& data);
// From the first entry whose time is smaller than its predecessor's, every time becomes 0.
void ValidateTimes(CScoreData& data);
