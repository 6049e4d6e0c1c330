#pragma once

#include "TestSupport.h"
#include "score/FileReplace.h"
#include "score/ScoreData.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// The 25 fields of an entry in declaration order, for whole-entry comparisons.
using MarkFields = std::array<int32_t, 25>;

inline MarkFields Fields(const Entry& m) {
    MarkFields f{};
    f[0] = m.time;
    f[1] = m.player;
    f[2] = m.round;
    f[3] = m.dart;
    f[4] = m.kind;
    f[5] = m.number;
    f[6] = m.value;
    f[7] = m.turnTotal;
    f[8] = m.score[0];
    f[9] = m.score[1];
    for (int p = 0; p < 2; ++p) {
        for (int t = 0; t < kCricketTargets; ++t) {
            f[static_cast<size_t>(10 + p * kCricketTargets + t)] = m.marks[p][t];
        }
    }
    f[24] = 0; // the dump's last column, always 0
    return f;
}

inline std::string Describe(const MarkFields& f) {
    std::ostringstream out;
    for (int32_t v : f) {
        out << v << ' ';
    }
    return out.str();
}

// A save's outcome flattened for tables of cases: the method (None when it failed), the
// error's id (None when it worked) and its English text (empty when it worked).
inline WriteMethod MethodOf(const WriteOutcome& outcome) {
    return outcome ? outcome.value() : WriteMethod::None;
}
inline MessageId IdOf(const WriteOutcome& outcome) {
    return outcome ? MessageId::None : outcome.error().reason.id;
}
inline std::string ErrorOf(const WriteOutcome& outcome) {
    return outcome ? std::string() : outcome.error().text();
}
