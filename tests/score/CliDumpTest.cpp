#include "RunProgram.h"
#include "ScoreTestUtil.h"

#include "score/Loader.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct DumpRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs vorlat-cli dump with the given arguments (already quoted for the shell).
DumpRun Dump(const TempDir&, const std::string& args) {
    const RunResult ran = RunShell(std::string("'") + VORLAT_CLI + "' dump " + args);
    return {ran.status, ran.out, ran.err};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        lines.push_back(text.substr(pos, lf - pos));
        pos = lf == std::string::npos ? text.size() : lf + 1;
    }
    return lines;
}

// A whole decimal number, with a minus sign or none.
bool IsNumber(const std::string& text) {
    const size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    return text.size() > digits &&
           text.find_first_not_of("0123456789", digits) == std::string::npos;
}

// "game=G kind=K sepabull=S compress=C entries=N" with a game of one word, a kind of 1 or 2
// and compress 0 or 1, and for a match " legs=L out=O winner=W" after it (match set); N, or -1
// when the line is not of that form.
long HeaderEntries(const std::string& line, bool* match = nullptr) {
    std::istringstream in(line);
    std::string game, kind, bull, compress, entries, legs, out, winner, rest;
    in >> game >> kind >> bull >> compress >> entries;
    const std::string head = game + " " + kind + " " + bull + " " + compress + " " + entries;
    bool form = game.rfind("game=", 0) == 0 && game.size() > 5 &&
                (kind == "kind=1" || kind == "kind=2") && bull.rfind("sepabull=", 0) == 0 &&
                IsNumber(bull.substr(9)) &&
                (compress == "compress=0" || compress == "compress=1") &&
                entries.rfind("entries=", 0) == 0 && IsNumber(entries.substr(8));
    const bool isMatch = static_cast<bool>(in >> legs >> out >> winner);
    if (isMatch) {
        form = form && legs.rfind("legs=", 0) == 0 && IsNumber(legs.substr(5)) &&
               (out == "out=open" || out == "out=double" || out == "out=master") &&
               (winner == "winner=0" || winner == "winner=1" || winner == "winner=2") &&
               line == head + " " + legs + " " + out + " " + winner;
    } else {
        form = form && line == head;
    }
    form = form && !(in >> rest);
    if (match != nullptr) {
        *match = isMatch;
    }
    return form ? std::stol(entries.substr(8)) : -1;
}

// Whole numbers separated by single tabs: 25, or 30 for a match's entry.
bool IsEntryLine(const std::string& line, bool match = false) {
    size_t fields = 0;
    size_t from = 0;
    for (;;) {
        const size_t tab = line.find('\t', from);
        if (!IsNumber(line.substr(from, tab - from))) {
            return false;
        }
        ++fields;
        if (tab == std::string::npos) {
            return fields == (match ? 30u : 25u);
        }
        from = tab + 1;
    }
}

TEST(CliDump, EveryExampleDumps) {
    TempDir dir;
    int files = 0;
    for (const auto& file : std::filesystem::directory_iterator(VORLAT_EXAMPLES_DIR)) {
        if (file.path().extension() != ".txt") {
            continue;
        }
        ++files;
        DumpRun run = Dump(dir, "'" + file.path().string() + "'");
        EXPECT_EQ(run.status, 0) << file.path();
        EXPECT_EQ(run.err, "") << file.path();
        std::vector<std::string> lines = Lines(run.out);
        ASSERT_FALSE(lines.empty()) << file.path();
        bool match = false;
        const long entries = HeaderEntries(lines[0], &match);
        ASSERT_GE(entries, 0) << lines[0];
        EXPECT_EQ(static_cast<size_t>(entries), lines.size() - 1) << file.path();
        EXPECT_GT(lines.size(), 10u) << file.path();
        for (size_t i = 1; i < lines.size(); ++i) {
            EXPECT_TRUE(IsEntryLine(lines[i], match)) << file.path() << ':' << i << ' ' << lines[i];
        }
    }
    EXPECT_GE(files, 3);
}

TEST(CliDump, PrintsEveryFieldInOrder) {
    TempDir dir;
    WriteBytes(dir.File("m.txt"), "[SETTING]\nGAME=cricket\nNOCOMP-AVI=1\nP2-MARK=0000003\n"
                                  "[DATA]\nR01-1=T20,S20\n[TIME]\nR01-1=100,250\n");
    DumpRun run = Dump(dir, "'" + dir.File("m.txt") + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "game=CRICKET kind=2 sepabull=0 compress=0 entries=3\n"
              "0\t1\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t3\t0\t0\t0\t0\t0\t0\t0\n"
              "100\t1\t1\t1\t3\t20\t3\t0\t0\t0\t0\t0\t0\t0\t0\t0\t3\t3\t0\t0\t0\t0\t0\t0\t0\n"
              "250\t1\t1\t2\t1\t20\t1\t0\t20\t0\t0\t0\t0\t0\t0\t0\t3\t3\t0\t0\t0\t0\t0\t0\t0\n");
}

TEST(CliDump, FailuresAndUsage) {
    TempDir dir;
    WriteBytes(dir.File("empty.txt"), "[DATA]\n");
    // The program's own text first, then the file and why, both in the user's language (the
    // tests run under a Japanese locale).
    const struct {
        const char* name;
        const char* why;
    } cases[] = {
        {"empty.txt", "スコアファイルではありません: [DATA] セクションに R01-1 がありません"},
        {"missing.txt", "ファイルがありません"},
    };
    for (const auto& c : cases) {
        DumpRun run = Dump(dir, "'" + dir.File(c.name) + "'");
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.out, "") << c.name;
        EXPECT_EQ(run.err,
                  std::string(kLoadErrorText) + "\n" + dir.File(c.name) + ": " + c.why + "\n")
            << c.name;
    }
    EXPECT_EQ(Dump(dir, "").status, 2);
    EXPECT_EQ(Dump(dir, "a b").status, 2);
}

} // namespace
