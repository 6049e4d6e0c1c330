#include "score/Diagnostics.h"

#include "score/Evaluate.h"
#include "score/Loader.h"
#include "score/Numbers.h"
#include "score/ProfileFile.h"
#include "score/ScoreData.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

namespace {

// One turn as the loader read it, with the lines of its keys.
struct Turn : ReadTurn {
    int dataLine = 0;
    int timeLine = 0;
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

// A section name's base and leg number: "DATA" is ("DATA", 1), "TIME3" ("TIME", 3); a base
// without a number after it is leg 1.
std::pair<std::string, int> SplitLegSection(const std::string& name) {
    std::string upper = Upper(name);
    size_t digits = upper.size();
    while (digits > 0 && upper[digits - 1] >= '0' && upper[digits - 1] <= '9') {
        --digits;
    }
    if (digits == upper.size()) {
        return {upper, 1};
    }
    const std::string number = upper.substr(digits);
    const int32_t n = number[0] == '0' ? 0 : ParseInt(number);
    return {upper.substr(0, digits), n};
}

bool IsReadSection(const std::string& name) {
    const auto [base, number] = SplitLegSection(name);
    if (base != "DATA" && base != "TIME" && base != "SETTING") {
        return false;
    }
    // [DATA1] is no leg section: leg 1 has no number.
    return number == 1 ? Upper(name) == base : number >= 2 && number <= kMaxLegs;
}

bool IsSetting(const std::string& name, bool legSection) {
    const std::string upper = Upper(name);
    auto is = [&upper](std::string_view known) { return upper == known; };
    return legSection ? std::any_of(std::begin(kLegSettingKeys), std::end(kLegSettingKeys), is)
                      : std::any_of(std::begin(kSettingKeys), std::end(kSettingKeys), is);
}

// Whether player p (0 or 1) has won by the state of this entry.
bool HasWon(const Entry& entry, int p, bool cricket) {
    return HasWonGame(entry, p + 1, cricket);
}

// The points a dart as evaluated would score, before any bust.
int64_t DartPoints(const Entry& dart, int32_t separateBull) {
    switch (dart.kind) {
    case Hit::Bull:
        return 50;
    case Hit::OuterBull:
        return separateBull > 0 ? 25 : 50;
    case Hit::Triple:
        return int64_t{3} * dart.number;
    case Hit::Double:
        return int64_t{2} * dart.number;
    case Hit::Single:
        return dart.number;
    default:
        return 0;
    }
}

// One leg as the file writes it: its sections and the leg the loader made of it (null when
// the loader did not play it).
struct FileLeg {
    int number = 1;
    std::string data;
    std::string time;
    std::string setting;
    const Leg* leg = nullptr;
    std::vector<Turn> turns;
    std::set<std::string> readKeys;
    bool stopped = false;
    int stopRound = 0;
    int stopPlayer = 0;
    int first = 1;
};

class Diagnoser {
public:
    Diagnoser(const ProfileFile& file, const Match& match, const std::vector<ReadLeg>& read)
        : m_file(file), m_match(match), m_read(read) {}

    std::vector<Diagnostic> run() {
        m_cricket = m_match.gameKind == GameKind::Cricket;
        findLegs();
        checkStructure();
        for (FileLeg& leg : m_legs) {
            takeTurns(leg);
            checkKeys(leg, leg.data);
            checkKeys(leg, leg.time);
            if (leg.stopped) {
                checkStop(leg);
            }
        }
        checkKeys(m_legs.front(), "SETTING");
        checkSettings();
        checkMatchSettings();
        for (FileLeg& leg : m_legs) {
            if (leg.number > 1) {
                checkKeys(leg, leg.setting);
                checkLegSettings(leg);
            }
            if (leg.leg != nullptr) {
                checkThrows(leg);
                if (m_match.isMatch) {
                    checkLegEnd(leg);
                } else {
                    checkWins(leg);
                }
            }
        }
        checkTimes();
        return m_out.take();
    }

private:
    // Leg 1, then every [DATAk] the loader looks at, in order.
    void findLegs() {
        for (int number = 1; number <= kMaxLegs; ++number) {
            FileLeg leg;
            leg.number = number;
            leg.data = LegSection("DATA", number);
            leg.time = LegSection("TIME", number);
            leg.setting = LegSection("SETTING", number);
            if (number > 1 && m_file.sectionLine(leg.data) == 0) {
                break;
            }
            for (const Leg& played : m_match.legs) {
                if (played.number == number) {
                    leg.leg = &played;
                    leg.first = played.firstThrower;
                }
            }
            if (leg.leg == nullptr && number > 1) {
                // Not played: after the match was decided, or without a first visit.
                const int line = m_file.sectionLine(leg.data);
                if (m_match.winner != 0 && m_match.legs.back().number < number) {
                    m_out.add(line, MessageId::LegAfterMatch,
                              {leg.data, std::to_string(m_match.winner)});
                } else {
                    m_out.add(line, MessageId::LegWithoutFirstVisit, {leg.data});
                }
            }
            m_legs.push_back(std::move(leg));
        }
        // A leg that ends without a winner while a later one is played.
        for (size_t i = 0; m_match.isMatch && i + 1 < m_match.legs.size(); ++i) {
            const Leg& leg = m_match.legs[i];
            if (leg.winner == 0) {
                m_out.add(m_file.sectionLine(LegSection("DATA", leg.number)),
                          MessageId::LegUnfinished,
                          {std::to_string(leg.number), std::to_string(m_match.legs[i + 1].number)});
            }
        }
    }

    // How a turn is named in a message: its key, with its section after leg 1.
    static std::string turnName(const FileLeg& leg, const std::string& key) {
        return leg.number == 1 ? key : "[" + leg.data + "] " + key;
    }

    // The turns the loader read of a leg it played; a leg it did not play has none.
    void takeTurns(FileLeg& leg) {
        if (leg.leg == nullptr) {
            return;
        }
        for (const ReadLeg& read : m_read) {
            if (read.number != leg.number) {
                continue;
            }
            for (const ReadTurn& taken : read.turns) {
                Turn turn;
                static_cast<ReadTurn&>(turn) = taken;
                turn.dataLine = m_file.keyLine(leg.data, turn.key);
                turn.timeLine = m_file.keyLine(leg.time, turn.key);
                leg.readKeys.insert(turn.key);
                leg.turns.push_back(std::move(turn));
            }
            leg.stopped = read.stopped;
            leg.stopRound = read.stopRound;
            leg.stopPlayer = read.stopPlayer;
        }
    }

    void checkStructure() {
        const std::vector<ProfileFile::Item> sections = m_file.sections();
        for (const ProfileFile::Item& section : sections) {
            // Leg sections are read up to the first leg without a [DATAk].
            const bool pastLastLeg =
                SplitLegSection(section.name).second > static_cast<int>(m_legs.size());
            if (!IsReadSection(section.name) || pastLastLeg) {
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

    void checkKeys(const FileLeg& leg, const std::string& section) {
        const bool settings = SplitLegSection(section).first == "SETTING";
        const bool time = SplitLegSection(section).first == "TIME";
        for (const ProfileFile::Item& key : m_file.keys(section)) {
            if (key.firstLine != 0) {
                m_out.add(key.line, MessageId::DuplicateKey,
                          {key.name, section, std::to_string(key.firstLine)});
                continue;
            }
            bool read = false;
            if (settings) {
                read = IsSetting(key.name, leg.number > 1);
                if (!read && leg.number > 1) {
                    m_out.add(key.line, MessageId::LegSettingNeverRead, {key.name, section});
                } else if (!read) {
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
                if (read && time && leg.readKeys.count(Upper(key.name)) == 0 &&
                    (leg.leg != nullptr || leg.number == 1)) {
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
    void checkStop(const FileLeg& leg) {
        const std::string stop = TurnKey(leg.stopRound, leg.stopPlayer);
        const int other = 3 - leg.first;
        for (int round = leg.stopRound; round <= kMaxRounds; ++round) {
            for (int turnOfRound = 0; turnOfRound < 2; ++turnOfRound) {
                const int player = turnOfRound == 0 ? leg.first : other;
                if (round == leg.stopRound && (player == leg.stopPlayer ||
                                               (leg.stopPlayer == other && player == leg.first))) {
                    continue;
                }
                const std::string later = TurnKey(round, player);
                const int line = m_file.keyLine(leg.data, later);
                if (line == 0) {
                    continue;
                }
                const int stopLine = m_file.keyLine(leg.data, stop);
                if (stopLine != 0) {
                    m_out.add(stopLine, MessageId::TurnEmpty,
                              {turnName(leg, stop), turnName(leg, later)});
                } else {
                    m_out.add(line, MessageId::TurnMissing,
                              {turnName(leg, stop), turnName(leg, later)});
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

    // The match format's keys: names, legs, sets, who starts, the out rule.
    void checkMatchSettings() {
        auto raw = [this](const std::string& key) { return ScoreValue(m_file, "SETTING", key); };
        auto line = [this](const std::string& key) { return m_file.keyLine("SETTING", key); };
        for (const char* key : {"P1-NAME", "P2-NAME"}) {
            const std::string name = raw(key);
            if (CutName(name) != name) {
                size_t characters = 0;
                for (char c : name) {
                    characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                }
                m_out.add(line(key), MessageId::NameCut,
                          {key, std::to_string(characters), std::to_string(kMaxNameCharacters)});
            }
        }
        const std::string legs = Trim(raw("LEGS"));
        if (!legs.empty() && (!AllDigits(legs) || ParseInt(legs) < 1)) {
            m_out.add(line("LEGS"), MessageId::SettingValueUnknown,
                      {"LEGS", legs, "a number of legs from 1", std::to_string(m_match.legsToWin)});
        }
        const std::string sets = Trim(raw("SETS"));
        if (!sets.empty() && !AllDigits(sets)) {
            m_out.add(line("SETS"), MessageId::SettingValueUnknown,
                      {"SETS", sets, "a number of sets", std::to_string(m_match.setsToWin)});
        }
        checkFirst("SETTING", m_match.firstThrower);
        const std::string out = Trim(raw("OUT"));
        const std::string upper = Upper(out);
        if (!out.empty() && upper != "OPEN" && upper != "DOUBLE" && upper != "MASTER") {
            m_out.add(line("OUT"), MessageId::SettingValueUnknown,
                      {"OUT", out, "OPEN, DOUBLE or MASTER", "OPEN"});
        }
    }

    void checkFirst(const std::string& section, int32_t used) {
        const std::string first = Trim(ScoreValue(m_file, section, "FIRST"));
        if (!first.empty() && first != "1" && first != "2") {
            m_out.add(m_file.keyLine(section, "FIRST"), MessageId::SettingValueUnknown,
                      {"FIRST", first, "1 or 2", std::to_string(used)});
        }
    }

    void checkLegSettings(const FileLeg& leg) {
        if (leg.leg != nullptr) {
            checkFirst(leg.setting, leg.leg->firstThrower);
            // A handicap leg's own starting scores and marks, read as [SETTING]'s are.
            const Entry& head = m_match.entries[static_cast<size_t>(leg.leg->firstEntry)];
            for (int player = 1; player <= 2; ++player) {
                const std::string prefix = "P" + std::to_string(player);
                const std::string scoreKey = prefix + "-SCORE";
                const std::string score = Trim(ScoreValue(m_file, leg.setting, scoreKey));
                const int scoreLine = m_file.keyLine(leg.setting, scoreKey);
                if (!score.empty() && !IsInteger(score)) {
                    m_out.add(scoreLine, MessageId::NotANumber,
                              {scoreKey, score, std::to_string(ParseInt(score))});
                }
                if (ParseInt(score) < 0) {
                    m_out.add(scoreLine, MessageId::ScoreNegative,
                              {scoreKey, score, std::to_string(head.score[player - 1])});
                }
                const std::string marksKey = prefix + "-MARK";
                const std::string marks = ScoreValue(m_file, leg.setting, marksKey);
                const int marksLine = m_file.keyLine(leg.setting, marksKey);
                if (marks.empty()) {
                    continue;
                }
                if (marks.size() != 7) {
                    m_out.add(marksLine, MessageId::MarksWrongLength, {marksKey, marks});
                } else if (!std::all_of(marks.begin(), marks.end(),
                                        [](char c) { return c >= '0' && c <= '3'; })) {
                    m_out.add(marksLine, MessageId::MarksBadDigit, {marksKey, marks});
                }
            }
            const std::string game = TrimUpper(ScoreValue(m_file, leg.setting, "GAME"));
            if (!game.empty() && leg.leg->game == "301" && game != "301") {
                m_out.add(m_file.keyLine(leg.setting, "GAME"), MessageId::GameUnknown,
                          {Trim(ScoreValue(m_file, leg.setting, "GAME"))});
            }
        }
    }

    bool legCricket(const FileLeg& leg) const {
        return leg.leg != nullptr ? leg.leg->gameKind == GameKind::Cricket : m_cricket;
    }

    // The entry of dart d of a turn, or null when the leg ended before it.
    const Entry* entryOf(const FileLeg& leg, const Turn& turn, int dart) const {
        const size_t index = turn.start + static_cast<size_t>(dart);
        if (leg.leg != nullptr && m_match.isMatch &&
            index >= static_cast<size_t>(leg.leg->firstEntry + leg.leg->entryCount)) {
            return nullptr;
        }
        return index < m_match.entries.size() ? &m_match.entries[index] : nullptr;
    }

    void checkThrows(const FileLeg& leg) {
        std::string pieces[4];
        for (const Turn& turn : leg.turns) {
            SplitComma(turn.throws, pieces);
            if (turn.pieces > kMaxDarts) {
                size_t cut = 0;
                for (int i = 0; i < kMaxDarts; ++i) {
                    cut = turn.throws.find(',', cut) + 1;
                }
                m_out.add(turn.dataLine, MessageId::ExtraThrows,
                          {turnName(leg, turn.key), std::to_string(CountPieces(turn.throws)),
                           turn.throws.substr(cut)});
            }
            for (int d = 1; d <= turn.darts; ++d) {
                if (entryOf(leg, turn, d) != nullptr) {
                    checkThrow(leg, turn, d, pieces[d - 1]);
                }
            }
        }
    }

    void checkThrow(const FileLeg& leg, const Turn& turn, int dart, const std::string& piece) {
        const bool cricket = legCricket(leg);
        const std::string token = Trim(piece);
        if (token.empty()) {
            m_out.add(turn.dataLine, MessageId::EmptyThrow);
            return;
        }
        int32_t kind = Hit::None;
        int32_t number = 0;
        ClassifyThrow(piece, kind, number);
        const Entry& entry = *entryOf(leg, turn, dart);
        const Entry& before = *entryOf(leg, turn, dart - 1);
        if (cricket && kind == Hit::Leave) {
            m_out.add(turn.dataLine, MessageId::LeaveInCricket, {token});
        } else if (!IsBoardToken(TrimUpper(piece))) {
            const std::string reading = Reading(kind, number);
            if (cricket) {
                m_out.add(turn.dataLine, MessageId::ThrowNotOnBoardMarks,
                          {token, reading, std::to_string(entry.value)});
            } else if (entry.value < 0) {
                m_out.add(turn.dataLine, MessageId::ThrowNotOnBoardBust, {token, reading});
            } else {
                m_out.add(turn.dataLine, MessageId::ThrowNotOnBoard01,
                          {token, reading, std::to_string(entry.value)});
            }
        } else if (!cricket && kind == Hit::Leave && number > before.score[turn.player - 1]) {
            m_out.add(turn.dataLine, MessageId::LeaveTooLarge,
                      {token, std::to_string(before.score[turn.player - 1])});
        } else if (!cricket && m_match.out != OutRule::Open && kind != Hit::Leave &&
                   entry.value < 0 && entry.number >= 0 &&
                   DartPoints(entry, m_match.separateBull) == before.score[turn.player - 1]) {
            m_out.add(turn.dataLine, MessageId::FinishNotAllowed,
                      {token, turnName(leg, turn.key),
                       m_match.out == OutRule::Double ? "double" : "master"});
        }
    }

    void checkWins(const FileLeg& leg) {
        int winner = 0;
        std::string winningTurn;
        for (const Turn& turn : leg.turns) {
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

    // A match leg ends with its winning dart: what was written after it is ignored.
    void checkLegEnd(const FileLeg& leg) {
        if (leg.leg == nullptr || leg.leg->winner == 0) {
            return;
        }
        std::string winningTurn;
        for (const Turn& turn : leg.turns) {
            if (entryOf(leg, turn, 0) == nullptr) {
                m_out.add(turn.dataLine, MessageId::AfterLegWon,
                          {turnName(leg, turn.key), std::to_string(leg.leg->winner), winningTurn});
                continue;
            }
            for (int d = 1; d <= turn.darts; ++d) {
                if (entryOf(leg, turn, d) == nullptr) {
                    m_out.add(turn.dataLine, MessageId::AfterLegCheckout,
                              {turnName(leg, turn.key), std::to_string(d)});
                }
            }
            if (winningTurn.empty() && turn.player == leg.leg->winner &&
                turn.start + static_cast<size_t>(turn.darts) + 1 >=
                    static_cast<size_t>(leg.leg->firstEntry + leg.leg->entryCount)) {
                winningTurn = turnName(leg, turn.key);
            }
        }
    }

    void checkTimes() {
        bool recorded = false;
        for (const FileLeg& leg : m_legs) {
            recorded =
                recorded || std::any_of(leg.turns.begin(), leg.turns.end(),
                                        [](const Turn& turn) { return !turn.times.empty(); });
        }
        if (!recorded) {
            return; // not recorded yet
        }
        // Lost times: every dart after the first written as 0. One warning says it better than a
        // step back at the second dart.
        int darts = 0;
        int zeroLine = 0;
        bool allZero = true;
        std::string pieces[4];
        for (const FileLeg& leg : m_legs) {
            for (const Turn& turn : leg.turns) {
                for (std::string& piece : pieces) {
                    piece.clear();
                }
                SplitComma(turn.times, pieces);
                for (int d = 1; d <= turn.darts; ++d) {
                    if (++darts > 1) {
                        // Written as 0: a missing time is told about as such.
                        allZero =
                            allZero && d <= CountPieces(turn.times) && ParseInt(pieces[d - 1]) == 0;
                        if (zeroLine == 0) {
                            zeroLine = turn.timeLine != 0 ? turn.timeLine : turn.dataLine;
                        }
                    }
                }
            }
        }
        const bool lost = allZero && darts > 1;
        if (lost) {
            m_out.add(zeroLine, MessageId::TimesAllZero, {std::to_string(darts)});
        }

        int64_t previous = 0;
        bool backwards = lost;
        for (const FileLeg& leg : m_legs) {
            bool firstOfLeg = true;
            for (const Turn& turn : leg.turns) {
                const int line = turn.timeLine != 0 ? turn.timeLine : turn.dataLine;
                const int count = CountPieces(turn.times);
                if (count != turn.darts) {
                    m_out.add(line,
                              count < turn.darts ? MessageId::FewerTimes : MessageId::MoreTimes,
                              {turnName(leg, turn.key), std::to_string(turn.darts),
                               std::to_string(count)});
                }
                for (std::string& piece : pieces) {
                    piece.clear();
                }
                SplitComma(turn.times, pieces);
                for (int d = 1; d <= turn.darts && !backwards; ++d) {
                    const int64_t time = ParseInt(pieces[d - 1]);
                    if (time < previous) {
                        if (firstOfLeg && leg.number > 1) {
                            m_out.add(line, MessageId::LegTimeGoesBack,
                                      {std::to_string(leg.number), std::to_string(time),
                                       std::to_string(previous)});
                        } else {
                            m_out.add(line, MessageId::TimeGoesBack,
                                      {turnName(leg, turn.key), std::to_string(d),
                                       std::to_string(time), std::to_string(previous)});
                        }
                        backwards = true;
                    } else {
                        if (time - previous > kLongGapMs) {
                            m_out.add(line, MessageId::LongGap,
                                      {turnName(leg, turn.key), std::to_string(d),
                                       Duration(time - previous)});
                        }
                        previous = time;
                    }
                    firstOfLeg = false;
                }
            }
        }
    }

    const ProfileFile& m_file;
    const Match& m_match;
    const std::vector<ReadLeg>& m_read;
    Collector m_out;
    std::vector<FileLeg> m_legs;
    bool m_cricket = false;
};

} // namespace

std::vector<Diagnostic> Diagnose(const ProfileFile& file, const Match& match,
                                 const std::vector<ReadLeg>& read) {
    return Diagnoser(file, match, read).run();
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
