#pragma once

#include <cstdint>

class Match;

// Every painter draws into score.m_pSurface.

// The title screen; published for the next repaint, no immediate refresh.
void DrawTitle(Match& score);
// The picture of moment t (ms) of the match timeline: the title before the first entry,
// otherwise the board after the last entry reached.
void DrawFrameAt(Match& score, int32_t t);
// The board after the entry at index; false (nothing drawn) for a bad index or an
// unplaced entry. Both end with the surface's Refresh().
bool Draw01Board(int index, Match& score);
bool DrawCricketBoard(int index, Match& score);
// The Cricket mark symbol for count marks centred at (x, y), in the current text colour and
// sized from the current font size: a slash for 1, a cross for 2, a circled cross for 3 or
// more, a short dash for a negative count (a dart that scored no mark), nothing for 0.
void DrawCricketMark(Match& score, int x, int y, int count);
