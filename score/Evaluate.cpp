#include "score/Evaluate.h"

#include "score/Numbers.h"
#include "score/ScoreData.h"
#include "score/Timeline.h"

#include <cstddef>
#include <utility>

namespace {

// Round and player of the turn being walked. The walk starts before round 1 with a player
// above 2, so that the first turn start makes it round 1, player 1.
struct TurnCursor {
    explicit TurnCursor(int32_t firstThrower) : first(firstThrower == 2 ? 2 : 1) {}

    int32_t first;
    int32_t round = 0;
    int32_t player = 0;

    void nextTurn() {
        if (player == 0 || player != first) {
            player = first;
            round = Saturate32(int64_t{round} + 1);
        } else {
            player = 3 - first;
        }
    }
    // True when no turn has started yet: a dart before any turn-start entry (the loader
    // never makes one, but a document built by hand might) then opens round 1 itself
    // instead of being scored for a player who does not exist.
    bool BeforeFirstTurn() const { return player == 0; }
};

// Whether a dart of this kind may bring the score to zero under the out rule. A leave
// ("@0") says the player finished without saying on what, so it is taken as written.
bool MayFinish(int32_t kind, OutRule out) {
    switch (out) {
    case OutRule::Open:
        return true;
    case OutRule::Double:
        return kind == Hit::Double || kind == Hit::Bull || kind == Hit::Leave;
    case OutRule::Master:
        return kind == Hit::Double || kind == Hit::Triple || kind == Hit::Bull ||
               kind == Hit::Leave;
    }
    return true;
}

// The entries [begin, end) as one game; a range's first entry holds its starting state.
struct Range {
    size_t begin = 0;
    size_t end = 0;
    int32_t firstThrower = 1;
};

int CricketTarget(int32_t value) {
    switch (value) {
    case 25:
        return 0;
    case 15:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
        return value - 14;
    default:
        return -1;
    }
}

} // namespace

namespace {

void Evaluate01Range(Match& data, Range range, OutRule out) {
    if (range.begin >= range.end) {
        return;
    }
    const Entry& head = data.entries[range.begin];
    int32_t remaining[2] = {head.score[0], head.score[1]};
    int32_t turnStart = 0;
    int32_t turnTotal = 0;
    TurnCursor cursor(range.firstThrower);

    for (size_t i = range.begin; i < range.end; ++i) {
        Entry& mark = data.entries[i];
        if (mark.dart < 0) {
            continue;
        }
        if (mark.dart == 0 || cursor.BeforeFirstTurn()) {
            cursor.nextTurn();
            turnStart = remaining[cursor.player - 1];
            turnTotal = 0;
        }
        int32_t& left = remaining[cursor.player - 1];
        if (mark.dart == 0) {
            mark.value = 0;
            mark.turnTotal = 0;
        } else {
            int64_t points = 0;
            const int32_t written = mark.kind;
            switch (mark.kind) {
            case Hit::Bull:
                points = 50;
                break;
            case Hit::OuterBull:
                points = data.separateBull > 0 ? 25 : 50;
                break;
            case Hit::Triple:
                points = int64_t{3} * mark.number;
                break;
            case Hit::Double:
                points = int64_t{2} * mark.number;
                break;
            case Hit::Single:
                points = mark.number;
                break;
            case Hit::Leave:
                points = Saturate32(int64_t{left} - mark.number);
                mark.kind = Hit::Single;
                mark.number = static_cast<int32_t>(points);
                break;
            default:
                break;
            }
            const bool mayFinish = MayFinish(written, out);
            turnTotal = Saturate32(turnTotal + points);
            left = Saturate32(left - points);
            // Under a double or master out, 1 can never be finished, and zero counts only on
            // a dart that may finish.
            const bool stuck =
                out != OutRule::Open && (left == 1 || (left == 0 && points > 0 && !mayFinish));
            if (left < 0 || mark.number < 0 || stuck) {
                left = turnStart;
                mark.value = -1;
            } else {
                mark.value = Saturate32(points);
            }
            mark.turnTotal = turnTotal;
        }
        mark.round = cursor.round;
        mark.player = cursor.player;
        mark.score[0] = remaining[0];
        mark.score[1] = remaining[1];
    }
}

void EvaluateCricketRange(Match& data, Range range) {
    if (range.begin >= range.end) {
        return;
    }
    const Entry& head = data.entries[range.begin];
    int32_t points[2] = {head.score[0], head.score[1]};
    int32_t marks[2][kCricketTargets];
    for (int p = 0; p < 2; ++p) {
        for (int t = 0; t < kCricketTargets; ++t) {
            marks[p][t] = head.marks[p][t];
        }
    }
    TurnCursor cursor(range.firstThrower);

    for (size_t i = range.begin; i < range.end; ++i) {
        Entry& mark = data.entries[i];
        if (mark.dart < 0) {
            continue;
        }
        if (mark.dart == 0 || cursor.BeforeFirstTurn()) {
            cursor.nextTurn();
        }
        const int me = cursor.player - 1;
        const int other = 1 - me;
        mark.value = 0;
        if (mark.dart > 0) {
            if (mark.kind < Hit::Single || mark.kind > Hit::Bull) {
                mark.kind = Hit::None;
            }
            if (mark.number < 1 || mark.number > 50) {
                mark.number = 0;
            }
            int32_t value = 0;
            const int32_t hits = CricketHits(mark.kind, mark.number, value);
            const int target = hits > 0 ? CricketTarget(value) : -1;
            if (target >= 0) {
                const bool leads = int64_t{points[me]} - points[other] >= 200;
                const int64_t n = int64_t{marks[me][target]} + hits;
                int64_t counted = hits;
                int64_t scored = 0;
                if (marks[other][target] >= 3 || leads) {
                    if (n > 3) {
                        counted = hits - (n - 3);
                    }
                } else if (n > 3) {
                    scored = (n - 3) * value;
                }
                marks[me][target] = Saturate32(n > 3 ? 3 : n);
                points[me] = Saturate32(points[me] + scored);
                mark.value = Saturate32(counted);
            }
        }
        mark.turnTotal = 0;
        mark.round = cursor.round;
        mark.player = cursor.player;
        mark.score[0] = points[0];
        mark.score[1] = points[1];
        for (int p = 0; p < 2; ++p) {
            for (int t = 0; t < kCricketTargets; ++t) {
                mark.marks[p][t] = marks[p][t];
            }
        }
    }
}

// The first dart of [begin, end) after which its thrower has won the game, or end.
size_t WinningDart(const Match& data, Range range, bool cricket) {
    for (size_t i = range.begin; i < range.end; ++i) {
        const Entry& e = data.entries[i];
        if (e.dart <= 0 || e.player < 1 || e.player > 2) {
            continue;
        }
        if (HasWonGame(e, e.player, cricket) && (cricket || e.value > 0)) {
            return i;
        }
    }
    return range.end;
}

} // namespace

bool HasWonGame(const Entry& entry, int player, bool cricket) {
    const int p = player - 1;
    if (!cricket) {
        return entry.score[p] == 0;
    }
    for (int t = 0; t < kCricketTargets; ++t) {
        if (entry.marks[p][t] < 3) {
            return false;
        }
    }
    return entry.score[p] >= entry.score[1 - p];
}

void Evaluate01(Match& data) {
    Evaluate01Range(data, {0, data.entries.size(), 1}, data.out);
    data = WithCleanTimes(std::move(data));
}

void EvaluateCricket(Match& data) {
    EvaluateCricketRange(data, {0, data.entries.size(), 1});
    data = WithCleanTimes(std::move(data));
}

void EvaluateLeg(Match& data, size_t index) {
    Leg& leg = data.legs[index];
    const auto begin = static_cast<size_t>(leg.firstEntry);
    Range range{begin, begin + static_cast<size_t>(leg.entryCount), leg.firstThrower};
    const bool cricket = leg.gameKind == GameKind::Cricket;
    if (cricket) {
        EvaluateCricketRange(data, range);
    } else {
        Evaluate01Range(data, range, data.out);
    }

    // The match score carried in from the leg before.
    int32_t legsWon[2] = {0, 0};
    int32_t setsWon[2] = {0, 0};
    if (begin > 0) {
        const Entry& before = data.entries[begin - 1];
        for (int p = 0; p < 2; ++p) {
            legsWon[p] = before.legsWon[p];
            setsWon[p] = before.setsWon[p];
        }
    }
    const size_t win = WinningDart(data, range, cricket);
    leg.winner = 0;
    if (win < range.end) {
        const int32_t w = data.entries[win].player;
        leg.winner = w;
        if (data.isMatch) {
            // A match leg ends with its winning dart; what was written after it is not played.
            data.entries.erase(data.entries.begin() + static_cast<ptrdiff_t>(win + 1),
                               data.entries.begin() + static_cast<ptrdiff_t>(range.end));
            range.end = win + 1;
            leg.entryCount = static_cast<int32_t>(range.end - range.begin);
        }
    }
    for (size_t i = range.begin; i < range.end; ++i) {
        Entry& e = data.entries[i];
        if (i == win) {
            const int w = leg.winner - 1;
            ++legsWon[w];
            if (data.setsToWin > 0 && legsWon[w] >= data.legsToWin) {
                ++setsWon[w];
                legsWon[0] = legsWon[1] = 0;
                if (setsWon[w] >= data.setsToWin && data.winner == 0) {
                    data.winner = leg.winner;
                }
            } else if (data.setsToWin <= 0 && legsWon[w] >= data.legsToWin && data.winner == 0) {
                data.winner = leg.winner;
            }
        }
        e.leg = static_cast<int32_t>(index);
        for (int p = 0; p < 2; ++p) {
            e.legsWon[p] = legsWon[p];
            e.setsWon[p] = setsWon[p];
        }
    }
}

int32_t CricketHits(int32_t kind, int32_t number, int32_t& value) {
    value = number;
    switch (kind) {
    case Hit::Single:
    case Hit::Double:
    case Hit::Triple:
        return kind; // 1, 2, 3
    case Hit::OuterBull:
        value = 25;
        return 1;
    case Hit::Bull:
        value = 25;
        return 2;
    default:
        return 0;
    }
}
