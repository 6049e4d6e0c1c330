#include "video/Footage.h"

#include "FootageMaker.h"
#include "VideoTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

using namespace videotest;

namespace {

// Footage of each kind the reader must take, made once for all tests here.
class FootageTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        const std::string pattern = "-f lavfi -i testsrc2=size=320x240:rate=30:duration=3 ";
        ASSERT_TRUE(MakeMedia(Path("tone.mp4"),
                              pattern +
                                  "-f lavfi -i sine=frequency=440:duration=3 "
                                  "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac"));
        // 30 frames a second for the first second, then 10.
        ASSERT_TRUE(MakeMedia(Path("vfr.mp4"), pattern +
                                                   "-vf select='lt(t\\,1)+not(mod(n\\,3))' "
                                                   "-vsync vfr -c:v libx264 -preset ultrafast"));
        ASSERT_TRUE(MakeMedia(Path("pal.mkv"),
                              "-f lavfi -i testsrc2=size=640x360:rate=25:duration=2 "
                              "-f lavfi -i sine=duration=2 "
                              "-c:v mpeg4 -q:v 3 -c:a pcm_s16le"));
        ASSERT_TRUE(MakeMedia(Path("tone.m4a"), "-f lavfi -i sine=duration=1 -c:a aac"));
        WriteBytes(Path("notes.mp4"), "not a video at all\n");
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static std::string Path(const std::string& name) { return s_dir->File(name); }

    static std::unique_ptr<Footage> OpenOrFail(const std::string& name) {
        auto footage = Footage::open(Path(name));
        if (!footage) {
            ADD_FAILURE() << footage.error();
            return nullptr;
        }
        return std::move(footage.value());
    }

    static std::unique_ptr<TempDir> s_dir;
};
std::unique_ptr<TempDir> FootageTest::s_dir;

struct InfoCase {
    const char* name;
    int width, height, rateNum, rateDen;
    int64_t durationMs;
    bool hasAudio;
    const char* videoCodec;
};

TEST_F(FootageTest, InfoAndFrameTimesAgreeWithFfprobe) {
    const InfoCase cases[] = {
        {"tone.mp4", 320, 240, 30, 1, 3000, true, "h264"},
        {"vfr.mp4", 320, 240, 0, 0, 3000, false, "h264"},
        {"pal.mkv", 640, 360, 25, 1, 2000, true, "mpeg4"},
    };
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto footage = OpenOrFail(c.name);
        ASSERT_TRUE(footage);
        const FootageInfo& info = footage->info();
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
        if (c.rateNum > 0) {
            EXPECT_EQ(info.rateNum * c.rateDen, c.rateNum * info.rateDen);
        }
        EXPECT_NEAR(double(info.durationMs), double(c.durationMs), 110.0);
        EXPECT_EQ(info.hasAudio, c.hasAudio);
        EXPECT_EQ(info.videoCodec, c.videoCodec);

        const std::vector<double> expected = VideoFrameTimes(Path(c.name));
        ASSERT_FALSE(expected.empty());
        std::vector<int64_t> times;
        while (footage->next()) {
            times.push_back(footage->frameMs());
        }
        EXPECT_FALSE(footage->error()) << footage->error();
        ASSERT_EQ(times.size(), expected.size());
        for (size_t i = 0; i < times.size(); ++i) {
            ASSERT_EQ(times[i], std::llround(expected[i] * 1000)) << "frame " << i;
        }
    }
}

TEST_F(FootageTest, FramePicturesMatchFfmpegsDecoding) {
    for (const char* name : {"tone.mp4", "pal.mkv"}) {
        SCOPED_TRACE(name);
        auto footage = OpenOrFail(name);
        ASSERT_TRUE(footage);
        const int w = footage->info().width, h = footage->info().height;
        const auto reference = DecodeBgra(Path(name), w, h);
        ASSERT_FALSE(reference.empty());
        size_t n = 0;
        double worst = 99;
        for (; footage->next(); ++n) {
            const QImage image = footage->frameImage();
            ASSERT_EQ(image.size(), QSize(w, h));
            ASSERT_LT(n, reference.size());
            worst = std::min(worst, Psnr(image.constBits(), reference[n].data(), size_t(w) * h));
        }
        EXPECT_EQ(n, reference.size());
        // Both convert the same decoded YUV, with slightly different chroma upsampling.
        EXPECT_GE(worst, 35.0);
    }
}

// After Seek(ms), Next() delivers the frame on screen at ms, the same picture as when read
// from the start, and the frames after it follow in order.
TEST_F(FootageTest, SeekDeliversTheFrameOnScreen) {
    for (const char* name : {"tone.mp4", "vfr.mp4", "pal.mkv"}) {
        SCOPED_TRACE(name);
        auto footage = OpenOrFail(name);
        ASSERT_TRUE(footage);
        std::vector<int64_t> times;
        std::vector<QImage> images;
        while (footage->next()) {
            times.push_back(footage->frameMs());
            images.push_back(footage->frameImage());
        }
        ASSERT_GT(times.size(), 20u);
        const int64_t targets[] = {1510, 0, times[7], times[7] - 1, 2950, 1150, 99999, -500, 40};
        for (int64_t target : targets) {
            SCOPED_TRACE(target);
            ASSERT_TRUE(footage->seek(target)) << footage->error();
            size_t expected = 0;
            while (expected + 1 < times.size() && times[expected + 1] <= target) {
                ++expected;
            }
            for (size_t i = expected; i < std::min(expected + 3, times.size()); ++i) {
                ASSERT_TRUE(footage->next());
                EXPECT_EQ(footage->frameMs(), times[i]);
                EXPECT_TRUE(footage->frameImage() == images[i]) << "frame " << i;
            }
        }
    }
}

TEST_F(FootageTest, UnusableFilesAreRefusedWithTheReason) {
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"missing.mp4", "No such file or directory"},
        {"notes.mp4", "Invalid data found when processing input"},
        {"tone.m4a", "has no video stream"},
        {"fifo.mp4", "is not a regular file"},
        {"folder.mp4", "is a folder"},
        {"playlist.mp4", "is not a video file"},
    };
    ASSERT_EQ(::mkfifo(Path("fifo.mp4").c_str(), 0600), 0);
    std::filesystem::create_directory(Path("folder.mp4"));
    WriteBytes(Path("playlist.mp4"), "#EXTM3U\n#EXT-X-TARGETDURATION:3\n#EXTINF:3,\n" +
                                         Path("tone.mp4") + "\n#EXT-X-ENDLIST\n");
    for (const auto& c : cases) {
        const auto footage = Footage::open(Path(c.name));
        ASSERT_FALSE(footage) << c.name;
        EXPECT_NE(footage.error().text().find(c.reason), std::string::npos) << footage.error();
        EXPECT_EQ(footage.error().path, Path(c.name));
    }
}

// A phone's footage stores its pictures lying down and says how a player turns them.
TEST_F(FootageTest, RotationAndShownSizeFollowTheDisplayMatrix) {
    for (const int turn : {0, 90, 180, 270}) {
        SCOPED_TRACE(turn);
        const std::string name = "turned" + std::to_string(turn) + ".mp4";
        ASSERT_TRUE(
            MakeMedia(Path(name), "-i '" + Path("tone.mp4") +
                                      "' -c copy -metadata:s:v:0 rotate=" + std::to_string(turn)));
        // ffprobe states the counterclockwise angle; players turn the other way round.
        const auto fields = ProbeFields(Path(name), "v:0");
        const int counterclockwise =
            fields.count("rotation") ? std::atoi(fields.at("rotation").c_str()) : 0;
        const auto footage = OpenOrFail(name);
        ASSERT_TRUE(footage);
        const FootageInfo& info = footage->info();
        EXPECT_EQ(info.rotation, ((-counterclockwise % 360) + 360) % 360);
        EXPECT_EQ(info.width, 320);
        EXPECT_EQ(info.height, 240);
        EXPECT_EQ(info.shownSize(), info.rotation % 180 ? QSize(240, 320) : QSize(320, 240));
        if (turn != 0) {
            EXPECT_NE(info.rotation, 0);
        }
    }
}

} // namespace
