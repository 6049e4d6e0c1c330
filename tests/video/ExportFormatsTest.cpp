#include "VideoTestUtil.h"
#include "render/Renderer.h"
#include "score/Evaluate.h"
#include "score/ScoreData.h"
#include "score/Timeline.h"
#include "video/Export.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

using namespace videotest;

// The whole export into each format for editors, read back by ffprobe and ffmpeg: stream
// fields, frame count by the clock, and every decoded frame against the renderer's board
// placed where it belongs.

namespace {

// 400 x 240 at half scale: a 160 x 120 board, bottom-left with a margin of 240 / 30 = 8.
constexpr int kW = 400;
constexpr int kH = 240;
constexpr double kScale = 0.5;
const QPoint kBoardAt(8, 240 - 8 - 120);

Match ShortMatch() {
    Match score;
    score.game = "501";
    score.gameKind = GameKind::X01;
    const int32_t times[] = {0, 300, 700, 1200, 2000, 2600};
    for (int i = 0; i < 6; ++i) {
        Entry& mark = score.append();
        mark.player = i / 4 + 1;
        mark.round = 1;
        mark.dart = i % 4;
        if (mark.dart > 0) {
            mark.kind = Hit::Triple;
            mark.number = 20 - i;
        }
    }
    score.at(0)->score[0] = 501;
    score.at(0)->score[1] = 501;
    Evaluate01(score);
    for (int i = 0; i < 6; ++i) {
        score.entries[static_cast<size_t>(i)].time = times[i];
    }
    return score;
}

// Frame n's picture as the export must show it: the board of its moment at kBoardAt on the
// background; straight alpha, bytes B, G, R, A.
std::vector<uint8_t> ExpectedFrame(const Match& match, int64_t moment, const Background& bg) {
    RenderOptions options;
    options.scale = kScale;
    options.background = bg;
    QImage board = MakeBoardImage(options);
    RenderMoment(match, moment, board, options);
    QImage frame(kW, kH, QImage::Format_ARGB32_Premultiplied);
    frame.fill(bg.kind == Background::Kind::Transparent ? QColor(Qt::transparent)
               : bg.kind == Background::Kind::Colour    ? bg.colour
                                                        : QColor(Qt::black));
    QPainter painter(&frame);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(kBoardAt, board);
    painter.end();
    const QImage straight = frame.convertToFormat(QImage::Format_ARGB32);
    std::vector<uint8_t> bytes(size_t(kW) * kH * 4);
    for (int y = 0; y < kH; ++y) {
        std::memcpy(bytes.data() + size_t(y) * kW * 4, straight.constScanLine(y), size_t(kW) * 4);
    }
    return bytes;
}

struct Quality {
    double colour = 99; // premultiplied R, G, B: what shows over black
    double alpha = 99;
    int worstColour = 0; // largest difference of a premultiplied colour byte
    int worstAlpha = 0;
};

Quality Compare(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want) {
    double colour = 0;
    double alpha = 0;
    Quality q;
    for (size_t i = 0; i < want.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
            const double d = got[i + c] * got[i + 3] / 255.0 - want[i + c] * want[i + 3] / 255.0;
            colour += d * d;
            q.worstColour = std::max(q.worstColour, int(std::lround(std::abs(d))));
        }
        const double a = double(got[i + 3]) - want[i + 3];
        alpha += a * a;
        q.worstAlpha = std::max(q.worstAlpha, int(std::abs(a)));
    }
    const double pixels = double(want.size() / 4);
    auto psnr = [](double error, double samples) {
        return error == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * samples / error);
    };
    q.colour = psnr(colour, pixels * 3);
    q.alpha = psnr(alpha, pixels);
    return q;
}

std::map<std::string, std::string> ProbeFields(const std::string& path) {
    std::string out;
    Run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,profile,pix_fmt,width,height,r_frame_rate,nb_read_frames "
        "-of default=noprint_wrappers=1 '" +
            path + "' 2>/dev/null",
        &out);
    std::map<std::string, std::string> fields;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (const auto eq = line.find('='); eq != std::string::npos) {
            fields[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return fields;
}

struct FormatCase {
    const char* name;
    const char* file;
    VideoCodec codec;
    const char* background;
    const char* rate;
    const char* codecName;
    const char* profile; // empty: not checked
    const char* pixelFormat;
    bool lossless;
    double colourFloor; // dB, lossy formats
    double alphaFloor;  // dB, lossy formats with alpha
    const char* decodeOptions;
};

ExportRequest RequestFor(const FormatCase& c, const std::string& path) {
    ExportRequest request;
    request.path = path;
    request.codec = c.codec;
    request.render.scale = kScale;
    request.render.background = *Background::parse(c.background);
    request.rate = *FrameRate::parse(c.rate);
    request.frameSize = QSize(kW, kH);
    return request;
}

class ExportFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(ExportFormat, DecodesToTheRenderersPictures) {
    const FormatCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File(c.file);
    const Match match = ShortMatch();
    const ExportRequest request = RequestFor(c, path);
    const ExportResult result = ExportVideo(match, request, nullptr, nullptr);
    ASSERT_EQ(result.outcome, ExportOutcome::Finished) << result.error;
    // 2600 ms + 10 s of tail, by the clock.
    const FrameClock clock(request.rate, 12600);
    EXPECT_EQ(result.framesWritten, clock.frameCount());

    auto probe = ProbeFields(path);
    EXPECT_EQ(probe["codec_name"], c.codecName);
    if (*c.profile != '\0') {
        EXPECT_EQ(probe["profile"], c.profile);
    }
    EXPECT_EQ(probe["pix_fmt"], c.pixelFormat);
    EXPECT_EQ(probe["width"], std::to_string(kW));
    EXPECT_EQ(probe["height"], std::to_string(kH));
    if (c.codec != VideoCodec::PNG) {
        // Matroska keeps times in milliseconds, so its rate comes back as a near fraction.
        const std::string& rate = probe["r_frame_rate"];
        const double num = std::atof(rate.c_str());
        const double den = std::atof(rate.c_str() + rate.find('/') + 1);
        EXPECT_NEAR(num / den, double(request.rate.num) / double(request.rate.den), 0.005) << rate;
        EXPECT_EQ(probe["nb_read_frames"], std::to_string(clock.frameCount()));
    }

    std::string errors;
    const auto decoded = DecodeBgra(path, kW, kH, &errors, c.decodeOptions);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(static_cast<int64_t>(decoded.size()), clock.frameCount());
    const Match cleaned = WithCleanTimes(match);
    double worstColour = 99;
    double worstAlpha = 99;
    for (int64_t n = 0; n < clock.frameCount(); ++n) {
        const Quality q =
            Compare(decoded[static_cast<size_t>(n)],
                    ExpectedFrame(cleaned, clock.momentOf(n), request.render.background));
        if (c.lossless) {
            // Straight alpha loses a little colour where alpha is low; over black it is exact
            // to within a rounding.
            ASSERT_LE(q.worstColour, 1) << "frame " << n;
            ASSERT_EQ(q.worstAlpha, 0) << "frame " << n;
        }
        worstColour = std::min(worstColour, q.colour);
        worstAlpha = std::min(worstAlpha, q.alpha);
    }
    if (!c.lossless) {
        EXPECT_GE(worstColour, c.colourFloor);
        EXPECT_GE(worstAlpha, c.alphaFloor);
    }
    std::printf("%s: worst frame colour %.1f dB, alpha %.1f dB\n", c.name, worstColour, worstAlpha);
}

// A stop after 20 frames leaves the previous video (or pictures) as they were; the 20 frames
// are kept beside it as NAME.partial.EXT, a video that decodes to them. A picture sequence
// keeps nothing of a stopped export.
TEST_P(ExportFormat, CancelledExportKeepsTheTargetAndAPlayablePartialFile) {
    const FormatCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File(c.file);
    const bool sequence = c.codec == VideoCodec::PNG;
    const std::string old = sequence ? dir.File("f0001.png") : path;
    WriteBytes(old, "the previous export");
    int asked = 0;
    const ExportResult result =
        ExportVideo(ShortMatch(), RequestFor(c, path), nullptr, [&] { return asked++ == 20; });
    ASSERT_EQ(result.outcome, ExportOutcome::Cancelled) << result.error;
    EXPECT_EQ(result.framesWritten, 20);
    EXPECT_EQ(ReadBytes(old), "the previous export");
    if (sequence) {
        EXPECT_EQ(result.partialPath, "");
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"f0001.png"});
        return;
    }
    const std::string stem = path.substr(0, path.rfind('.'));
    const std::string partial = stem + ".partial" + path.substr(path.rfind('.'));
    EXPECT_EQ(result.partialPath, partial);
    std::string errors;
    const auto decoded = DecodeBgra(partial, kW, kH, &errors, c.decodeOptions);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(decoded.size(), 20u);
    // Nothing but the two videos is left in the folder.
    EXPECT_EQ(dir.Names().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ExportFormat,
    testing::Values(FormatCase{"h264_green", "out.mp4", VideoCodec::H264, "#00B140", "30000/1001",
                               "h264", "", "yuv420p", false, 28, 99, ""},
                    FormatCase{"prores_hq", "out.mov", VideoCodec::ProRes, "picture", "25",
                               "prores", "HQ", "yuv422p10le", false, 38, 99, ""},
                    FormatCase{"prores_4444_alpha", "out.mov", VideoCodec::ProRes, "transparent",
                               "15", "prores", "4444", "yuva444p12le", false, 60, 62, ""},
                    FormatCase{"vp9", "out.webm", VideoCodec::VP9, "#00B140", "24", "vp9", "",
                               "yuv420p", false, 28, 99, ""},
                    // Only libvpx's own decoder reads the alpha layer back.
                    FormatCase{"vp9_alpha", "out.webm", VideoCodec::VP9, "transparent", "30", "vp9",
                               "", "yuv420p", false, 36, 47, "-c:v libvpx-vp9"},
                    FormatCase{"ffv1_alpha", "out.mkv", VideoCodec::FFV1, "transparent", "50",
                               "ffv1", "", "bgra", true, 0, 0, ""},
                    FormatCase{"ffv1", "out.mkv", VideoCodec::FFV1, "picture", "60000/1001", "ffv1",
                               "", "bgr0", true, 0, 0, ""},
                    FormatCase{"png_alpha", "f%04d.png", VideoCodec::PNG, "transparent", "15",
                               "png", "", "rgba", true, 0, 0, ""},
                    FormatCase{"raw_avi_placed", "out.avi", VideoCodec::Raw, "picture", "25",
                               "rawvideo", "", "bgra", true, 0, 0, ""}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

} // namespace
