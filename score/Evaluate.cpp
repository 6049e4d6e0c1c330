#include "score/Evaluate.h"

#include "score/Numbers.h"
#include "score/ScoreData.h"

namespace {

// Round and player of the turn being walked. The walk starts before round 1 with a player
// above 2, so that the first turn start makes it round 1, player 1.
struct TurnCursor {
    int32_t m_nRound = 0;
    int32_t m_nPlayer = 3;

    void NextTurn() {
        if (++m_nPlayer > 2) {
            m_nPlayer = 1;
            m_nRound = Saturate32(int64_t{m_nRound} + 1);
        }
    }
    // True when no turn has started yet: a dart before any turn-start entry (the loader
    // never makes one, but a document built by hand might) then opens round 1 itself
    // instead of being scored for a player who does not exist.
    bool BeforeFirstTurn() const { return m_nPlayer > 2; }
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

void Evaluate01(CScoreData& data) {
    if (data.GetCount() == 0) {
        return;
    }
    const CMark& head = *data.GetAt(0);
    int32_t remaining[2] = {head.m_nScore[0], head.m_nScore[1]};
    int32_t turnStart = 0;
    int32_t turnTotal = 0;
    TurnCursor cursor;

    for (CMark& mark : data.m_listMark) {
        if (mark.m_nDart < 0) {
            continue;
        }
        if (mark.m_nDart == 0 || cursor.BeforeFirstTurn()) {
            cursor.NextTurn();
            turnStart = remaining[cursor.m_nPlayer - 1];
            turnTotal = 0;
        }
        int32_t& left = remaining[cursor.m_nPlayer - 1];
        if (mark.m_nDart == 0) {
            mark.m_nValue = 0;
            mark.m_nTurnTotal = 0;
        } else {
            int64_t points = 0;
            switch (mark.m_nKind) {
            case HIT_DBULL:
                points = 50;
                break;
            case HIT_SBULL:
                points = data.m_nSepaBull > 0 ? 25 : 50;
                break;
            case HIT_TRIPLE:
                points = int64_t{3} * mark.m_nNumber;
                break;
            case HIT_DOUBLE:
                points = int64_t{2} * mark.m_nNumber;
                break;
            case HIT_SINGLE:
                points = mark.m_nNumber;
                break;
            case HIT_LEAVE:
                points = Saturate32(int64_t{left} - mark.m_nNumber);
                mark.m_nKind = HIT_SINGLE;
                mark.m_nNumber = static_cast<int32_t>(points);
                break;
            default:
                break;
            }
            turnTotal = Saturate32(turnTotal + points);
            left = Saturate32(left - points);
            if (left < 0 || mark.m_nNumber < 0) {
                left = turnStart;
                mark.m_nValue = -1;
            } else {
                mark.m_nValue = Saturate32(points);
            }
            mark.m_nTurnTotal = turnTotal;
        }
        mark.m_nRound = cursor.m_nRound;
        mark.m_nPlayer = cursor.m_nPlayer;
        mark.m_nScore[0] = remaining[0];
        mark.m_nScore[1] = remaining[1];
    }
    ValidateTimes(data);
}

void EvaluateCricket(CScoreData& data) {
    if (data.GetCount() == 0) {
        return;
    }
    const CMark& head = *data.GetAt(0);
    int32_t points[2] = {head.m_nScore[0], head.m_nScore[1]};
    int32_t marks[2][kCricketTargets];
    for (int p = 0; p < 2; ++p) {
        for (int t = 0; t < kCricketTargets; ++t) {
            marks[p][t] = head.m_nMark[p][t];
        }
    }
    TurnCursor cursor;

    for (CMark& mark : data.m_listMark) {
        if (mark.m_nDart < 0) {
            continue;
        }
        if (mark.m_nDart == 0 || cursor.BeforeFirstTurn()) {
            cursor.NextTurn();
        }
        const int me = cursor.m_nPlayer - 1;
        const int other = 1 - me;
        mark.m_nValue = 0;
        if (mark.m_nDart > 0) {
            if (mark.m_nKind < HIT_SINGLE || mark.m_nKind > HIT_DBULL) {
                mark.m_nKind = HIT_NONE;
            }
            if (mark.m_nNumber < 1 || mark.m_nNumber > 50) {
                mark.m_nNumber = 0;
            }
            int32_t hits = 0;
            int32_t value = mark.m_nNumber;
            switch (mark.m_nKind) {
            case HIT_SINGLE:
            case HIT_DOUBLE:
            case HIT_TRIPLE:
                hits = mark.m_nKind; // 1, 2, 3
                break;
            case HIT_SBULL:
                hits = 1;
                value = 25;
                break;
            case HIT_DBULL:
                hits = 2;
                value = 25;
                break;
            default:
                break;
            }
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
                mark.m_nValue = Saturate32(counted);
            }
        }
        mark.m_nTurnTotal = 0;
        mark.m_nRound = cursor.m_nRound;
        mark.m_nPlayer = cursor.m_nPlayer;
        mark.m_nScore[0] = points[0];
        mark.m_nScore[1] = points[1];
        for (int p = 0; p < 2; ++p) {
            for (int t = 0; t < kCricketTargets; ++t) {
                mark.m_nMark[p][t] = marks[p][t];
            }
        }
    }
    ValidateTimes(data);
}

void ValidateTimes(CScoreData& data) {
    int32_t previous = 0;
    bool backwards = false;
    for (CMark& mark : data.m_listMark) {
        if (mark.m_nTime < previous) {
            backwards = true;
        }
        if (backwards) {
            mark.m_nTime = 0;
        }
        previous = mark.m_nTime;
    }
}
