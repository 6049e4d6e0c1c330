#include "render/EventGraphics.h"

#include "score/Events.h"

#include <algorithm>

int32_t LegGameKind(const Match& match, int index) {
    const Entry* entry = match.at(index);
    if (entry != nullptr && entry->leg >= 0 && entry->leg < static_cast<int>(match.legs.size())) {
        return match.legs[static_cast<size_t>(entry->leg)].gameKind;
    }
    return match.gameKind;
}

int LegWonAt(const Match& match, int index) {
    const Entry* entry = match.at(index);
    if (entry == nullptr || entry->dart <= 0 || (entry->player != 1 && entry->player != 2)) {
        return 0;
    }
    // Only the last placed entry of its leg can have won it.
    for (int i = index + 1; i < match.count(); ++i) {
        const Entry& next = match.entries[static_cast<size_t>(i)];
        if (next.dart >= 0 && next.leg == entry->leg) {
            return 0;
        }
        if (next.dart >= 0) {
            break;
        }
    }
    const size_t leg = static_cast<size_t>(entry->leg);
    if (leg < match.legs.size() && match.legs[leg].winner != 0) {
        return match.legs[leg].winner;
    }
    const int p = entry->player - 1;
    if (LegGameKind(match, index) == GameKind::X01) {
        return entry->value > 0 && entry->score[p] == 0 ? entry->player : 0;
    }
    // Cricket: every target closed and at least the other player's points.
    for (int target = 0; target < kCricketTargets; ++target) {
        if (entry->marks[p][target] < 3) {
            return 0;
        }
    }
    return entry->score[p] >= entry->score[1 - p] ? entry->player : 0;
}

std::optional<BoardEvent> BoardEventOf(EventKind kind) {
    switch (kind) {
    case EventKind::Visit180:
        return BoardEvent::OneEighty;
    case EventKind::Visit140:
    case EventKind::Visit100:
        return BoardEvent::Ton;
    case EventKind::Bust:
        return BoardEvent::Bust;
    case EventKind::LegWon:
        return BoardEvent::Leg;
    case EventKind::SetWon:
        return BoardEvent::Set;
    case EventKind::MatchWon:
        return BoardEvent::Match;
    case EventKind::LegStart:
    case EventKind::Checkout100:
    case EventKind::Marks6:
        break;
    }
    return std::nullopt;
}

std::vector<EventMark> BoardEventMarks(const Match& match) {
    std::vector<EventMark> events;
    for (const MatchEvent& event : MatchEvents(match)) {
        const std::optional<BoardEvent> kind = BoardEventOf(event.kind);
        if (!kind) {
            continue;
        }
        EventMark mark{event.timeMs, *kind, event.player, event.value, event.entry};
        if (!events.empty() && events.back().entry == mark.entry) {
            // The leg's win, then its set's, then the match's come at one dart: the largest
            // shows, with the leg's checkout.
            mark.value = events.back().value;
            events.back() = mark;
            continue;
        }
        events.push_back(mark);
    }
    return events;
}

std::optional<ActiveEvent> EventAt(const std::vector<EventMark>& events, int64_t t, int shown) {
    const EventMark* current = nullptr;
    int64_t end = 0;
    for (const EventMark& mark : events) {
        if (mark.time > t) {
            // A later graphic cuts this one short; one that has not started yet changes
            // nothing.
            if (current != nullptr) {
                end = std::min(end, mark.time);
            }
            break;
        }
        if ((shown & EventBit(mark.kind)) != 0) {
            current = &mark;
            end = mark.time + kEventMs;
        }
    }
    if (current == nullptr || t >= end) {
        return std::nullopt;
    }
    // The first frame already shows a little of it, so that it visibly starts with the dart.
    const double in = static_cast<double>(t - current->time + kEventFadeMs / 5) / kEventFadeMs;
    const double out = static_cast<double>(current->time + kEventMs - t) / kEventFadeMs;
    return ActiveEvent{*current, std::clamp(std::min(in, out), 0.0, 1.0)};
}
