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
//   the file is skipped. Line numbers count LFs, so they are the numbers an editor shows.
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
    // memory and time of a load bounded whatever file the user picks. A save that would make
    // a file larger is refused (score/TimingWriter.h), so the two always agree.
    static constexpr size_t kMaxBytes = 1u << 20;

    enum class ReadResult {
        Ok,         // read whole
        Missing,    // no such file: reads as an empty file
        Unreadable, // the system refused to open or read it (error holds errno)
        NotRegular, // a device, FIFO or socket (a folder is Unreadable with EISDIR)
        TooLarge,   // more than kMaxBytes
    };
    struct ReadStatus {
        ReadResult result = ReadResult::Ok;
        int error = 0;     // errno for Unreadable
        uint64_t size = 0; // the file's size for TooLarge
    };

    // A section line or a key line of the file, with its 1-based line number. firstLine is
    // the line of the earlier occurrence that counts instead of this one, 0 when this one
    // counts. A key's value reads as lookup reads it.
    struct Item {
        std::string name;
        int line = 0;
        int firstLine = 0;
        std::string value;
    };

    // A line that the reader skips although it is neither empty nor a comment.
    struct SkippedLine {
        enum class Why { BeforeFirstSection, NoEquals, NoName };
        Why why;
        int line;
    };

    ProfileFile() = default;
    explicit ProfileFile(std::string text);

    // Replaces the content with the file at path. On anything but Ok the content is empty.
    ReadStatus load(const std::string& path);

    // The value of key in section, or false when the section or key is absent. An empty
    // value is found (returns true) and yields an empty text.
    bool lookup(std::string_view section, std::string_view key, std::string& value) const;

    // Line numbers (1-based) of the first block of a section, and of the key line that
    // lookup reads; 0 when absent.
    int sectionLine(std::string_view section) const;
    int keyLine(std::string_view section, std::string_view key) const;

    // Every section line in file order; a repeated name carries the line of the first one.
    std::vector<Item> sections() const;
    // The key lines of the first block of section in file order; a repeated key carries the
    // line of the first one. Keys of later blocks of the same name are not listed: they are
    // never read.
    std::vector<Item> keys(std::string_view section) const;
    // Lines that are skipped though they hold text: before the first section, without '=',
    // or with nothing before the '='.
    const std::vector<SkippedLine>& skippedLines() const { return m_skipped; }

    // Stores value under key in section as described above. False (and nothing changed)
    // when the names or the value cannot be written as one line that reads back: an empty
    // key, a key with '=' or with blanks at its ends or starting with ';' or '[', a section
    // name with ']', or any line break or NUL byte.
    bool set(std::string_view section, std::string_view key, std::string_view value);

    // The whole file as bytes, including any changes made with set.
    const std::string& text() const { return m_text; }

private:
    struct Line {
        uint32_t begin;     // first byte of the line
        uint32_t end;       // end of its content, before the line ending
        uint32_t next;      // first byte of the next line
        uint32_t nameBegin; // section or key name, trimmed
        uint32_t nameEnd;
        uint32_t valueBegin; // key lines: raw text after '=' and its blanks
        uint32_t number;     // 1-based line number
        bool isSection;
    };

    void parse();
    std::string_view nameOf(const Line& line) const;
    std::string foldedName(const Line& line) const;
    std::string valueOf(const Line& line) const;
    bool nameIs(const Line& line, std::string_view name) const;
    // The lines of the first block of section: [first, last) in m_lines; first is the
    // section line. False when the section is absent.
    bool findSection(std::string_view section, size_t& first, size_t& last) const;
    // The index in m_lines of the key line lookup reads, or m_lines.size().
    size_t findKey(std::string_view section, std::string_view key) const;

    std::string m_text;
    std::vector<Line> m_lines; // section and key lines only, in file order
    std::vector<SkippedLine> m_skipped;
    std::string m_eol = "\n";
};
