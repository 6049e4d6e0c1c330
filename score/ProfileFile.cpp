#include "score/ProfileFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

char FoldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// Reads at most limit + 1 bytes so that a huge or endless file (a device, a pipe) is
// recognised as too large without reading it all.
ProfileFile::ReadStatus ReadWhole(const std::string& path, std::string& out, size_t limit) {
    using Result = ProfileFile::ReadResult;
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        return {error == ENOENT ? Result::Missing : Result::Unreadable, error, 0};
    }
    auto fail = [&](ProfileFile::ReadStatus status) {
        ::close(fd);
        out.clear();
        return status;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return fail({Result::Unreadable, errno, 0});
    }
    if (S_ISDIR(st.st_mode)) {
        return fail({Result::Unreadable, EISDIR, 0});
    }
    if (!S_ISREG(st.st_mode)) {
        return fail({Result::NotRegular, 0, 0});
    }
    if (st.st_size > static_cast<off_t>(limit)) {
        return fail({Result::TooLarge, 0, static_cast<uint64_t>(st.st_size)});
    }
    out.resize(static_cast<size_t>(st.st_size) + 1);
    size_t got = 0;
    for (;;) {
        if (got == out.size()) {
            if (out.size() > limit) {
                break; // grew beyond the limit while we read it
            }
            out.resize(limit + 1);
        }
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return fail({Result::Unreadable, errno, 0});
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got > limit) {
        out.clear();
        return {Result::TooLarge, 0, static_cast<uint64_t>(got)};
    }
    out.resize(got);
    return {};
}

} // namespace

ProfileFile::ProfileFile(std::string text) : m_text(std::move(text)) {
    parse();
}

ProfileFile::ReadStatus ProfileFile::load(const std::string& path) {
    ReadStatus status = ReadWhole(path, m_text, kMaxBytes);
    parse();
    return status;
}

void ProfileFile::parse() {
    m_lines.clear();
    m_skipped.clear();
    m_eol = "\n";
    const std::string& t = m_text;
    const size_t size = t.size();
    size_t firstLf = t.find('\n');
    if (firstLf != std::string::npos && firstLf > 0 && t[firstLf - 1] == '\r') {
        m_eol = "\r\n";
    }

    size_t pos = 0;
    if (size >= 3 && t.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        pos = 3;
    }
    bool inSection = false;
    uint32_t number = 0;
    while (pos < size) {
        ++number;
        size_t lf = t.find('\n', pos);
        size_t next = lf == std::string::npos ? size : lf + 1;
        size_t end = lf == std::string::npos ? size : lf;
        if (end > pos && t[end - 1] == '\r') {
            --end;
        }
        size_t b = pos;
        while (b < end && IsBlank(t[b])) {
            ++b;
        }
        Line line{static_cast<uint32_t>(pos),
                  static_cast<uint32_t>(end),
                  static_cast<uint32_t>(next),
                  0,
                  0,
                  0,
                  number,
                  false};
        const int lineNumber = static_cast<int>(number);
        if (b < end && t[b] == '[') {
            size_t nb = b + 1;
            size_t close = t.find(']', nb);
            size_t ne = (close == std::string::npos || close > end) ? end : close;
            while (nb < ne && IsBlank(t[nb])) {
                ++nb;
            }
            while (ne > nb && IsBlank(t[ne - 1])) {
                --ne;
            }
            line.nameBegin = static_cast<uint32_t>(nb);
            line.nameEnd = static_cast<uint32_t>(ne);
            line.isSection = true;
            m_lines.push_back(line);
            inSection = true;
        } else if (b < end && t[b] != ';') {
            size_t eq = t.find('=', b);
            if (!inSection) {
                m_skipped.push_back({SkippedLine::Why::BeforeFirstSection, lineNumber});
            } else if (eq == std::string::npos || eq >= end) {
                m_skipped.push_back({SkippedLine::Why::NoEquals, lineNumber});
            } else {
                size_t ne = eq;
                while (ne > b && IsBlank(t[ne - 1])) {
                    --ne;
                }
                if (ne > b) {
                    size_t vb = eq + 1;
                    while (vb < end && IsBlank(t[vb])) {
                        ++vb;
                    }
                    line.nameBegin = static_cast<uint32_t>(b);
                    line.nameEnd = static_cast<uint32_t>(ne);
                    line.valueBegin = static_cast<uint32_t>(vb);
                    m_lines.push_back(line);
                } else {
                    m_skipped.push_back({SkippedLine::Why::NoName, lineNumber});
                }
            }
        }
        pos = next;
    }
}

std::string_view ProfileFile::nameOf(const Line& line) const {
    return std::string_view(m_text).substr(line.nameBegin, line.nameEnd - line.nameBegin);
}

bool ProfileFile::nameIs(const Line& line, std::string_view name) const {
    const std::string_view own = nameOf(line);
    if (own.size() != name.size()) {
        return false;
    }
    for (size_t i = 0; i < own.size(); ++i) {
        if (FoldCase(own[i]) != FoldCase(name[i])) {
            return false;
        }
    }
    return true;
}

bool ProfileFile::findSection(std::string_view section, size_t& first, size_t& last) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].isSection && nameIs(m_lines[i], section)) {
            first = i;
            last = i + 1;
            while (last < m_lines.size() && !m_lines[last].isSection) {
                ++last;
            }
            return true;
        }
    }
    return false;
}

size_t ProfileFile::findKey(std::string_view section, std::string_view key) const {
    size_t first = 0;
    size_t last = 0;
    if (findSection(section, first, last)) {
        for (size_t i = first + 1; i < last; ++i) {
            if (nameIs(m_lines[i], key)) {
                return i;
            }
        }
    }
    return m_lines.size();
}

int ProfileFile::sectionLine(std::string_view section) const {
    size_t first = 0;
    size_t last = 0;
    return findSection(section, first, last) ? static_cast<int>(m_lines[first].number) : 0;
}

int ProfileFile::keyLine(std::string_view section, std::string_view key) const {
    size_t i = findKey(section, key);
    return i < m_lines.size() ? static_cast<int>(m_lines[i].number) : 0;
}

std::string ProfileFile::foldedName(const Line& line) const {
    std::string name(nameOf(line));
    for (char& ch : name) {
        ch = FoldCase(ch);
    }
    return name;
}

std::string ProfileFile::valueOf(const Line& line) const {
    size_t vb = line.valueBegin;
    size_t ve = line.end;
    while (ve > vb && IsBlank(m_text[ve - 1])) {
        --ve;
    }
    if (ve - vb >= 2 && IsQuote(m_text[vb]) && m_text[ve - 1] == m_text[vb]) {
        ++vb;
        --ve;
    }
    std::string value(m_text, vb, ve - vb);
    size_t nul = value.find('\0');
    if (nul != std::string::npos) {
        value.resize(nul);
    }
    return value;
}

// Both listings remember the first line of every name they meet, so that a file of many
// thousand short lines is listed in one pass.
std::vector<ProfileFile::Item> ProfileFile::sections() const {
    std::vector<Item> items;
    std::unordered_map<std::string, int> first;
    for (const Line& line : m_lines) {
        if (!line.isSection) {
            continue;
        }
        const int number = static_cast<int>(line.number);
        auto [known, added] = first.try_emplace(foldedName(line), number);
        items.push_back(Item{std::string(nameOf(line)), number, added ? 0 : known->second, {}});
    }
    return items;
}

std::vector<ProfileFile::Item> ProfileFile::keys(std::string_view section) const {
    std::vector<Item> items;
    size_t begin = 0;
    size_t end = 0;
    if (!findSection(section, begin, end)) {
        return items;
    }
    std::unordered_map<std::string, int> first;
    for (size_t i = begin + 1; i < end; ++i) {
        const Line& line = m_lines[i];
        const int number = static_cast<int>(line.number);
        auto [known, added] = first.try_emplace(foldedName(line), number);
        items.push_back(
            Item{std::string(nameOf(line)), number, added ? 0 : known->second, valueOf(line)});
    }
    return items;
}

bool ProfileFile::lookup(std::string_view section, std::string_view key, std::string& value) const {
    value.clear();
    const size_t i = findKey(section, key);
    if (i == m_lines.size()) {
        return false;
    }
    value = valueOf(m_lines[i]);
    return true;
}

bool ProfileFile::set(std::string_view section, std::string_view key, std::string_view value) {
    auto hasBreak = [](std::string_view s) {
        return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    };
    if (key.empty() || hasBreak(section) || hasBreak(key) || hasBreak(value) ||
        section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
        IsBlank(key.front()) || IsBlank(key.back()) || key.front() == ';' || key.front() == '[') {
        return false;
    }
    if (!section.empty() && (IsBlank(section.front()) || IsBlank(section.back()))) {
        return false;
    }

    std::string written(value);
    bool needsQuotes =
        !value.empty() &&
        (IsBlank(value.front()) || IsBlank(value.back()) ||
         (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()));
    if (needsQuotes) {
        written = "\"" + written + "\"";
    }

    size_t first = 0;
    size_t last = 0;
    if (findSection(section, first, last)) {
        for (size_t i = first + 1; i < last; ++i) {
            const Line& line = m_lines[i];
            if (nameIs(line, key)) {
                m_text.replace(line.valueBegin, line.end - line.valueBegin, written);
                parse();
                return true;
            }
        }
        // After the section's last key line (or its section line).
        const Line& after = m_lines[last - 1];
        bool terminated = after.next > after.end && m_text[after.next - 1] == '\n';
        std::string insert;
        if (!terminated) {
            insert = m_eol; // the file's last line had no line ending
        }
        insert.append(key);
        insert += '=';
        insert += written;
        if (terminated) {
            insert += m_eol;
        }
        m_text.insert(after.next, insert);
        parse();
        return true;
    }

    std::string tail;
    bool onlyBom = m_text == "\xEF\xBB\xBF";
    if (!m_text.empty() && !onlyBom) {
        if (m_text.back() != '\n') {
            tail += m_eol;
        }
        // One empty line between the file's last line and the new section.
        bool endsBlank = tail.empty() && (m_text == "\n" || m_text == "\r\n" ||
                                          m_text.ends_with("\n\n") || m_text.ends_with("\n\r\n"));
        if (!endsBlank) {
            tail += m_eol;
        }
    }
    tail += '[';
    tail.append(section);
    tail += ']';
    tail += m_eol;
    tail.append(key);
    tail += '=';
    tail += written;
    tail += m_eol;
    m_text += tail;
    parse();
    return true;
}
