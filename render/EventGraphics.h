#pragma once

// The moments the broadcast board marks with a short graphic: a 180, a visit of 100 or more,
// a bust, a won leg (with its checkout), a won set and a won match. They are read from the
// evaluated entries and placed at the entries' own times, so that a graphic starts on the
// frame where the dart lands. Pure functions, safe on any thread.

#include "render/Theme.h"
#include "score/Events.h"
#include "score/ScoreData.h"

#include <cstdint>
#include <optional>
#include <vector>

// How long a graphic stays, and how long of that it takes to come in and to go.
inline constexpr int64_t kEventMs = 1500;
inline constexpr int64_t kEventFadeMs = 250;

struct EventMark {
    int64_t time = 0; // of the entry that made it
    BoardEvent kind = BoardEvent::Ton;
    int player = 0; // 1 or 2
    int value = 0;  // the visit's total, or the checkout for a won leg
    int entry = 0;  // its index in Match::entries
};

// The board's kind of a match event; nullopt for the kinds it draws no graphic for.
std::optional<BoardEvent> BoardEventOf(EventKind kind);

// The match's events (score/Events.h, the list chapters and clips use) that the board draws,
// in entry order. One mark per entry at most: a dart that wins the match is the match's
// mark, not also the leg's (the largest event wins).
std::vector<EventMark> BoardEventMarks(const Match& match);

// The player who won the leg at the entry at index, or 0: the leg's recorded winner at its
// last placed dart, or in a 01 leg without one the player whose dart left exactly 0.
int LegWonAt(const Match& match, int index);

// The game of the leg the entry at index belongs to (a leg may override the match's game);
// the match's game for an index outside the match.
int32_t LegGameKind(const Match& match, int index);

// A graphic on screen at moment t: its mark and how far it is in (0 hidden .. 1 fully in),
// which rises over the first kEventFadeMs and falls over the last.
struct ActiveEvent {
    EventMark mark;
    double presence = 1.0;
};
// The latest shown kind (events: EventBit()s) whose graphic covers t, if any. A graphic ends
// early when the next one starts.
std::optional<ActiveEvent> EventAt(const std::vector<EventMark>& events, int64_t t, int shown);
