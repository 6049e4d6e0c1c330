#include "FootageMaker.h"
#include "VideoTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace videotest;

namespace {

const std::string kCli = VORLAT_CLI_PATH;

// One 301 leg: a 180 (first dart at 300 ms), a quiet visit, and a 121 checkout that wins
// the leg (last dart at 3600 ms).
constexpr const char* kScore = "[SETTING]\nGAME=301\nP1-NAME=Anna\n\n[DATA]\n"
                               "R01-1=T20,T20,T20\nR01-2=1,1,1\nR02-1=T20,T15,D8\n"
                               "[TIME]\nR01-1=300,600,900\nR01-2=1500,2000,2500\n"
                               "R02-1=3000,3300,3600\n";

// env: assignments put before the command; English unless the test asks for another
// language, whatever the suite's own locale.
int Cli(const std::string& args, std::string* out = nullptr,
        const std::string& env = "LANGUAGE=en") {
    if (out != nullptr) {
        out->clear();
    }
    return Run("env " + env + " '" + kCli + "' " + args + " 2>&1", out);
}

std::string Q(const std::string& path) {
    return "'" + path + "'";
}

class CliClipsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        // 25 fps, so that frame n starts at 40n ms.
        ASSERT_TRUE(
            MakeMedia(s_dir->File("match.mp4"),
                      "-f lavfi -i testsrc2=size=160x96:rate=25:duration=5 "
                      "-f lavfi -i sine=frequency=440:duration=5 "
                      "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest"));
        WriteBytes(s_dir->File("score.txt"), kScore);
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string File(const std::string& name) { return s_dir->File(name); }

    static TempDir* s_dir;
};

TempDir* CliClipsTest::s_dir = nullptr;

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(CliClipsTest, OneClipPerVisitNamedByKindAndTimeAndAReel) {
    std::string out;
    ASSERT_EQ(Cli("clips " + Q(File("score.txt")) + " " + Q(File("match.mp4")) + " " +
                      Q(File("clips")) + " --before 0.2 --after 0.2 --reel " + Q(File("reel.mp4")) +
                      " --fade 0.08",
                  &out),
              0)
        << out;
    // The checkout, the leg won with it: one visit, one clip.
    EXPECT_EQ(Names(File("clips")),
              (std::vector<std::string>{"01-leg-start-0m00s.mp4", "02-180-0m00s.mp4",
                                        "03-checkout100-0m02s.mp4"}));
    // [100, 500) ms: frames 2-12; [100, 1100): 2-27; [2800, 3800): 70-94.
    EXPECT_EQ(ProbeVideo(File("clips/01-leg-start-0m00s.mp4")).frames, 11);
    EXPECT_EQ(ProbeVideo(File("clips/02-180-0m00s.mp4")).frames, 26);
    EXPECT_EQ(ProbeVideo(File("clips/03-checkout100-0m02s.mp4")).frames, 25);
    // Two fades of two frames each.
    EXPECT_EQ(ProbeVideo(File("reel.mp4")).frames, 11 + 26 + 25 - 4);
    EXPECT_FALSE(ProbeFields(File("reel.mp4"), "a:0").empty());

    // Chosen kinds only; --burn lays the board over the same frames.
    ASSERT_EQ(Cli("clips " + Q(File("score.txt")) + " " + Q(File("match.mp4")) + " " +
                      Q(File("burned")) + " --events 180 --before 0.2 --after 0.2 --burn",
                  &out),
              0)
        << out;
    EXPECT_EQ(Names(File("burned")), std::vector<std::string>{"01-180-0m00s.mp4"});
    const std::string burned = File("burned/01-180-0m00s.mp4");
    EXPECT_EQ(ProbeVideo(burned).frames, 26);
    const auto plain = DecodeBgra(File("clips/02-180-0m00s.mp4"), 160, 96);
    const auto withBoard = DecodeBgra(burned, 160, 96);
    ASSERT_EQ(plain.size(), withBoard.size());
    EXPECT_LT(Psnr(plain.back().data(), withBoard.back().data(), 160 * 96), 30.0)
        << "the board changes the picture";
}

TEST_F(CliClipsTest, ChaptersCommand) {
    const std::string score = Q(File("score.txt"));
    std::string out;
    ASSERT_EQ(Cli("chapters " + score, &out), 0) << out;
    EXPECT_EQ(out, "0:00 Leg 1\n");
    ASSERT_EQ(
        Cli("chapters " + score + " --format csv --events 180,checkout100 --offset 1000", &out), 0);
    EXPECT_EQ(out, "time_ms,timecode,kind,player,label\n"
                   "1900,00:00:01.900,180,1,180 \u2014 Anna\n"
                   "4600,00:00:04.600,checkout100,1,121 checkout \u2014 Anna\n");
    // The labels speak the user's language, as the window's do.
    ASSERT_EQ(Cli("chapters " + score + " --format csv --events leg,checkout100", &out,
                  "LANGUAGE=ja LC_ALL=C.UTF-8"),
              0);
    EXPECT_NE(out.find(",\u30ec\u30b0 1\n"), std::string::npos) << out; // "Leg 1"
    EXPECT_NE(out.find(",121 \u30d5\u30a3\u30cb\u30c3\u30b7\u30e5 \u2014 Anna\n"),
              std::string::npos)
        << out;
    // The edit list counts in the footage's frames unless --fps says otherwise: the 180's
    // last dart at 900 ms is frame 22.5 -> 23 at 25 fps, 27 at 30 fps.
    ASSERT_EQ(
        Cli("chapters " + score + " --format edl --events 180 --footage " + Q(File("match.mp4")),
            &out),
        0);
    EXPECT_NE(out.find("001  AX       V     C        00:00:00:23 00:00:00:24"), std::string::npos)
        << out;
    ASSERT_EQ(Cli("chapters " + score + " --format edl --events 180 --fps 30 --footage " +
                      Q(File("match.mp4")),
                  &out),
              0);
    EXPECT_NE(out.find("00:00:00:27 00:00:00:28"), std::string::npos) << out;

    // --output writes the file; never the score file or the footage.
    ASSERT_EQ(Cli("chapters " + score + " --format ffmetadata --output " + Q(File("ch.txt"))), 0);
    EXPECT_EQ(ReadBytes(File("ch.txt")).rfind(";FFMETADATA1\n", 0), 0u);
    EXPECT_EQ(Cli("chapters " + score + " --output " + score, &out), 1) << out;
    EXPECT_EQ(ReadBytes(File("score.txt")), kScore);
    const std::string footage = ReadBytes(File("match.mp4"));
    EXPECT_EQ(Cli("chapters " + score + " --footage " + Q(File("match.mp4")) + " --output " +
                  Q(File("match.mp4"))),
              1);
    EXPECT_TRUE(ReadBytes(File("match.mp4")) == footage);

    // Usage errors name the option.
    const std::pair<const char*, const char*> wrong[] = {
        {"--format srt", "--format"}, {"--events 180,tons", "tons"}, {"--offset 1.5", "--offset"},
        {"--fps 0", "--fps"},         {"--bogus 1", "--bogus"},
    };
    for (const auto& [args, named] : wrong) {
        EXPECT_EQ(Cli("chapters " + score + " " + args, &out), 2) << args;
        EXPECT_NE(out.find(named), std::string::npos) << out;
    }
}

TEST_F(CliClipsTest, ClipsRefuseTheirInputsAndBadFolders) {
    std::string out;
    const std::string args = Q(File("score.txt")) + " " + Q(File("match.mp4")) + " ";
    WriteBytes(File("afile"), "x");
    EXPECT_EQ(Cli("clips " + args + Q(File("afile")), &out), 1) << out;
    EXPECT_EQ(ReadBytes(File("afile")), "x");
    const std::string footage = ReadBytes(File("match.mp4"));
    EXPECT_EQ(
        Cli("clips " + args + Q(File("c2")) + " --events 180 --reel " + Q(File("match.mp4")), &out),
        1)
        << out;
    EXPECT_TRUE(ReadBytes(File("match.mp4")) == footage);
    EXPECT_EQ(Cli("clips " + args + Q(File("c3")) + " --events marks6", &out), 1) << out;
    EXPECT_EQ(Cli("clips " + args + Q(File("c4")) + " --before -1", &out), 2) << out;
}

} // namespace
