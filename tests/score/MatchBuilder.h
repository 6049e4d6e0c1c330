#pragma once

// Builds evaluated matches of several legs by hand, entry by entry as the evaluation fills
// them (turn start, then darts with value, turnTotal, the scores after each, the leg and the
// tallies), for the event tests before the loader reads such files.

#include "score/Evaluate.h"
#include "score/ScoreData.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class MatchBuilder {
public:
    MatchBuilder(int gameKind, int legsToWin, int setsToWin = 0, std::string name1 = {},
                 std::string name2 = {}) {
        m_match.gameKind = gameKind;
        m_match.game = gameKind == GameKind::Cricket ? "Cricket" : "501";
        m_match.legsToWin = legsToWin;
        m_match.setsToWin = setsToWin;
        m_match.isMatch = legsToWin > 1 || setsToWin > 0;
        m_match.names[0] = std::move(name1);
        m_match.names[1] = std::move(name2);
    }

    void startLeg(int set = 1, int legInSet = 1) {
        Leg& leg = m_match.legs.emplace_back();
        leg.number = static_cast<int32_t>(m_match.legs.size());
        leg.game = m_match.game;
        leg.gameKind = m_match.gameKind;
        leg.set = set;
        leg.legInSet = legInSet;
        leg.firstEntry = m_match.count();
        m_score[0] = m_score[1] = m_match.gameKind == GameKind::Cricket ? 0 : 501;
        for (auto& player : m_marks) {
            for (int32_t& t : player) {
                t = 0;
            }
        }
        m_round = 0;
    }

    // A 01 visit: the points of each dart, the first dart at firstMs and one every 1.5 s.
    // A dart that would go below zero busts the visit; one that reaches zero wins the leg.
    void visit01(int player, const std::vector<int>& points, int32_t firstMs) {
        Entry& start = turnStart(player, firstMs);
        (void)start;
        const int p = player - 1;
        const int32_t before = m_score[p];
        int32_t total = 0;
        for (size_t i = 0; i < points.size(); ++i) {
            Entry& e = dart(player, static_cast<int>(i) + 1, firstMs + 1500 * int32_t(i));
            e.kind = Hit::Single;
            e.number = points[i];
            total += points[i];
            e.turnTotal = total;
            if (m_score[p] - points[i] < 0) {
                m_score[p] = before;
                e.value = -1;
            } else {
                m_score[p] -= points[i];
                e.value = points[i];
            }
            fill(e);
            if (m_score[p] == 0) {
                won(player);
                fill(e);
                break;
            }
        }
    }

    // A Cricket visit of trebles on the given numbers (15-20), 3 marks each.
    void visitCricket(int player, const std::vector<int>& trebles, int32_t firstMs) {
        turnStart(player, firstMs);
        const int p = player - 1;
        for (size_t i = 0; i < trebles.size(); ++i) {
            Entry& e = dart(player, static_cast<int>(i) + 1, firstMs + 1500 * int32_t(i));
            e.kind = Hit::Triple;
            e.number = trebles[i];
            int32_t value = 0;
            const int32_t hits = CricketHits(e.kind, e.number, value);
            int32_t& marks = m_marks[p][value - 14];
            const int32_t over = marks + hits - 3;
            if (over > 0) {
                m_score[p] += over * value;
            }
            marks = marks + hits > 3 ? 3 : marks + hits;
            e.value = hits;
            fill(e);
        }
    }

    // Ends a Cricket leg with a win for player (the score sheet says who).
    void winLeg(int player) {
        won(player);
        fill(m_match.entries.back());
    }

    Match take() {
        for (Leg& leg : m_match.legs) {
            const size_t index = &leg - m_match.legs.data();
            const int32_t next = index + 1 < m_match.legs.size()
                                     ? m_match.legs[index + 1].firstEntry
                                     : m_match.count();
            leg.entryCount = next - leg.firstEntry;
        }
        return std::move(m_match);
    }

private:
    Entry& turnStart(int player, int32_t firstMs) {
        if (player == 1 || m_round == 0) {
            ++m_round;
        }
        Entry& e = m_match.append();
        e.dart = 0;
        e.player = player;
        e.round = m_round;
        e.time = firstMs > 500 ? firstMs - 500 : 0;
        fill(e);
        return e;
    }

    Entry& dart(int player, int number, int32_t ms) {
        Entry& e = m_match.append();
        e.dart = number;
        e.player = player;
        e.round = m_round;
        e.time = ms;
        return e;
    }

    void won(int player) {
        const int p = player - 1;
        m_match.legs.back().winner = player;
        if (++m_legs[p] >= m_match.legsToWin && m_match.setsToWin > 0) {
            ++m_sets[p];
            m_legs[0] = m_legs[1] = 0;
            if (m_sets[p] >= m_match.setsToWin) {
                m_match.winner = player;
            }
        } else if (m_legs[p] >= m_match.legsToWin && m_match.setsToWin == 0) {
            m_match.winner = player;
        }
    }

    void fill(Entry& e) {
        e.leg = static_cast<int32_t>(m_match.legs.size()) - 1;
        for (int p = 0; p < 2; ++p) {
            e.score[p] = m_score[p];
            e.legsWon[p] = m_legs[p];
            e.setsWon[p] = m_sets[p];
            for (int t = 0; t < kCricketTargets; ++t) {
                e.marks[p][t] = m_marks[p][t];
            }
        }
    }

    Match m_match;
    int32_t m_score[2] = {0, 0};
    int32_t m_marks[2][kCricketTargets] = {};
    int32_t m_legs[2] = {0, 0};
    int32_t m_sets[2] = {0, 0};
    int32_t m_round = 0;
};
