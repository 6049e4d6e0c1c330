#include "score/Events.h"

#include "score/Evaluate.h"
#include "score/Message.h"
#include "score/ScoreData.h"

#include <algorithm>
#include <array>

namespace {

struct KindName {
    const char* name;
    EventKinds bits;
};

constexpr std::array<KindName, 9> kKindNames = {{
    {"leg", EventBit(EventKind::LegStart) | EventBit(EventKind::LegWon)},
    {"set", EventBit(EventKind::SetWon)},
    {"match", EventBit(EventKind::MatchWon)},
    {"180", EventBit(EventKind::Visit180)},
    {"140", EventBit(EventKind::Visit140)},
    {"100", EventBit(EventKind::Visit100)},
    {"checkout100", EventBit(EventKind::Checkout100)},
    {"bust", EventBit(EventKind::Bust)},
    {"marks6", EventBit(EventKind::Marks6)},
}};

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// One visit of a leg: its placed darts, in match order.
struct Visit {
    int player = 0;
    int32_t startScore = 0; // the player's remaining (01) or points (Cricket) before it
    int32_t endScore = 0;
    int64_t firstMs = 0;
    int64_t lastMs = 0;
    int darts = 0;
    bool bust = false;
    int marks = 0;
    size_t firstEntry = 0;
    size_t lastEntry = 0;
};

// Marks a dart puts on a Cricket target, closed or not, as the statistics count them.
int CricketMarks(const Entry& dart) {
    int32_t value = 0;
    const int32_t hits = CricketHits(dart.kind, dart.number, value);
    return value == 25 || (value >= 15 && value <= 20) ? hits : 0;
}

std::vector<Visit> VisitsOf(const Match& match, const Leg& leg) {
    std::vector<Visit> visits;
    const size_t begin = static_cast<size_t>(std::max(0, leg.firstEntry));
    const size_t end =
        std::min(match.entries.size(), begin + static_cast<size_t>(std::max(0, leg.entryCount)));
    bool open = false;
    for (size_t i = begin; i < end; ++i) {
        const Entry& e = match.entries[i];
        if (e.dart < 0 || e.player < 1 || e.player > 2) {
            continue;
        }
        const int p = e.player - 1;
        if (e.dart == 0) {
            Visit& v = visits.emplace_back();
            v.player = e.player;
            v.startScore = v.endScore = e.score[p];
            open = true;
            continue;
        }
        if (!open || visits.back().player != e.player) {
            // A dart without its turn start (a hand-built match): it opens a visit itself.
            Visit& v = visits.emplace_back();
            v.player = e.player;
            v.startScore = e.score[p];
            open = true;
        }
        Visit& v = visits.back();
        if (v.darts == 0) {
            v.firstMs = e.time;
            v.firstEntry = i;
        }
        ++v.darts;
        v.lastMs = e.time;
        v.endScore = e.score[p];
        v.bust = v.bust || e.value < 0;
        v.marks += CricketMarks(e);
        v.lastEntry = i;
    }
    // A turn start with no dart after it is no visit.
    visits.erase(
        std::remove_if(visits.begin(), visits.end(), [](const Visit& v) { return v.darts == 0; }),
        visits.end());
    return visits;
}

std::string Number(int64_t value) {
    return std::to_string(value);
}

} // namespace

const char* EventKindName(EventKind kind) {
    switch (kind) {
    case EventKind::LegStart:
    case EventKind::LegWon:
        return "leg";
    case EventKind::SetWon:
        return "set";
    case EventKind::MatchWon:
        return "match";
    case EventKind::Visit180:
        return "180";
    case EventKind::Visit140:
        return "140";
    case EventKind::Visit100:
        return "100";
    case EventKind::Checkout100:
        return "checkout100";
    case EventKind::Bust:
        return "bust";
    case EventKind::Marks6:
        return "marks6";
    }
    return "";
}

const char* EventKindSlug(EventKind kind) {
    switch (kind) {
    case EventKind::LegStart:
        return "leg-start";
    case EventKind::LegWon:
        return "leg-won";
    default:
        return EventKindName(kind);
    }
}

bool ParseEventKinds(std::string_view list, EventKinds& kinds, std::string& bad) {
    list = Trimmed(list);
    if (list.empty() || list == "all") {
        kinds = kAllEvents;
        return true;
    }
    EventKinds chosen = 0;
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view name = Trimmed(list.substr(0, comma));
        const auto known = std::find_if(kKindNames.begin(), kKindNames.end(),
                                        [&](const KindName& k) { return name == k.name; });
        if (known == kKindNames.end()) {
            bad = std::string(name);
            return false;
        }
        chosen |= known->bits;
        if (comma == std::string_view::npos) {
            break;
        }
        list.remove_prefix(comma + 1);
    }
    kinds = chosen;
    return true;
}

const char* EventTemplate(EventTextId id) {
    switch (id) {
    case EventTextId::LegStart:
        return "Leg %1";
    case EventTextId::SetLegStart:
        return "Set %1, leg %2";
    case EventTextId::LegWon:
        return "Leg %1 to %2 %3-%4";
    case EventTextId::LegWonCheckout:
        return "Leg %1 to %2 %3-%4, %5 checkout";
    case EventTextId::SetWon:
        return "Set %1 to %2 %3-%4";
    case EventTextId::MatchWon:
        return "Match to %1 %2-%3";
    case EventTextId::Visit:
        return "%1 \u2014 %2";
    case EventTextId::Checkout:
        return "%1 checkout \u2014 %2";
    case EventTextId::Bust:
        return "Bust \u2014 %1 on %2";
    case EventTextId::Marks:
        return "%1 marks \u2014 %2";
    }
    return "";
}

std::string EventText::english() const {
    return FillTemplate(EventTemplate(id), args);
}

std::string EventPlayerName(const Match& match, int player) {
    if (player < 1 || player > 2) {
        return {};
    }
    const std::string& name = match.names[player - 1];
    return name.empty() ? "P" + Number(player) : name;
}

std::vector<MatchEvent> MatchEvents(const Match& match, EventKinds kinds) {
    std::vector<MatchEvent> events;
    auto wanted = [&](EventKind kind) { return (kinds & EventBit(kind)) != 0; };
    const bool withSets = match.setsToWin > 0;
    // Counted here from the legs' winners rather than read from the entries, so that a
    // match whose evaluation has not filled the tallies still gets its results.
    int32_t legsWon[2] = {0, 0};
    int32_t setsWon[2] = {0, 0};
    int currentSet = 0;
    bool matchWon = false;

    for (size_t li = 0; li < match.legs.size(); ++li) {
        const Leg& leg = match.legs[li];
        const std::vector<Visit> visits = VisitsOf(match, leg);
        if (visits.empty()) {
            continue;
        }
        const int legIndex = static_cast<int>(li);
        if (withSets && leg.set != currentSet) {
            currentSet = leg.set;
            legsWon[0] = legsWon[1] = 0;
        }
        const int kind = leg.gameKind != GameKind::None ? leg.gameKind : match.gameKind;
        const bool cricket = kind == GameKind::Cricket;

        auto add = [&](EventKind k, const Visit& v, int player, int value, EventText text) {
            MatchEvent& e = events.emplace_back();
            e.kind = k;
            e.timeMs = k == EventKind::LegStart ? v.firstMs : v.lastMs;
            e.visitStartMs = v.firstMs;
            e.entry = static_cast<int>(k == EventKind::LegStart ? v.firstEntry : v.lastEntry);
            e.player = player;
            e.leg = legIndex;
            e.set = leg.set;
            e.value = value;
            e.label = std::move(text);
        };

        if (wanted(EventKind::LegStart)) {
            EventText text = withSets ? EventText{EventTextId::SetLegStart,
                                                  {Number(leg.set), Number(leg.legInSet)}}
                                      : EventText{EventTextId::LegStart, {Number(leg.number)}};
            add(EventKind::LegStart, visits.front(), 0, 0, std::move(text));
        }

        // The winning visit: the winner's last one, or the 01 visit that reached zero.
        int winner = leg.winner;
        int winning = -1;
        for (int i = static_cast<int>(visits.size()) - 1; i >= 0 && winning < 0; --i) {
            const Visit& v = visits[static_cast<size_t>(i)];
            if (winner != 0 ? v.player == winner : !cricket && !v.bust && v.endScore == 0) {
                winning = i;
                winner = v.player;
            }
        }

        for (int i = 0; i < static_cast<int>(visits.size()); ++i) {
            const Visit& v = visits[static_cast<size_t>(i)];
            const std::string name = EventPlayerName(match, v.player);
            if (cricket) {
                if (v.marks >= 6 && wanted(EventKind::Marks6)) {
                    add(EventKind::Marks6, v, v.player, v.marks,
                        {EventTextId::Marks, {Number(v.marks), name}});
                }
            } else if (v.bust) {
                if (wanted(EventKind::Bust)) {
                    add(EventKind::Bust, v, v.player, 0,
                        {EventTextId::Bust, {name, Number(v.startScore)}});
                }
            } else {
                const int score = v.startScore - v.endScore;
                if (i == winning) {
                    if (score >= 100 && wanted(EventKind::Checkout100)) {
                        add(EventKind::Checkout100, v, v.player, score,
                            {EventTextId::Checkout, {Number(score), name}});
                    }
                } else {
                    const EventKind band = score == 180   ? EventKind::Visit180
                                           : score >= 140 ? EventKind::Visit140
                                                          : EventKind::Visit100;
                    if (score >= 100 && score <= 180 && wanted(band)) {
                        add(band, v, v.player, score, {EventTextId::Visit, {Number(score), name}});
                    }
                }
            }
            if (i != winning) {
                continue;
            }
            const int w = winner - 1;
            const int o = 1 - w;
            ++legsWon[w];
            if (wanted(EventKind::LegWon)) {
                const int checkout = v.startScore - v.endScore;
                std::vector<std::string> args = {Number(leg.number), name, Number(legsWon[w]),
                                                 Number(legsWon[o])};
                EventTextId id = EventTextId::LegWon;
                if (!cricket) {
                    args.push_back(Number(checkout));
                    id = EventTextId::LegWonCheckout;
                }
                add(EventKind::LegWon, v, winner, cricket ? 0 : checkout, {id, std::move(args)});
            }
            bool decided = !withSets && legsWon[w] >= match.legsToWin;
            if (withSets && legsWon[w] >= match.legsToWin) {
                ++setsWon[w];
                legsWon[0] = legsWon[1] = 0;
                decided = setsWon[w] >= match.setsToWin;
                if (wanted(EventKind::SetWon)) {
                    add(EventKind::SetWon, v, winner, 0,
                        {EventTextId::SetWon,
                         {Number(leg.set), name, Number(setsWon[w]), Number(setsWon[o])}});
                }
            }
            if (match.isMatch && decided && !matchWon) {
                matchWon = true;
                const int32_t* tally = withSets ? setsWon : legsWon;
                if (wanted(EventKind::MatchWon)) {
                    add(EventKind::MatchWon, v, winner, 0,
                        {EventTextId::MatchWon, {name, Number(tally[w]), Number(tally[o])}});
                }
            }
        }
    }
    return events;
}
