#pragma once

#include "score/Message.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Match;
class ProfileFile;
struct LoadOutcome;

// Something in a score file that the loader read leniently: where it is (the 1-based line in
// the file as an editor counts it; 0 when it concerns no line, such as a missing key) and
// what was read and done about it.
struct Diagnostic {
    int line = 0;
    Message message;
};

// One turn as the loader read it. The loader records its turns while it reads them, so that
// the diagnostics judge the very values the match was made of instead of reading the file a
// second time.
struct ReadTurn {
    std::string key;    // R01-1
    std::string throws; // the [DATA] value
    std::string times;  // the [TIME] value
    int pieces = 0;     // throws as SplitComma counts them (at most four)
    int darts = 0;      // darts made of them (at most three)
    size_t start = 0;   // index of the turn-start entry in the match
    int player = 0;
};

// The turns of one leg the loader played, in the order it read them, and the turn it
// stopped at: the first one missing or empty (stopped is false when every round was there).
struct ReadLeg {
    int number = 1;
    std::vector<ReadTurn> turns;
    bool stopped = false;
    int stopRound = 0;
    int stopPlayer = 0;
};

// Looks at a score file, the match the loader made of it and the turns it read on the way
// (read), and lists what was read leniently, in line order. It only reads: the match stays
// exactly what the loader made.
//
// What is reported:
// - throw tokens that are not a dart on the board (Z5, T25, D0, S21, T-3, an empty piece
//   between commas, a leave in Cricket) with what they counted, and more than three throws
//   in a turn;
// - GAME missing or unknown, a P1-MARK/P2-MARK that is not seven digits 0-3, a negative or
//   non-numeric P1-SCORE/P2-SCORE, a non-numeric SEPABULL or NOCOMP-AVI;
// - the [DATA] turns stopping at a missing or empty turn while later turns exist, keys past
//   round 40, keys of [DATA] and [TIME] that are never read (R1-1, R01-3), settings and
//   sections that are never read, [TIME] keys without a turn;
// - a leave larger than the score left (01), darts after the game was won;
// - a turn with fewer or more times than darts (when the file has times at all), the first
//   time that is earlier than the one before it (the video ends there), and gaps of more
//   than ten minutes between darts;
// - a repeated section or key, a value cut at the read limit, and lines the reader skips.
std::vector<Diagnostic> Diagnose(const ProfileFile& file, const Match& match,
                                 const std::vector<ReadLeg>& read);

// A gap between two darts longer than this (ms) is worth a warning.
inline constexpr int64_t kLongGapMs = 10 * 60 * 1000;

// What `vorlat-cli check PATH` prints: one line per diagnostic, "PATH:LINE: warning: TEXT"
// ("PATH: warning: TEXT" for one without a line), or "PATH: error: TEXT" when the file did
// not load. Every line ends in '\n'.
std::string FormatCheckReport(const std::string& path, const LoadOutcome& outcome);

// The exit status of `vorlat-cli check`: 0 when the file loaded (with warnings or not), 1
// when it did not.
int CheckExitStatus(const LoadOutcome& outcome);
