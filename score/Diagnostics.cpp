#include "score/Diagnostics.h"

#include "score/Loader.h"
#include "score/Numbers.h"
#include "score/ProfileFile.h"
#include "score/ScoreData.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

// One turn as the loader read it, with where it stands in the file and in the match.
struct Turn {
    std::string key;
    int dataLine = 0;
    int timeLine = 0;
    std::string throws; // the [DATA] value
    std::string times;  // the [TIME] value
    int pieces = 0;     // throws as SplitComma counts them (at most four)
    int darts = 0;      // darts made of them (at most three)
    size_t start = 0;   // index of the turn-start entry in the match
    int player = 0;
};

class Collector {
public:
    void add(int line, MessageId id, std::vector<std::string> args = {}) {
        m_list.push_back(Diagnostic{line, Message{id, std::move(args)}});
    }
    std::vector<Diagnostic> take() {
        std::stable_sort(m_list.begin(), m_list.end(),
                         [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
        return std::move(m_list);
    }

private:
    std::vector<Diagnostic> m_list;
};

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string Trim(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && IsBlank(text[b])) {
        ++b;
    }
    while (e > b && IsBlank(text[e - 1])) {
        --e;
    }
    return std::string(text.substr(b, e - b));
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits with at most one sign in front: a number that reads whole.
bool IsInteger(std::string_view text) {
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        text.remove_prefix(1);
    }
    return AllDigits(text);
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

int CountPieces(const std::string& value) {
    return value.empty() ? 0 : static_cast<int>(std::count(value.begin(), value.end(), ',')) + 1;
}

// Whether a trimmed, upper-cased token is written as the format means it: a segment 1-20 as
// a single, double or triple (or a bare number), the bull as SB, DB, S25, D25 or 25, a leave
// "@n", or one of the tokens for a dart that scored nothing.
bool IsBoardToken(const std::string& token) {
    if (token == "DB" || token == "SB" || token == "BUST" || token == "X" || token == "-" ||
        token == "OUT" || token == "0") {
        return true;
    }
    std::string_view digits = token;
    char ring = 'S';
    if (token[0] == '@') {
        return AllDigits(digits.substr(1));
    }
    if (token[0] == 'S' || token[0] == 'D' || token[0] == 'T') {
        ring = token[0];
        digits.remove_prefix(1);
    }
    if (!AllDigits(digits)) {
        return false;
    }
    const int32_t n = ParseInt(digits);
    return (n >= 1 && n <= 20) || (n == 25 && ring != 'T');
}

// How the loader read a token, written as a token of the format.
std::string Reading(int32_t kind, int32_t number) {
    const std::string n = std::to_string(number);
    switch (kind) {
    case Hit::Single:
        return "S" + n;
    case Hit::Double:
        return "D" + n;
    case Hit::Triple:
        return "T" + n;
    case Hit::OuterBull:
        return "SB";
    case Hit::Bull:
        return "DB";
    case Hit::Leave:
        return "@" + n;
    default:
        return number < 0 ? "BUST" : "-";
    }
}

std::string Duration(int64_t ms) {
    const int64_t seconds = ms / 1000;
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

// A key of [DATA] or [TIME]: read (R01-1 .. R40-2 as TurnKey writes them), past round 40,
// or never read.
enum class TurnKeyKind { Read, PastLastRound, NeverRead };

TurnKeyKind ClassifyTurnKey(const std::string& name) {
    const std::string key = Upper(name);
    const size_t dash = key.find('-');
    if (key.size() < 4 || key[0] != 'R' || dash == std::string::npos) {
        return TurnKeyKind::NeverRead;
    }
    const std::string_view round = std::string_view(key).substr(1, dash - 1);
    const std::string_view player = std::string_view(key).substr(dash + 1);
    if (!AllDigits(round) || (player != "1" && player != "2")) {
        return TurnKeyKind::NeverRead;
    }
    const int32_t r = ParseInt(round);
    if (key != TurnKey(r, player[0] - '0') || r < 1) {
        return TurnKeyKind::NeverRead;
    }
    return r <= kMaxRounds ? TurnKeyKind::Read : TurnKeyKind::PastLastRound;
}

bool IsReadSection(const std::string& name) {
    const std::string upper = Upper(name);
    return upper == "DATA" || upper == "TIME" || upper == "SETTING";
}

bool IsSetting(const std::string& name) {
    static const char* const kSettings[] = {"GAME",    "P1-SCORE", "P2-SCORE",  "P1-MARK",
                                            "P2-MARK", "SEPABULL", "NOCOMP-AVI"};
    const std::string upper = Upper(name);
    return std::any_of(std::begin(kSettings), std::end(kSettings),
                       [&upper](const char* known) { return upper == known; });
}

// Whether player p (0 or 1) has won by the state of this entry.
bool HasWon(const Entry& entry, int p, bool cricket) {
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

class Diagnoser {
public:
    Diagnoser(const ProfileFile& file, const Match& match) : m_file(file), m_match(match) {}

    std::vector<Diagnostic> run() {
        readTurns();
        checkStructure();
        checkKeys("DATA");
        checkKeys("TIME");
        checkKeys("SETTING");
        if (m_stopped) {
            checkStop();
        }
        checkSettings();
        if (m_matchesFile) {
            checkThrows();
            checkWins();
        }
        checkTimes();
        return m_out.take();
    }

private:
    void readTurns() {
        size_t index = 0;
        std::string pieces[4];
        for (int round = 1; round <= kMaxRounds && !m_stopped; ++round) {
            for (int player = 1; player <= 2; ++player) {
                Turn turn;
                turn.key = TurnKey(round, player);
                turn.throws = ScoreValue(m_file, "DATA", turn.key);
                if (turn.throws.empty()) {
                    m_stopped = true;
                    m_stopRound = round;
                    m_stopPlayer = player;
                    break;
                }
                turn.times = ScoreValue(m_file, "TIME", turn.key);
                turn.dataLine = m_file.keyLine("DATA", turn.key);
                turn.timeLine = m_file.keyLine("TIME", turn.key);
                turn.pieces = SplitComma(turn.throws, pieces);
                turn.darts = std::min(turn.pieces, kMaxDarts);
                turn.start = index;
                turn.player = player;
                index += 1 + static_cast<size_t>(turn.darts);
                m_readKeys.insert(turn.key);
                m_turns.push_back(std::move(turn));
            }
        }
        m_matchesFile = index == m_match.entries.size();
        m_cricket = m_match.gameKind == GameKind::Cricket;
    }

    void checkStructure() {
        const std::vector<ProfileFile::Item> sections = m_file.sections();
        for (const ProfileFile::Item& section : sections) {
            if (!IsReadSection(section.name)) {
                if (section.firstLine == 0) {
                    m_out.add(section.line, MessageId::SectionNeverRead, {section.name});
                }
            } else if (section.firstLine != 0) {
                m_out.add(section.line, MessageId::DuplicateSection,
                          {section.name, std::to_string(section.firstLine)});
            }
        }
        // Both lists run in line order: the section a skipped line belongs to is the last one
        // above it.
        size_t next = 0;
        const ProfileFile::Item* owner = nullptr;
        for (const ProfileFile::SkippedLine& skipped : m_file.skippedLines()) {
            if (skipped.why == ProfileFile::SkippedLine::Why::BeforeFirstSection) {
                m_out.add(skipped.line, MessageId::LineBeforeSection);
                continue;
            }
            while (next < sections.size() && sections[next].line < skipped.line) {
                owner = &sections[next++];
            }
            // Lines of sections that are never read are not looked at.
            if (owner == nullptr || owner->firstLine != 0 || !IsReadSection(owner->name)) {
                continue;
            }
            m_out.add(skipped.line, skipped.why == ProfileFile::SkippedLine::Why::NoEquals
                                        ? MessageId::LineWithoutEquals
                                        : MessageId::KeyWithoutName);
        }
    }

    void checkKeys(const char* section) {
        const bool settings = std::string_view(section) == "SETTING";
        for (const ProfileFile::Item& key : m_file.keys(section)) {
            if (key.firstLine != 0) {
                m_out.add(key.line, MessageId::DuplicateKey,
                          {key.name, section, std::to_string(key.firstLine)});
                continue;
            }
            bool read = false;
            if (settings) {
                read = IsSetting(key.name);
                if (!read) {
                    m_out.add(key.line, MessageId::SettingNeverRead, {key.name});
                }
            } else {
                switch (ClassifyTurnKey(key.name)) {
                case TurnKeyKind::Read:
                    read = true;
                    break;
                case TurnKeyKind::PastLastRound:
                    m_out.add(key.line, MessageId::RoundTooHigh, {key.name, section});
                    break;
                case TurnKeyKind::NeverRead:
                    m_out.add(key.line, MessageId::KeyNeverRead, {key.name, section});
                    break;
                }
                if (read && std::string_view(section) == "TIME" &&
                    m_readKeys.count(Upper(key.name)) == 0) {
                    m_out.add(key.line, MessageId::TimeWithoutTurn, {key.name});
                }
            }
            if (read && key.value.size() > kMaxValueBytes) {
                m_out.add(
                    key.line, MessageId::ValueCut,
                    {key.name, std::to_string(key.value.size()), std::to_string(kMaxValueBytes)});
            }
        }
    }

    // The turns end at the first missing or empty one; later turns that exist are never read.
    void checkStop() {
        const std::string stop = TurnKey(m_stopRound, m_stopPlayer);
        for (int round = m_stopRound; round <= kMaxRounds; ++round) {
            for (int player = round == m_stopRound ? m_stopPlayer + 1 : 1; player <= 2; ++player) {
                const std::string later = TurnKey(round, player);
                const int line = m_file.keyLine("DATA", later);
                if (line == 0) {
                    continue;
                }
                const int stopLine = m_file.keyLine("DATA", stop);
                if (stopLine != 0) {
                    m_out.add(stopLine, MessageId::TurnEmpty, {stop, later});
                } else {
                    m_out.add(line, MessageId::TurnMissing, {stop, later});
                }
                return;
            }
        }
    }

    void checkSettings() {
        auto raw = [this](const std::string& key) { return ScoreValue(m_file, "SETTING", key); };
        auto line = [this](const std::string& key) { return m_file.keyLine("SETTING", key); };
        auto checkNumber = [&](const std::string& key) {
            const std::string value = Trim(raw(key));
            if (!value.empty() && !IsInteger(value)) {
                m_out.add(line(key), MessageId::NotANumber,
                          {key, value, std::to_string(ParseInt(value))});
            }
        };

        const std::string game = TrimUpper(raw("GAME"));
        if (game.empty()) {
            m_out.add(m_file.sectionLine("SETTING"), MessageId::GameMissing);
        } else if (m_match.game == "301" && game != "301") {
            m_out.add(line("GAME"), MessageId::GameUnknown, {Trim(raw("GAME"))});
        }

        for (int player = 1; player <= 2; ++player) {
            const std::string prefix = "P" + std::to_string(player);
            const std::string scoreKey = prefix + "-SCORE";
            checkNumber(scoreKey);
            const std::string score = Trim(raw(scoreKey));
            if (ParseInt(score) < 0 && !m_match.entries.empty()) {
                m_out.add(line(scoreKey), MessageId::ScoreNegative,
                          {scoreKey, score, std::to_string(m_match.entries[0].score[player - 1])});
            }
            const std::string marksKey = prefix + "-MARK";
            const std::string marks = raw(marksKey);
            if (marks.empty()) {
                continue;
            }
            if (marks.size() != 7) {
                m_out.add(line(marksKey), MessageId::MarksWrongLength, {marksKey, marks});
            } else if (!std::all_of(marks.begin(), marks.end(),
                                    [](char c) { return c >= '0' && c <= '3'; })) {
                m_out.add(line(marksKey), MessageId::MarksBadDigit, {marksKey, marks});
            }
        }
        if (!m_cricket) {
            checkNumber("SEPABULL");
        }
        checkNumber("NOCOMP-AVI");
    }

    void checkThrows() {
        std::string pieces[4];
        for (const Turn& turn : m_turns) {
            SplitComma(turn.throws, pieces);
            if (turn.pieces > kMaxDarts) {
                size_t cut = 0;
                for (int i = 0; i < kMaxDarts; ++i) {
                    cut = turn.throws.find(',', cut) + 1;
                }
                m_out.add(
                    turn.dataLine, MessageId::ExtraThrows,
                    {turn.key, std::to_string(CountPieces(turn.throws)), turn.throws.substr(cut)});
            }
            for (int d = 1; d <= turn.darts; ++d) {
                checkThrow(turn, d, pieces[d - 1]);
            }
        }
    }

    void checkThrow(const Turn& turn, int dart, const std::string& piece) {
        const std::string token = Trim(piece);
        if (token.empty()) {
            m_out.add(turn.dataLine, MessageId::EmptyThrow);
            return;
        }
        int32_t kind = Hit::None;
        int32_t number = 0;
        ClassifyThrow(piece, kind, number);
        const Entry& entry = m_match.entries[turn.start + static_cast<size_t>(dart)];
        const Entry& before = m_match.entries[turn.start + static_cast<size_t>(dart) - 1];
        if (m_cricket && kind == Hit::Leave) {
            m_out.add(turn.dataLine, MessageId::LeaveInCricket, {token});
        } else if (!IsBoardToken(TrimUpper(piece))) {
            const std::string reading = Reading(kind, number);
            if (m_cricket) {
                m_out.add(turn.dataLine, MessageId::ThrowNotOnBoardMarks,
                          {token, reading, std::to_string(entry.value)});
            } else if (entry.value < 0) {
                m_out.add(turn.dataLine, MessageId::ThrowNotOnBoardBust, {token, reading});
            } else {
                m_out.add(turn.dataLine, MessageId::ThrowNotOnBoard01,
                          {token, reading, std::to_string(entry.value)});
            }
        } else if (!m_cricket && kind == Hit::Leave && number > before.score[turn.player - 1]) {
            m_out.add(turn.dataLine, MessageId::LeaveTooLarge,
                      {token, std::to_string(before.score[turn.player - 1])});
        }
    }

    void checkWins() {
        int winner = 0;
        std::string winningTurn;
        for (const Turn& turn : m_turns) {
            if (winner != 0) {
                m_out.add(turn.dataLine, MessageId::AfterWin,
                          {turn.key, std::to_string(winner), winningTurn});
                continue;
            }
            const int p = turn.player - 1;
            const Entry& start = m_match.entries[turn.start];
            bool reached = false;
            for (int d = 1; d <= turn.darts; ++d) {
                const Entry& entry = m_match.entries[turn.start + static_cast<size_t>(d)];
                if (reached && entry.value != 0) {
                    m_out.add(turn.dataLine, MessageId::AfterCheckout,
                              {turn.key, std::to_string(d)});
                }
                reached = reached || (entry.value >= 0 && HasWon(entry, p, m_cricket));
            }
            const Entry& last = m_match.entries[turn.start + static_cast<size_t>(turn.darts)];
            if (!HasWon(start, p, m_cricket) && HasWon(last, p, m_cricket)) {
                winner = turn.player;
                winningTurn = turn.key;
            }
        }
    }

    void checkTimes() {
        const bool recorded = std::any_of(m_turns.begin(), m_turns.end(),
                                          [](const Turn& turn) { return !turn.times.empty(); });
        if (!recorded) {
            return; // not recorded yet
        }
        std::string pieces[4];
        int64_t previous = 0;
        bool backwards = false;
        for (const Turn& turn : m_turns) {
            const int line = turn.timeLine != 0 ? turn.timeLine : turn.dataLine;
            const int count = CountPieces(turn.times);
            if (count != turn.darts) {
                m_out.add(line, count < turn.darts ? MessageId::FewerTimes : MessageId::MoreTimes,
                          {turn.key, std::to_string(turn.darts), std::to_string(count)});
            }
            for (std::string& piece : pieces) {
                piece.clear();
            }
            SplitComma(turn.times, pieces);
            for (int d = 1; d <= turn.darts && !backwards; ++d) {
                const int64_t time = ParseInt(pieces[d - 1]);
                if (time < previous) {
                    m_out.add(line, MessageId::TimeGoesBack,
                              {turn.key, std::to_string(d), std::to_string(time),
                               std::to_string(previous)});
                    backwards = true;
                } else {
                    if (time - previous > kLongGapMs) {
                        m_out.add(line, MessageId::LongGap,
                                  {turn.key, std::to_string(d), Duration(time - previous)});
                    }
                    previous = time;
                }
            }
        }
    }

    const ProfileFile& m_file;
    const Match& m_match;
    Collector m_out;
    std::vector<Turn> m_turns;
    std::set<std::string> m_readKeys;
    bool m_stopped = false;
    int m_stopRound = 0;
    int m_stopPlayer = 0;
    bool m_matchesFile = false;
    bool m_cricket = false;
};

} // namespace

std::vector<Diagnostic> Diagnose(const ProfileFile& file, const Match& match) {
    return Diagnoser(file, match).run();
}

std::string FormatCheckReport(const std::string& path, const LoadOutcome& outcome) {
    if (!outcome.loaded) {
        return path + ": error: " + outcome.error.reason.english() + "\n";
    }
    std::string report;
    for (const Diagnostic& diagnostic : outcome.diagnostics) {
        report += path;
        if (diagnostic.line > 0) {
            report += ":" + std::to_string(diagnostic.line);
        }
        report += ": warning: " + diagnostic.message.english() + "\n";
    }
    return report;
}

int CheckExitStatus(const LoadOutcome& outcome) {
    return outcome.loaded ? 0 : 1;
}
