#include "score/Loader.h"

#include "score/Evaluate.h"
#include "score/Numbers.h"
#include "score/ProfileFile.h"
#include "score/ScoreData.h"

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

// Fills a fresh match (only its path set) from the file.
void ReadInto(Match& data, const ProfileFile& file) {
    auto setting = [&file](std::string_view key) { return ScoreValue(file, "SETTING", key); };

    std::string throws[4];
    std::string times[4];
    int32_t lastTime = 0;
    for (int round = 1; round <= kMaxRounds; ++round) {
        bool ended = false;
        for (int player = 1; player <= 2; ++player) {
            const std::string key = TurnKey(round, player);
            const std::string dataValue = ScoreValue(file, "DATA", key);
            const std::string timeValue = ScoreValue(file, "TIME", key);
            if (dataValue.empty()) {
                ended = true;
                break;
            }
            int darts = SplitComma(dataValue, throws);
            if (darts > kMaxDarts) {
                darts = kMaxDarts; // a fourth throw has no dart slot: it is ignored
            }
            // A dart without a recorded time gets 0 rather than an earlier turn's time.
            for (std::string& t : times) {
                t.clear();
            }
            SplitComma(timeValue, times);

            Entry& start = data.append();
            start.round = round;
            start.player = player;
            start.dart = 0;
            if (round != 1 || player != 1) {
                int64_t first = ParseInt(times[0]);
                start.time = Saturate32((first + lastTime) / 2);
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
    if (data.count() == 0) {
        return;
    }

    if (ParseInt(setting("NOCOMP-AVI")) > 0) {
        data.compress = false;
    }

    std::string game = TrimUpper(setting("GAME"));
    if (game == "301" || game == "501" || game == "701" || game == "901" || game == "1101" ||
        game == "1501") {
        data.gameKind = GameKind::X01;
    } else if (game.size() >= 3 && game.compare(0, 3, "CRI") == 0) {
        data.gameKind = GameKind::Cricket;
    } else {
        game = "301";
        data.gameKind = GameKind::X01;
    }
    data.game = game;

    Entry& first = *data.at(0);
    for (int player = 1; player <= 2; ++player) {
        const std::string prefix = "P" + std::to_string(player);
        int32_t score = ParseInt(setting(prefix + "-SCORE"));
        if (score < 0) {
            score = 0;
        }
        if (score == 0 && data.gameKind == GameKind::X01) {
            score = ParseInt(data.game);
        }
        first.score[player - 1] = score;

        const std::string marks = setting(prefix + "-MARK");
        if (marks.size() == 7) {
            for (int i = 0; i < 7; ++i) {
                int32_t v = ParseInt(marks.substr(static_cast<size_t>(i), 1));
                if (v >= 0 && v <= 3) {
                    first.marks[player - 1][6 - i] = v;
                }
            }
        }
    }
    if (data.gameKind == GameKind::X01) {
        data.separateBull = ParseInt(setting("SEPABULL"));
    }

    Leg& leg = data.legs.emplace_back();
    leg.game = data.game;
    leg.gameKind = data.gameKind;
    leg.entryCount = data.count();

    if (data.gameKind == GameKind::Cricket) {
        EvaluateCricket(data);
    } else {
        Evaluate01(data);
    }
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
    ReadInto(fresh, file);
    if (fresh.count() == 0) {
        reason = {file.sectionLine("DATA") == 0 ? MessageId::NoDataSection : MessageId::NoFirstTurn,
                  {}};
        return outcome;
    }
    if (diagnose) {
        outcome.diagnostics = Diagnose(file, fresh);
    }
    data = std::move(fresh);
    outcome.loaded = true;
    outcome.error = FileError{};
    return outcome;
}

} // namespace

bool ReadScore(Match& data, const ProfileFile& file) {
    Match fresh;
    fresh.path = data.path;
    ReadInto(fresh, file);
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
