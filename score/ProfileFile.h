#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A profile (INI) file held in memory: our own reader and writer of the syntax that score
// files use. Everything is bytes: section names, keys and values pass through unchanged,
// whatever their encoding (Shift-JIS and UTF-8 comments survive a save byte for byte).
//
// How a file reads:
// - Lines end at LF; a CR right before the LF (or at the very end of the file) belongs to the
//   line ending, so CRLF files read like LF files. A UTF-8 byte-order mark at the start of
//   the file is skipped.
// - Blanks (space, tab, CR, vertical tab, form feed) around section names, key names and
//   values are not significant.
// - A line whose first non-blank character is ';' is a comment. Empty lines, comments and
//   lines without '=' are ignored, and so are keys before the first section line.
// - A line whose first non-blank character is '[' opens a section; its name is the text up
//   to the first ']' (or the end of the line when there is none).
// - A key line is a name, '=', and a value: the rest of the line. A value enclosed in a
//   matching pair of double or single quotes reads without them ("a b" reads as a b).
//   A value ends at a NUL byte.
// - Section and key names compare without regard to ASCII letter case.
// - When a section name occurs twice, only its first block counts; when a key occurs twice
//   in that block, its first line counts. The writer follows the same rule.
//
// How the writer changes a file (every other byte of the file stays as it was):
// - An existing key keeps its line; the text after '=' (and the blanks after it) is replaced
//   with the new value.
// - A missing key is added after the last key line of its section (or right after the
//   section line), so blank lines that separate sections stay where they are.
// - A missing section is added at the end of the file, after one empty line, followed by the
//   key line.
// - New lines use the file's own line ending: CRLF when its first line ends in CRLF,
//   otherwise LF.
// - A value that would not read back as written (blanks at either end, or enclosed in a
//   quote pair) is written inside double quotes.
class ProfileFile {
public:
    // Files larger than this are not score files; they read as unreadable, which keeps the
    // memory and time of a load bounded whatever file the user picks.
    static constexpr size_t kMaxBytes = 1u << 20;

    enum class LoadResult {
        Ok,         // read whole
        Missing,    // no such file: reads as an empty file
        Unreadable, // exists but cannot be read, is not a regular file, or is too large
    };

    ProfileFile() = default;
    explicit ProfileFile(std::string text);

    // Replaces the content with the file at path. On anything but Ok the content is empty.
    LoadResult Load(const std::string& path);

    // The value of key in section, or false when the section or key is absent. An empty
    // value is found (returns true) and yields an empty text.
    bool Lookup(std::string_view section, std::string_view key, std::string& value) const;

    // Stores value under key in section as described above. False (and nothing changed)
    // when the names or the value cannot be written as one line that reads back: an empty
    // key, a key with '=' or with blanks at its ends or starting with ';' or '[', a section
    // name with ']', or any line break or NUL byte.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    // The whole file as bytes, including any changes made with Set.
    const std::string& Text() const { return m_strText; }

private:
    struct Line {
        uint32_t m_nBegin;     // first byte of the line
        uint32_t m_nEnd;       // end of its content, before the line ending
        uint32_t m_nNext;      // first byte of the next line
        uint32_t m_nNameBegin; // section or key name, trimmed
        uint32_t m_nNameEnd;
        uint32_t m_nValueBegin; // key lines: raw text after '=' and its blanks
        bool m_bSection;
    };

    void Parse();
    bool NameIs(const Line& line, std::string_view name) const;
    // The lines of the first block of section: [first, last) in m_lines; first is the
    // section line. False when the section is absent.
    bool FindSection(std::string_view section, size_t& first, size_t& last) const;

    std::string m_strText;
    std::vector<Line> m_lines; // section and key lines only, in file order
    std::string m_strEol = "\n";
};
