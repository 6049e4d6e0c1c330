#include "render/BoardCommon.h"

const CMark* ShownEntry(const CScoreData& score, int index) {
    const CMark* entry = score.GetAt(index);
    if (entry == nullptr || entry->m_nDart < 0) {
        return nullptr;
    }
    // The boards index their per-player arrays by player - 1.
    if (entry->m_nPlayer != 1 && entry->m_nPlayer != 2) {
        return nullptr;
    }
    return entry;
}

const CMark* FindDartOfTurn(const CScoreData& score, const CMark& shown, int dart) {
    for (const CMark& entry : score.m_listMark) {
        if (entry.m_nRound == shown.m_nRound && entry.m_nPlayer == shown.m_nPlayer &&
            entry.m_nDart == dart) {
            return &entry;
        }
    }
    return nullptr;
}

std::string DartText(const CMark& dart, const char* missText) {
    switch (dart.m_nKind) {
    case HIT_SINGLE:
        return std::to_string(dart.m_nNumber);
    case HIT_DOUBLE:
        return "D" + std::to_string(dart.m_nNumber);
    case HIT_TRIPLE:
        return "T" + std::to_string(dart.m_nNumber);
    case HIT_SBULL:
        return "SB";
    case HIT_DBULL:
        return "DB";
    default:
        return missText;
    }
}
