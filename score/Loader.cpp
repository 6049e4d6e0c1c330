#include "score/Loader.h"

#include "score/Evaluate.h"
#include "score/Numbers.h"
#include "score/ProfileFile.h"
#include "score/ScoreData.h"
#include "score/Timeline.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

std::string TrimUpper(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && IsSpace(text[b])) {
        ++b;
    }
    while (e > b && IsSpace(text[e - 1])) {
        --e;
    }
    std::string out(text.substr(b, e - b));
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string ScoreValue(const ProfileFile& file, std::string_view section, std::string_view key) {
    std::string value;
    file.lookup(section, key, value);
    if (value.size() > kMaxValueBytes) {
        value.resize(kMaxValueBytes);
    }
    return value;
}

int SplitComma(const std::string& value, std::string (&pieces)[4]) {
    if (value.empty()) {
        return 0;
    }
    // A comma byte is never part of a Shift-JIS or UTF-8 multi-byte character, so a plain
    // byte search finds exactly the commas a multi-byte aware search would.
    int count = 0;
    size_t pos = 0;
    for (;;) {
        size_t comma = value.find(',', pos);
        if (comma == std::string::npos) {
            pieces[count++] = value.substr(pos);
            return count;
        }
        pieces[count++] = value.substr(pos, comma - pos);
        pos = comma + 1;
        if (count == 4) {
            return count;
        }
    }
}

std::string LegSection(std::string_view base, int number) {
    std::string name(base);
    if (number > 1) {
        name += std::to_string(number);
    }
    return name;
}

OutRule ReadOutRule(const std::string& value) {
    const std::string out = TrimUpper(value);
    return out == "DOUBLE" ? OutRule::Double : out == "MASTER" ? OutRule::Master : OutRule::Open;
}

std::string CutName(const std::string& name) {
    // Count UTF-8 characters by their lead bytes; a cut never splits a character.
    size_t characters = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if ((byte & 0xC0) != 0x80 && characters++ == kMaxNameCharacters) {
            return name.substr(0, i);
        }
    }
    return name;
}

void ClassifyThrow(const std::string& raw, int32_t& kind, int32_t& number) {
    const std::string token = TrimUpper(raw);
    const std::string_view rest =
        token.empty() ? std::string_view() : std::string_view(token).substr(1);
    kind = Hit::None;
    number = 0;
    if (token.empty()) {
        return;
    }
    if (token[0] == '@') {
        kind = Hit::Leave;
        number = ParseInt(rest);
        return;
    }
    if (token == "DB") {
        kind = Hit::Bull;
    } else if (token == "SB") {
        kind = Hit::OuterBull;
    } else if (token[0] == 'S') {
        kind = Hit::Single;
        number = ParseInt(rest);
    } else if (token[0] == 'D') {
        kind = Hit::Double;
        number = ParseInt(rest);
    } else if (token[0] == 'T') {
        kind = Hit::Triple;
        number = ParseInt(rest);
    } else if (token == "BUST" || token == "X") {
        number = -1;
    } else if (token == "-" || token == "OUT" || token == "0") {
        // scored nothing
    } else {
        kind = Hit::Single;
        number = ParseInt(token);
    }
}

namespace {

// Appends the turns of one leg ([DATA]-style section dataSection, times from timeSection),
// the first thrower's visit opening every round, and returns how many entries it added.
// lastTime carries the time of the last dart before, which each turn start needs. record, when
// given, gets the turns as read and the turn the leg stopped at.
int ReadTurns(Match& data, const ProfileFile& file, const std::string& dataSection,
              const std::string& timeSection, int firstThrower, int32_t& lastTime,
              ReadLeg* record) {
    const int before = data.count();
    std::string throws[4];
    std::string times[4];
    for (int round = 1; round <= kMaxRounds; ++round) {
        bool ended = false;
        for (int turn = 0; turn < 2; ++turn) {
            const int player = turn == 0 ? firstThrower : 3 - firstThrower;
            const std::string key = TurnKey(round, player);
            const std::string dataValue = ScoreValue(file, dataSection, key);
            const std::string timeValue = ScoreValue(file, timeSection, key);
            if (dataValue.empty()) {
                if (record != nullptr) {
                    record->stopped = true;
                    record->stopRound = round;
                    record->stopPlayer = player;
                }
                ended = true;
                break;
            }
            const int pieces = SplitComma(dataValue, throws);
            // A fourth throw has no dart slot: it is ignored.
            const int darts = std::min(pieces, kMaxDarts);
            if (record != nullptr) {
                record->turns.push_back(ReadTurn{key, dataValue, timeValue, pieces, darts,
                                                 static_cast<size_t>(data.count()), player});
            }
            // A dart without a recorded time gets 0 rather than an earlier turn's time.
            for (std::string& t : times) {
                t.clear();
            }
            SplitComma(timeValue, times);

            const bool first = data.count() == 0;
            Entry& start = data.append();
            start.round = round;
            start.player = player;
            start.dart = 0;
            if (!first) {
                start.time = TurnStartTime(lastTime, ParseInt(times[0]));
            }
            for (int d = 1; d <= darts; ++d) {
                Entry& dart = data.append();
                dart.round = round;
                dart.player = player;
                dart.dart = d;
                dart.time = ParseInt(times[d - 1]);
                ClassifyThrow(throws[d - 1], dart.kind, dart.number);
                lastTime = dart.time;
            }
        }
        if (ended) {
            break;
        }
    }
    return data.count() - before;
}

// The game a leg plays and its starting state.
struct GameSetup {
    std::string game;
    int32_t kind = GameKind::None;
    int32_t score[2] = {0, 0};
    int32_t marks[2][kCricketTargets] = {};
};

std::string ParseGame(const std::string& value, int32_t& kind) {
    std::string game = TrimUpper(value);
    if (game == "301" || game == "501" || game == "701" || game == "901" || game == "1101" ||
        game == "1501") {
        kind = GameKind::X01;
    } else if (game.size() >= 3 && game.compare(0, 3, "CRI") == 0) {
        kind = GameKind::Cricket;
    } else {
        game = "301";
        kind = GameKind::X01;
    }
    return game;
}

// The game of [SETTING], or of a leg's [SETTINGk] over it. A leg that plays another game than
// the match starts from its own P1/P2 keys only: a 501 match's P1-SCORE is no Cricket score.
GameSetup ReadGame(const ProfileFile& file, const std::string& legSection) {
    auto value = [&](const std::string& key, bool inherit) {
        std::string v = legSection.empty() ? std::string() : ScoreValue(file, legSection, key);
        if (v.empty() && inherit) {
            v = ScoreValue(file, "SETTING", key);
        }
        return v;
    };
    GameSetup setup;
    const std::string matchGame = ScoreValue(file, "SETTING", "GAME");
    std::string legGame = value("GAME", true);
    setup.game = ParseGame(legGame, setup.kind);
    int32_t matchKind = GameKind::None;
    const bool inherit = ParseGame(matchGame, matchKind) == setup.game;
    for (int player = 1; player <= 2; ++player) {
        const std::string prefix = "P" + std::to_string(player);
        int32_t score = ParseInt(value(prefix + "-SCORE", inherit));
        if (score < 0) {
            score = 0;
        }
        if (score == 0 && setup.kind == GameKind::X01) {
            score = ParseInt(setup.game);
        }
        setup.score[player - 1] = score;

        const std::string marks = value(prefix + "-MARK", inherit);
        if (marks.size() == 7) {
            for (int i = 0; i < 7; ++i) {
                int32_t v = ParseInt(marks.substr(static_cast<size_t>(i), 1));
                if (v >= 0 && v <= 3) {
                    setup.marks[player - 1][6 - i] = v;
                }
            }
        }
    }
    return setup;
}

// Who throws first in a leg, 1 or 2, from a FIRST value; 0 when it names neither.
int32_t ReadFirst(const std::string& value) {
    const std::string first = TrimUpper(value);
    return first == "1" ? 1 : first == "2" ? 2 : 0;
}

// Fills a fresh match (only its path set) from the file; record, when given, gets the turns
// of every leg played as they were read.
void ReadInto(Match& data, const ProfileFile& file, std::vector<ReadLeg>* record) {
    auto setting = [&file](std::string_view key) { return ScoreValue(file, "SETTING", key); };

    // The match format first: how a leg is read depends on it.
    for (int p = 0; p < 2; ++p) {
        data.names[p] = CutName(setting(p == 0 ? "P1-NAME" : "P2-NAME"));
    }
    const std::string legs = TrimUpper(setting("LEGS"));
    const std::string sets = TrimUpper(setting("SETS"));
    data.legsToWin = std::max<int32_t>(1, ParseInt(legs));
    data.setsToWin = std::max<int32_t>(0, ParseInt(sets));
    data.firstThrower = std::max<int32_t>(1, ReadFirst(setting("FIRST")));
    data.out = ReadOutRule(setting("OUT"));
    data.isMatch = !legs.empty() || !sets.empty() || file.sectionLine(LegSection("DATA", 2)) != 0;

    int32_t firstKind = GameKind::None;
    ParseGame(setting("GAME"), firstKind);
    if (firstKind == GameKind::X01 || data.isMatch) {
        data.separateBull = ParseInt(setting("SEPABULL"));
    }

    int32_t lastTime = 0;
    int32_t set = 1;
    int32_t legInSet = 1;
    int32_t setStarter = data.firstThrower;
    int32_t starter = data.firstThrower;
    for (int number = 1; number <= kMaxLegs && data.winner == 0; ++number) {
        const std::string dataSection = LegSection("DATA", number);
        if (number > 1 && file.sectionLine(dataSection) == 0) {
            break;
        }
        const std::string settingSection =
            number == 1 ? std::string() : LegSection("SETTING", number);
        const int32_t own =
            settingSection.empty() ? 0 : ReadFirst(ScoreValue(file, settingSection, "FIRST"));
        const int32_t thrower = own != 0 ? own : starter;
        if (legInSet == 1) {
            setStarter = thrower;
        }
        const int firstEntry = data.count();
        ReadLeg read;
        read.number = number;
        const int added = ReadTurns(data, file, dataSection, LegSection("TIME", number), thrower,
                                    lastTime, record != nullptr ? &read : nullptr);
        if (added == 0) {
            if (number == 1) {
                return; // no first turn: no match
            }
            continue; // a leg without a first visit is not played
        }
        if (record != nullptr) {
            record->push_back(std::move(read));
        }
        const GameSetup setup = ReadGame(file, settingSection);
        Entry& head = data.entries[static_cast<size_t>(firstEntry)];
        for (int p = 0; p < 2; ++p) {
            head.score[p] = setup.score[p];
            for (int t = 0; t < kCricketTargets; ++t) {
                head.marks[p][t] = setup.marks[p][t];
            }
        }
        if (number == 1) {
            data.game = setup.game;
            data.gameKind = setup.kind;
        }

        Leg& leg = data.legs.emplace_back();
        leg.number = number;
        leg.game = setup.game;
        leg.gameKind = setup.kind;
        leg.firstThrower = thrower;
        leg.set = set;
        leg.legInSet = legInSet;
        leg.firstEntry = firstEntry;
        leg.entryCount = added;
        leg.writtenEntries = added;
        int32_t setsBefore = 0;
        if (firstEntry > 0) {
            const Entry& before = data.entries[static_cast<size_t>(firstEntry) - 1];
            setsBefore = before.setsWon[0] + before.setsWon[1];
        }
        EvaluateLeg(data, data.legs.size() - 1);
        const Entry& last = data.entries.back();
        if (last.dart > 0) {
            lastTime = last.time;
        }

        // The throw alternates leg by leg; a new set opens with the player who did not open
        // the set before.
        if (data.setsToWin > 0 && last.setsWon[0] + last.setsWon[1] > setsBefore) {
            ++set;
            legInSet = 1;
            setStarter = 3 - setStarter;
            starter = setStarter;
        } else {
            ++legInSet;
            starter = 3 - thrower;
        }
    }
    if (data.count() == 0) {
        return;
    }

    if (ParseInt(setting("NOCOMP-AVI")) > 0) {
        data.compress = false;
    }
    data = WithCleanTimes(std::move(data));
}

LoadOutcome Load(Match& data, const std::string& path, bool diagnose) {
    LoadOutcome outcome;
    outcome.error.path = path;
    Message& reason = outcome.error.reason;

    // One consistent snapshot of the file for the whole load.
    ProfileFile file;
    const ProfileFile::ReadStatus status = file.load(path);
    switch (status.result) {
    case ProfileFile::ReadResult::Ok:
        break;
    case ProfileFile::ReadResult::Missing:
        reason = {MessageId::FileMissing, {}};
        return outcome;
    case ProfileFile::ReadResult::Unreadable:
        reason = {MessageId::FileUnreadable, {SystemReason(status.error)}};
        return outcome;
    case ProfileFile::ReadResult::NotRegular:
        reason = {MessageId::FileNotRegular, {}};
        return outcome;
    case ProfileFile::ReadResult::TooLarge:
        reason = {MessageId::FileTooLarge,
                  {std::to_string(status.size), std::to_string(ProfileFile::kMaxBytes)}};
        return outcome;
    }

    Match fresh;
    fresh.path = path;
    std::vector<ReadLeg> read;
    ReadInto(fresh, file, diagnose ? &read : nullptr);
    if (fresh.count() == 0) {
        reason = {file.sectionLine("DATA") == 0 ? MessageId::NoDataSection : MessageId::NoFirstTurn,
                  {}};
        return outcome;
    }
    if (diagnose) {
        outcome.diagnostics = Diagnose(file, fresh, read);
    }
    data = std::move(fresh);
    outcome.loaded = true;
    outcome.error = ScoreError{};
    return outcome;
}

} // namespace

bool ReadScore(Match& data, const ProfileFile& file) {
    Match fresh;
    fresh.path = data.path;
    ReadInto(fresh, file, nullptr);
    if (fresh.count() == 0) {
        return false;
    }
    data = std::move(fresh);
    return true;
}

LoadOutcome LoadScoreFile(Match& data, const std::string& path) {
    return Load(data, path, true);
}

bool OpenScoreFile(Match& data, const std::string& path) {
    return Load(data, path, false).loaded;
}
