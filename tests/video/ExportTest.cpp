#include "video/Export.h"
#include "VideoTestUtil.h"
#include "render/Renderer.h"
#include "score/Evaluate.h"
#include "score/ScoreData.h"
#include "score/Timeline.h"
#include "video/AviOutput.h"
#include "video/ExportPlan.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>

using namespace videotest;

namespace {

constexpr int kW = 320;
constexpr int kH = 240;

// A 501 match with one entry per given time: turns of a turn start and three darts,
// players taking turns.
Match MakeMatch(const std::vector<int32_t>& times) {
    Match score;
    score.game = "501";
    score.gameKind = GameKind::X01;
    for (size_t i = 0; i < times.size(); ++i) {
        Entry& mark = score.append();
        const int turn = static_cast<int>(i / 4);
        mark.player = turn % 2 + 1;
        mark.round = turn / 2 + 1;
        mark.dart = static_cast<int32_t>(i % 4);
        if (mark.dart > 0) {
            mark.kind = static_cast<int32_t>(i % 3) + Hit::Single;
            mark.number = 20 - static_cast<int32_t>(i % 7);
        }
    }
    score.at(0)->score[0] = 501;
    score.at(0)->score[1] = 501;
    Evaluate01(score);
    for (size_t i = 0; i < times.size(); ++i) {
        score.entries[i].time = times[i];
    }
    return score;
}

struct ExportRun {
    ExportResult result;
    std::vector<ExportProgress> progress;
    bool finished() const { return result.outcome == ExportOutcome::Finished; }
};

// Exports match; stop, when given, is asked before each frame with the number of frames
// asked about before.
ExportRun Export(const Match& match, const std::string& path, VideoCodec codec,
                 ExportRequest request = {}, std::function<bool(int)> stop = nullptr) {
    ExportRun run;
    int asked = 0;
    request.path = path;
    request.codec = codec;
    run.result = ExportVideo(
        match, request, [&](const ExportProgress& p) { run.progress.push_back(p); },
        [&] { return stop ? stop(asked++) : false; });
    return run;
}

struct LengthCase {
    const char* name;
    std::vector<int32_t> times;
    int frames;
};

class ExportLength : public testing::TestWithParam<LengthCase> {};

TEST_P(ExportLength, RunsTenSecondsPastTheLastTimedEntry) {
    const LengthCase& c = GetParam();
    TempDir dir;
    const ExportRun run = Export(MakeMatch(c.times), dir.File("out.avi"), VideoCodec::Video1);
    EXPECT_TRUE(run.finished()) << run.result.error;
    EXPECT_EQ(run.result.framesWritten, c.frames);
    ASSERT_FALSE(run.progress.empty());
    EXPECT_EQ(run.progress.front().percent, 0);
    EXPECT_EQ(run.progress.front().frames, c.frames);
    const Probe probe = ProbeVideo(dir.File("out.avi"));
    EXPECT_EQ(probe.frames, c.frames);
    EXPECT_EQ(probe.codec, "msvideo1");
    EXPECT_EQ(probe.rate, "15/1");
    EXPECT_EQ(probe.width, kW);
    EXPECT_EQ(probe.height, kH);
}

INSTANTIATE_TEST_SUITE_P(
    Timelines, ExportLength,
    testing::Values(LengthCase{"untimed", {0, 0, 0, 0, 0, 0, 0, 0}, 150},
                    LengthCase{"last_at_1000", {0, 200, 400, 1000}, 165},
                    LengthCase{"length_10001", {0, 1}, 151},
                    LengthCase{"length_10067", {0, 67}, 152},
                    // Times that step back are zeroed first: the length is 10200.
                    LengthCase{"backward_step", {0, 100, 200, 50, 300}, 153},
                    LengthCase{"single_entry", {0}, 150}),
    [](const testing::TestParamInfo<LengthCase>& info) { return std::string(info.param.name); });

TEST(ExportVideoTest, ReportsEveryPercentOnce) {
    TempDir dir;
    const ExportRun run =
        Export(MakeMatch({0, 200, 400, 1000}), dir.File("out.avi"), VideoCodec::Video1);
    ASSERT_TRUE(run.finished());
    // 165 frames over 11 s: each step is under one percent, so every value from 0 to 99
    // shows up once, and 100 never does.
    ASSERT_EQ(run.progress.size(), 100u);
    for (int p = 0; p < 100; ++p) {
        EXPECT_EQ(run.progress[p].percent, p);
        EXPECT_EQ(run.progress[p].frames, 165);
    }
    EXPECT_EQ(run.progress[1].frame, 2); // 133 ms is the first moment past 1 % of 11 s
}

TEST(ExportVideoTest, CleansTheTimesOnItsOwnCopy) {
    // After the backward step every time counts as 0: from 200 ms on, the last entry shows.
    TempDir dir;
    const Match match = MakeMatch({0, 100, 200, 50, 300});
    ASSERT_TRUE(Export(match, dir.File("out.avi"), VideoCodec::Raw).finished());
    EXPECT_EQ(Times(match), (std::vector<int32_t>{0, 100, 200, 50, 300})) << "left as it was";
    const auto decoded = DecodeBgra(dir.File("out.avi"), kW, kH);
    ASSERT_EQ(decoded.size(), 153u);
    const Match cleaned = WithCleanTimes(match);
    QImage last;
    ASSERT_TRUE(RenderEntry(cleaned, 4, last, {}));
    EXPECT_EQ(std::memcmp(decoded[3].data(), last.constBits(), decoded[3].size()), 0);
    QImage second;
    ASSERT_TRUE(RenderEntry(cleaned, 1, second, {}));
    EXPECT_EQ(std::memcmp(decoded[2].data(), second.constBits(), decoded[2].size()), 0);
}

struct ContentCase {
    const char* name;
    VideoCodec codec;
    uint64_t riffLimit;
};

class ExportContent : public testing::TestWithParam<ContentCase> {};

// Every decoded frame against the picture that rendering its moment afresh gives.
TEST_P(ExportContent, EveryFrameShowsThePictureOfItsMoment) {
    const ContentCase& c = GetParam();
    TempDir dir;
    const Match match = MakeMatch({0, 300, 700, 1000, 1000, 2500, 2600, 4000});
    ExportRequest request;
    request.riffLimit = c.riffLimit;
    ASSERT_TRUE(Export(match, dir.File("out.avi"), c.codec, request).finished());

    std::string errors;
    const auto decoded = DecodeBgra(dir.File("out.avi"), kW, kH, &errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(decoded.size(), 210u); // 14 s
    double worst = 99;
    QImage expected;
    for (size_t n = 0; n < decoded.size(); ++n) {
        // Format_RGB32 keeps 0xFF in the fourth byte: the opaque alpha of the file's frames.
        ASSERT_TRUE(RenderMoment(match, FrameMoment(static_cast<int>(n)), expected, {}));
        if (c.codec == VideoCodec::Raw) {
            ASSERT_EQ(std::memcmp(decoded[n].data(), expected.constBits(), decoded[n].size()), 0)
                << "frame " << n;
        } else {
            worst = std::min(worst, Psnr(decoded[n].data(), expected.constBits(), kW * kH));
        }
    }
    if (c.codec == VideoCodec::Video1) {
        // Rounding to RGB555 alone would give about 41 dB on these boards. What costs more
        // is the edge of the large anti-aliased digits, where a 2 x 2 quarter holds three or
        // four grey levels but Video 1 gives it two colours, and the faint texture of the
        // background, which the encoder codes with fewer bytes. It reaches about 32 dB on
        // every frame here; 31 dB leaves room for font rendering and still fails colours
        // that smear edges (ffmpeg's own Video 1 encoder lands near 25 dB on these boards).
        EXPECT_GE(worst, 31.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ExportContent,
    testing::Values(ContentCase{"uncompressed", VideoCodec::Raw, 0},
                    // About 13 RIFFs: the OpenDML path.
                    ContentCase{"uncompressed_opendml", VideoCodec::Raw, 4u << 20},
                    ContentCase{"video1", VideoCodec::Video1, 0},
                    ContentCase{"video1_opendml", VideoCodec::Video1, 64u << 10}),
    [](const testing::TestParamInfo<ContentCase>& info) { return std::string(info.param.name); });

// Another rate and a larger picture: ffmpeg reads the rate from the headers, and each frame
// is the moment the clock gives it, rendered at that scale.
TEST(ExportVideoTest, OtherRatesAndScales) {
    TempDir dir;
    const Match match = MakeMatch({0, 300, 700, 1000});
    const struct {
        VideoCodec codec;
        FrameRate rate;
        double scale;
        const char* probedRate;
        int frames;
    } cases[] = {
        {VideoCodec::Raw, {30000, 1001}, 2.0, "30000/1001", 330},
        {VideoCodec::Video1, {25, 1}, 1.5, "25/1", 275},
    };
    for (const auto& c : cases) {
        ExportRequest request;
        request.rate = c.rate;
        request.render.scale = c.scale;
        const std::string path = dir.File("rate.avi");
        const ExportRun run = Export(match, path, c.codec, request);
        ASSERT_TRUE(run.finished()) << run.result.error;
        const QSize size = BoardSize(c.scale);
        const Probe probe = ProbeVideo(path);
        EXPECT_EQ(probe.rate, c.probedRate);
        EXPECT_EQ(probe.width, size.width());
        EXPECT_EQ(probe.height, size.height());
        EXPECT_EQ(probe.frames, c.frames);
        const auto decoded = DecodeBgra(path, size.width(), size.height());
        ASSERT_EQ(static_cast<int>(decoded.size()), c.frames);
        RenderOptions options;
        options.scale = c.scale;
        QImage expected;
        for (int n : {0, 9, 10, 20, 21, 29, 30, c.frames - 1}) {
            const int64_t t = int64_t(n) * 1000 * c.rate.den / c.rate.num;
            ASSERT_TRUE(RenderMoment(match, t, expected, options));
            const double psnr = Psnr(decoded[n].data(), expected.constBits(),
                                     static_cast<size_t>(size.width()) * size.height());
            if (c.codec == VideoCodec::Raw) {
                EXPECT_EQ(psnr, 99.0) << "frame " << n;
            } else {
                EXPECT_GE(psnr, 30.0) << "frame " << n;
            }
        }
    }
}

// The plug-in path: an output of the caller's gets the frames, their size and rate, and
// whether each picture changed.
class RecordingOutput : public VideoOutput {
public:
    Status open(QSize frameSize, FrameRate rate) override {
        size = frameSize;
        this->rate = rate;
        ++opens;
        return Done{};
    }
    Status write(const QImage& picture, bool changed) override {
        EXPECT_EQ(picture.size(), size);
        if (changed) {
            EXPECT_TRUE(pictures.empty() || picture != pictures.back());
            pictures.push_back(picture);
        } else {
            EXPECT_FALSE(pictures.empty());
            EXPECT_EQ(picture, pictures.back());
        }
        changes.push_back(changed);
        if (failAfter && static_cast<int>(changes.size()) >= failAfter) {
            return Failure("recorder", MessageId::NotWritten);
        }
        return Done{};
    }
    Status finish() override {
        ++finishes;
        return Done{};
    }

    QSize size;
    FrameRate rate;
    int opens = 0;
    int finishes = 0;
    int failAfter = 0;
    std::vector<QImage> pictures; // one per change
    std::vector<bool> changes;
};

TEST(ExportVideoTest, HandsEveryFrameToTheCallersOutput) {
    // Four entries, the first shown from 0, then three changes of picture.
    const Match match = MakeMatch({0, 300, 700, 1000});
    RecordingOutput output;
    ExportRequest request;
    request.render.background.kind = Background::Kind::Transparent;
    const ExportResult result =
        ExportVideo(match, request, PlanExport(match, request), output, nullptr, nullptr);
    EXPECT_EQ(result.outcome, ExportOutcome::Finished);
    EXPECT_EQ(output.opens, 1);
    EXPECT_EQ(output.finishes, 1);
    EXPECT_EQ(output.size, QSize(320, 240));
    EXPECT_EQ(output.rate, (FrameRate{15, 1}));
    EXPECT_EQ(output.changes.size(), 165u);
    ASSERT_EQ(output.pictures.size(), 4u);
    EXPECT_EQ(output.pictures[0].format(), QImage::Format_ARGB32_Premultiplied);
    // Frame 5 (333 ms) is the first past 300, frame 11 (733 ms) past 700, frame 15 at 1000.
    for (size_t n = 0; n < output.changes.size(); ++n) {
        EXPECT_EQ(output.changes[n], n == 0 || n == 5 || n == 11 || n == 15) << n;
    }

    RecordingOutput refusing;
    refusing.failAfter = 7;
    const ExportResult failed =
        ExportVideo(match, request, PlanExport(match, request), refusing, nullptr, nullptr);
    EXPECT_EQ(failed.outcome, ExportOutcome::Failed);
    EXPECT_EQ(failed.framesWritten, 6);
    EXPECT_EQ(failed.error.path, "recorder");
    EXPECT_EQ(failed.error.reason.id, MessageId::NotWritten);
    EXPECT_EQ(refusing.finishes, 1) << "a failed export still finishes its file";
}

struct StopCase {
    const char* name;
    int atFrame;
};

class ExportStopped : public testing::TestWithParam<StopCase> {};

TEST_P(ExportStopped, KeepsTheFramesWrittenBeforeTheStopBesideTheTarget) {
    const StopCase& c = GetParam();
    TempDir dir;
    const ExportRun run =
        Export(MakeMatch({0, 200, 400, 1000}), dir.File("out.avi"), VideoCodec::Raw, {},
               [&](int asked) { return asked == c.atFrame; });
    EXPECT_EQ(run.result.outcome, ExportOutcome::Cancelled);
    EXPECT_EQ(run.result.framesWritten, c.atFrame);
    // The stop is asked before the frame's progress.
    EXPECT_EQ(run.progress.size(), c.atFrame == 0 ? 0u : 3u);
    if (c.atFrame == 0) {
        // Nothing was made, so nothing is kept.
        EXPECT_TRUE(dir.Names().empty());
        EXPECT_EQ(run.result.partialPath, "");
        return;
    }
    // A stopped export is no complete video: the target is not made, the frames so far are
    // kept under a name that says so.
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.partial.avi"});
    EXPECT_EQ(run.result.partialPath, dir.File("out.partial.avi"));
    EXPECT_EQ(ProbeVideo(dir.File("out.partial.avi")).frames, c.atFrame);
    std::vector<Riff> riffs;
    EXPECT_TRUE(ReadRiffs(dir.File("out.partial.avi"), riffs));
}

INSTANTIATE_TEST_SUITE_P(Stops, ExportStopped,
                         testing::Values(StopCase{"first", 0}, StopCase{"later", 5}),
                         [](const testing::TestParamInfo<StopCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ExportVideoTest, UnwritablePathFailsWithoutAFile) {
    TempDir dir;
    for (const std::string& path : {dir.File("missing/out.avi"), dir.Path().string()}) {
        const ExportRun run = Export(MakeMatch({0}), path, VideoCodec::Video1);
        EXPECT_EQ(run.result.outcome, ExportOutcome::Failed) << path;
        EXPECT_NE(run.result.error.reason.id, MessageId::None) << path;
        EXPECT_TRUE(run.progress.empty()) << path;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

TEST(ExportVideoTest, Video1NeedsSidesInWholeBlocks) {
    TempDir dir;
    ExportRequest request;
    request.render.scale = 1.01; // 323 x 242
    const ExportRun run = Export(MakeMatch({0}), dir.File("odd.avi"), VideoCodec::Video1, request);
    EXPECT_EQ(run.result.outcome, ExportOutcome::Failed);
    EXPECT_NE(run.result.error.text().find("multiples of 4"), std::string::npos)
        << run.result.error;
    EXPECT_FALSE(std::filesystem::exists(dir.File("odd.avi")));
    // Raw frames take any size.
    EXPECT_TRUE(Export(MakeMatch({0}), dir.File("odd.avi"), VideoCodec::Raw, request).finished());
    EXPECT_EQ(ProbeVideo(dir.File("odd.avi")).width, 323);
}

TEST(ExportVideoTest, OutputRemovedWhileWritingIsAFailure) {
    // The folder of the video goes away mid-export: writing to the open file still works,
    // but nothing is left at the path, so the export must not report success.
    TempDir dir;
    const std::string folder = dir.File("videos");
    std::filesystem::create_directory(folder);
    const ExportRun run = Export(MakeMatch({0, 200, 400, 1000}), folder + "/out.avi",
                                 VideoCodec::Video1, {}, [&](int asked) {
                                     if (asked == 10) {
                                         std::filesystem::remove_all(folder);
                                     }
                                     return false;
                                 });
    EXPECT_EQ(run.result.outcome, ExportOutcome::Failed);
    EXPECT_NE(run.result.error.text().find("removed"), std::string::npos) << run.result.error;
}

TEST(ExportVideoTest, FullDiskFailsAndKeepsAPlayablePartialFile) {
    TempDir dir;
    WriteBytes(dir.File("out.avi"), "the previous video");
    ExportRequest request;
    request.spaceLimit = 2u << 20; // room for about six uncompressed frames
    const ExportRun run =
        Export(MakeMatch({0, 200, 400, 1000}), dir.File("out.avi"), VideoCodec::Raw, request);
    EXPECT_EQ(run.result.outcome, ExportOutcome::Failed);
    const std::string partial = dir.File("out.partial.avi");
    ASSERT_EQ(run.result.partialPath, partial);
    // The reason names the target and the system's reason; its note says what happened to
    // both files.
    const ScoreError& error = run.result.error;
    EXPECT_EQ(error.path, dir.File("out.avi"));
    EXPECT_EQ(error.reason.id, MessageId::CannotWrite);
    EXPECT_EQ(error.reason.args, std::vector<std::string>{std::strerror(ENOSPC)});
    ASSERT_EQ(error.notes.size(), 1u) << error;
    EXPECT_EQ(error.notes[0].id, MessageId::TargetAsItWasPartialKept);
    EXPECT_EQ(error.notes[0].args,
              (std::vector<std::string>{dir.File("out.avi"),
                                        std::to_string(run.result.framesWritten), partial}));
    EXPECT_EQ(ReadBytes(dir.File("out.avi")), "the previous video");
    EXPECT_LE(std::filesystem::file_size(partial), request.spaceLimit);
    std::string errors;
    const auto decoded = DecodeBgra(partial, kW, kH, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_GT(decoded.size(), 0u);
    EXPECT_LT(decoded.size(), 165u);
    EXPECT_EQ(ProbeVideo(partial).frames, static_cast<int>(decoded.size()));
}

TEST(ExportVideoTest, DiskTooFullForTheHeadersLeavesNoFile) {
    TempDir dir;
    ExportRequest request;
    request.spaceLimit = 1000;
    const ExportRun run = Export(MakeMatch({0}), dir.File("out.avi"), VideoCodec::Video1, request);
    EXPECT_EQ(run.result.outcome, ExportOutcome::Failed);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.avi")));
}

TEST(ExportVideoTest, LengthNearThe32BitLimitDoesNotOverflow) {
    // The last entry lies just under the 32-bit limit; its tail of 10 s does not fit in 32
    // bits. The export refuses a timeline that long up front (see ExportTimeline); into an
    // output of its own it must still start at 0 % and run; it is cancelled after three
    // frames.
    TempDir dir;
    AviOutput output(dir.File("out.avi"), VideoCodec::Video1);
    ExportRun run;
    int asked = 0;
    const Match match = MakeMatch({0, INT32_MAX - 100});
    run.result = ExportVideo(
        match, ExportRequest{}, PlanExport(match, ExportRequest{}), output,
        [&](const ExportProgress& p) { run.progress.push_back(p); }, [&] { return asked++ == 3; });
    EXPECT_EQ(run.result.outcome, ExportOutcome::Cancelled);
    ASSERT_EQ(run.progress.size(), 1u);
    EXPECT_EQ(run.progress[0].percent, 0);
    EXPECT_EQ(run.progress[0].frames, (int64_t(INT32_MAX) - 100 + 10000) * 15 / 1000 + 1);
    EXPECT_EQ(ProbeVideo(dir.File("out.avi")).frames, 3);
}

// Writes an uncompressed file of more than 4 GiB (about 15 minutes of match) and checks
// that it plays to its last frame. Too big for every run: start it on demand with
// --gtest_also_run_disabled_tests --gtest_filter='*Over4GiB*'.
TEST(ExportVideoTest, DISABLED_Over4GiBPlaysToItsLastFrame) {
    TempDir dir;
    const Match match = MakeMatch({0, 1000, 2000, 920000, 930000});
    const std::string path = dir.File("big.avi");
    ASSERT_TRUE(Export(match, path, VideoCodec::Raw).finished());
    EXPECT_GT(std::filesystem::file_size(path), uint64_t(4) << 30);
    const int frames = 14100; // 940 s at 15 fps
    EXPECT_EQ(ProbeVideo(path).frames, frames);

    std::string out;
    ASSERT_EQ(videotest::Run("ffmpeg -nostdin -v error -sseof -1 -i '" + path +
                                 "' -f rawvideo -pix_fmt bgra - 2>/dev/null",
                             &out),
              0);
    ASSERT_GE(out.size(), size_t(kW) * kH * 4);
    const std::vector<uint8_t> last(out.end() - kW * kH * 4, out.end());
    QImage expected;
    ASSERT_TRUE(RenderMoment(match, FrameMoment(frames - 1), expected, {}));
    EXPECT_EQ(Psnr(last.data(), expected.constBits(), kW * kH), 99.0);
}

} // namespace
