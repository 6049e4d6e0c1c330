#include "FootageMaker.h"
#include "VideoTestUtil.h"
#include "render/Renderer.h"
#include "score/Loader.h"
#include "score/ScoreData.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace videotest;

namespace {

const std::string kCli = VORLAT_CLI_PATH;

// Two turns of 501; the second turn starts at 1200 ms, its first dart lands at 1500 ms.
constexpr const char* kScore = "[SETTING]\nGAME=501\n\n[DATA]\nR01-1=T20,20,S5\nR01-2=19,T19,D3\n"
                               "[TIME]\nR01-1=300,600,900\nR01-2=1500,2000,2500\n";

int Cli(const std::string& args, std::string* out = nullptr) {
    return Run("'" + kCli + "' " + args + " 2>&1", out);
}

std::string Q(const std::string& path) {
    return "'" + path + "'";
}

class CliBurnTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        // 25 fps, so that frame n starts at 40n ms; a tone so that the audio can be checked.
        ASSERT_TRUE(
            MakeMedia(s_dir->File("match.mp4"),
                      "-f lavfi -i testsrc2=size=640x360:rate=25:duration=3 "
                      "-f lavfi -i sine=frequency=440:duration=3 "
                      "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest"));
        WriteBytes(s_dir->File("score.txt"), kScore);
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }

    static std::string File(const char* name) { return s_dir->File(name); }

    static TempDir* s_dir;
};

TempDir* CliBurnTest::s_dir = nullptr;

// The decoded frame's board area against the board the score shows at moment, composited
// over the footage's own frame.
double BoardPsnr(const std::vector<uint8_t>& burnt, const std::vector<uint8_t>& footage,
                 const Match& match, int64_t moment, QPoint pos, double scale) {
    RenderOptions options;
    options.scale = scale;
    options.background.kind = Background::Kind::Transparent;
    QImage board = MakeBoardImage(options);
    EXPECT_TRUE(RenderMoment(match, moment, board, options));
    std::vector<uint8_t> expected = footage;
    for (int y = 0; y < board.height(); ++y) {
        for (int x = 0; x < board.width(); ++x) {
            const QRgb p = board.pixel(x, y);
            uint8_t* px = &expected[(size_t(pos.y() + y) * 640 + pos.x() + x) * 4];
            const int channels[3] = {qBlue(p), qGreen(p), qRed(p)};
            for (int c = 0; c < 3; ++c) {
                px[c] = uint8_t(channels[c] + (px[c] * (255 - qAlpha(p)) + 127) / 255);
            }
        }
    }
    const QRect area(pos, board.size());
    return RegionPsnr(burnt.data(), expected.data(), 640, 360,
                      [&](int x, int y) { return area.contains(x, y); });
}

TEST_F(CliBurnTest, WritesTheFootageWithTheBoardOfMomentTMinusOffsetWhereAsked) {
    const std::string out = File("burnt.mp4");
    std::string log;
    ASSERT_EQ(Cli("burn " + Q(File("score.txt")) + " " + Q(File("match.mp4")) + " " + Q(out) +
                      " --offset 200 --scale 0.5 --place top-right",
                  &log),
              0)
        << log;

    auto video = ProbeFields(out, "v:0");
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_EQ(video["width"], "640");
    EXPECT_EQ(video["height"], "360");
    EXPECT_EQ(video["r_frame_rate"], "25/1");
    EXPECT_NEAR(std::atof(video["format.duration"].c_str()), 3.0, 0.1);
    EXPECT_EQ(ProbeFields(out, "a:0")["codec_name"], "aac");
    EXPECT_EQ(StreamMd5(out, "a:0"), StreamMd5(File("match.mp4"), "a:0")); // copied as it was

    const auto burnt = DecodeFrames(out, 640, 360);
    const auto source = DecodeFrames(File("match.mp4"), 640, 360);
    ASSERT_EQ(burnt.size(), source.size());
    ASSERT_EQ(burnt.size(), 75u);

    Match match;
    ASSERT_TRUE(OpenScoreFile(match, File("score.txt")));
    // Half scale: 160 x 120, a thirtieth of the height (12) from the top and right edges.
    const QPoint pos(640 - 160 - 12, 12);
    const QRect area(pos, QSize(160, 120));
    // Frame 40 is at 1600 ms: the board of moment 1400 (the second turn's start) matches,
    // not that of 1600 (after its first dart), nor the right board a little off its place.
    // Sharp coloured text loses its colour edges to 4:2:0 chroma, hence the modest floor.
    const double right = BoardPsnr(burnt[40], source[40], match, 1400, pos, 0.5);
    const double wrongMoment = BoardPsnr(burnt[40], source[40], match, 1600, pos, 0.5);
    const double wrongPlace =
        BoardPsnr(burnt[40], source[40], match, 1400, pos + QPoint(2, 2), 0.5);
    std::printf("board PSNR %.1f dB; at the moment without offset %.1f dB, 2 px off %.1f dB\n",
                right, wrongMoment, wrongPlace);
    EXPECT_GT(right, 22.0);
    EXPECT_GT(right, wrongMoment + 6.0);
    EXPECT_GT(right, wrongPlace + 6.0);
    EXPECT_GT(RegionPsnr(burnt[40].data(), source[40].data(), 640, 360,
                         [&](int x, int y) { return !area.contains(x, y); }),
              35.0);
}

TEST_F(CliBurnTest, RefusesWhatItCannotBurnWithAClearError) {
    ASSERT_TRUE(MakeMedia(File("tone.m4a"), "-f lavfi -i sine=duration=1 -c:a aac"));
    const std::string score = ReadBytes(File("score.txt"));
    struct Case {
        std::string args;
        int status;
        std::string says;
    };
    const std::string s = Q(File("score.txt"));
    const std::string f = Q(File("match.mp4"));
    const Case cases[] = {
        {s + " " + Q(File("missing.mp4")) + " " + Q(File("o1.mp4")), 1, "missing.mp4"},
        {s + " " + Q(File("tone.m4a")) + " " + Q(File("o2.mp4")), 1, "no video stream"},
        {s + " " + f + " " + s, 1, "score file or the footage"},
        {s + " " + f + " " + f, 1, "score file or the footage"},
        {s + " " + f + " " + Q(File("no/such/folder/o3.mp4")), 1, "o3.mp4"},
        {s + " " + f + " " + Q(File("o4.mp4")) + " --place middle", 2, "--place"},
        {s + " " + f + " " + Q(File("o5.mp4")) + " --offset 1.5", 2, "--offset"},
        {s + " " + f, 2, "usage"},
    };
    for (const Case& c : cases) {
        std::string log;
        EXPECT_EQ(Cli("burn " + c.args, &log), c.status) << c.args << "\n" << log;
        EXPECT_NE(log.find(c.says), std::string::npos) << c.args << "\n" << log;
    }
    EXPECT_EQ(ReadBytes(File("score.txt")), score);
    for (const char* name : {"o1.mp4", "o2.mp4", "o4.mp4", "o5.mp4"}) {
        EXPECT_FALSE(std::filesystem::exists(File(name))) << name;
    }
}

TEST_F(CliBurnTest, AnInterruptFinishesAPlayableFileOfTheFramesSoFar) {
    ASSERT_TRUE(MakeMedia(File("long.mp4"),
                          "-f lavfi -i testsrc2=size=1280x720:rate=25:duration=20 "
                          "-c:v libx264 -preset ultrafast -pix_fmt yuv420p"));
    const std::string out = File("stopped.mp4");
    const std::string log = File("stopped.log");
    // Interrupted once the progress shows; the loop's deadline keeps a hung burn from
    // hanging the test.
    std::string status;
    videotest::Run("'" + kCli + "' burn " + Q(File("score.txt")) + " " + Q(File("long.mp4")) + " " +
                       Q(out) + " 2>" + Q(log) +
                       " & pid=$!; for i in $(seq 1 600); do grep -q 'burning [1-9]' " + Q(log) +
                       " && break; sleep 0.05; done; kill -INT $pid; wait $pid; echo $?",
                   &status);
    EXPECT_EQ(std::atoi(status.c_str()), 130) << ReadBytes(log);
    const Probe probe = ProbeVideo(out);
    EXPECT_EQ(probe.codec, "h264");
    EXPECT_GT(probe.frames, 0);
    EXPECT_LT(probe.frames, 500);
    EXPECT_NE(ReadBytes(log).find("stopped"), std::string::npos);
}

} // namespace
