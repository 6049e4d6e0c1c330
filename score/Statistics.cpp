#include "score/Statistics.h"

#include "score/Checkout.h"
#include "score/Evaluate.h"
#include "score/ScoreData.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// The marks a dart puts on a Cricket target, as EvaluateCricket counts its hits: 0 for a
// dart that hits no target.
int64_t CricketMarks(const Entry& dart) {
    int32_t value = 0;
    const int32_t hits = CricketHits(dart.kind, dart.number, value);
    const bool target = value == 25 || (value >= 15 && value <= 20);
    return target ? hits : 0;
}

struct OpenTurn {
    int player = 0; // 0: none open
    int64_t start = 0;
    int64_t end = 0;
    int64_t darts = 0;
};

} // namespace

std::string PerThreeDarts(int64_t amount, int64_t darts) {
    if (darts <= 0) {
        return "0.00";
    }
    // Hundredths, rounded half away from zero, in integers so that no binary fraction
    // decides a rounding.
    const int64_t scaled = 300 * amount;
    const int64_t hundredths = (2 * std::llabs(scaled) + darts) / (2 * darts);
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", scaled < 0 && hundredths > 0 ? "-" : "",
                  static_cast<long long>(hundredths / 100),
                  static_cast<long long>(hundredths % 100));
    return text;
}

namespace {

// The figures of the entries [begin, end) as one game, begin holding its starting state.
std::vector<PlayerStatistics> GameStatistics(const Match& match, size_t begin, size_t end,
                                             bool cricket) {
    std::vector<PlayerStatistics> players(2);
    players[0].player = 1;
    players[1].player = 2;
    if (begin >= end || end > match.entries.size()) {
        return players;
    }
    const CheckoutRules rules{match.out, match.separateBull <= 0};
    const Entry& first = match.entries[begin];
    const Entry& last = match.entries[end - 1];
    int turns[2] = {0, 0};
    int64_t afterThird[2] = {first.score[0], first.score[1]};

    OpenTurn turn;
    auto close = [&]() {
        if (turn.player == 0) {
            return;
        }
        const int p = turn.player - 1;
        PlayerStatistics& s = players[static_cast<size_t>(p)];
        const int64_t score = turn.start - turn.end;
        s.highest = std::max(s.highest, score);
        s.tons += score >= 100 && score <= 139;
        s.ton40s += score >= 140 && score <= 179;
        s.ton80s += score == 180;
        if (turn.start > 0 && turn.end == 0 && s.checkout == 0) {
            s.checkout = score;
        }
        if (++turns[p] <= 3) {
            s.first9Darts += turn.darts;
            afterThird[p] = turn.end;
        }
        turn = OpenTurn{};
    };

    for (size_t i = begin; i < end; ++i) {
        const Entry& entry = match.entries[i];
        if (entry.dart < 0 || entry.player < 1 || entry.player > 2) {
            continue;
        }
        const int p = entry.player - 1;
        if (entry.dart == 0) {
            close();
            turn.player = entry.player;
            turn.start = turn.end = entry.score[p];
            continue;
        }
        PlayerStatistics& s = players[static_cast<size_t>(p)];
        ++s.darts;
        s.marks += CricketMarks(entry);
        if (!cricket && i > begin) {
            const int32_t left = match.entries[i - 1].score[p];
            s.finishDarts += left > 0 && !CheckoutRoute(left, 1, rules).empty();
        }
        if (turn.player == entry.player) {
            ++turn.darts;
            turn.end = entry.score[p];
        }
    }
    close();

    for (int p = 0; p < 2; ++p) {
        PlayerStatistics& s = players[static_cast<size_t>(p)];
        s.points = int64_t{first.score[p]} - last.score[p];
        s.first9Points = int64_t{first.score[p]} - afterThird[p];
        s.cricketPoints = last.score[p];
        if (!cricket) {
            s.marks = 0;
            s.x01Darts = s.darts;
        } else {
            // A Cricket turn's "score" is points gained, not taken off: no 01 figure.
            s.cricketDarts = s.darts;
            s.points = s.first9Darts = s.first9Points = s.highest = 0;
            s.tons = s.ton40s = s.ton80s = s.checkout = 0;
        }
    }
    return players;
}

bool IsCricketLeg(const Match& match, const Leg& leg) {
    return leg.gameKind == GameKind::Cricket ||
           (leg.gameKind == GameKind::None && match.gameKind == GameKind::Cricket);
}

} // namespace

std::vector<PlayerStatistics> ComputeLegStatistics(const Match& match, size_t leg) {
    if (leg >= match.legs.size()) {
        return GameStatistics(match, 0, 0, false);
    }
    const Leg& l = match.legs[leg];
    const auto begin = static_cast<size_t>(std::max(0, l.firstEntry));
    const size_t end = std::min(match.entries.size(), begin + static_cast<size_t>(l.entryCount));
    const bool cricket = IsCricketLeg(match, l);
    std::vector<PlayerStatistics> players = GameStatistics(match, begin, end, cricket);
    for (PlayerStatistics& s : players) {
        const bool won = l.winner == s.player;
        s.legsWon = won ? 1 : 0;
        s.checkouts = won && !cricket ? 1 : 0;
        s.bestLeg = won && !cricket ? s.darts : 0;
        if (!won || cricket) {
            s.checkout = 0; // only a leg's win is its checkout
        }
    }
    return players;
}

std::vector<PlayerStatistics> ComputeMatchStatistics(const Match& match) {
    std::vector<PlayerStatistics> total = GameStatistics(match, 0, 0, false);
    for (size_t leg = 0; leg < match.legs.size(); ++leg) {
        const std::vector<PlayerStatistics> players = ComputeLegStatistics(match, leg);
        for (size_t p = 0; p < 2; ++p) {
            PlayerStatistics& t = total[p];
            const PlayerStatistics& s = players[p];
            t.darts += s.darts;
            t.x01Darts += s.x01Darts;
            t.cricketDarts += s.cricketDarts;
            t.points += s.points;
            t.first9Darts += s.first9Darts;
            t.first9Points += s.first9Points;
            t.highest = std::max(t.highest, s.highest);
            t.tons += s.tons;
            t.ton40s += s.ton40s;
            t.ton80s += s.ton80s;
            t.checkout = std::max(t.checkout, s.checkout);
            t.marks += s.marks;
            t.cricketPoints += s.cricketPoints;
            t.checkouts += s.checkouts;
            t.finishDarts += s.finishDarts;
            if (s.bestLeg > 0 && (t.bestLeg == 0 || s.bestLeg < t.bestLeg)) {
                t.bestLeg = s.bestLeg;
            }
        }
    }
    if (!match.entries.empty()) {
        const Entry& last = match.entries.back();
        for (size_t p = 0; p < 2; ++p) {
            total[p].legsWon = last.legsWon[p];
            total[p].setsWon = last.setsWon[p];
        }
    }
    return total;
}

std::vector<PlayerStatistics> ComputeStatistics(const Match& match) {
    if (match.isMatch) {
        return ComputeMatchStatistics(match);
    }
    return GameStatistics(match, 0, match.entries.size(), match.gameKind == GameKind::Cricket);
}

std::string Percent(int64_t part, int64_t whole) {
    // 100 * part / whole is the per-three-darts figure of part scaled by 100 / 3.
    if (whole <= 0) {
        return "0.00";
    }
    const int64_t scaled = 10000 * part;
    const int64_t hundredths = (2 * std::llabs(scaled) + whole) / (2 * whole);
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", scaled < 0 && hundredths > 0 ? "-" : "",
                  static_cast<long long>(hundredths / 100),
                  static_cast<long long>(hundredths % 100));
    return text;
}

namespace {

std::string Keys01(const PlayerStatistics& s) {
    char text[512];
    std::snprintf(text, sizeof text,
                  " points=%lld average=%s first9=%s highest=%lld tons=%lld ton40s=%lld "
                  "ton80s=%lld checkout=%lld",
                  static_cast<long long>(s.points), PerThreeDarts(s.points, s.x01Darts).c_str(),
                  PerThreeDarts(s.first9Points, s.first9Darts).c_str(),
                  static_cast<long long>(s.highest), static_cast<long long>(s.tons),
                  static_cast<long long>(s.ton40s), static_cast<long long>(s.ton80s),
                  static_cast<long long>(s.checkout));
    return text;
}

std::string KeysFinish(const PlayerStatistics& s) {
    char text[256];
    std::snprintf(text, sizeof text, " finishdarts=%lld checkoutpct=%s",
                  static_cast<long long>(s.finishDarts),
                  Percent(s.checkouts, s.finishDarts).c_str());
    return text;
}

std::string KeysCricket(const PlayerStatistics& s, bool points) {
    char text[256];
    std::snprintf(text, sizeof text, " marks=%lld mpr=%s", static_cast<long long>(s.marks),
                  PerThreeDarts(s.marks, s.cricketDarts).c_str());
    std::string keys = text;
    if (points) {
        keys += " points=" + std::to_string(s.cricketPoints);
    }
    return keys;
}

std::string FormatMatchStatistics(const Match& match) {
    bool any01 = false;
    bool anyCricket = false;
    for (const Leg& leg : match.legs) {
        (IsCricketLeg(match, leg) ? anyCricket : any01) = true;
    }
    std::string out;
    for (const PlayerStatistics& s : ComputeMatchStatistics(match)) {
        out += "match player=" + std::to_string(s.player) + " legs=" + std::to_string(s.legsWon) +
               " sets=" + std::to_string(s.setsWon) + " darts=" + std::to_string(s.darts);
        if (any01) {
            out += Keys01(s) + " bestleg=" + std::to_string(s.bestLeg) +
                   " checkouts=" + std::to_string(s.checkouts) + KeysFinish(s);
        }
        if (anyCricket) {
            out += KeysCricket(s, !any01);
        }
        out += "\n";
    }
    for (size_t leg = 0; leg < match.legs.size(); ++leg) {
        const Leg& l = match.legs[leg];
        const bool cricket = IsCricketLeg(match, l);
        for (const PlayerStatistics& s : ComputeLegStatistics(match, leg)) {
            out += "leg=" + std::to_string(l.number) + " player=" + std::to_string(s.player) +
                   " won=" + std::to_string(s.legsWon) + " set=" + std::to_string(l.set) +
                   " darts=" + std::to_string(s.darts);
            out += cricket ? KeysCricket(s, true) : Keys01(s) + KeysFinish(s);
            out += "\n";
        }
    }
    return out;
}

} // namespace

std::string FormatStatistics(const Match& match) {
    if (match.isMatch) {
        return FormatMatchStatistics(match);
    }
    std::string out;
    const bool cricket = match.gameKind == GameKind::Cricket;
    for (const PlayerStatistics& s : ComputeStatistics(match)) {
        char line[512];
        if (cricket) {
            std::snprintf(line, sizeof line, "player=%d darts=%lld marks=%lld mpr=%s points=%lld\n",
                          s.player, static_cast<long long>(s.darts),
                          static_cast<long long>(s.marks), PerThreeDarts(s.marks, s.darts).c_str(),
                          static_cast<long long>(s.cricketPoints));
        } else {
            std::snprintf(line, sizeof line,
                          "player=%d darts=%lld points=%lld average=%s first9=%s highest=%lld "
                          "tons=%lld ton40s=%lld ton80s=%lld checkout=%lld\n",
                          s.player, static_cast<long long>(s.darts),
                          static_cast<long long>(s.points),
                          PerThreeDarts(s.points, s.darts).c_str(),
                          PerThreeDarts(s.first9Points, s.first9Darts).c_str(),
                          static_cast<long long>(s.highest), static_cast<long long>(s.tons),
                          static_cast<long long>(s.ton40s), static_cast<long long>(s.ton80s),
                          static_cast<long long>(s.checkout));
        }
        out += line;
    }
    return out;
}
