#include "video/BurnIn.h"

#include "FootageMaker.h"
#include "VideoTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sys/stat.h>

using namespace videotest;

namespace {

// A board that shows one colour per second of board time: its left half opaque, its right
// half at half opacity, its top rows transparent, so that a wrong moment, a wrong place or
// wrong blending all show in the pixels.
class SecondBoard {
public:
    static constexpr int kW = 64;
    static constexpr int kH = 48;
    static constexpr int kClearRows = 4;

    static int64_t Second(int64_t ms) { return ms >= 0 ? ms / 1000 : -1 - (-ms - 1) / 1000; }

    static void Draw(int64_t ms, QImage& board) {
        static const QRgb kColours[] = {qRgb(230, 30, 30),  qRgb(30, 200, 40),
                                        qRgb(40, 60, 230),  qRgb(240, 220, 30),
                                        qRgb(220, 40, 210), qRgb(250, 250, 250)};
        const int64_t second = Second(ms);
        const QRgb colour = second < 0 ? qRgb(20, 20, 20) : kColours[second % 6];
        const QRgb half = qPremultiply(qRgba(qRed(colour), qGreen(colour), qBlue(colour), 128));
        for (int y = 0; y < board.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(board.scanLine(y));
            for (int x = 0; x < board.width(); ++x) {
                line[x] = y < kClearRows ? 0 : x < board.width() / 2 ? colour : half;
            }
        }
    }

    bool operator()(int64_t ms, QImage& board) {
        const int64_t second = Second(ms);
        const bool changed = second != m_second;
        m_second = second;
        if (changed) {
            Draw(ms, board);
        }
        ++calls;
        return changed;
    }

    int calls = 0;

private:
    int64_t m_second = INT64_MIN;
};

// The footage frame (B,G,R,X) with the board of moment ms laid over it at pos.
std::vector<uint8_t> Composite(const std::vector<uint8_t>& frame, int width, int height, QPoint pos,
                               int64_t ms) {
    QImage board(SecondBoard::kW, SecondBoard::kH, QImage::Format_ARGB32_Premultiplied);
    SecondBoard::Draw(ms, board);
    std::vector<uint8_t> out = frame;
    for (int y = 0; y < board.height(); ++y) {
        for (int x = 0; x < board.width(); ++x) {
            const int fx = pos.x() + x, fy = pos.y() + y;
            if (fx < 0 || fy < 0 || fx >= width || fy >= height) {
                continue;
            }
            const QRgb p = board.pixel(x, y);
            uint8_t* px = &out[(size_t(fy) * width + fx) * 4];
            const int keep = 255 - qAlpha(p);
            const int channels[3] = {qBlue(p), qGreen(p), qRed(p)};
            for (int c = 0; c < 3; ++c) {
                px[c] = uint8_t(channels[c] + (px[c] * keep + 127) / 255);
            }
        }
    }
    return out;
}

class BurnInTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        ASSERT_TRUE(MakeMedia(Path("tone.mp4"),
                              "-f lavfi -i testsrc2=size=320x240:rate=30:duration=3 "
                              "-f lavfi -i sine=frequency=440:duration=3 "
                              "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac"));
        // Tagged BT.709, with PCM audio that an MP4 file cannot take as it is.
        ASSERT_TRUE(MakeMedia(Path("hd709.mkv"),
                              "-f lavfi -i testsrc2=size=640x360:rate=25:duration=2 "
                              "-f lavfi -i sine=frequency=660:duration=2:sample_rate=48000 "
                              "-c:v libx264 -preset ultrafast -pix_fmt yuv420p "
                              "-colorspace bt709 -color_primaries bt709 -color_trc bt709 "
                              "-c:a pcm_s16le"));
        // 4:2:2, to be converted before the board goes on; no audio.
        ASSERT_TRUE(MakeMedia(Path("mute422.mov"),
                              "-f lavfi -i testsrc2=size=320x240:rate=30:duration=2 "
                              "-c:v libx264 -preset ultrafast -pix_fmt yuv422p"));
        // 30 frames a second for the first second, then 10.
        ASSERT_TRUE(MakeMedia(Path("vfr.mp4"),
                              "-f lavfi -i testsrc2=size=320x240:rate=30:duration=3 "
                              "-vf select='lt(t\\,1)+not(mod(n\\,3))' -vsync vfr "
                              "-c:v libx264 -preset ultrafast"));
        ASSERT_TRUE(MakeMedia(Path("tone.m4a"), "-f lavfi -i sine=duration=1 -c:a aac"));
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static std::string Path(const std::string& name) { return s_dir->File(name); }

    static ExportResult Burn(const std::string& footage, const std::string& output, int64_t offset,
                             QPoint pos, std::vector<ExportProgress>* progress = nullptr,
                             std::function<bool()> stop = nullptr) {
        BurnSettings settings;
        settings.footagePath = footage;
        settings.outputPath = output;
        settings.offsetMs = offset;
        settings.boardPos = pos;
        SecondBoard board;
        return BurnIn(
            settings, QSize(SecondBoard::kW, SecondBoard::kH), std::ref(board),
            [&](const ExportProgress& p) {
                if (progress != nullptr) {
                    progress->push_back(p);
                }
            },
            std::move(stop));
    }

    static std::unique_ptr<TempDir> s_dir;
};
std::unique_ptr<TempDir> BurnInTest::s_dir;

struct BurnCase {
    const char* footage;
    const char* output;
    int64_t offset;
    QPoint pos;
    const char* audio; // expected codec, "" for none
    bool audioCopied;
    const char* matrix; // expected colour space tag: the footage's, untagged included
};

const BurnCase kCases[] = {
    {"tone.mp4", "plain.mp4", 0, {201, 37}, "aac", true, "unknown"},
    {"tone.mp4", "late.mp4", 1200, {0, 0}, "aac", true, "unknown"},
    {"tone.mp4", "off-frame.mp4", 0, {4000, -900}, "aac", true, "unknown"},
    {"hd709.mkv", "early.mp4", -700, {600, 330}, "aac", false, "bt709"},
    {"hd709.mkv", "same.mkv", 0, {99, 99}, "pcm_s16le", true, "bt709"},
    {"mute422.mov", "mute.mp4", 0, {10, 180}, "", false, "unknown"},
    {"vfr.mp4", "vfr-out.mp4", 300, {128, 96}, "", false, "unknown"},
};

// Pixel floors, worst frame, against the footage decoded the same way. Ours went through one
// more H.264 generation, and inside the board its saturated colours lose in 4:2:0 chroma
// what the RGB composite keeps.
constexpr double kBelowPlain = 0.5;
constexpr double kOutsideFloor = 30.0;
constexpr double kInsideFloor = 30.0;

// The footage decoded, and the ffmpeg program's plain re-encode of it with the burn-in's
// settings, decoded: made once for every case that burns the same footage.
struct Reference {
    std::vector<std::vector<unsigned char>> footage;
    std::vector<std::vector<unsigned char>> plain;
};

class BurnInCaseTest : public BurnInTest, public testing::WithParamInterface<BurnCase> {
protected:
    static void TearDownTestSuite() {
        s_references.clear();
        BurnInTest::TearDownTestSuite();
    }
    static const Reference& ReferenceFor(const std::string& in, int w, int h) {
        auto found = s_references.find(in);
        if (found != s_references.end()) {
            return found->second;
        }
        Reference& made = s_references[in];
        const std::string plain = in + ".ffmpeg.mp4";
        EXPECT_TRUE(MakeMedia(plain, "-i '" + in + "' -an -c:v libx264 -pix_fmt yuv420p -crf " +
                                         std::to_string(kDefaultBurnCrf) + " -preset " +
                                         kDefaultBurnPreset + " -fps_mode passthrough"));
        made.footage = DecodeFrames(in, w, h);
        made.plain = DecodeFrames(plain, w, h);
        return made;
    }
    static std::map<std::string, Reference> s_references;
};
std::map<std::string, Reference> BurnInCaseTest::s_references;

TEST_P(BurnInCaseTest, OutputKeepsTheFootageAndShowsTheBoardOfItsMoment) {
    const BurnCase& c = GetParam();
    const std::string in = Path(c.footage), out = Path(c.output);
    std::vector<ExportProgress> progress;
    const ExportResult result = Burn(in, out, c.offset, c.pos, &progress);
    ASSERT_EQ(result.outcome, ExportOutcome::Finished) << result.error;

    const auto inVideo = ProbeFields(in, "v:0");
    const auto outVideo = ProbeFields(out, "v:0");
    ASSERT_FALSE(outVideo.empty());
    EXPECT_EQ(outVideo.at("codec_name"), "h264");
    EXPECT_EQ(outVideo.at("pix_fmt"), "yuv420p");
    EXPECT_EQ(outVideo.at("width"), inVideo.at("width"));
    EXPECT_EQ(outVideo.at("height"), inVideo.at("height"));
    if (inVideo.at("avg_frame_rate") == inVideo.at("r_frame_rate")) {
        // With a variable rate, x264's decoding times lag behind and MP4 takes the
        // stream's length from them, for the ffmpeg program's own encoding as well.
        EXPECT_EQ(outVideo.at("avg_frame_rate"), inVideo.at("avg_frame_rate"));
    }
    EXPECT_EQ(outVideo.at("color_space"), c.matrix);
    EXPECT_NEAR(std::atof(outVideo.at("format.duration").c_str()),
                std::atof(inVideo.at("format.duration").c_str()), 0.04);

    const auto outAudio = ProbeFields(out, "a:0");
    if (*c.audio == 0) {
        EXPECT_TRUE(outAudio.empty());
    } else {
        ASSERT_FALSE(outAudio.empty());
        EXPECT_EQ(outAudio.at("codec_name"), c.audio);
        EXPECT_NEAR(AudioEnd(out), std::atof(inVideo.at("format.duration").c_str()), 0.03);
        if (c.audioCopied) {
            EXPECT_EQ(StreamMd5(out, "a:0"), StreamMd5(in, "a:0"));
        }
    }

    // Variable frame rates included, every frame keeps its time.
    const std::vector<double> inTimes = VideoFrameTimes(in), outTimes = VideoFrameTimes(out);
    ASSERT_EQ(outTimes.size(), inTimes.size());
    ASSERT_EQ(result.framesWritten, int64_t(inTimes.size()));
    for (size_t i = 0; i < inTimes.size(); ++i) {
        ASSERT_NEAR(outTimes[i], inTimes[i], 0.0006) << "frame " << i;
    }

    // Outside the board our file is a plain re-encode of the footage: it must come as
    // close to the footage as the ffmpeg program's re-encode with the same settings.
    const int w = std::atoi(inVideo.at("width").c_str());
    const int h = std::atoi(inVideo.at("height").c_str());
    const Reference& made = ReferenceFor(in, w, h);
    const auto& footage = made.footage;
    const auto& reference = made.plain;
    const auto burned = DecodeFrames(out, w, h);
    ASSERT_EQ(footage.size(), inTimes.size());
    ASSERT_EQ(burned.size(), footage.size());
    ASSERT_EQ(reference.size(), footage.size());
    // 4:2:0 samples chroma in 2 x 2 blocks: the board goes to even coordinates so that
    // its edges fall between blocks and no chroma outside it is touched.
    const QPoint pos(c.pos.x() & ~1, c.pos.y() & ~1);
    const QRect board = QRect(pos, QSize(SecondBoard::kW, SecondBoard::kH)) & QRect(0, 0, w, h);
    const auto outside = [&](int x, int y) { return !board.contains(x, y); };
    const auto inside = [&](int x, int y) { return board.contains(x, y); };
    double worstOutside = 99, worstPlain = 99, worstInside = 99;
    for (size_t i = 0; i < burned.size(); ++i) {
        const int64_t moment = std::llround(inTimes[i] * 1000) - c.offset;
        const auto expected = Composite(footage[i], w, h, pos, moment);
        worstOutside =
            std::min(worstOutside, RegionPsnr(burned[i].data(), footage[i].data(), w, h, outside));
        worstPlain =
            std::min(worstPlain, RegionPsnr(reference[i].data(), footage[i].data(), w, h, outside));
        worstInside =
            std::min(worstInside, RegionPsnr(burned[i].data(), expected.data(), w, h, inside));
    }
    std::printf("%-12s -> %-12s worst-frame PSNR outside the board %.1f dB (ffmpeg's "
                "re-encode %.1f dB), inside %.1f dB\n",
                c.footage, c.output, worstOutside, worstPlain, worstInside);
    EXPECT_GE(worstOutside, worstPlain - kBelowPlain);
    EXPECT_GE(worstOutside, kOutsideFloor);
    EXPECT_GE(worstInside, kInsideFloor);

    ASSERT_EQ(progress.size(), inTimes.size() + 1);
    for (size_t i = 0; i + 1 < progress.size(); ++i) {
        EXPECT_EQ(progress[i].frame, int64_t(i + 1));
        EXPECT_LE(progress[i].percent, progress[i + 1].percent);
    }
    EXPECT_EQ(progress.back().percent, 100);
}

INSTANTIATE_TEST_SUITE_P(Footage, BurnInCaseTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<BurnCase>& info) {
                             std::string name = info.param.output;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) {
                                     ch = '_';
                                 }
                             }
                             return name;
                         });

// The burned-in video says of its colours what the footage said, "unknown" included, and
// the board is converted with the matrix that description makes a player use: the board's
// colours come out right as the ffmpeg program shows the file.
TEST_F(BurnInTest, ColourDescriptionStaysAsTheFootageHadIt) {
    const struct {
        const char* name;
        const char* size;
        const char* tags; // ffmpeg's options when making the footage
        const char* primaries;
        const char* transfer;
        const char* matrix;
        const char* range;
    } cases[] = {
        {"untagged.mp4", "320x240", "", "unknown", "unknown", "unknown", "unknown"},
        // HD that says BT.601: the tag, not the size, chooses the matrix.
        {"bt601.mp4", "1280x720",
         "-colorspace smpte170m -color_primaries smpte170m -color_trc smpte170m -color_range tv",
         "smpte170m", "smpte170m", "smpte170m", "tv"},
        {"full.mp4", "320x240",
         "-colorspace bt470bg -color_primaries bt470bg -color_trc gamma28 -color_range pc",
         "bt470bg", "bt470bg", "bt470bg", "pc"}, // gamma 2.8 is named after its standard
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = Path(c.name), out = Path(std::string("burned-") + c.name);
        ASSERT_TRUE(MakeMedia(in, std::string("-f lavfi -i testsrc2=size=") + c.size +
                                      ":rate=25:duration=0.4 -c:v libx264 -preset ultrafast "
                                      "-pix_fmt yuv420p " +
                                      c.tags));
        const auto footage = ProbeFields(in, "v:0");
        ASSERT_EQ(footage.at("color_space"), c.matrix); // the maker did as asked
        const ExportResult result = Burn(in, out, 0, {32, 32});
        ASSERT_EQ(result.outcome, ExportOutcome::Finished) << result.error;
        const auto video = ProbeFields(out, "v:0");
        ASSERT_FALSE(video.empty());
        EXPECT_EQ(video.at("color_primaries"), c.primaries);
        EXPECT_EQ(video.at("color_transfer"), c.transfer);
        EXPECT_EQ(video.at("color_space"), c.matrix);
        EXPECT_EQ(video.at("color_range"), c.range);

        const int w = std::atoi(video.at("width").c_str());
        const int h = std::atoi(video.at("height").c_str());
        const auto source = DecodeFrames(in, w, h);
        const auto burned = DecodeFrames(out, w, h);
        ASSERT_EQ(burned.size(), source.size());
        ASSERT_FALSE(burned.empty());
        const QRect board(QPoint(32, 32), QSize(SecondBoard::kW, SecondBoard::kH));
        const auto expected = Composite(source[5], w, h, board.topLeft(), 200);
        EXPECT_GE(RegionPsnr(burned[5].data(), expected.data(), w, h,
                             [&](int x, int y) { return board.contains(x, y); }),
                  kInsideFloor);
    }
}

// A phone's footage keeps its display matrix, and the board stands upright where it was asked
// for in the picture as players show it.
TEST_F(BurnInTest, RotatedFootageKeepsItsTurnWithTheBoardUpright) {
    ASSERT_TRUE(MakeMedia(Path("lying.mp4"), "-f lavfi -i testsrc2=size=320x240:rate=25:duration=1 "
                                             "-c:v libx264 -preset ultrafast -pix_fmt yuv420p"));
    for (const int turn : {90, 180, 270}) {
        SCOPED_TRACE(turn);
        const std::string in = Path("turned" + std::to_string(turn) + ".mp4");
        const std::string out = Path("burned-turned" + std::to_string(turn) + ".mp4");
        ASSERT_TRUE(MakeMedia(in, "-i '" + Path("lying.mp4") +
                                      "' -c copy -metadata:s:v:0 rotate=" + std::to_string(turn)));
        const auto footage = ProbeFields(in, "v:0");
        ASSERT_NE(footage.count("rotation"), 0u);
        const QPoint pos(20, 60); // in the shown picture
        const ExportResult result = Burn(in, out, 0, pos);
        ASSERT_EQ(result.outcome, ExportOutcome::Finished) << result.error;
        const auto video = ProbeFields(out, "v:0");
        ASSERT_NE(video.count("rotation"), 0u);
        EXPECT_EQ(video.at("rotation"), footage.at("rotation"));

        // ffmpeg shows both files turned as their matrix says.
        const bool sideways = turn != 180;
        const int w = sideways ? 240 : 320, h = sideways ? 320 : 240;
        const auto source = DecodeFrames(in, w, h);
        const auto burned = DecodeFrames(out, w, h);
        ASSERT_EQ(burned.size(), source.size());
        ASSERT_EQ(burned.size(), 25u);
        const QRect board(pos, QSize(SecondBoard::kW, SecondBoard::kH));
        for (const size_t i : {size_t(0), size_t(24)}) {
            const auto expected = Composite(source[i], w, h, pos, int64_t(i) * 40);
            EXPECT_GE(RegionPsnr(burned[i].data(), expected.data(), w, h,
                                 [&](int x, int y) { return board.contains(x, y); }),
                      kInsideFloor)
                << "frame " << i;
            EXPECT_GE(RegionPsnr(burned[i].data(), source[i].data(), w, h,
                                 [&](int x, int y) { return !board.contains(x, y); }),
                      kOutsideFloor)
                << "frame " << i;
        }
    }
}

// A cancelled burn-in leaves the output as it was and a finished file of the frames so far
// beside it.
TEST_F(BurnInTest, CancelKeepsTheOutputAndFinishesThePartialFile) {
    constexpr int kFrames = 20;
    const std::string out = Path("cancelled.mp4");
    WriteBytes(out, "the previous burn-in\n");
    int asked = 0;
    const ExportResult result =
        Burn(Path("tone.mp4"), out, 0, {8, 8}, nullptr, [&] { return ++asked > kFrames; });
    EXPECT_EQ(result.outcome, ExportOutcome::Cancelled) << result.error;
    EXPECT_EQ(result.framesWritten, kFrames);
    EXPECT_TRUE(ReadBytes(out) == "the previous burn-in\n");
    const std::string partial = Path("cancelled.partial.mp4");
    ASSERT_EQ(result.partialPath, partial);
    std::string errors;
    const auto frames = DecodeBgra(partial, 320, 240, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(frames.size(), size_t(kFrames));
    const auto video = ProbeFields(partial, "v:0");
    ASSERT_FALSE(video.empty());
    EXPECT_NEAR(std::atof(video.at("format.duration").c_str()), kFrames / 30.0, 0.1);
    EXPECT_FALSE(ProbeFields(partial, "a:0").empty());
    for (const std::string& name : s_dir->Names()) {
        EXPECT_EQ(name.find(".part-"), std::string::npos) << name;
    }

    // Footage that happens to carry the partial file's name is never written over.
    const std::string footage = Path("take.partial.mp4");
    std::filesystem::copy_file(Path("tone.mp4"), footage);
    const std::string before = ReadBytes(footage);
    asked = 0;
    const ExportResult again =
        Burn(footage, Path("take.mp4"), 0, {8, 8}, nullptr, [&] { return ++asked > 3; });
    EXPECT_EQ(again.outcome, ExportOutcome::Cancelled) << again.error;
    EXPECT_EQ(again.partialPath, "");
    EXPECT_TRUE(ReadBytes(footage) == before);
    EXPECT_FALSE(std::filesystem::exists(Path("take.mp4")));
}

// File names are names, not URLs, whatever their colons: "take:1.mp4" in the current
// folder would otherwise be a "take" protocol.
TEST_F(BurnInTest, NamesWithColonsAreFiles) {
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(s_dir->Path());
    std::filesystem::copy_file("tone.mp4", "take:1.mp4");
    const ExportResult result = Burn("take:1.mp4", "burned:1.mp4", 0, {0, 0});
    std::filesystem::current_path(home);
    EXPECT_EQ(result.outcome, ExportOutcome::Finished) << result.error;
    EXPECT_EQ(ProbeVideo("file:" + Path("burned:1.mp4")).frames, 90);
}

// Refusals come before anything is written: the folder holds afterwards what it held
// before, and an output that existed keeps its bytes.
TEST_F(BurnInTest, RefusalsSayWhyAndLeaveEverythingAsItWas) {
    const std::string text = Path("notes.mp4");
    WriteBytes(text, "no video here\n");
    WriteBytes(Path("score.txt"), "[SETTING]\nGAME=501\n");
    WriteBytes(Path("prior.mp4"), "the previous burn-in\n");
    std::filesystem::create_directory(Path("folder.mp4"));
    ASSERT_EQ(::mkfifo(Path("fifo.mp4").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/null", Path("null.mp4"));
    std::filesystem::create_symlink(Path("tone.mp4"), Path("footage-link.mp4"));
    std::filesystem::create_symlink(Path("score.txt"), Path("score-link.mp4"));
    // Playlists and lists of files posing as footage: each would pull tone.mp4 in.
    WriteBytes(Path("playlist.m3u8"), "#EXTM3U\n#EXT-X-TARGETDURATION:3\n#EXTINF:3,\n" +
                                          Path("tone.mp4") + "\n#EXT-X-ENDLIST\n");
    WriteBytes(Path("shared.mp4"), ReadBytes(Path("playlist.m3u8")));
    WriteBytes(Path("list.mp4"), "ffconcat version 1.0\nfile '" + Path("tone.mp4") + "'\n");
    // A picture whose name is a number pattern: read as one, it would pull pic001.png in.
    ASSERT_TRUE(MakeMedia(Path("pic001.png"), "-f lavfi -i testsrc2=size=64x48 -frames:v 1"));
    std::filesystem::copy_file(Path("pic001.png"), Path("pic%03d.png"));
    ASSERT_TRUE(MakeMedia(Path("odd.mkv"), "-f lavfi -i testsrc=size=1919x1079:rate=25 "
                                           "-frames:v 2 -c:v ffv1 -pix_fmt yuv444p"));
    ASSERT_TRUE(
        MakeMedia(Path("huge.png"), "-f lavfi -i color=size=8200x8200 -frames:v 1 -pix_fmt gray"));
    ASSERT_TRUE(MakeMedia(Path("turned.mp4"),
                          "-i '" + Path("tone.mp4") + "' -c copy -metadata:s:v:0 rotate=90"));
    // Every coded picture zeroed: the file opens, no frame decodes.
    ASSERT_TRUE(MakeMedia(Path("blank.mp4"),
                          "-f lavfi -i testsrc2=size=320x240:rate=30:duration=1 -c:v libx264 "
                          "-preset ultrafast -pix_fmt yuv420p -movflags +faststart"));
    {
        std::string bytes = ReadBytes(Path("blank.mp4"));
        const size_t mdat = bytes.find("mdat");
        ASSERT_NE(mdat, std::string::npos);
        std::fill(bytes.begin() + long(mdat) + 4, bytes.end(), '\0');
        WriteBytes(Path("blank.mp4"), bytes);
    }

    const std::string tone = Path("tone.mp4");
    // Each reason names the file it is about: the footage or the output.
    enum Names { Footage, Output };
    const struct {
        std::string footage, output, reason;
        Names names;
    } cases[] = {
        {Path("missing.mp4"), Path("out1.mp4"), "No such file or directory", Footage},
        {text, Path("out2.mp4"), "Invalid data found when processing input", Footage},
        {Path("tone.m4a"), Path("out3.mp4"), "has no video stream", Footage},
        {Path("fifo.mp4"), Path("out4.mp4"), "is not a regular file", Footage},
        {Path("playlist.m3u8"), Path("out5.mp4"), "is not a video file", Footage},
        {Path("shared.mp4"), Path("out6.mp4"), "is not a video file", Footage},
        {Path("list.mp4"), Path("out7.mp4"), "is not a video file", Footage},
        {Path("pic%03d.png"), Path("out8.mp4"), "is not a video file", Footage},
        {Path("odd.mkv"), Path("prior.mp4"), "is 1919 x 1079 pixels", Footage},
        {Path("huge.png"), Path("prior.mp4"), "is 8200 x 8200 pixels, larger than H.264", Footage},
        {Path("blank.mp4"), Path("prior.mp4"), "has no picture that could be decoded", Footage},
        {Path("turned.mp4"), Path("prior.mkv"),
         "270 degrees, which this kind of file cannot record", Output},
        {tone, Path("no-such-dir/out9.mp4"), "No such file or directory", Output},
        {tone, Path("folder.mp4"), "Is a directory", Output},
        {tone, Path("fifo.mp4"), "not a regular file", Output},
        {tone, Path("null.mp4"), "not a regular file", Output},
        {tone, Path("out10.unknown"), "cannot tell the kind of video file", Output},
        {tone, Path("frame.png"), "names pictures", Output},
        {tone, Path("frame%04d.png"), "names pictures", Output},
        {tone, Path("raw.h264"), "sound (aac) cannot be stored in this kind of file", Output},
        {tone, tone, "is the footage " + tone, Output},
        {tone, Path("footage-link.mp4"), "is the footage " + tone, Output},
        {tone, Path("score-link.mp4"), "is the score file", Output},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.footage + " -> " + c.output);
        auto before = s_dir->Names();
        std::sort(before.begin(), before.end());
        BurnSettings settings;
        settings.footagePath = c.footage;
        settings.outputPath = c.output;
        settings.scorePath = Path("score.txt");
        SecondBoard board;
        const ExportResult result = BurnIn(settings, QSize(SecondBoard::kW, SecondBoard::kH),
                                           std::ref(board), nullptr, nullptr);
        EXPECT_EQ(result.outcome, ExportOutcome::Failed);
        EXPECT_NE(result.error.text().find(c.reason), std::string::npos) << result.error;
        EXPECT_EQ(result.error.path, c.names == Footage ? c.footage : c.output);
        EXPECT_EQ(result.partialPath, "");
        auto after = s_dir->Names();
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before);
    }
    // Compared as a whole: a video in their place would fill the log.
    EXPECT_TRUE(ReadBytes(Path("prior.mp4")) == "the previous burn-in\n");
    EXPECT_TRUE(ReadBytes(Path("score.txt")) == "[SETTING]\nGAME=501\n");
    EXPECT_FALSE(ProbeFields(tone, "v:0").empty());
}

// Footage cut off halfway fails, says how far it got, and keeps those frames beside the
// output, which stays as it was.
TEST_F(BurnInTest, FootageThatStopsDecodingPartwayFailsAndKeepsThePartialFile) {
    const std::string cut = Path("cut.mp4");
    ASSERT_TRUE(MakeMedia(cut, "-f lavfi -i testsrc2=size=320x240:rate=30:duration=4 -c:v "
                               "libx264 -preset ultrafast -pix_fmt yuv420p -movflags +faststart"));
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    const std::string out = Path("from-cut.mp4");
    WriteBytes(out, "the previous burn-in\n");
    const ExportResult result = Burn(cut, out, 0, {8, 8});
    ASSERT_EQ(result.outcome, ExportOutcome::Failed);
    EXPECT_GT(result.framesWritten, 10);
    EXPECT_LT(result.framesWritten, 110);
    EXPECT_NE(result.error.text().find("stops decoding at"), std::string::npos) << result.error;
    EXPECT_NE(result.error.text().find("of its 4.0"), std::string::npos) << result.error;
    EXPECT_NE(result.error.text().find(std::to_string(result.framesWritten) + " frames"),
              std::string::npos)
        << result.error;
    EXPECT_EQ(result.partialPath, Path("from-cut.partial.mp4"));
    EXPECT_NE(result.error.text().find(result.partialPath), std::string::npos) << result.error;
    EXPECT_TRUE(ReadBytes(out) == "the previous burn-in\n");
    std::string errors;
    EXPECT_EQ(DecodeBgra(result.partialPath, 320, 240, &errors).size(),
              size_t(result.framesWritten));
    EXPECT_EQ(errors, "");
}

} // namespace
