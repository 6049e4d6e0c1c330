#include "score/Timeline.h"

#include <algorithm>

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
