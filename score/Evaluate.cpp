#include "score/Evaluate.h"

#include "score/Numbers.h"
#include "score/ScoreData.h"

namespace {

// Round and player of the turn being walked. The walk starts before round 1 with a player
// above 2, so that the first turn start makes it round 1, player 1.
struct TurnCursor {
    int32_t round = 0;
    int32_t player = 3;

    void NextTurn() {
        if (++player > 2) {
            player = 1;
            round = Saturate32(int64_t{round} + 1);
        }
    }
    // True when no turn has started yet: a dart before any turn-start entry (the loader
    // never makes one, but a document built by hand might) then opens round 1 itself
    // instead of being scored for a player who does not exist.
    bool BeforeFirstTurn() const { return player > 2; }
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

void Evaluate01(Match& data) {
    if (data.count() == 0) {
        return;
    }
    const Entry& head = *data.at(0);
    int32_t remaining[2] = {head.score[0], head.score[1]};
    int32_t turnStart = 0;
    int32_t turnTotal = 0;
    TurnCursor cursor;

    for (Entry& mark : data.entries) {
        if (mark.dart < 0) {
            continue;
        }
        if (mark.dart == 0 || cursor.BeforeFirstTurn()) {
            cursor.NextTurn();
            turnStart = remaining[cursor.player - 1];
            turnTotal = 0;
        }
        int32_t& left = remaining[cursor.player - 1];
        if (mark.dart == 0) {
            mark.value = 0;
            mark.turnTotal = 0;
        } else {
            int64_t points = 0;
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
            turnTotal = Saturate32(turnTotal + points);
            left = Saturate32(left - points);
            if (left < 0 || mark.number < 0) {
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
    ValidateTimes(data);
}

void EvaluateCricket(Match& data) {
    if (data.count() == 0) {
        return;
    }
    const Entry& head = *data.at(0);
    int32_t points[2] = {head.score[0], head.score[1]};
    int32_t marks[2][kCricketTargets];
    for (int p = 0; p < 2; ++p) {
        for (int t = 0; t < kCricketTargets; ++t) {
            marks[p][t] = head.marks[p][t];
        }
    }
    TurnCursor cursor;

    for (Entry& mark : data.entries) {
        if (mark.dart < 0) {
            continue;
        }
        if (mark.dart == 0 || cursor.BeforeFirstTurn()) {
            cursor.NextTurn();
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
    ValidateTimes(data);
}

void ValidateTimes(Match& data) {
    int32_t previous = 0;
    bool backwards = false;
    for (Entry& mark : data.entries) {
        if (mark.time < previous) {
            backwards = true;
        }
        if (backwards) {
            mark.time = 0;
        }
        previous = mark.time;
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
