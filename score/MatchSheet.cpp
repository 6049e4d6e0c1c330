#include "score/MatchSheet.h"

#include "score/Loader.h"
#include "score/Numbers.h"
#include "score/ProfileFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

const char* OutName(OutRule out) {
    switch (out) {
    case OutRule::Double:
        return "DOUBLE";
    case OutRule::Master:
        return "MASTER";
    case OutRule::Open:
        break;
    }
    return "OPEN";
}

std::string Section(const char* base, int leg) {
    return leg == 1 ? std::string(base) : base + std::to_string(leg);
}

// The keys of a leg's visits in throwing order, whoever starts: R01-2 before R01-1 when
// player 2 throws first.
std::string VisitKey(const MatchSheet::Visit& visit) {
    return TurnKey(visit.round, visit.player);
}

bool IsNumber1To20(std::string_view digits) {
    if (digits.empty() || digits.size() > 2 || digits[0] == '0') {
        return false;
    }
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    const int n = ParseInt(digits);
    return n >= 1 && n <= 20;
}

// The settings every written file and every leg evaluated alone share.
void WriteFormat(ProfileFile& file, const MatchFormat& format, bool wholeMatch) {
    file.set("SETTING", "GAME", format.game);
    if (wholeMatch) {
        for (int p = 0; p < 2; ++p) {
            if (!format.names[p].empty()) {
                file.set("SETTING", p == 0 ? "P1-NAME" : "P2-NAME", format.names[p]);
            }
        }
    }
    file.set("SETTING", "LEGS", std::to_string(wholeMatch ? format.legsToWin : 1));
    if (wholeMatch && format.setsToWin > 0) {
        file.set("SETTING", "SETS", std::to_string(format.setsToWin));
    }
    file.set("SETTING", "FIRST", std::to_string(wholeMatch ? format.firstThrower : 1));
    file.set("SETTING", "OUT", OutName(format.out));
    file.set("SETTING", "SEPABULL", format.separateBull ? "1" : "0");
}

std::string Joined(const std::vector<SheetDart>& darts, int first, int count, bool times) {
    std::string value;
    for (int i = first; i < first + count; ++i) {
        if (i > first) {
            value += ',';
        }
        const SheetDart& dart = darts[static_cast<size_t>(i)];
        value += times ? std::to_string(dart.time) : dart.token;
    }
    return value;
}

// True when the evaluated entry's dart won its leg: the evaluation of a match file counts
// the leg from its winning dart on.
bool WonLeg(const Entry& entry) {
    return entry.legsWon[0] + entry.legsWon[1] + entry.setsWon[0] + entry.setsWon[1] > 0;
}

// Removes the visits that start at or after the dart `from`.
void DropFrom(std::vector<MatchSheet::Visit>& visits, int from) {
    while (!visits.empty() && visits.back().first >= from) {
        visits.pop_back();
    }
}

} // namespace

MatchSheet::MatchSheet(MatchFormat format) : m_format(std::move(format)) {
    layout();
}

std::string MatchSheet::dartToken(const std::string& raw) {
    const std::string token = TrimUpper(raw);
    if (token == "0" || token == "SB" || token == "DB" || IsNumber1To20(token)) {
        return token;
    }
    if (token.size() >= 2 && (token[0] == 'S' || token[0] == 'D' || token[0] == 'T') &&
        IsNumber1To20(std::string_view(token).substr(1))) {
        return token;
    }
    return {};
}

void MatchSheet::locate(int dart, int& leg, int& visit) const {
    leg = -1;
    visit = -1;
    for (size_t l = 0; l < m_legs.size(); ++l) {
        const std::vector<Visit>& visits = m_legs[l].visits;
        for (size_t v = 0; v < visits.size(); ++v) {
            if (dart >= visits[v].first && dart < visits[v].first + visits[v].count) {
                leg = static_cast<int>(l);
                visit = static_cast<int>(v);
                return;
            }
        }
    }
}

bool MatchSheet::changeTo(std::vector<SheetDart> darts) {
    std::vector<SheetDart> before = std::move(m_darts);
    m_darts = std::move(darts);
    layout();
    // A leg holds as many rounds as the loader reads; a dart past them could not be written.
    size_t written = 0;
    for (const Leg& leg : m_legs) {
        for (const Visit& visit : leg.visits) {
            written += static_cast<size_t>(visit.count);
        }
    }
    if (written < m_darts.size()) {
        m_darts = std::move(before);
        layout();
        return false;
    }
    m_undo.push_back(std::move(before));
    m_redo.clear();
    return true;
}

bool MatchSheet::enterDart(const std::string& token, int32_t time) {
    const std::string written = dartToken(token);
    if (written.empty() || m_next.matchOver) {
        return false;
    }
    std::vector<SheetDart> darts = m_darts;
    darts.push_back({written, time});
    return changeTo(std::move(darts));
}

bool MatchSheet::insertBefore(int index, const std::string& token, int32_t time) {
    const std::string written = dartToken(token);
    if (written.empty() || index < 0 || index > static_cast<int>(m_darts.size())) {
        return false;
    }
    std::vector<SheetDart> darts = m_darts;
    darts.insert(darts.begin() + index, SheetDart{written, time});
    return changeTo(std::move(darts));
}

bool MatchSheet::removeDart(int index) {
    if (index < 0 || index >= static_cast<int>(m_darts.size())) {
        return false;
    }
    std::vector<SheetDart> darts = m_darts;
    darts.erase(darts.begin() + index);
    return changeTo(std::move(darts));
}

bool MatchSheet::editToken(int index, const std::string& token) {
    const std::string written = dartToken(token);
    if (written.empty() || index < 0 || index >= static_cast<int>(m_darts.size())) {
        return false;
    }
    std::vector<SheetDart> darts = m_darts;
    darts[static_cast<size_t>(index)].token = written;
    return changeTo(std::move(darts));
}

bool MatchSheet::retime(int index, int32_t time) {
    if (index < 0 || index >= static_cast<int>(m_darts.size())) {
        return false;
    }
    std::vector<SheetDart> darts = m_darts;
    darts[static_cast<size_t>(index)].time = time;
    return changeTo(std::move(darts));
}

bool MatchSheet::undo() {
    if (m_undo.empty()) {
        return false;
    }
    m_redo.push_back(std::move(m_darts));
    m_darts = std::move(m_undo.back());
    m_undo.pop_back();
    layout();
    return true;
}

bool MatchSheet::redo() {
    if (m_redo.empty()) {
        return false;
    }
    m_undo.push_back(std::move(m_darts));
    m_darts = std::move(m_redo.back());
    m_redo.pop_back();
    layout();
    return true;
}

// Splits the darts into legs and visits. Each leg is evaluated on its own, as the one-leg
// match it is, by the loader: darts are grouped three to a visit, and the first bust or won
// leg the evaluation reports shortens its visit; the darts after it are grouped again and
// evaluated again. A leg thus costs one evaluation per bust, plus one.
void MatchSheet::layout() {
    m_legs.clear();
    const int total = static_cast<int>(m_darts.size());
    int32_t legsWon[2] = {0, 0};
    int32_t setsWon[2] = {0, 0};
    int32_t thrower = m_format.firstThrower == 2 ? 2 : 1;
    int32_t setStarter = thrower;
    int32_t set = 1;
    bool matchOver = false;
    int pos = 0;
    do {
        Leg leg;
        leg.number = static_cast<int32_t>(m_legs.size()) + 1;
        leg.firstThrower = thrower;
        leg.set = set;
        std::vector<Visit>& visits = leg.visits;
        int fixed = pos; // darts before this are in settled visits
        for (;;) {
            // Settled visits, then the rest three to a visit, up to the loader's rounds.
            DropFrom(visits, fixed);
            for (int at = fixed; at < total && visits.size() < size_t{kMaxRounds} * 2;) {
                Visit visit;
                visit.first = at;
                visit.count = std::min(kMaxDarts, total - at);
                at += visit.count;
                visits.push_back(visit);
            }
            ProfileFile file{std::string()};
            WriteFormat(file, m_format, false);
            for (size_t v = 0; v < visits.size(); ++v) {
                visits[v].player = v % 2 == 0 ? thrower : 3 - thrower;
                visits[v].round = static_cast<int32_t>(v / 2) + 1;
                Visit alone = visits[v];
                alone.player = v % 2 == 0 ? 1 : 2; // the leg's first thrower is player 1 alone
                file.set("DATA", VisitKey(alone), Joined(m_darts, alone.first, alone.count, false));
            }
            Match evaluated;
            int event = -1;
            bool won = false;
            if (!visits.empty() && ReadScore(evaluated, file)) {
                int index = pos;
                for (const Entry& entry : evaluated.entries) {
                    if (entry.dart < 1) {
                        continue;
                    }
                    if (index >= fixed && (entry.value < 0 || WonLeg(entry))) {
                        event = index;
                        won = entry.value >= 0;
                        break;
                    }
                    ++index;
                }
            }
            if (event < 0) {
                pos = visits.empty() ? pos : visits.back().first + visits.back().count;
                break;
            }
            for (Visit& visit : visits) {
                if (event >= visit.first && event < visit.first + visit.count) {
                    visit.count = event - visit.first + 1;
                    visit.bust = !won;
                    visit.won = won;
                }
            }
            fixed = event + 1;
            if (won) {
                for (const Visit& visit : visits) {
                    if (visit.won) {
                        leg.winner = visit.player;
                    }
                }
                DropFrom(visits, fixed);
                pos = fixed;
                break;
            }
        }
        m_legs.push_back(std::move(leg));
        const Leg& done = m_legs.back();
        if (done.winner == 0) {
            break;
        }
        const int w = done.winner - 1;
        bool newSet = false;
        if (++legsWon[w] >= m_format.legsToWin) {
            if (m_format.setsToWin > 0) {
                legsWon[0] = legsWon[1] = 0;
                newSet = true;
                if (++setsWon[w] >= m_format.setsToWin) {
                    matchOver = true;
                }
            } else {
                matchOver = true;
            }
        }
        // The throw alternates every leg; a new set goes to the player who did not start
        // the set before.
        if (newSet) {
            setStarter = 3 - setStarter;
            thrower = setStarter;
            ++set;
        } else {
            thrower = 3 - thrower;
        }
    } while (pos < total);

    // Who throws next.
    m_next = Next{};
    const Leg& last = m_legs.back();
    if (matchOver) {
        m_next.matchOver = true;
        m_next.leg = last.number;
        m_next.player = 0;
        m_next.dart = 0;
    } else if (last.winner != 0) {
        m_next.leg = last.number + 1;
        m_next.player = thrower;
    } else if (last.visits.empty()) {
        m_next.leg = last.number;
        m_next.player = last.firstThrower;
    } else {
        const Visit& visit = last.visits.back();
        m_next.leg = last.number;
        const bool closed = visit.count >= kMaxDarts || visit.bust;
        m_next.player = closed ? 3 - visit.player : visit.player;
        m_next.dart = closed ? 1 : visit.count + 1;
    }

    m_evaluated = Match{};
    ProfileFile whole(fileText());
    ReadScore(m_evaluated, whole);
}

std::string MatchSheet::fileText() const {
    ProfileFile file{std::string()};
    WriteFormat(file, m_format, true);
    for (const Leg& leg : m_legs) {
        const std::string data = Section("DATA", leg.number);
        const std::string time = Section("TIME", leg.number);
        for (const Visit& visit : leg.visits) {
            file.set(data, VisitKey(visit), Joined(m_darts, visit.first, visit.count, false));
        }
        for (const Visit& visit : leg.visits) {
            file.set(time, VisitKey(visit), Joined(m_darts, visit.first, visit.count, true));
        }
    }
    std::string text = file.text();
    if (m_darts.empty()) {
        text += "\n[DATA]\n";
    }
    return text;
}

bool MatchSheet::fromFile(const ProfileFile& file, MatchSheet& sheet) {
    auto setting = [&file](const char* key) { return ScoreValue(file, "SETTING", key); };
    MatchFormat format;
    format.game = TrimUpper(setting("GAME"));
    if (format.game.empty()) {
        return false;
    }
    format.names[0] = setting("P1-NAME");
    format.names[1] = setting("P2-NAME");
    std::string value = setting("LEGS");
    format.legsToWin = value.empty() ? 1 : std::max(1, ParseInt(value));
    format.setsToWin = std::max(0, ParseInt(setting("SETS")));
    format.firstThrower = ParseInt(setting("FIRST")) == 2 ? 2 : 1;
    value = TrimUpper(setting("OUT"));
    format.out = value == "DOUBLE"   ? OutRule::Double
                 : value == "MASTER" ? OutRule::Master
                                     : OutRule::Open;
    format.separateBull = ParseInt(setting("SEPABULL")) > 0;

    MatchSheet read(format);
    std::vector<SheetDart> darts;
    for (int leg = 1;; ++leg) {
        const std::string data = Section("DATA", leg);
        if (file.sectionLine(data) == 0) {
            break;
        }
        // The leg's first thrower follows from the legs before it.
        read.m_darts = darts;
        read.layout();
        const int32_t first = read.m_next.matchOver || read.m_next.leg != leg
                                  ? read.m_legs.back().firstThrower
                                  : read.m_next.player;
        bool ended = false;
        for (int round = 1; round <= kMaxRounds && !ended; ++round) {
            for (int32_t player : {first, 3 - first}) {
                const std::string key = TurnKey(round, player);
                std::string tokens[4];
                std::string times[4];
                const int n = std::min(kMaxDarts, SplitComma(ScoreValue(file, data, key), tokens));
                if (n == 0) {
                    ended = true;
                    break;
                }
                SplitComma(ScoreValue(file, Section("TIME", leg), key), times);
                for (int d = 0; d < n; ++d) {
                    darts.push_back({TrimUpper(tokens[d]), ParseInt(times[d])});
                }
            }
        }
    }
    read.m_darts = std::move(darts);
    read.layout();
    sheet = std::move(read);
    return true;
}

WriteOutcome CreateSheetFile(const std::string& path, const MatchSheet& sheet) {
    const std::string text = sheet.fileText();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Failure(path, MessageId::WriteFailed, {SystemReason(errno)});
    }
    size_t done = 0;
    int error = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    ::close(fd);
    if (error != 0) {
        ::unlink(path.c_str());
        return Failure(path, MessageId::WriteFailed, {SystemReason(error)});
    }
    return WriteMethod::Replace;
}

WriteOutcome SaveSheetFile(const std::string& path, const MatchSheet& sheet) {
    const std::string text = sheet.fileText();
    if (text.size() > ProfileFile::kMaxBytes) {
        return Failure(path, MessageId::SaveTooLarge,
                       {std::to_string(text.size()), std::to_string(ProfileFile::kMaxBytes)});
    }
    return ReplaceFileContents(path, text);
}

bool OpenSheetFile(const std::string& path, MatchSheet& sheet) {
    ProfileFile file;
    if (file.load(path).result != ProfileFile::ReadResult::Ok) {
        return false;
    }
    return MatchSheet::fromFile(file, sheet);
}
