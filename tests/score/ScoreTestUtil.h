#pragma once

#include "TestSupport.h"
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

inline MarkFields Fields(const CMark& m) {
    MarkFields f{};
    f[0] = m.m_nTime;
    f[1] = m.m_nPlayer;
    f[2] = m.m_nRound;
    f[3] = m.m_nDart;
    f[4] = m.m_nKind;
    f[5] = m.m_nNumber;
    f[6] = m.m_nValue;
    f[7] = m.m_nTurnTotal;
    f[8] = m.m_nScore[0];
    f[9] = m.m_nScore[1];
    for (int p = 0; p < 2; ++p) {
        for (int t = 0; t < kCricketTargets; ++t) {
            f[static_cast<size_t>(10 + p * kCricketTargets + t)] = m.m_nMark[p][t];
        }
    }
    f[24] = m.m_nReserved;
    return f;
}

inline std::string Describe(const MarkFields& f) {
    std::ostringstream out;
    for (int32_t v : f) {
        out << v << ' ';
    }
    return out.str();
}
