#include "render/Boards.h"

#include <algorithm>

const Entry* DrawableEntry(const Match& match, int index) {
    const Entry* entry = match.at(index);
    if (entry == nullptr || entry->dart < 0) {
        return nullptr;
    }
    // The boards index their per-player arrays by player - 1.
    if (entry->player != 1 && entry->player != 2) {
        return nullptr;
    }
    return entry;
}

const Entry* FindDartOfTurn(const Match& match, const Entry& shown, int dart) {
    for (const Entry& entry : match.entries) {
        if (entry.leg == shown.leg && entry.round == shown.round && entry.player == shown.player &&
            entry.dart == dart) {
            return &entry;
        }
    }
    return nullptr;
}

const Leg* LegOf(const Match& match, const Entry& shown) {
    const auto leg = static_cast<size_t>(shown.leg);
    return shown.leg >= 0 && leg < match.legs.size() ? &match.legs[leg] : nullptr;
}

const std::string& GameOf(const Match& match, const Entry& shown) {
    const Leg* leg = LegOf(match, shown);
    return leg != nullptr ? leg->game : match.game;
}

int32_t GameKindOf(const Match& match, const Entry& shown) {
    const Leg* leg = LegOf(match, shown);
    return leg != nullptr ? leg->gameKind : match.gameKind;
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

std::string FormatVersionText(const std::string& fileVersion) {
    std::string text = fileVersion;
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return "Ver." + text;
}
