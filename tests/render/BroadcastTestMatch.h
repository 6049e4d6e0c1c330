#pragma once

// A small two-leg 301 match built entry by entry with the fields filled as the evaluation
// fills them, for the broadcast board's tests (the loader reads one-leg files only so far).

#include "score/ScoreData.h"

#include <string>
#include <vector>

namespace broadcasttest {

struct Dart {
    int kind;
    int number;
};

class MatchBuilder {
public:
    MatchBuilder(int start, const std::string& name1, const std::string& name2, int legsToWin) {
        match.game = std::to_string(start);
        match.gameKind = GameKind::X01;
        match.separateBull = 1;
        match.names[0] = name1;
        match.names[1] = name2;
        match.legsToWin = legsToWin;
        match.isMatch = true;
        match.out = OutRule::Double;
        m_start = start;
    }

    void newLeg(int firstThrower) {
        Leg& leg = match.legs.emplace_back();
        leg.number = static_cast<int32_t>(match.legs.size());
        leg.game = match.game;
        leg.gameKind = GameKind::X01;
        leg.firstThrower = firstThrower;
        leg.legInSet = leg.number;
        leg.firstEntry = match.count();
        m_left[0] = m_left[1] = m_start;
        m_round[0] = m_round[1] = 0;
    }

    // A visit: its turn start, then each dart one second apart, five seconds to the next. Double
    // out: a dart that leaves 1 or below 0, or reaches 0 on no double, is a bust.
    void visit(int player, std::vector<Dart> darts) {
        const int p = player - 1;
        ++m_round[p];
        add(player, 0, Hit::None, 0, 0, 0, m_time - 500);
        const int start = m_left[p];
        int total = 0;
        int dartNumber = 0;
        for (const Dart& dart : darts) {
            const int points = dart.kind == Hit::Bull        ? 50
                               : dart.kind == Hit::OuterBull ? 25
                               : dart.kind == Hit::Triple    ? 3 * dart.number
                               : dart.kind == Hit::Double    ? 2 * dart.number
                               : dart.kind == Hit::Single    ? dart.number
                                                             : 0;
            total += points;
            int left = m_left[p] - points;
            const bool doubled = dart.kind == Hit::Double || dart.kind == Hit::Bull;
            const bool bust = left < 0 || left == 1 || (left == 0 && !doubled);
            m_left[p] = bust ? start : left;
            if (!bust && left == 0) {
                ++m_legsWon[p];
                match.legs.back().winner = player;
                if (m_legsWon[p] == match.legsToWin) {
                    match.winner = player;
                }
            }
            Entry& entry = add(player, ++dartNumber, dart.kind, dart.number, bust ? -1 : points,
                               total, m_time);
            (void)entry;
            m_time += 1000;
            if (bust) {
                break;
            }
        }
        m_time += 4000;
    }

    Match match;

private:
    Entry& add(int player, int dart, int kind, int number, int value, int total, int time) {
        Entry& entry = match.append();
        entry.time = time;
        entry.player = player;
        entry.round = m_round[player - 1];
        entry.dart = dart;
        entry.kind = kind;
        entry.number = number;
        entry.value = value;
        entry.turnTotal = total;
        entry.score[0] = m_left[0];
        entry.score[1] = m_left[1];
        entry.leg = static_cast<int32_t>(match.legs.size()) - 1;
        entry.legsWon[0] = m_legsWon[0];
        entry.legsWon[1] = m_legsWon[1];
        ++match.legs.back().entryCount;
        return entry;
    }

    int m_start = 301;
    int m_left[2] = {0, 0};
    int m_round[2] = {0, 0};
    int m_legsWon[2] = {0, 0};
    int m_time = 1000;
};

inline constexpr Dart T(int n) {
    return {Hit::Triple, n};
}
inline constexpr Dart D(int n) {
    return {Hit::Double, n};
}
inline constexpr Dart S(int n) {
    return {Hit::Single, n};
}
inline constexpr Dart kBull{Hit::Bull, 0};
inline constexpr Dart kMiss{Hit::None, 0};

// Leg 1 (Anna first): 180, a 140, then Anna checks out 121 (T20, 11, bull).
// Leg 2 (Taro first): 180, Anna 180, Taro busts on 1 left, Anna checks out 121 for the match.
inline Match TwoLegMatch() {
    MatchBuilder b(301, "Anna Weber", "\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E", 2);
    b.newLeg(1);
    b.visit(1, {T(20), T(20), T(20)});
    b.visit(2, {T(20), T(20), S(20)});
    b.visit(1, {T(20), S(11), kBull});
    b.newLeg(2);
    b.visit(2, {T(20), T(20), T(20)});
    b.visit(1, {T(20), T(20), T(20)});
    b.visit(2, {T(20), T(20)});
    b.visit(1, {T(20), T(19), D(2)});
    return b.match;
}

} // namespace broadcasttest
