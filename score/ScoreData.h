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
    std::string game;
    int32_t gameKind = GameKind::None;
    int32_t separateBull = 0;
    bool compress = true;
    std::vector<Entry> entries; // match order
};

// The score-file key of a turn: "R01-1" for round 1, player 1.
std::string TurnKey(int round, int player);
