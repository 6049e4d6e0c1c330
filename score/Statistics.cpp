#include "score/Statistics.h"

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

std::vector<PlayerStatistics> ComputeStatistics(const Match& match) {
    std::vector<PlayerStatistics> players(2);
    players[0].player = 1;
    players[1].player = 2;
    if (match.entries.empty()) {
        return players;
    }
    const bool cricket = match.gameKind == GameKind::Cricket;
    const Entry& first = match.entries.front();
    const Entry& last = match.entries.back();
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

    for (const Entry& entry : match.entries) {
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
        }
    }
    return players;
}

std::string FormatStatistics(const Match& match) {
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
