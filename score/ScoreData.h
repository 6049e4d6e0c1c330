#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where a dart landed, as read from the score file.
struct Hit {
    static constexpr int32_t None = 0;
    static constexpr int32_t Single = 1;
    static constexpr int32_t Double = 2;
    static constexpr int32_t Triple = 3;
    static constexpr int32_t OuterBull = 4;
    static constexpr int32_t Bull = 5;
    // "@n": the player has n left; the 01 evaluation turns it into a single.
    static constexpr int32_t Leave = 9;
};

struct GameKind {
    static constexpr int32_t None = 0;
    static constexpr int32_t X01 = 1;
    static constexpr int32_t Cricket = 2;
};

// Cricket target index: 0 is the bull, 1..6 are 15..20.
constexpr int kCricketTargets = 7;

// How a 01 leg may be finished.
enum class OutRule {
    Open,   // any dart that reaches zero
    Double, // a double or the inner bull
    Master, // a double, a treble or the inner bull
};

// One entry of a match: a turn start (dart 0) or a dart (1..3), with the whole game state
// after it once evaluated, so that any moment can be drawn from this entry alone.
struct Entry {
    int32_t time = 0; // ms from the start of the recording
    int32_t player = 0;
    int32_t round = 0;
    int32_t dart = -1; // -1: not placed, both evaluations skip it
    int32_t kind = Hit::None;
    int32_t number = 0;
    int32_t value = 0;
    int32_t turnTotal = 0;
    int32_t score[2] = {0, 0};
    int32_t marks[2][kCricketTargets] = {};
    // The match around the game, after this entry: the leg it belongs to (0-based index
    // into Match::legs), and the legs (of the current set) and sets each player has won.
    int32_t leg = 0;
    int32_t legsWon[2] = {0, 0};
    int32_t setsWon[2] = {0, 0};
};

// One leg of a match: its own game (the match's, or a [SETTINGk] override) and where its
// entries are. Leg k of the file (1-based) lives in [DATAk]/[TIMEk], leg 1 in [DATA]/[TIME].
struct Leg {
    int32_t number = 1; // k, 1-based
    std::string game;
    int32_t gameKind = GameKind::None;
    int32_t firstThrower = 1; // 1 or 2: whose visit comes first in this leg
    int32_t set = 1;          // 1-based; 1 when the match has no sets
    int32_t legInSet = 1;     // 1-based position in its set (in the match without sets)
    int32_t firstEntry = 0;   // index of its first entry in Match::entries
    int32_t entryCount = 0;
    int32_t winner = 0; // 1 or 2; 0 while unfinished
    // Entries the file wrote for the leg: more than entryCount when darts were written after
    // the leg was won (a match leg ends with its winning dart).
    int32_t writtenEntries = 0;
};

// The loaded match: plain data, copied by value wherever a backup is needed (the loader's
// and the recording's).
class Match {
public:
    // Empties the match; the path stays as it is.
    void reset();

    int count() const { return static_cast<int>(entries.size()); }
    // The entry at a 0-based position, or null outside 0..count-1.
    Entry* at(int index);
    const Entry* at(int index) const;
    // Appends a fresh entry (dart -1, everything else 0) and returns it.
    Entry& append();

    std::string path;
    std::string game; // leg 1's game, as the classic board and the header fields show it
    int32_t gameKind = GameKind::None;
    int32_t separateBull = 0;
    bool compress = true;
    std::vector<Entry> entries; // match order

    // The match format. A file without these keys and with one leg is a one-leg game, read
    // and evaluated exactly as such files always were.
    std::string names[2];  // P1-NAME, P2-NAME as written (UTF-8, cut to 32 characters);
                           // empty: not given
    int32_t legsToWin = 1; // first to this many legs (of a set, when setsToWin > 0)
    int32_t setsToWin = 0; // 0: no sets
    int32_t firstThrower = 1;
    OutRule out = OutRule::Open;
    bool isMatch = false; // LEGS or SETS given, or more than one leg in the file
    int32_t winner = 0;   // 1 or 2 once the match is decided
    // At least one once loaded; entries[i].leg indexes it. Legs written after the match was
    // decided, and leg sections without a first visit, are not among them.
    std::vector<Leg> legs;
};

// The score-file key of a turn: "R01-1" for round 1, player 1.
std::string TurnKey(int round, int player);
