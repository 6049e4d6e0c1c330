#include "score/ProfileFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
ProfileFile::LoadResult ReadWhole(const std::string& path, std::string& out, size_t limit) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errno == ENOENT ? ProfileFile::LoadResult::Missing
                               : ProfileFile::LoadResult::Unreadable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > static_cast<off_t>(limit)) {
        ::close(fd);
        return ProfileFile::LoadResult::Unreadable;
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
            ::close(fd);
            out.clear();
            return ProfileFile::LoadResult::Unreadable;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got > limit) {
        out.clear();
        return ProfileFile::LoadResult::Unreadable;
    }
    out.resize(got);
    return ProfileFile::LoadResult::Ok;
}

} // namespace

ProfileFile::ProfileFile(std::string text) : m_strText(std::move(text)) {
    Parse();
}

ProfileFile::LoadResult ProfileFile::Load(const std::string& path) {
    LoadResult result = ReadWhole(path, m_strText, kMaxBytes);
    Parse();
    return result;
}

void ProfileFile::Parse() {
    m_lines.clear();
    m_strEol = "\n";
    const std::string& t = m_strText;
    const size_t size = t.size();
    size_t firstLf = t.find('\n');
    if (firstLf != std::string::npos && firstLf > 0 && t[firstLf - 1] == '\r') {
        m_strEol = "\r\n";
    }

    size_t pos = 0;
    if (size >= 3 && t.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        pos = 3;
    }
    bool inSection = false;
    while (pos < size) {
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
                  false};
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
            line.m_nNameBegin = static_cast<uint32_t>(nb);
            line.m_nNameEnd = static_cast<uint32_t>(ne);
            line.m_bSection = true;
            m_lines.push_back(line);
            inSection = true;
        } else if (inSection && b < end && t[b] != ';') {
            size_t eq = t.find('=', b);
            if (eq != std::string::npos && eq < end) {
                size_t ne = eq;
                while (ne > b && IsBlank(t[ne - 1])) {
                    --ne;
                }
                if (ne > b) {
                    size_t vb = eq + 1;
                    while (vb < end && IsBlank(t[vb])) {
                        ++vb;
                    }
                    line.m_nNameBegin = static_cast<uint32_t>(b);
                    line.m_nNameEnd = static_cast<uint32_t>(ne);
                    line.m_nValueBegin = static_cast<uint32_t>(vb);
                    m_lines.push_back(line);
                }
            }
        }
        pos = next;
    }
}

bool ProfileFile::NameIs(const Line& line, std::string_view name) const {
    size_t len = line.m_nNameEnd - line.m_nNameBegin;
    if (len != name.size()) {
        return false;
    }
    const char* p = m_strText.data() + line.m_nNameBegin;
    for (size_t i = 0; i < len; ++i) {
        if (FoldCase(p[i]) != FoldCase(name[i])) {
            return false;
        }
    }
    return true;
}

bool ProfileFile::FindSection(std::string_view section, size_t& first, size_t& last) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].m_bSection && NameIs(m_lines[i], section)) {
            first = i;
            last = i + 1;
            while (last < m_lines.size() && !m_lines[last].m_bSection) {
                ++last;
            }
            return true;
        }
    }
    return false;
}

bool ProfileFile::Lookup(std::string_view section, std::string_view key,
                          std::string& value) const {
    value.clear();
    size_t first = 0;
    size_t last = 0;
    if (!FindSection(section, first, last)) {
        return false;
    }
    for (size_t i = first + 1; i < last; ++i) {
        const Line& line = m_lines[i];
        if (!NameIs(line, key)) {
            continue;
        }
        size_t vb = line.m_nValueBegin;
        size_t ve = line.m_nEnd;
        while (ve > vb && IsBlank(m_strText[ve - 1])) {
            --ve;
        }
        if (ve - vb >= 2 && IsQuote(m_strText[vb]) && m_strText[ve - 1] == m_strText[vb]) {
            ++vb;
            --ve;
        }
        value.assign(m_strText, vb, ve - vb);
        size_t nul = value.find('\0');
        if (nul != std::string::npos) {
            value.resize(nul);
        }
        return true;
    }
    return false;
}

bool ProfileFile::Set(std::string_view section, std::string_view key, std::string_view value) {
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
    if (FindSection(section, first, last)) {
        for (size_t i = first + 1; i < last; ++i) {
            const Line& line = m_lines[i];
            if (NameIs(line, key)) {
                m_strText.replace(line.m_nValueBegin, line.m_nEnd - line.m_nValueBegin, written);
                Parse();
                return true;
            }
        }
        // After the section's last key line (or its section line).
        const Line& after = m_lines[last - 1];
        bool terminated = after.m_nNext > after.m_nEnd && m_strText[after.m_nNext - 1] == '\n';
        std::string insert;
        if (!terminated) {
            insert = m_strEol; // the file's last line had no line ending
        }
        insert.append(key);
        insert += '=';
        insert += written;
        if (terminated) {
            insert += m_strEol;
        }
        m_strText.insert(after.m_nNext, insert);
        Parse();
        return true;
    }

    std::string tail;
    bool onlyBom = m_strText == "\xEF\xBB\xBF";
    if (!m_strText.empty() && !onlyBom) {
        if (m_strText.back() != '\n') {
            tail += m_strEol;
        }
        // One empty line between the file's last line and the new section.
        bool endsBlank =
            tail.empty() && (m_strText == "\n" || m_strText == "\r\n" ||
                             m_strText.ends_with("\n\n") || m_strText.ends_with("\n\r\n"));
        if (!endsBlank) {
            tail += m_strEol;
        }
    }
    tail += '[';
    tail.append(section);
    tail += ']';
    tail += m_strEol;
    tail.append(key);
    tail += '=';
    tail += written;
    tail += m_strEol;
    m_strText += tail;
    Parse();
    return true;
}
