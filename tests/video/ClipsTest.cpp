#include "FootageMaker.h"
#include "MatchBuilder.h"
#include "VideoTestUtil.h"

#include "score/Chapters.h"
#include "video/BurnIn.h"
#include "video/Clips.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sys/stat.h>

using namespace videotest;

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 96;
constexpr int kFrames = 360; // 12 s at 30 fps

// The footage draws its frame number in 16 bars of 10 pixels, least significant bit on
// the left: white for 1, black for 0, so that any decoded frame says which one it is.
int FrameNumber(const std::vector<uint8_t>& bgra) {
    int n = 0;
    for (int bit = 0; bit < 16; ++bit) {
        const size_t at = (size_t(kHeight / 2) * kWidth + size_t(bit * 10 + 5)) * 4;
        n |= (bgra[at + 1] > 128 ? 1 : 0) << bit;
    }
    return n;
}

std::vector<int> FrameNumbers(const std::string& path) {
    std::vector<int> numbers;
    for (const auto& frame : DecodeBgra(path, kWidth, kHeight)) {
        numbers.push_back(FrameNumber(frame));
    }
    return numbers;
}

double Seconds(const std::map<std::string, std::string>& fields, const std::string& key) {
    const auto it = fields.find(key);
    return it == fields.end() ? -1.0 : std::atof(it->second.c_str());
}

// The loudness ffmpeg measures over the whole sound; -91 dB and below is silence.
double MeanVolume(const std::string& path) {
    std::string out;
    Run("ffmpeg -v info -nostats -i '" + path + "' -map 0:a:0 -af volumedetect -f null - 2>&1",
        &out);
    const size_t at = out.find("mean_volume:");
    return at == std::string::npos ? -999.0 : std::atof(out.c_str() + at + 12);
}

class ClipsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        // A key frame every 2 s, so that most cuts fall between key frames.
        ASSERT_TRUE(MakeMedia(
            Footage(),
            "-f lavfi -i color=black:size=160x96:rate=30:duration=12 "
            "-f lavfi -i sine=frequency=440:duration=12:sample_rate=48000 "
            "-vf \"geq=lum='if(lt(Y\\,80)*mod(floor(N/pow(2\\,floor(X/10)))\\,2)\\,235\\,16)'"
            ":cb=128:cr=128\" "
            "-c:v libx264 -preset ultrafast -crf 12 -g 60 -pix_fmt yuv420p -c:a aac -shortest"));
        ASSERT_EQ(FrameNumbers(Footage()).size(), size_t(kFrames));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Footage() { return s_dir->File("numbered.mp4"); }
    static std::string File(const std::string& name) { return s_dir->File(name); }
    static ClipSettings Settings() {
        ClipSettings s;
        s.footagePath = Footage();
        s.preset = "ultrafast";
        return s;
    }

    static TempDir* s_dir;
};

TempDir* ClipsTest::s_dir = nullptr;

TEST_F(ClipsTest, EachClipStartsAndEndsOnItsFrameWithTheSound) {
    struct Case {
        int64_t startMs, endMs;
        int first, last; // frame numbers
    } cases[] = {
        {0, 1000, 0, 29},        // from the start; frame 30 starts at 1000 ms exactly
        {2345, 4010, 70, 120},   // in the middle of a key frame's group, across the next
        {2000, 2034, 60, 61},    // from a key frame; two frames
        {1999, 2001, 59, 60},    // across a key frame
        {9000, 20000, 270, 359}, // past the end: up to the last frame
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.startMs);
        const std::string clip = File("clip" + std::to_string(index++) + ".mp4");
        const ClipResult result = CutClip(Settings(), {c.startMs, c.endMs}, clip);
        ASSERT_TRUE(result.ok) << result.error;
        const std::vector<int> numbers = FrameNumbers(clip);
        ASSERT_EQ(numbers.size(), size_t(c.last - c.first + 1));
        for (size_t i = 0; i < numbers.size(); ++i) {
            ASSERT_EQ(numbers[i], c.first + int(i)) << "frame " << i;
        }
        EXPECT_EQ(result.frames, int64_t(numbers.size()));
        EXPECT_EQ(result.firstFrameMs, std::llround(c.first * 1000.0 / 30));
        // The sound runs under the whole clip (to an AAC frame) and is not silence.
        const auto audio = ProbeFields(clip, "a:0");
        ASSERT_FALSE(audio.empty());
        const double length = numbers.size() / 30.0;
        EXPECT_NEAR(Seconds(audio, "duration"), length, 0.03);
        EXPECT_GT(MeanVolume(clip), -40.0);
    }
}

TEST_F(ClipsTest, ReelIsTheClipsLessTheFades) {
    const std::vector<ClipSpan> spans = {{500, 2500}, {6000, 7000}, {9990, 11990}};
    std::vector<std::string> clips;
    std::vector<std::vector<int>> numbers;
    for (const ClipSpan& span : spans) {
        clips.push_back(File("part" + std::to_string(clips.size()) + ".mp4"));
        ASSERT_TRUE(CutClip(Settings(), span, clips.back()).ok);
        numbers.push_back(FrameNumbers(clips.back()));
    }
    const std::string reel = File("reel.mp4");
    const ClipResult result = JoinClips(clips, reel, 300, Settings());
    ASSERT_TRUE(result.ok) << result.error;

    constexpr int kFade = 9; // 300 ms at 30 fps
    const std::vector<int> joined = FrameNumbers(reel);
    size_t total = 0;
    for (const auto& n : numbers) {
        total += n.size();
    }
    ASSERT_EQ(joined.size(), total - 2 * kFade);
    EXPECT_EQ(result.frames, int64_t(joined.size()));
    // Outside the fades each frame is its clip's; the first and last are the clips' own.
    EXPECT_EQ(joined.front(), numbers[0].front());
    EXPECT_EQ(joined.back(), numbers[2].back());
    const size_t secondStart = numbers[0].size() - kFade;
    for (size_t i = 0; i + kFade < numbers[0].size(); ++i) {
        ASSERT_EQ(joined[i], numbers[0][i]) << i;
    }
    for (size_t i = kFade; i + kFade < numbers[1].size(); ++i) {
        ASSERT_EQ(joined[secondStart + i], numbers[1][i]) << i;
    }
    // In the middle of a fade the picture is neither clip alone.
    const int mid = joined[secondStart + kFade / 2];
    EXPECT_NE(mid, numbers[1][kFade / 2]);
    EXPECT_NE(mid, numbers[0][numbers[0].size() - kFade + kFade / 2]);

    const auto video = ProbeFields(reel, "v:0");
    const auto audio = ProbeFields(reel, "a:0");
    const double expected = (total - 2 * kFade) / 30.0;
    EXPECT_NEAR(Seconds(audio, "duration"), expected, 0.03);
    EXPECT_NEAR(Seconds(video, "duration"), expected, 0.04);
    EXPECT_GT(MeanVolume(reel), -40.0);
}

TEST_F(ClipsTest, RefusedOutputsLeaveEverythingAsItWas) {
    const std::string score = File("score.txt");
    WriteBytes(score, "[DATA]\nR01-1=20\n");
    const std::string kept = File("kept.mp4");
    WriteBytes(kept, "old bytes");
    const std::string fifo = File("pipe.mp4");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(File("folder.mp4"));
    const std::string footageBytes = ReadBytes(Footage());

    ClipSettings settings = Settings();
    settings.scorePath = score;
    struct Case {
        std::string path;
        ClipSpan span;
        const char* why;
    } cases[] = {
        {Footage(), {0, 1000}, "the footage"},
        {score, {0, 1000}, "the score file"},
        {fifo, {0, 1000}, "a FIFO"},
        {File("folder.mp4"), {0, 1000}, "a folder"},
        {kept, {20000, 21000}, "a span past the end"},
        {kept, {3000, 3000}, "an empty span"},
    };
    for (const Case& c : cases) {
        const ClipResult result = CutClip(settings, c.span, c.path);
        EXPECT_FALSE(result.ok) << c.why;
        EXPECT_NE(result.error.reason.id, MessageId::None) << c.why;
    }
    EXPECT_EQ(ReadBytes(kept), "old bytes");
    EXPECT_EQ(ReadBytes(score), "[DATA]\nR01-1=20\n");
    EXPECT_TRUE(ReadBytes(Footage()) == footageBytes);
    // A reel never replaces one of its clips or the footage either.
    ASSERT_TRUE(CutClip(Settings(), {0, 500}, File("a.mp4")).ok);
    const std::string clipBytes = ReadBytes(File("a.mp4"));
    EXPECT_FALSE(JoinClips({File("a.mp4")}, File("a.mp4"), 100, settings).ok);
    EXPECT_FALSE(JoinClips({File("a.mp4")}, Footage(), 100, settings).ok);
    EXPECT_TRUE(ReadBytes(File("a.mp4")) == clipBytes);
    // Nothing was left behind beside the targets.
    for (const auto& entry : std::filesystem::directory_iterator(s_dir->File(""))) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }
}

TEST_F(ClipsTest, EventSpansReachFromBeforeTheVisitToAfterItsLastDart) {
    MatchEvent visit;
    visit.visitStartMs = 5000;
    visit.timeMs = 8000;
    struct Case {
        int64_t offset, before, after, duration;
        ClipSpan expected;
    } cases[] = {
        {0, 2000, 3000, 0, {3000, 11000}},
        {-4000, 2000, 3000, 0, {0, 7000}},    // before the footage: from its start
        {0, 2000, 3000, 9000, {3000, 9000}},  // past its end: to its end
        {10000, 0, 0, 12000, {12000, 12000}}, // wholly past the end: empty
        {-20000, 1000, 1000, 12000, {0, 0}},  // wholly before the start: empty
    };
    for (const Case& c : cases) {
        const ClipSpan span = EventClipSpan(visit, c.offset, c.before, c.after, c.duration);
        EXPECT_EQ(span.startMs, c.expected.startMs) << c.offset << " " << c.duration;
        EXPECT_EQ(span.endMs, c.expected.endMs) << c.offset << " " << c.duration;
    }
}

// A match of three legs inside the 12 s footage.
Match ThreeQuickLegs() {
    MatchBuilder b(GameKind::X01, 2, 0, "Anna", "Ben = Best; #1");
    b.startLeg(1, 1);
    b.visit01(1, {501}, 1000);
    b.startLeg(1, 2);
    b.visit01(2, {501}, 4500);
    b.startLeg(1, 3);
    b.visit01(1, {501}, 8200);
    return b.take();
}

TEST_F(ClipsTest, BurnedFileCarriesTheMetadataChapters) {
    const std::vector<MatchEvent> events = MatchEvents(ThreeQuickLegs());
    ChapterSettings chapterSettings;
    chapterSettings.offsetMs = 250;
    chapterSettings.durationMs = 12000;
    const std::string metadata = FormatChapters(ChapterFormat::FfMetadata, events, chapterSettings);
    // START/END/title of each [CHAPTER] of the metadata text.
    std::vector<std::map<std::string, std::string>> expected;
    size_t from = 0;
    while ((from = metadata.find("[CHAPTER]\n", from)) != std::string::npos) {
        from += 10;
        std::map<std::string, std::string>& chapter = expected.emplace_back();
        size_t end;
        while ((end = metadata.find('\n', from)) != std::string::npos && end > from) {
            const std::string line = metadata.substr(from, end - from);
            chapter[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
            from = end + 1;
        }
    }
    ASSERT_EQ(expected.size(), 3u);

    for (const char* name : {"burned.mp4", "burned.mkv"}) {
        SCOPED_TRACE(name);
        BurnSettings burn;
        burn.footagePath = Footage();
        burn.outputPath = File(name);
        burn.preset = "ultrafast";
        burn.offsetMs = chapterSettings.offsetMs;
        burn.chapters = MatchChapters(events, chapterSettings);
        QImage board(16, 16, QImage::Format_ARGB32_Premultiplied);
        const ExportResult result = BurnIn(
            burn, board.size(),
            [](int64_t, QImage& picture) {
                picture.fill(Qt::white);
                return false;
            },
            [](const ExportProgress&) {}, [] { return false; });
        ASSERT_EQ(result.outcome, ExportOutcome::Finished) << result.error;

        std::string out;
        ASSERT_EQ(videotest::Run(
                      "ffprobe -v error -show_chapters -of compact=p=0 '" + File(name) + "'", &out),
                  0);
        std::vector<std::string> lines;
        for (size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
            lines.push_back(out.substr(at, end - at));
        }
        ASSERT_EQ(lines.size(), expected.size()) << out;
        for (size_t i = 0; i < lines.size(); ++i) {
            std::map<std::string, std::string> fields;
            for (size_t at = 0; at < lines[i].size();) {
                size_t end = lines[i].find('|', at);
                end = end == std::string::npos ? lines[i].size() : end;
                const std::string field = lines[i].substr(at, end - at);
                fields[field.substr(0, field.find('='))] = field.substr(field.find('=') + 1);
                at = end + 1;
            }
            const double start = std::atof(fields["start_time"].c_str());
            const double end = std::atof(fields["end_time"].c_str());
            EXPECT_NEAR(start * 1000, std::atof(expected[i]["START"].c_str()), 1.0) << lines[i];
            EXPECT_NEAR(end * 1000, std::atof(expected[i]["END"].c_str()), 1.0) << lines[i];
            EXPECT_EQ(fields["tag:title"], expected[i]["title"]) << lines[i];
        }
    }
}

} // namespace
