#pragma once

// The moments of a match that people publishing it look for: where each leg starts, who
// won it and how, the big visits, the busts. A pure function of the evaluated match, so
// that chapters, markers and clips all agree on the same list.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Match;

enum class EventKind {
    LegStart,
    LegWon,
    SetWon,
    MatchWon,
    Visit180,
    Visit140, // 140-179
    Visit100, // 100-139
    Checkout100,
    Bust,
    Marks6,
};

// Bit flags of kinds, (1u << int(kind)).
using EventKinds = unsigned;
constexpr EventKinds EventBit(EventKind kind) {
    return 1u << static_cast<unsigned>(kind);
}
constexpr EventKinds kAllEvents = (1u << (static_cast<unsigned>(EventKind::Marks6) + 1)) - 1;

// The command line's name of a kind: leg, set, match, 180, 140, 100, checkout100, bust,
// marks6. "leg" stands for both the start and the win of a leg.
const char* EventKindName(EventKind kind);

// The same names with the two leg events told apart ("leg-start", "leg-won"), for a
// spreadsheet's kind column and the names of clip files.
const char* EventKindSlug(EventKind kind);

// Reads a comma list of those names ("180,checkout100"); "all" and the empty list give every
// kind. False, with the first unknown name in bad, when a name is not one of them.
bool ParseEventKinds(std::string_view list, EventKinds& kinds, std::string& bad);

// What an event's label says, kept as data like the score layer's messages: an id with an
// English template (%1, %2, ... as Qt's tr() fills them) and the values it quotes, so that
// the window can show a translation and the command line the English text.
enum class EventTextId {
    LegStart,       // %1 leg number in the match
    SetLegStart,    // %1 set, %2 leg in the set
    LegWon,         // %1 leg, %2 player, %3 %4 legs won (winner first)
    LegWonCheckout, // %1 leg, %2 player, %3 %4 legs won (winner first), %5 checkout
    SetWon,         // %1 set, %2 player, %3 %4 sets won (winner first)
    MatchWon,       // %1 player, %2 %3 legs or sets won (winner first)
    Visit,          // %1 score, %2 player
    Checkout,       // %1 checkout, %2 player
    Bust,           // %1 player, %2 what was left
    Marks,          // %1 marks, %2 player
};

struct EventText {
    EventTextId id = EventTextId::LegStart;
    std::vector<std::string> args;

    std::string english() const;
};

// The English template of a label id.
const char* EventTemplate(EventTextId id);

struct MatchEvent {
    EventKind kind = EventKind::LegStart;
    // On the match's clock (the times of the score file), ms. The first dart of a leg for
    // its start; the last dart of the visit for everything else.
    int64_t timeMs = 0;
    // The first dart of the visit the event belongs to (the leg's first dart for a start).
    int64_t visitStartMs = 0;
    // The entry at timeMs, an index into Match::entries: what a picture of the moment shows.
    int entry = 0;
    int player = 0; // 1 or 2; 0 for a leg start
    int leg = 0;    // index into Match::legs
    int set = 1;
    int value = 0; // visit score, checkout, marks; 0 where nothing is counted
    EventText label;
};

// A player as the labels name them: the name from the file, else "P1" / "P2".
std::string EventPlayerName(const Match& match, int player);

// Every event of the chosen kinds, in the order of the match (by entry; ties keep the
// order of the kinds above). Visits are the darts from one turn start to the next within
// a leg; only placed darts (dart >= 1) count. The score bands do not overlap (a 180 is not
// also a 140), and a visit that wins the leg is its checkout, not a score band. A leg's
// winner is Leg::winner, or in a 01 leg the player whose visit took the remaining to 0.
std::vector<MatchEvent> MatchEvents(const Match& match, EventKinds kinds = kAllEvents);
