#pragma once

#include "score/ScoreData.h"

#include <string>

// Pieces both scoreboards share.

// The entry a board is asked to show, or null when the index is outside the list or the
// entry was never placed by the evaluation (m_nDart negative) or names no player.
const CMark* ShownEntry(const CScoreData& score, int index);

// The first entry of the shown entry's turn (same round and player) with that dart number,
// or null.
const CMark* FindDartOfTurn(const CScoreData& score, const CMark& shown, int dart);

// The text of a dart by its hit kind; missText stands for a dart that scored nothing.
std::string DartText(const CMark& dart, const char* missText);
