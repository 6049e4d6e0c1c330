#include "VideoTestUtil.h"

#include <gtest/gtest.h>

#include <string>

using namespace videotest;

namespace {

const std::string kCli = VORLAT_CLI_PATH;

// The options are refused before any file is opened, so the positional arguments need not
// name real files.
int Cli(const std::string& args, std::string* out) {
    out->clear();
    return Run("env LANGUAGE=en '" + kCli + "' " + args + " 2>&1", out);
}

struct BadOption {
    const char* command; // with its positional arguments
    const char* valued;  // an option that takes a value
    const char* bad;     // a value it refuses
    const char* flag;    // a switch, or nullptr
};

// Every command refuses an unknown option, a missing value, a refused value and a value given
// to a switch alike: exit status 2 and one message naming the option.
TEST(CliOptionsTest, EveryCommandRefusesBadOptionsAlike) {
    const BadOption commands[] = {
        {"frame s.txt 0 o.png", "--size", "4", "--end-card"},
        {"title o.png", "--background", "green", nullptr},
        {"export s.txt o.avi", "--fps", "0", "--compressed"},
        {"checkout 100", "--darts", "4", nullptr},
        {"burn s.txt f.mp4 o.mp4", "--crf", "52", nullptr},
        {"chapters s.txt", "--format", "srt", nullptr},
        {"clips s.txt f.mp4 dir", "--before", "-1", "--burn"},
    };
    for (const BadOption& c : commands) {
        const std::string command = c.command;
        const std::string valued = c.valued;
        struct Case {
            std::string args;
            std::string said;
        };
        std::vector<Case> cases = {
            {command + " --bogus 1", "vorlat-cli: unknown option --bogus\n"},
            {command + " --bogus=1", "vorlat-cli: unknown option --bogus\n"},
            {command + " " + valued, "vorlat-cli: " + valued + " needs "},
            {command + " " + valued + " " + c.bad, "vorlat-cli: " + valued + " needs "},
            {command + " " + valued + "=" + c.bad, "vorlat-cli: " + valued + " needs "},
        };
        if (c.flag != nullptr) {
            cases.push_back({command + " " + c.flag + "=yes",
                             std::string("vorlat-cli: ") + c.flag + " takes no value\n"});
        }
        for (const Case& k : cases) {
            std::string out;
            EXPECT_EQ(Cli(k.args, &out), 2) << k.args << "\n" << out;
            EXPECT_EQ(out.rfind(k.said, 0), 0u) << k.args << "\n" << out;
        }
        // A refused value is quoted back; a missing one is not invented.
        std::string out;
        Cli(command + " " + valued + " " + c.bad, &out);
        EXPECT_NE(out.find(std::string(", not \"") + c.bad + "\"\n"), std::string::npos) << out;
        Cli(command + " " + valued, &out);
        EXPECT_EQ(out.find(", not"), std::string::npos) << out;
    }
}

// A repeated option: each value is checked, and the last one counts.
TEST(CliOptionsTest, TheLastOfARepeatedOptionCounts) {
    std::string once;
    std::string twice;
    ASSERT_EQ(Cli("checkout 100 --darts 3", &once), 0) << once;
    EXPECT_NE(once, "no checkout\n");
    EXPECT_EQ(Cli("checkout 100 --darts 1 --darts 3", &twice), 0) << twice;
    EXPECT_EQ(twice, once);
    EXPECT_EQ(Cli("checkout 100 --darts=3 --darts 1", &twice), 0) << twice;
    EXPECT_EQ(twice, "no checkout\n");
    EXPECT_EQ(Cli("checkout 100 --darts 9 --darts 3", &twice), 2) << twice;
}

} // namespace
