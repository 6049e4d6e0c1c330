#include "score/ScoreData.h"

#include <cstdio>

void Match::reset() {
    game.clear();
    gameKind = GameKind::None;
    separateBull = 0;
    compress = true;
    entries.clear();
    names[0].clear();
    names[1].clear();
    legsToWin = 1;
    setsToWin = 0;
    firstThrower = 1;
    out = OutRule::Open;
    isMatch = false;
    winner = 0;
    legs.clear();
}

Entry* Match::at(int index) {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    return &entries[static_cast<size_t>(index)];
}

const Entry* Match::at(int index) const {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    return &entries[static_cast<size_t>(index)];
}

Entry& Match::append() {
    return entries.emplace_back();
}

std::string TurnKey(int round, int player) {
    char key[32];
    std::snprintf(key, sizeof key, "R%02d-%d", round, player);
    return key;
}
