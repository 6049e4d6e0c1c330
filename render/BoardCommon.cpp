#include "render/BoardCommon.h"

const Entry* ShownEntry(const Match& score, int index) {
    const Entry* entry = score.at(index);
    if (entry == nullptr || entry->dart < 0) {
        return nullptr;
    }
    // The boards index their per-player arrays by player - 1.
    if (entry->player != 1 && entry->player != 2) {
        return nullptr;
    }
    return entry;
}

const Entry* FindDartOfTurn(const Match& score, const Entry& shown, int dart) {
    for (const Entry& entry : score.entries) {
        if (entry.round == shown.round && entry.player == shown.player &&
            entry.dart == dart) {
            return &entry;
        }
    }
    return nullptr;
}

std::string DartText(const Entry& dart, const char* missText) {
    switch (dart.kind) {
    case Hit::Single:
        return std::to_string(dart.number);
    case Hit::Double:
        return "D" + std::to_string(dart.number);
    case Hit::Triple:
        return "T" + std::to_string(dart.number);
    case Hit::OuterBull:
        return "SB";
    case Hit::Bull:
        return "DB";
    default:
        return missText;
    }
}
