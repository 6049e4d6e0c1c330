#include "video/FfmpegOutput.h"
#include "RunProgram.h"
#include "VideoTestUtil.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <unistd.h>

using namespace videotest;

namespace {

// Sizes that are no multiple of 16, so that every codec meets partial blocks at the edges.
constexpr int kW = 322;
constexpr int kH = 182;

// Boxes, a translucent band, anti-aliased text and a ring; variant moves and changes them.
// Transparent pictures are premultiplied with alpha 0 around the shapes, opaque ones stand
// on a keying green.
QImage testPicture(int variant, bool transparent, int width = kW, int height = kH) {
    QImage image(width, height,
                 transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    image.fill(transparent ? QColor(0, 0, 0, 0) : QColor(0x00, 0xB1, 0x40));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 30, 90, 235));
    p.drawRoundedRect(QRectF(10 + variant * 3, 60, 200, 110), 8, 8);
    p.setBrush(QColor(255, 200, 0, 128));
    p.drawRect(0, 100 + variant * 2, width, 18);
    p.setPen(QPen(QColor(230, 40, 40), 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(260, 50 + variant * 9), 28, 28);
    QFont font("DejaVu Sans");
    font.setPixelSize(34);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QRect(20, 70, 180, 50), Qt::AlignLeft, QString::number(501 - variant * 37));
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(QColor(120, 220, 255));
    p.drawText(QRect(20, 130, 200, 30), Qt::AlignLeft, QStringLiteral("Player %1").arg(variant));
    return image;
}

// The picture as a reader returns it: straight alpha, bytes B, G, R, A (opaque: A = 255).
std::vector<uint8_t> straightBgra(const QImage& picture) {
    const QImage straight = picture.convertToFormat(QImage::Format_ARGB32);
    std::vector<uint8_t> bytes(static_cast<size_t>(straight.width()) * straight.height() * 4);
    for (int y = 0; y < straight.height(); ++y) {
        std::memcpy(bytes.data() + static_cast<size_t>(y) * straight.width() * 4,
                    straight.constScanLine(y), static_cast<size_t>(straight.width()) * 4);
    }
    if (!picture.hasAlphaChannel()) {
        for (size_t i = 3; i < bytes.size(); i += 4) {
            bytes[i] = 255;
        }
    }
    return bytes;
}

double fraction(const std::string& text) {
    const auto slash = text.find('/');
    if (slash == std::string::npos) {
        return 0;
    }
    return std::atof(text.substr(0, slash).c_str()) / std::atof(text.substr(slash + 1).c_str());
}

double psnrOf(double squaredError, size_t samples) {
    return squaredError == 0 ? 99.0
                             : 10 * std::log10(255.0 * 255.0 * double(samples) / squaredError);
}

struct Quality {
    double colour = 99; // R, G and B
    double luma = 99;   // BT.709 luma of R, G and B, which chroma subsampling leaves alone
    double alpha = 99;
};

// Colours as they show over black (premultiplied), so that the colour of what is nearly
// transparent weighs as little as it shows; and the alpha channel on its own.
Quality compareFrames(const std::vector<uint8_t>& decoded, const std::vector<uint8_t>& expected) {
    double colourError = 0;
    double lumaError = 0;
    double alphaError = 0;
    const size_t pixels = expected.size() / 4;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* d = &decoded[4 * i];
        const uint8_t* e = &expected[4 * i];
        double diff[3];
        for (int c = 0; c < 3; ++c) {
            diff[c] = double(d[c]) * d[3] / 255.0 - double(e[c]) * e[3] / 255.0;
            colourError += diff[c] * diff[c];
        }
        const double luma = 0.0722 * diff[0] + 0.7152 * diff[1] + 0.2126 * diff[2];
        lumaError += luma * luma;
        alphaError += (double(d[3]) - e[3]) * (double(d[3]) - e[3]);
    }
    return {psnrOf(colourError, pixels * 3), psnrOf(lumaError, pixels), psnrOf(alphaError, pixels)};
}

std::map<std::string, std::string> probeStream(const std::string& path) {
    std::string out;
    Run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,profile,pix_fmt,width,height,r_frame_rate,nb_read_frames,"
        "color_space,color_primaries,color_transfer,color_range:stream_tags=alpha_mode "
        "-of default=noprint_wrappers=1 '" +
            path + "' 2>/dev/null",
        &out);
    std::map<std::string, std::string> fields;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            fields[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return fields;
}

// MD5 of every packet of the video stream, in file order.
std::vector<std::string> packetHashes(const std::string& path) {
    std::string out;
    Run("ffprobe -v error -select_streams v:0 -show_data_hash MD5 -show_entries packet=data_hash "
        "-of csv=p=0 '" +
            path + "' 2>/dev/null",
        &out);
    std::vector<std::string> hashes;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty()) {
            hashes.push_back(line);
        }
    }
    return hashes;
}

// The top-level boxes of an MP4/MOV file, in order.
std::vector<std::string> topLevelBoxes(const std::string& path) {
    const std::string bytes = ReadBytes(path);
    std::vector<std::string> boxes;
    size_t at = 0;
    while (at + 8 <= bytes.size()) {
        uint64_t size = 0;
        for (int i = 0; i < 4; ++i) {
            size = size << 8 | static_cast<uint8_t>(bytes[at + i]);
        }
        boxes.push_back(bytes.substr(at + 4, 4));
        if (size == 1 && at + 16 <= bytes.size()) {
            size = 0;
            for (int i = 8; i < 16; ++i) {
                size = size << 8 | static_cast<uint8_t>(bytes[at + i]);
            }
        }
        if (size < 8) {
            break;
        }
        at += size;
    }
    return boxes;
}

// The English reason of a failed call; empty after a success.
template <class T> std::string Why(const Result<T>& result) {
    return result ? std::string() : result.error().text();
}

struct Written {
    bool ok = false;
    std::string error;
    FfmpegOutput::Counts counts;
};

// Writes one frame per entry of pictures (the variant each frame shows), flagging repeats.
Written writeFrames(const OutputSettings& settings, const std::vector<int>& pictures) {
    Written written;
    auto opened = FfmpegOutput::open(settings);
    if (!opened) {
        written.error = Why(opened);
        return written;
    }
    FfmpegOutput* output = opened.value().get();
    for (size_t n = 0; n < pictures.size(); ++n) {
        const bool changed = n == 0 || pictures[n] != pictures[n - 1];
        const Status stored = output->writeFrame(
            testPicture(pictures[n], settings.alpha, settings.width, settings.height), changed);
        if (!stored) {
            written.error = Why(stored);
            return written;
        }
    }
    const Status finished = output->finish();
    written.ok = finished.ok();
    written.error = Why(finished);
    written.counts = output->counts();
    return written;
}

OutputSettings settingsFor(const std::string& path, VideoCodec codec, bool alpha,
                           int64_t rateNum = 30, int64_t rateDen = 1) {
    OutputSettings settings;
    settings.path = path;
    settings.codec = codec;
    settings.width = kW;
    settings.height = kH;
    settings.rateNum = rateNum;
    settings.rateDen = rateDen;
    settings.alpha = alpha;
    return settings;
}

struct FormatCase {
    const char* name;
    VideoCodec codec;
    const char* file;
    bool alpha;
    int64_t rateNum; // 0: not checked (PNG pictures have no rate)
    int64_t rateDen;
    const char* codecName;
    const char* profile; // empty: not checked
    const char* pixelFormat;
    bool yuv;
    // Colour 0: lossless, every byte must match. Otherwise the floors in dB of the worst
    // frame.
    Quality floors;
    const char* decodeOptions;
};

Quality floors(double colour, double luma, double alpha) {
    return {colour, luma, alpha};
}
const Quality kLossless{0, 0, 0};

class FfmpegOutputFormat : public testing::TestWithParam<FormatCase> {};

// Four distinct pictures in nine frames: probe the file, decode every frame, and check that
// only distinct pictures were converted and (for intra-only codecs) encoded.
TEST_P(FfmpegOutputFormat, WritesWhatReadersExpect) {
    const FormatCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File(c.file);
    const std::vector<int> pictures = {0, 0, 0, 1, 1, 2, 2, 2, 3};
    const Written written = writeFrames(
        settingsFor(path, c.codec, c.alpha, c.rateNum > 0 ? c.rateNum : 30, c.rateDen), pictures);
    ASSERT_TRUE(written.ok) << written.error;
    const bool intra = c.codec != VideoCodec::H264 && c.codec != VideoCodec::VP9;
    EXPECT_EQ(written.counts.frames, 9);
    EXPECT_EQ(written.counts.written, 9);
    EXPECT_EQ(written.counts.conversions, 4);
    EXPECT_EQ(written.counts.encodes, intra ? 4 : 9);
    EXPECT_EQ(written.counts.reused, intra ? 5 : 0);

    auto probe = probeStream(path);
    EXPECT_EQ(probe["codec_name"], c.codecName);
    if (*c.profile != '\0') {
        EXPECT_EQ(probe["profile"], c.profile);
    }
    EXPECT_EQ(probe["pix_fmt"], c.pixelFormat);
    EXPECT_EQ(probe["width"], std::to_string(kW));
    EXPECT_EQ(probe["height"], std::to_string(kH));
    if (c.rateNum > 0) {
        // Matroska keeps a frame's duration in whole nanoseconds, so its readers give back
        // a fraction near the rate (19001/317 for 60000/1001); MP4 and MOV keep it exactly.
        const double expected = double(c.rateNum) / double(c.rateDen);
        EXPECT_NEAR(fraction(probe["r_frame_rate"]), expected, expected * 1e-6)
            << probe["r_frame_rate"];
        if (c.codec == VideoCodec::H264 || c.codec == VideoCodec::ProRes) {
            EXPECT_EQ(probe["r_frame_rate"],
                      std::to_string(c.rateNum) + "/" + std::to_string(c.rateDen));
        }
    }
    EXPECT_EQ(probe["nb_read_frames"], "9");
    if (c.yuv) {
        EXPECT_EQ(probe["color_space"], "bt709");
        EXPECT_EQ(probe["color_primaries"], "bt709");
        EXPECT_EQ(probe["color_transfer"], "bt709");
        EXPECT_EQ(probe["color_range"], "tv");
    }
    if (c.codec == VideoCodec::VP9 && c.alpha) {
        EXPECT_EQ(probe["TAG:alpha_mode"], "1");
    }

    std::string errors;
    const auto decoded = DecodeBgra(path, kW, kH, &errors, c.decodeOptions);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(decoded.size(), pictures.size());
    Quality worst;
    for (size_t n = 0; n < decoded.size(); ++n) {
        const auto expected = straightBgra(testPicture(pictures[n], c.alpha));
        if (c.floors.colour == 0) {
            ASSERT_TRUE(decoded[n] == expected) << "frame " << n;
            continue;
        }
        const Quality q = compareFrames(decoded[n], expected);
        worst = {std::min(worst.colour, q.colour), std::min(worst.luma, q.luma),
                 std::min(worst.alpha, q.alpha)};
    }
    if (c.floors.colour > 0) {
        std::printf("[ measured ] %s: worst frame colour %.2f dB, luma %.2f dB, alpha %.2f dB\n",
                    c.name, worst.colour, worst.luma, worst.alpha);
        EXPECT_GE(worst.colour, c.floors.colour);
        EXPECT_GE(worst.luma, c.floors.luma);
        EXPECT_GE(worst.alpha, c.floors.alpha);
    }
}

// Floors, about 2 dB under the worst frames measured (printed by the test): H.264 31.5 colour
// / 44.9 luma, ProRes HQ 33.6 / 47.3, ProRes 4444 59.7 / 60.9 / alpha 52.1, VP9 31.4 / 43.7,
// VP9 with alpha 39.3 / 46.4 / 48.2. The 4:2:0 and 4:2:2 formats lose most on the colour of
// thin saturated text (red on green, light blue on navy), which chroma subsampling smears
// whatever the encoder does, and colours clipped after it leak into luma. A decoder that
// takes the colours for BT.601 lands near 25 dB. Alpha is off by one step here and there
// from rounding between 8, 10 and 12 bits.
const FormatCase kFormats[] = {
    FormatCase{"h264", VideoCodec::H264, "out.mp4", false, 30000, 1001, "h264",
               "Constrained Baseline", "yuv420p", true, floors(29.5, 42.5, 99), ""},
    FormatCase{"prores_hq", VideoCodec::ProRes, "out.mov", false, 15, 1, "prores", "HQ",
               "yuv422p10le", true, floors(31.5, 45, 99), ""},
    FormatCase{"prores_4444_alpha", VideoCodec::ProRes, "out.mov", true, 25, 1, "prores", "4444",
               "yuva444p12le", true, floors(56, 57, 49), ""},
    FormatCase{"vp9", VideoCodec::VP9, "out.webm", false, 60000, 1001, "vp9", "", "yuv420p", true,
               floors(29, 41.5, 99), ""},
    // Only libvpx's own decoder reads the alpha layer back.
    FormatCase{"vp9_alpha", VideoCodec::VP9, "out.webm", true, 30, 1, "vp9", "", "yuv420p", true,
               floors(37, 44.5, 46), "-c:v libvpx-vp9"},
    FormatCase{"ffv1", VideoCodec::FFV1, "out.mkv", false, 50, 1, "ffv1", "", "bgr0", false,
               kLossless, ""},
    FormatCase{"ffv1_alpha", VideoCodec::FFV1, "out.mkv", true, 24000, 1001, "ffv1", "", "bgra",
               false, kLossless, ""},
    FormatCase{"png", VideoCodec::PNG, "%05d.png", false, 0, 1, "png", "", "rgb24", false,
               kLossless, ""},
    FormatCase{"png_alpha", VideoCodec::PNG, "%05d.png", true, 0, 1, "png", "", "rgba", false,
               kLossless, ""},
};

INSTANTIATE_TEST_SUITE_P(Formats, FfmpegOutputFormat, testing::ValuesIn(kFormats),
                         [](const testing::TestParamInfo<FormatCase>& info) {
                             return std::string(info.param.name);
                         });

// A repeated picture is the same packet again in intra-only formats; a new picture is not.
struct ReuseCase {
    const char* name;
    VideoCodec codec;
    const char* file;
    bool alpha;
};

class FfmpegOutputReuse : public testing::TestWithParam<ReuseCase> {};

TEST_P(FfmpegOutputReuse, RepeatedPicturesAreIdenticalPackets) {
    const ReuseCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File(c.file);
    const std::vector<int> pictures = {0, 0, 1, 1, 1, 2};
    const Written written = writeFrames(settingsFor(path, c.codec, c.alpha), pictures);
    ASSERT_TRUE(written.ok) << written.error;
    std::vector<std::string> packets;
    if (c.codec == VideoCodec::PNG) {
        for (int n = 0; n < 6; ++n) {
            char name[16];
            std::snprintf(name, sizeof name, "%05d.png", n);
            packets.push_back(ReadBytes(dir.File(name)));
        }
        EXPECT_EQ(dir.Names().size(), 6u); // no temporary files left
    } else {
        packets = packetHashes(path);
    }
    ASSERT_EQ(packets.size(), 6u);
    EXPECT_EQ(packets[1], packets[0]);
    EXPECT_NE(packets[2], packets[1]);
    EXPECT_EQ(packets[3], packets[2]);
    EXPECT_EQ(packets[4], packets[2]);
    EXPECT_NE(packets[5], packets[4]);
}

INSTANTIATE_TEST_SUITE_P(
    IntraOnly, FfmpegOutputReuse,
    testing::Values(ReuseCase{"prores_4444", VideoCodec::ProRes, "out.mov", true},
                    ReuseCase{"prores_hq", VideoCodec::ProRes, "out.mov", false},
                    ReuseCase{"ffv1", VideoCodec::FFV1, "out.mkv", true},
                    ReuseCase{"png", VideoCodec::PNG, "%05d.png", true}),
    [](const testing::TestParamInfo<ReuseCase>& info) { return std::string(info.param.name); });

// ProRes re-encodes only the slices that changed, in tiles spread over threads; the frames
// must still be byte for byte what FFmpeg's encoder makes of the whole picture. A row of
// these pictures has slices of 8, 8, 4 and 1 macroblocks (the last one partial). They change
// in the first row, in the last (partial) row, in the last slice, in the short slice alone,
// across a long and a short slice, in two separate places, and everywhere.
std::vector<QImage> editedPictures(bool transparent) {
    std::vector<QImage> pictures;
    QImage picture = testPicture(0, transparent);
    pictures.push_back(picture);
    auto paint = [&](QRect area, QColor colour) {
        QPainter p(&picture);
        p.fillRect(area, colour);
        p.end();
        pictures.push_back(picture);
    };
    paint(QRect(0, 0, 3, 2), QColor(255, 0, 0, 200));
    paint(QRect(40, kH - 1, 9, 1), QColor(0, 0, 255));
    paint(QRect(kW - 1, 70, 1, 30), QColor(255, 255, 255, 90));
    paint(QRect(262, 40, 6, 20), QColor(255, 0, 255, 160));
    paint(QRect(250, 120, 12, 3), QColor(0, 0, 0, 255));
    paint(QRect(150, 20, 5, 5), QColor(0, 255, 0));
    paint(QRect(150, 150, 5, 5), QColor(0, 255, 0));
    picture = testPicture(5, transparent);
    pictures.push_back(picture);
    return pictures;
}

TEST(FfmpegOutputProRes, FramesMatchTheEncoderOnWholePictures) {
    for (const bool alpha : {true, false}) {
        SCOPED_TRACE(alpha ? "4444" : "HQ");
        TempDir dir;
        const auto pictures = editedPictures(alpha);
        auto opened =
            FfmpegOutput::open(settingsFor(dir.File("ours.mov"), VideoCodec::ProRes, alpha));
        ASSERT_TRUE(opened) << Why(opened);
        FfmpegOutput& output = *opened.value();
        for (const QImage& picture : pictures) {
            const Status stored = output.writeFrame(picture, true);
            ASSERT_TRUE(stored) << Why(stored);
        }
        const Status finished = output.finish();
        ASSERT_TRUE(finished) << Why(finished);

        // The same straight RGBA frames through the ffmpeg program, converted as we do:
        // BT.709, limited range, bicubic with accurate rounding.
        const std::string theirs = dir.File("theirs.mov");
        const std::string command =
            "ffmpeg -nostdin -v error -f rawvideo -pix_fmt rgba -s " + std::to_string(kW) + "x" +
            std::to_string(kH) +
            " -r 30 -i - -vf scale=out_color_matrix=bt709:out_range=tv:"
            "flags=bicubic+accurate_rnd,setparams=color_primaries=bt709:color_trc=bt709:"
            "colorspace=bt709 -c:v prores_ks -q:v 2 " +
            (alpha ? "-profile:v 4444 -pix_fmt yuva444p10le '"
                   : "-profile:v hq -pix_fmt "
                     "yuv422p10le '") +
            theirs + "'";
        RunOptions feed;
        for (const QImage& picture : pictures) {
            const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
            for (int y = 0; y < kH; ++y) {
                feed.input.append(reinterpret_cast<const char*>(rgba.constScanLine(y)), kW * 4);
            }
        }
        const RunResult ran = RunShell(command, feed);
        ASSERT_EQ(ran.status, 0) << ran.err;

        const auto ours = packetHashes(dir.File("ours.mov"));
        ASSERT_EQ(ours.size(), pictures.size());
        EXPECT_EQ(ours, packetHashes(theirs));
        std::vector<std::string> distinct = ours;
        std::sort(distinct.begin(), distinct.end());
        EXPECT_EQ(std::unique(distinct.begin(), distinct.end()), distinct.end());
    }
}

// An export that is cancelled or interrupted drops its output without finishing it; the
// file must still play the frames written so far.
struct CancelCase {
    const char* name;
    VideoCodec codec;
    const char* file;
    bool alpha;
};

class FfmpegOutputCancel : public testing::TestWithParam<CancelCase> {};

TEST_P(FfmpegOutputCancel, DroppedOutputPlaysItsFrames) {
    const CancelCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File(c.file);
    {
        auto output = FfmpegOutput::open(settingsFor(path, c.codec, c.alpha));
        ASSERT_TRUE(output) << Why(output);
        for (int n = 0; n < 7; ++n) {
            const Status stored =
                output.value()->writeFrame(testPicture(n / 3, c.alpha), n % 3 == 0);
            ASSERT_TRUE(stored) << Why(stored);
        }
    }
    std::string errors;
    EXPECT_EQ(DecodeBgra(path, kW, kH, &errors, c.alpha ? "-c:v libvpx-vp9" : "").size(), 7u);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(probeStream(path)["nb_read_frames"], "7");
    if (c.codec == VideoCodec::H264) {
        // Fast start: the index in front of the media data.
        const auto boxes = topLevelBoxes(path);
        const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
        const auto mdat = std::find(boxes.begin(), boxes.end(), "mdat");
        ASSERT_NE(moov, boxes.end());
        ASSERT_NE(mdat, boxes.end());
        EXPECT_LT(moov, mdat);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, FfmpegOutputCancel,
                         testing::Values(CancelCase{"mp4", VideoCodec::H264, "out.mp4", false},
                                         CancelCase{"mov", VideoCodec::ProRes, "out.mov", false},
                                         CancelCase{"webm", VideoCodec::VP9, "out.webm", true},
                                         CancelCase{"mkv", VideoCodec::FFV1, "out.mkv", false}),
                         [](const testing::TestParamInfo<CancelCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(FfmpegOutput, CodecFollowsTheFileName) {
    EXPECT_EQ(codecForPath("a/b.mp4"), VideoCodec::H264);
    EXPECT_EQ(codecForPath("B.MOV"), VideoCodec::ProRes);
    EXPECT_EQ(codecForPath("x.webm"), VideoCodec::VP9);
    EXPECT_EQ(codecForPath("x.mkv"), VideoCodec::FFV1);
    EXPECT_EQ(codecForPath("frames/%05d.png"), VideoCodec::PNG);
    EXPECT_EQ(codecForPath("frames/f%d.png"), VideoCodec::PNG);
    EXPECT_EQ(codecForPath("100%%.mp4"), VideoCodec::H264);
    EXPECT_EQ(codecForPath("x.avi"), std::nullopt);
    EXPECT_EQ(codecForPath("frames/still.png"), std::nullopt);
    EXPECT_EQ(VideoCodecFromName("prores"), VideoCodec::ProRes);
    EXPECT_EQ(VideoCodecFromName("h264"), VideoCodec::H264);
    EXPECT_EQ(VideoCodecFromName("mpeg2"), std::nullopt);
}

struct RefusalCase {
    const char* name;
    const char* file; // relative to a scratch folder
    VideoCodec codec;
    bool alpha;
    int width;
    int64_t rateNum;
    const char* message; // a part of the error text
};

class FfmpegOutputRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(FfmpegOutputRefusal, OpenFailsWithAReasonAndNoFile) {
    const RefusalCase& c = GetParam();
    TempDir dir;
    std::filesystem::create_directory(dir.File("taken.mkv"));
    OutputSettings settings = settingsFor(dir.File(c.file), c.codec, c.alpha, c.rateNum);
    settings.width = c.width;
    const auto opened = FfmpegOutput::open(settings);
    ASSERT_FALSE(opened);
    EXPECT_NE(Why(opened).find(c.message), std::string::npos) << Why(opened);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"taken.mkv"});
}

INSTANTIATE_TEST_SUITE_P(
    Settings, FfmpegOutputRefusal,
    testing::Values(
        RefusalCase{"missing_folder", "none/out.mov", VideoCodec::ProRes, true, kW, 30,
                    "No such file or directory"},
        RefusalCase{"missing_folder_png", "none/%05d.png", VideoCodec::PNG, true, kW, 30,
                    "No such file or directory"},
        RefusalCase{"unknown_extension", "out.avi", VideoCodec::FFV1, false, kW, 30,
                    "unknown kind of video file"},
        RefusalCase{"path_is_a_folder", "taken.mkv", VideoCodec::FFV1, false, kW, 30,
                    "Is a directory"},
        RefusalCase{"h264_alpha", "out.mp4", VideoCodec::H264, true, kW, 30,
                    "cannot keep transparency"},
        RefusalCase{"h264_odd_width", "out.mp4", VideoCodec::H264, false, 321, 30,
                    "even width and height"},
        RefusalCase{"prores_in_mp4", "out.mp4", VideoCodec::ProRes, false, kW, 30,
                    "cannot be stored in a .mp4 file"},
        RefusalCase{"png_without_number", "out.png", VideoCodec::PNG, false, kW, 30,
                    "frame number"},
        RefusalCase{"zero_width", "out.mkv", VideoCodec::FFV1, false, 0, 30, "video size"},
        RefusalCase{"zero_rate", "out.mkv", VideoCodec::FFV1, false, kW, 0, "frame rate"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST(FfmpegOutput, PictureOfTheWrongSizeIsRefused) {
    TempDir dir;
    auto opened = FfmpegOutput::open(settingsFor(dir.File("out.mkv"), VideoCodec::FFV1, false));
    ASSERT_TRUE(opened) << Why(opened);
    FfmpegOutput& output = *opened.value();
    const Status wrong = output.writeFrame(testPicture(0, false, kW + 2, kH), true);
    EXPECT_NE(Why(wrong).find("324 x 182 picture for a 322 x 182 video"), std::string::npos)
        << Why(wrong);
    const Status right = output.writeFrame(testPicture(0, false), true);
    EXPECT_TRUE(right) << Why(right);
    const Status finished = output.finish();
    EXPECT_TRUE(finished) << Why(finished);
    EXPECT_EQ(probeStream(dir.File("out.mkv"))["nb_read_frames"], "1");
}

// A small memory file system stands in for a full disk. Mounting one needs root; without it
// these tests are skipped.
class SmallDisk {
public:
    explicit SmallDisk(const TempDir& dir) : m_path(dir.File("disk")) {
        std::filesystem::create_directory(m_path);
        m_mounted = Run("mount -t tmpfs -o size=3m tmpfs '" + m_path + "' 2>/dev/null") == 0;
    }
    ~SmallDisk() {
        if (m_mounted) {
            Run("umount '" + m_path + "'");
        }
    }
    bool mounted() const { return m_mounted; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    std::vector<std::string> names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

private:
    std::string m_path;
    bool m_mounted = false;
};

// Pictures of noise barely compress, so the disk fills after a few frames.
QImage noisePicture(int seed) {
    QImage image(kW, kH, QImage::Format_RGB32);
    uint32_t state = 2654435761u * static_cast<uint32_t>(seed + 1);
    for (int y = 0; y < kH; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < kW; ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

struct FullDiskCase {
    const char* name;
    VideoCodec codec;
    const char* file;
};

class FfmpegOutputFullDisk : public testing::TestWithParam<FullDiskCase> {};

TEST_P(FfmpegOutputFullDisk, FailsWithTheReasonAndKeepsAPlayableFile) {
    const FullDiskCase& c = GetParam();
    TempDir dir;
    SmallDisk disk(dir);
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    OutputSettings settings = settingsFor(disk.file(c.file), c.codec, false);
    settings.diskReserve = 512 * 1024;
    auto opened = FfmpegOutput::open(settings);
    ASSERT_TRUE(opened) << Why(opened);
    const std::unique_ptr<FfmpegOutput>& output = opened.value();
    int accepted = 0;
    std::string error;
    while (accepted < 1000) {
        const Status stored = output->writeFrame(noisePicture(accepted), true);
        if (!stored) {
            error = Why(stored);
            break;
        }
        ++accepted;
    }
    ASSERT_LT(accepted, 1000) << "the disk never filled";
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    const Status finished = output->finish();
    EXPECT_FALSE(finished);
    EXPECT_EQ(Why(finished), error);
    // Frames are written behind the caller's back, so some accepted ones may be dropped;
    // the file holds the ones written before the disk was full.
    EXPECT_EQ(output->counts().frames, accepted);
    const int64_t frames = output->counts().written;
    EXPECT_GT(frames, 0);
    EXPECT_LE(frames, accepted);

    std::string errors;
    const auto decoded = DecodeBgra(disk.file(c.file), kW, kH, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(static_cast<int64_t>(decoded.size()), frames);
    if (c.codec == VideoCodec::PNG) {
        EXPECT_EQ(static_cast<int64_t>(disk.names().size()), frames); // nothing half-written
    } else {
        EXPECT_EQ(disk.names().size(), 1u); // the reserve is gone
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, FfmpegOutputFullDisk,
                         testing::Values(FullDiskCase{"mp4", VideoCodec::H264, "out.mp4"},
                                         FullDiskCase{"mov", VideoCodec::ProRes, "out.mov"},
                                         FullDiskCase{"mkv", VideoCodec::FFV1, "out.mkv"},
                                         FullDiskCase{"png", VideoCodec::PNG, "%05d.png"}),
                         [](const testing::TestParamInfo<FullDiskCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
