#include "VideoTestUtil.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace videotest;

namespace {

constexpr int kW = 320;
constexpr int kH = 240;

const std::string kCli = VORLAT_CLI_PATH;

// A short 501 match: two turns, the last dart at 2500 ms (188 frames up to 12500 ms).
std::string WriteScore(const TempDir& dir, const std::string& extraSetting) {
    const std::string path = dir.File("score.txt");
    std::ofstream out(path);
    out << "[SETTING]\nGAME=501\n"
        << extraSetting << "\n[DATA]\nR01-1=T20,20,S5\nR01-2=19,T19,D3\n"
        << "[TIME]\nR01-1=300,600,900\nR01-2=1500,2000,2500\n";
    return path;
}

int Cli(const std::string& args, std::string* out = nullptr) {
    return Run("'" + kCli + "' " + args + " 2>&1", out);
}

struct ModeCase {
    const char* name;
    const char* setting;
    const char* flag;
    const char* codec;
};

class CliExportMode : public testing::TestWithParam<ModeCase> {};

TEST_P(CliExportMode, WritesTheWholeMatchInTheChosenFormat) {
    const ModeCase& c = GetParam();
    TempDir dir;
    const std::string score = WriteScore(dir, c.setting);
    std::string out;
    ASSERT_EQ(Cli("export '" + score + "' '" + dir.File("out.avi") + "' " + c.flag, &out), 0)
        << out;
    EXPECT_NE(out.find("（　動画ファイル出力完了　）"), std::string::npos) << out;
    const Probe probe = ProbeVideo(dir.File("out.avi"));
    EXPECT_EQ(probe.codec, c.codec);
    EXPECT_EQ(probe.frames, 188);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CliExportMode,
    testing::Values(ModeCase{"default_compressed", "", "", "msvideo1"},
                    ModeCase{"setting_uncompressed", "NOCOMP-AVI=1", "", "rawvideo"},
                    ModeCase{"flag_overrides_setting", "NOCOMP-AVI=1", "--compressed", "msvideo1"},
                    ModeCase{"flag_uncompressed", "", "--uncompressed", "rawvideo"}),
    [](const testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

TEST(CliExport, FramesMatchTheFrameCommand) {
    // Every frame of the uncompressed video against what `vorlat-cli frame` paints for its
    // moment.
    TempDir dir;
    const std::string score = WriteScore(dir, "NOCOMP-AVI=1");
    ASSERT_EQ(Cli("export '" + score + "' '" + dir.File("out.avi") + "'"), 0);
    std::string errors;
    const auto decoded = DecodeBgra(dir.File("out.avi"), kW, kH, &errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(decoded.size(), 188u);
    for (int n = 0; n < 188; ++n) {
        const std::string png = dir.File("f" + std::to_string(n) + ".png");
        ASSERT_EQ(Cli("frame '" + score + "' " + std::to_string(FrameMoment(n)) + " '" + png + "'"),
                  0);
        const QImage expected =
            QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(expected.size(), QSize(kW, kH));
        EXPECT_EQ(std::memcmp(decoded[n].data(), expected.constBits(), decoded[n].size()), 0)
            << "frame " << n << " at " << FrameMoment(n) << " ms";
    }
}

TEST(CliExport, FailuresGiveANonZeroStatus) {
    TempDir dir;
    const std::string score = WriteScore(dir, "");
    EXPECT_EQ(Cli("export '" + score + "'"), 2);
    EXPECT_EQ(Cli("export '" + score + "' '" + dir.File("out.avi") + "' --fast"), 2);
    EXPECT_EQ(Cli("export '" + dir.File("none.txt") + "' '" + dir.File("out.avi") + "'"), 1);
    EXPECT_EQ(Cli("export '" + score + "' '" + dir.File("no/such/dir.avi") + "'"), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.avi")));
}

} // namespace
