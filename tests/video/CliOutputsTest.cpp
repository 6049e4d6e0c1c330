#include "VideoTestUtil.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace videotest;
namespace fs = std::filesystem;

// vorlat-cli's options for editors' videos, its refusals, and how it ends on signals.

namespace {

const std::string kCli = VORLAT_CLI_PATH;

std::string WriteScore(const TempDir& dir, int lastMs = 2500) {
    const std::string path = dir.File("score.txt");
    std::ofstream out(path);
    out << "[SETTING]\nGAME=501\n\n[DATA]\nR01-1=T20,20,S5\nR01-2=19,T19,D3\n"
        << "[TIME]\nR01-1=300,600,900\nR01-2=1500,2000," << lastMs << "\n";
    return path;
}

int Cli(const std::string& args, std::string* out = nullptr) {
    return Run("'" + kCli + "' " + args + " 2>&1", out);
}

struct BadCase {
    const char* args;
    const char* named; // the option the error names
};

class CliBadValue : public testing::TestWithParam<BadCase> {};

TEST_P(CliBadValue, IsAUsageErrorNamingTheOption) {
    TempDir dir;
    const std::string score = WriteScore(dir);
    std::string out;
    EXPECT_EQ(Cli("export '" + score + "' '" + dir.File("out.mp4") + "' " + GetParam().args, &out),
              2);
    EXPECT_NE(out.find(GetParam().named), std::string::npos) << out;
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"score.txt"});
}

INSTANTIATE_TEST_SUITE_P(
    Values, CliBadValue,
    testing::Values(BadCase{"--size 1920", "--size"}, BadCase{"--size 0x100", "--size"},
                    BadCase{"--size=100x100000", "--size"}, BadCase{"--place middle", "--place"},
                    BadCase{"--fps 0", "--fps"}, BadCase{"--fps 7/0", "--fps"},
                    BadCase{"--fps fast", "--fps"}, BadCase{"--background red", "--background"},
                    BadCase{"--background transparent", "--background"}, // H.264 has no alpha
                    BadCase{"--codec divx", "--codec"}, BadCase{"--scale 40", "--scale"},
                    BadCase{"--size 320x240 --scale 4 --theme classic", "--size"},
                    BadCase{"--speed 2", "--speed"}, BadCase{"--fps 240.999", "--fps"},
                    BadCase{"--fps 0.5", "--fps"}, BadCase{"--fps 1/1000000", "--fps"},
                    // Read as hexadecimal this would be 16, a scale within bounds.
                    BadCase{"--scale 0x10", "--scale"}, BadCase{"--scale inf", "--scale"}));

// Names and codecs that do not go together are usage errors with a reason, before anything
// is written.
struct NameCase {
    const char* out;
    const char* args;
    const char* says;
};

class CliBadName : public testing::TestWithParam<NameCase> {};

TEST_P(CliBadName, IsAUsageErrorSayingWhy) {
    const NameCase& c = GetParam();
    TempDir dir;
    const std::string score = WriteScore(dir);
    std::string out;
    EXPECT_EQ(Cli("export '" + score + "' '" + dir.File(c.out) + "' " + c.args, &out), 2);
    EXPECT_NE(out.find(c.says), std::string::npos) << out;
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"score.txt"});
}

INSTANTIATE_TEST_SUITE_P(
    Names, CliBadName,
    testing::Values(NameCase{"x.mov", "--codec vp9", "VP9 は .mov ファイルに格納できません"},
                    NameCase{"x.avi", "--codec h264", "H.264 は .avi ファイルに格納できません"},
                    NameCase{"w%020d.png", "", "18 桁を超えています"},
                    NameCase{"a%d%d.png", "", "2 つ以上あります"},
                    NameCase{"a%s%d.png", "", "読み取れません"},
                    NameCase{"a.png", "", "フレーム番号が必要です"},
                    NameCase{"a.mp4", "--codec png", "フレーム番号を 1 つ含む"}));

TEST(CliOutputs, SizePrintsTheLengthAndWhereTheBoardWent) {
    TempDir dir;
    const std::string score = WriteScore(dir);
    std::string out;
    ASSERT_EQ(Cli("export '" + score + "' '" + dir.File("out.mkv") +
                      "' --size 1280x720 --place top-right --fps 30",
                  &out),
              0)
        << out;
    // 12500 ms at 30 fps; the default scale for 720 lines is 1 (240 = 720 / 3); margin 24.
    EXPECT_NE(out.find("length 0:12.5 (375 frames at 30 fps)"), std::string::npos) << out;
    EXPECT_NE(out.find("board 320x240 at 936,24 (top-right, scale 1) in 1280x720"),
              std::string::npos)
        << out;
    // Qt's own notices (XDG_RUNTIME_DIR, fonts) stay out of what the companion prints.
    EXPECT_EQ(out.find("QStandardPaths"), std::string::npos) << out;
    EXPECT_EQ(ProbeVideo(dir.File("out.mkv")).frames, 375);
}

// With no theme named, the format picks the board: the classic one for the AVI formats and
// the lossless archives, the broadcast one for the formats editors lay over footage. The
// codec decides, not the name's extension. Each default run prints the board the run with
// that theme named prints.
struct DefaultBoardCase {
    const char* out;
    const char* args;
    const char* theme;
};

class CliDefaultBoard : public testing::TestWithParam<DefaultBoardCase> {};

std::string BoardLine(const std::string& printed) {
    const size_t at = printed.find("board ");
    return at == std::string::npos ? "" : printed.substr(at, printed.find('\n', at) - at);
}

TEST_P(CliDefaultBoard, ComesFromTheFormat) {
    const DefaultBoardCase& c = GetParam();
    TempDir dir;
    const std::string score = WriteScore(dir);
    const std::string common = " --size 1280x720 --fps 2 " + std::string(c.args);
    std::string byDefault;
    std::string named;
    std::string other;
    const std::string otherTheme = std::string(c.theme) == "classic" ? "broadcast" : "classic";
    ASSERT_EQ(Cli("export '" + score + "' '" + dir.File(std::string("d-") + c.out) + "'" + common,
                  &byDefault),
              0)
        << byDefault;
    ASSERT_EQ(Cli("export '" + score + "' '" + dir.File(std::string("n-") + c.out) + "'" + common +
                      " --theme " + c.theme,
                  &named),
              0)
        << named;
    ASSERT_EQ(Cli("export '" + score + "' '" + dir.File(std::string("o-") + c.out) + "'" + common +
                      " --theme " + otherTheme,
                  &other),
              0)
        << other;
    EXPECT_FALSE(BoardLine(byDefault).empty()) << byDefault;
    EXPECT_EQ(BoardLine(byDefault), BoardLine(named));
    EXPECT_NE(BoardLine(byDefault), BoardLine(other));
}

INSTANTIATE_TEST_SUITE_P(Formats, CliDefaultBoard,
                         testing::Values(DefaultBoardCase{"a.avi", "", "classic"},
                                         DefaultBoardCase{"a.mkv", "", "classic"},
                                         DefaultBoardCase{"a%03d.png", "", "classic"},
                                         DefaultBoardCase{"a.mov", "", "broadcast"},
                                         DefaultBoardCase{"a.mp4", "", "broadcast"},
                                         DefaultBoardCase{"a.webm", "", "broadcast"},
                                         DefaultBoardCase{"a.mkv", "--codec prores", "broadcast"}));

TEST(CliOutputs, FrameOfASizeShowsTheBoardInPlaceOnTheBackground) {
    TempDir dir;
    const std::string score = WriteScore(dir);
    const std::string png = dir.File("f.png");
    ASSERT_EQ(Cli("frame '" + score + "' 1000 '" + png +
                  "' --size 640x480 --place center --background transparent"),
              0);
    const QImage frame = QImage(QString::fromStdString(png));
    ASSERT_EQ(frame.size(), QSize(640, 480));
    // Default scale for 480 lines: 160 / 240 = 0.66, a 211 x 158 board in the middle.
    EXPECT_EQ(qAlpha(frame.pixel(5, 5)), 0);
    EXPECT_EQ(qAlpha(frame.pixel(320, 240)), 255);
    const std::string board = dir.File("b.png");
    ASSERT_EQ(
        Cli("frame '" + score + "' 1000 '" + board + "' --scale 0.66 --background transparent"), 0);
    const QImage alone = QImage(QString::fromStdString(board));
    const QPoint at((640 - alone.width()) / 2, (480 - alone.height()) / 2);
    EXPECT_EQ(frame.copy(QRect(at, alone.size())).convertToFormat(QImage::Format_ARGB32),
              alone.convertToFormat(QImage::Format_ARGB32));
}

TEST(CliOutputs, NeverWritesOverTheScoreFile) {
    TempDir dir;
    const std::string score = WriteScore(dir);
    const std::string before = ReadBytes(score);
    fs::create_symlink(score, dir.File("link.avi"));
    fs::create_hard_link(score, dir.File("hard.png"));
    for (const std::string& args : {"export '" + score + "' '" + score + "' --compressed",
                                    "export '" + score + "' '" + dir.File("link.avi") + "'",
                                    "frame '" + score + "' 0 '" + dir.File("hard.png") + "'",
                                    "frame '" + score + "' 0 '" + score + "'"}) {
        std::string out;
        EXPECT_EQ(Cli(args, &out), 1) << args;
        EXPECT_NE(out.find("スコアファイル " + score), std::string::npos) << out;
    }
    EXPECT_EQ(ReadBytes(score), before);
    EXPECT_TRUE(fs::is_symlink(dir.File("link.avi")));
}

// A file size limit (ulimit -f) hit halfway, in every container: exit 1 with the system's
// reason, the previous target byte for byte as it was, and beside it at most NAME.partial.EXT,
// only when it decodes cleanly. The limits make each case fail after its header.
struct LimitCase {
    const char* file;
    int blocks; // of 512 bytes
};

class CliFileSizeLimit : public testing::TestWithParam<LimitCase> {};

TEST_P(CliFileSizeLimit, IsAWriteErrorThatLeavesTheTargetAsItWas) {
    const LimitCase& c = GetParam();
    TempDir dir;
    const std::string score = WriteScore(dir);
    const std::string target = dir.File(c.file);
    // The previous export: a video, or the first picture of a sequence.
    const bool sequence = target.find('%') != std::string::npos;
    const std::string old = sequence ? dir.File("f0000.png") : target;
    WriteBytes(old, "the previous export");
    std::string out;
    // In English, so that the system's reason reads the same on every machine.
    EXPECT_EQ(videotest::Run("ulimit -f " + std::to_string(c.blocks) +
                                 "; LANGUAGE=en LC_ALL=C.UTF-8 exec '" + kCli + "' export '" +
                                 score + "' '" + target + "' --size 1280x720 2>&1",
                             &out),
              1);
    EXPECT_NE(out.find(": File too large"), std::string::npos) << out;
    EXPECT_NE(out.find(sequence ? "are as they were" : "is as it was"), std::string::npos) << out;
    EXPECT_EQ(ReadBytes(old), "the previous export");
    std::vector<std::string> names = dir.Names();
    std::sort(names.begin(), names.end());
    const std::string name = fs::path(old).filename().string();
    const std::string partial =
        sequence ? std::string()
                 : name.substr(0, name.rfind('.')) + ".partial" + name.substr(name.rfind('.'));
    if (!partial.empty() && fs::exists(dir.File(partial))) {
        EXPECT_NE(out.find("kept in " + dir.File(partial)), std::string::npos) << out;
        std::string errors;
        EXPECT_GT(DecodeBgra(dir.File(partial), 1280, 720, &errors).size(), 0u);
        EXPECT_EQ(errors, "");
        std::vector<std::string> expected = {name, partial, "score.txt"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
    } else {
        EXPECT_EQ(out.find("kept in"), std::string::npos) << out;
        std::vector<std::string> expected = {name, "score.txt"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, CliFileSizeLimit,
                         testing::Values(LimitCase{"out.avi", 400}, LimitCase{"out.mp4", 100},
                                         LimitCase{"out.mov", 100}, LimitCase{"out.webm", 24},
                                         LimitCase{"out.mkv", 100}, LimitCase{"f%04d.png", 8}),
                         [](const testing::TestParamInfo<LimitCase>& info) {
                             std::string name = info.param.file;
                             return name.substr(name.rfind('.') + 1);
                         });

// A limit that leaves room for some frames of an uncompressed AVI keeps them playable.
TEST(CliOutputs, AFileSizeLimitKeepsTheFramesThatFit) {
    TempDir dir;
    const std::string score = WriteScore(dir);
    const std::string avi = dir.File("out.avi");
    std::string out;
    // 4000 blocks of 512 bytes: room for about six uncompressed frames.
    EXPECT_EQ(videotest::Run("ulimit -f 4000; LANGUAGE=en LC_ALL=C.UTF-8 exec '" + kCli +
                                 "' export '" + score + "' '" + avi + "' --uncompressed 2>&1",
                             &out),
              1);
    EXPECT_NE(out.find(avi + ": cannot be written: File too large"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(avi));
    std::string errors;
    const auto frames = DecodeBgra(dir.File("out.partial.avi"), 320, 240, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_GE(frames.size(), 4u);
    EXPECT_LT(frames.size(), 188u);
}

struct SignalCase {
    const char* name;
    int signal;
    const char* file;
    const char* partial;
    int status;
};

class CliSignal : public testing::TestWithParam<SignalCase> {};

// The export is started with a long timeline; once it reports progress past the start it
// gets the signal, and must end as a cancel does: a finished file and 128 + the signal.
TEST_P(CliSignal, FinishesTheFileAndExitsWithTheSignalsStatus) {
    const SignalCase& c = GetParam();
    TempDir dir;
    const std::string score = WriteScore(dir, 3'600'000);
    const std::string video = dir.File(c.file);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(pipeFds[1], STDERR_FILENO);
        ::close(pipeFds[0]);
        ::execl(kCli.c_str(), kCli.c_str(), "export", score.c_str(), video.c_str(), "--size",
                "640x480", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    FILE* progress = ::fdopen(pipeFds[0], "r");
    char line[256];
    bool started = false;
    while (std::fgets(line, sizeof line, progress) != nullptr) {
        if (std::string(line).find("...\u30001%") != std::string::npos) {
            started = true;
            break;
        }
    }
    ASSERT_TRUE(started);
    ::kill(child, c.signal);
    std::string rest;
    while (std::fgets(line, sizeof line, progress) != nullptr) {
        rest += line;
    }
    std::fclose(progress);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << rest;
    EXPECT_EQ(WEXITSTATUS(status), c.status) << rest;
    // A stopped export is no complete video: the target is not made, and the frames so far
    // are kept as a video that plays, under a name that says it is partial.
    EXPECT_FALSE(fs::exists(video));
    const std::string partial = dir.File(c.partial);
    EXPECT_NE(rest.find("is as it was, and the first"), std::string::npos) << rest;
    EXPECT_NE(rest.find(partial), std::string::npos) << rest;
    const Probe probe = ProbeVideo(partial);
    EXPECT_GT(probe.frames, 0);
    std::string errors;
    videotest::Run("ffmpeg -nostdin -v error -i '" + partial + "' -f null - 2>&1", &errors);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(dir.Names().size(), 2u); // the score and the partial video, nothing half-made
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CliSignal,
    testing::Values(SignalCase{"sigint_mp4", SIGINT, "out.mp4", "out.partial.mp4", 130},
                    SignalCase{"sigterm_mov", SIGTERM, "out.mov", "out.partial.mov", 143},
                    SignalCase{"sigterm_avi", SIGTERM, "out.avi", "out.partial.avi", 143}),
    [](const testing::TestParamInfo<SignalCase>& info) { return std::string(info.param.name); });

} // namespace
