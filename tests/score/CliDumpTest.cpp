#include "ScoreTestUtil.h"

#include "score/Loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sys/wait.h>

namespace {

struct DumpRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs vorlat-cli dump with the given arguments (already quoted for the shell).
DumpRun Dump(const TempDir& dir, const std::string& args) {
    const std::string errFile = dir.File("stderr.txt");
    const std::string command =
        std::string("'") + VORLAT_CLI + "' dump " + args + " 2>'" + errFile + "'";
    DumpRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, n);
    }
    int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = ReadBytes(errFile);
    return run;
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

TEST(CliDump, EveryExampleDumps) {
    TempDir dir;
    const std::regex header(R"(game=\S+ kind=[12] sepabull=-?\d+ compress=[01] entries=(\d+))");
    const std::regex entry(R"(-?\d+(\t-?\d+){24})");
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
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[0], match, header)) << lines[0];
        EXPECT_EQ(std::stoul(match[1]), lines.size() - 1) << file.path();
        EXPECT_GT(lines.size(), 10u) << file.path();
        for (size_t i = 1; i < lines.size(); ++i) {
            EXPECT_TRUE(std::regex_match(lines[i], entry)) << file.path() << ':' << i;
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
    for (const char* name : {"empty.txt", "missing.txt"}) {
        DumpRun run = Dump(dir, "'" + dir.File(name) + "'");
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_EQ(run.out, "") << name;
        EXPECT_EQ(run.err, std::string(kLoadErrorText) + "\n") << name;
    }
    EXPECT_EQ(Dump(dir, "").status, 2);
    EXPECT_EQ(Dump(dir, "a b").status, 2);
}

} // namespace
