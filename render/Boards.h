#pragma once

// The painters behind the renderer. Each paints its picture over whatever background the
// canvas already holds; the renderer chooses the picture and lays the background.

#include "render/Canvas.h"
#include "score/ScoreData.h"

#include <QRgb>

#include <cstdint>
#include <string>

// The title screen: name, subtitle, version and copyright.
void PaintTitle(Canvas& canvas);
// The scoreboards after the entry shown, which DrawableEntry accepted.
void Paint01Board(Canvas& canvas, const Match& match, const Entry& shown);
void PaintCricketBoard(Canvas& canvas, const Match& match, const Entry& shown);
// The Cricket mark symbol for count marks centred at (x, y), sized from a text size (tenths
// of a point) as the texts beside it: a slash for 1, a cross for 2, a circled cross for 3 or
// more, a short dash for a negative count (a dart that scored no mark), nothing for 0.
void PaintCricketMark(Canvas& canvas, int x, int y, int count, int32_t size, QRgb colour);

// The entry a board is asked to show, or null when the index is outside the list or the
// entry was never placed by the evaluation (dart negative) or names no player.
const Entry* DrawableEntry(const Match& match, int index);

// The first entry of the shown entry's turn (same leg, round and player) with that dart
// number, or null.
const Entry* FindDartOfTurn(const Match& match, const Entry& shown, int dart);

// The leg the shown entry belongs to (null for a match built without legs), and the game
// its board plays: the leg's, or the match's when there is no leg.
const Leg* LegOf(const Match& match, const Entry& shown);
const std::string& GameOf(const Match& match, const Entry& shown);
int32_t GameKindOf(const Match& match, const Entry& shown);

// The text of a dart by its hit kind; missText stands for a dart that scored nothing.
std::string DartText(const Entry& dart, const char* missText);

// The version line of the title: "Ver." directly followed by the version, spaces removed.
std::string FormatVersionText(const std::string& fileVersion);
