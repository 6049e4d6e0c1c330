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
#include <sstream>
#include <string>
#include <sys/stat.h>

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
                      " --offset 200 --scale 0.5 --place top-right --theme classic",
                  &log),
              0)
        << log;

    // FFmpeg's own log stays quiet (no encoder statistics); away from a terminal the
    // progress is a line per percent, rising, then the result.
    std::istringstream lines(log);
    std::string line;
    int last = -1;
    while (std::getline(lines, line)) {
        int percent = -1;
        if (std::sscanf(line.c_str(), "burning %d%%", &percent) == 1) {
            EXPECT_GT(percent, last) << line;
            last = percent;
        } else {
            EXPECT_EQ(line.rfind("wrote ", 0), 0u) << "unexpected line: " << line;
        }
    }
    EXPECT_EQ(last, 100);

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

TEST_F(CliBurnTest, TheBroadcastBoardIsTheDefaultAndClassicStaysChoosable) {
    std::string log;
    std::string md5[3];
    const char* themes[3] = {"", " --theme broadcast", " --theme classic"};
    for (int i = 0; i < 3; ++i) {
        const std::string out = File(("theme" + std::to_string(i) + ".mp4").c_str());
        ASSERT_EQ(Cli("burn " + Q(File("score.txt")) + " " + Q(File("match.mp4")) + " " + Q(out) +
                          themes[i],
                      &log),
                  0)
            << log;
        md5[i] = StreamMd5(out, "v:0");
    }
    EXPECT_EQ(md5[0], md5[1]);
    EXPECT_NE(md5[0], md5[2]);
}

TEST_F(CliBurnTest, RefusesWhatItCannotBurnWithAClearError) {
    ASSERT_TRUE(MakeMedia(File("tone.m4a"), "-f lavfi -i sine=duration=1 -c:a aac"));
    ::mkfifo(File("fifo.mp4").c_str(), 0600);
    std::filesystem::create_symlink("/dev/null", File("null.mp4"));
    std::filesystem::create_symlink(File("score.txt"), File("score-link.mp4"));
    WriteBytes(File("shared.mp4"), "#EXTM3U\n#EXT-X-TARGETDURATION:3\n#EXTINF:3,\n" +
                                       File("match.mp4") + "\n#EXT-X-ENDLIST\n");
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
        {s + " " + Q(File("tone.m4a")) + " " + Q(File("o2.mp4")), 1, "動画ストリームがありません"},
        {s + " " + Q(File("fifo.mp4")) + " " + Q(File("o6.mp4")), 1,
         "通常のファイルではありません"},
        {s + " " + Q(File("shared.mp4")) + " " + Q(File("o7.mp4")), 1, "動画ファイルではなく"},
        {s + " " + f + " " + s, 1, "スコアファイル " + File("score.txt")},
        {s + " " + f + " " + Q(File("score-link.mp4")), 1, "スコアファイル " + File("score.txt")},
        {s + " " + f + " " + f, 1, "映像 " + File("match.mp4")},
        {s + " " + f + " " + Q(File("fifo.mp4")), 1, "通常のファイルではありません"},
        {s + " " + f + " " + Q(File("null.mp4")), 1, "通常のファイルではありません"},
        {s + " " + f + " " + Q(File("x%d.png")), 1, "画像の名前です"},
        {s + " " + f + " " + Q(File("x.png")), 1, "画像の名前です"},
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
    for (const char* name : {"o1.mp4", "o2.mp4", "o4.mp4", "o5.mp4", "o6.mp4", "o7.mp4", "x.png",
                             "x%d.png", "x0.png", "x1.png"}) {
        EXPECT_FALSE(std::filesystem::exists(File(name))) << name;
    }
    for (const std::string& name : s_dir->Names()) {
        EXPECT_EQ(name.find(".part-"), std::string::npos) << name;
    }
}

// A burn-in that runs out of room, under a file size limit or on a full file system, fails
// with a message and leaves the previous output byte for byte.
TEST_F(CliBurnTest, AFailedWriteLeavesThePreviousOutputAsItWas) {
    const std::string previous = "the previous burn-in, kept\n";
    const std::string burn =
        "'" + kCli + "' burn " + Q(File("score.txt")) + " " + Q(File("match.mp4")) + " ";
    const struct {
        const char* name;
        std::string folder;
        // Runs the burn-in into $D/prior.mp4, its log in run.log, and copies what $D holds
        // afterwards out beside it (a mount ends with its namespace).
        std::string script;
    } cases[] = {
        {"file size limit", File("limited"),
         "ulimit -f 64; " + burn + "\"$D/prior.mp4\" >" + Q(File("run.log")) + " 2>&1; echo $? >" +
             Q(File("status"))},
        {"full file system", File("small"),
         "unshare -rm sh -c 'mount -t tmpfs -o size=256k none \"$D\" && printf %s \"$P\" "
         ">\"$D/prior.mp4\" && { " +
             burn + "\"$D/prior.mp4\" >" + Q(File("run.log")) + " 2>&1; echo $? >" +
             Q(File("status")) + "; cp \"$D/prior.mp4\" " + Q(File("after.mp4")) +
             "; ls -A \"$D\" >" + Q(File("listing")) + "; }'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::create_directory(c.folder);
        WriteBytes(c.folder + "/prior.mp4", previous);
        for (const char* name : {"status", "after.mp4", "listing", "run.log"}) {
            std::filesystem::remove(File(name));
        }
        videotest::Run("export D=" + Q(c.folder) + " P=" + Q(previous) + "; (" + c.script + ")");
        if (!std::filesystem::exists(File("status"))) {
            GTEST_SKIP() << c.name << ": cannot set it up here (no user namespaces?)";
        }
        const std::string log = ReadBytes(File("run.log"));
        EXPECT_EQ(std::atoi(ReadBytes(File("status")).c_str()), 1) << log;
        EXPECT_NE(log.find("prior.mp4 は元のままです"), std::string::npos) << log;
        const bool mounted = std::filesystem::exists(File("after.mp4"));
        EXPECT_EQ(ReadBytes(mounted ? File("after.mp4") : c.folder + "/prior.mp4"), previous);
        if (mounted) {
            EXPECT_EQ(ReadBytes(File("listing")), "prior.mp4\n");
        } else {
            std::vector<std::string> names;
            for (const auto& entry : std::filesystem::directory_iterator(c.folder)) {
                names.push_back(entry.path().filename().string());
            }
            EXPECT_EQ(names, std::vector<std::string>{"prior.mp4"});
        }
    }
}

// SIGINT and SIGTERM end the burn-in as a cancel does: the output stays as it was, the
// frames so far are a playable NAME.partial.EXT, and the exit status tells the signal.
TEST_F(CliBurnTest, ASignalKeepsTheOutputAndFinishesThePartialFile) {
    ASSERT_TRUE(MakeMedia(File("long.mp4"),
                          "-f lavfi -i testsrc2=size=1280x720:rate=25:duration=20 "
                          "-c:v libx264 -preset ultrafast -pix_fmt yuv420p"));
    const std::string out = File("stopped.mp4");
    const std::string log = File("stopped.log");
    for (const auto& [signal, status] : {std::pair{"INT", 130}, std::pair{"TERM", 143}}) {
        SCOPED_TRACE(signal);
        WriteBytes(out, "the previous burn-in\n");
        std::filesystem::remove(File("stopped.partial.mp4"));
        // Signalled once the progress shows; the loop's deadline keeps a hung burn from
        // hanging the test.
        std::string exit;
        videotest::Run("'" + kCli + "' burn " + Q(File("score.txt")) + " " + Q(File("long.mp4")) +
                           " " + Q(out) + " 2>" + Q(log) +
                           " & pid=$!; for i in $(seq 1 600); do grep -q 'burning [1-9]' " +
                           Q(log) + " && break; sleep 0.05; done; kill -" + signal +
                           " $pid; wait $pid; echo $?",
                       &exit);
        const std::string said = ReadBytes(log);
        EXPECT_EQ(std::atoi(exit.c_str()), status) << said;
        EXPECT_NE(said.find(std::string("stopped by SIG") + signal), std::string::npos) << said;
        EXPECT_EQ(ReadBytes(out), "the previous burn-in\n");
        const Probe probe = ProbeVideo(File("stopped.partial.mp4"));
        EXPECT_EQ(probe.codec, "h264");
        EXPECT_GT(probe.frames, 0);
        EXPECT_LT(probe.frames, 500);
        EXPECT_NE(said.find("stopped.partial.mp4"), std::string::npos) << said;
    }
}

// On a terminal the progress rewrites one line, as the export's does, and FFmpeg's notes
// stay out of it.
TEST_F(CliBurnTest, OnATerminalTheProgressIsOneUpdatingLine) {
    const std::string out = File("on-terminal.mp4");
    const std::string typescript = File("typescript");
    ASSERT_EQ(videotest::Run("script -qec \"'" + kCli + "' burn " + Q(File("score.txt")) + " " +
                             Q(File("match.mp4")) + " " + Q(out) + "\" " + Q(typescript) +
                             " >/dev/null 2>&1"),
              0);
    const std::string shown = ReadBytes(typescript);
    EXPECT_NE(shown.find("\r\033[Kburning 100%"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("burning 1%\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("x264"), std::string::npos) << shown;
    EXPECT_NE(shown.find("wrote "), std::string::npos) << shown;
}

} // namespace
