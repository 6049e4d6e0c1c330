#include "score/Timeline.h"

#include "score/Numbers.h"

#include <algorithm>
#include <cstddef>
#include <utility>

int64_t LastValidTime(const Match& match) {
    int32_t last = 0;
    for (const Entry& entry : match.entries) {
        if (entry.time < last) {
            break;
        }
        last = entry.time;
    }
    return last;
}

int64_t TimelineLength(const Match& match) {
    return LastValidTime(match) + kTailMs;
}

bool TimesRunForward(const Match& match) {
    return std::is_sorted(match.entries.begin(), match.entries.end(),
                          [](const Entry& a, const Entry& b) { return a.time < b.time; });
}

Match WithCleanTimes(Match match) {
    int32_t previous = 0;
    bool backwards = false;
    for (Entry& entry : match.entries) {
        if (entry.time < previous) {
            backwards = true;
        }
        if (backwards) {
            entry.time = 0;
        }
        previous = entry.time;
    }
    return match;
}

int32_t TurnStartTime(int64_t lastDartMs, int64_t firstDartMs) {
    return Saturate32((lastDartMs + firstDartMs) / 2);
}

void SetTurnStarts(Match& match) {
    int64_t lastDart = 0;
    for (int i = 0; i < match.count(); ++i) {
        Entry& entry = match.entries[size_t(i)];
        if (entry.dart > 0) {
            lastDart = entry.time;
        } else if (i > 0) {
            const Entry* first = match.at(i + 1);
            entry.time =
                TurnStartTime(lastDart, first != nullptr && first->dart > 0 ? first->time : 0);
        }
    }
}
