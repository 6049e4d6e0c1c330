#pragma once

#include "score/ScoreData.h"

#include <string>

// Pieces both scoreboards share.

// The entry a board is asked to show, or null when the index is outside the list or the
// entry was never placed by the evaluation (dart negative) or names no player.
const Entry* ShownEntry(const Match& score, int index);

// The first entry of the shown entry's turn (same round and player) with that dart number,
// or null.
const Entry* FindDartOfTurn(const Match& score, const Entry& shown, int dart);

// The text of a dart by its hit kind; missText stands for a dart that scored nothing.
std::string DartText(const Entry& dart, const char* missText);
