#include "video/Video1Encoder.h"
#include "VideoTestUtil.h"
#include "video/AviWriter.h"
#include "video/ByteSink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>

using namespace videotest;

namespace {

struct Rgb {
    int r, g, b;
};
using Painter = std::function<Rgb(int x, int y)>;

std::vector<uint8_t> Picture(int w, int h, const Painter& paint) {
    std::vector<uint8_t> bgrx(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Rgb c = paint(x, y);
            uint8_t* p = &bgrx[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(c.b);
            p[1] = static_cast<uint8_t>(c.g);
            p[2] = static_cast<uint8_t>(c.r);
            p[3] = 255;
        }
    }
    return bgrx;
}

// What the encoder says a decoder shows, as B,G,R,A.
std::vector<uint8_t> Shown(const Video1Encoder& encoder) {
    const auto& words = encoder.Picture();
    std::vector<uint8_t> bgra(words.size() * 4);
    for (size_t i = 0; i < words.size(); ++i) {
        Video1Encoder::expand(words[i], bgra[4 * i + 2], bgra[4 * i + 1], bgra[4 * i]);
        bgra[4 * i + 3] = 255;
    }
    return bgra;
}

struct Coded {
    std::vector<uint8_t> bytes;
    bool key;
};

// Wraps coded frames in an AVI and decodes it with ffmpeg.
std::vector<std::vector<uint8_t>> DecodeWithFfmpeg(const std::vector<Coded>& frames, int w, int h,
                                                   std::string& errors) {
    TempDir dir;
    const std::string path = dir.File("v1.avi");
    AviVideoFormat format;
    format.width = w;
    format.height = h;
    format.bitCount = 16;
    format.compression = FourCC("CRAM");
    format.handler = FourCC("msvc");
    format.sizeImage = static_cast<uint32_t>(w * h * 2);
    FileSink sink;
    EXPECT_TRUE(sink.open(path));
    AviWriter writer(sink, format);
    EXPECT_TRUE(writer.begin());
    for (const Coded& f : frames) {
        EXPECT_TRUE(
            writer.writeFrame(f.bytes.data(), static_cast<uint32_t>(f.bytes.size()), f.key));
    }
    EXPECT_TRUE(writer.finish());
    sink.close();
    EXPECT_EQ(ProbeVideo(path).codec, "msvideo1");
    return DecodeBgra(path, w, h, &errors);
}

int MaxChannelError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (i % 4 != 3) {
            worst = std::max(worst, std::abs(a[i] - b[i]));
        }
    }
    return worst;
}

struct PatternCase {
    const char* name;
    Painter paint;
    // exact: every block has at most two colours per 2 x 2 quarter, so each pixel must come
    // out as the nearest RGB555 colour (within 4 of the source per channel). Otherwise the
    // least PSNR in dB.
    bool exact;
    double minPsnr;
};

class Video1Pattern : public testing::TestWithParam<PatternCase> {};

TEST_P(Video1Pattern, KeyFrameDecodesAsEncoderPredictsAndKeepsDetail) {
    const PatternCase& c = GetParam();
    constexpr int kW = 64, kH = 32;
    const auto source = Picture(kW, kH, c.paint);
    Video1Encoder encoder(kW, kH);
    Coded frame{encoder.Encode(source.data(), kW * 4, true), true};
    const auto predicted = Shown(encoder);

    std::string errors;
    const auto decoded = DecodeWithFfmpeg({frame}, kW, kH, errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0], predicted);
    if (c.exact) {
        EXPECT_LE(MaxChannelError(decoded[0], source), 4);
    } else {
        EXPECT_GE(Psnr(decoded[0].data(), source.data(), kW * kH), c.minPsnr);
    }
}

Rgb Text(int x, int y) {
    // Thin strokes at odd places, white on a dark blue, like small text: the top-right pixel
    // of a block takes either colour.
    return ((x * 3 + y * 5) % 7 < 3) ? Rgb{255, 255, 255} : Rgb{10, 20, 70};
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, Video1Pattern,
    testing::Values(
        PatternCase{"flat",
                    [](int, int) {
                        return Rgb{200, 30, 90};
                    },
                    true, 0},
        // Red level 1: a one-colour word would read as a skip code.
        PatternCase{"flat_red_level_1",
                    [](int, int) {
                        return Rgb{8, 100, 100};
                    },
                    true, 0},
        PatternCase{"text", Text, true, 0},
        PatternCase{"text_red_level_1",
                    [](int x, int y) {
                        return (x + y) % 3 ? Rgb{8, 8, 8} : Rgb{9, 200, 40};
                    },
                    true, 0},
        PatternCase{
            "quarters",
            [](int x, int y) {
                int q = (x / 2) * 31 + (y / 2) * 17;
                return (x + y) % 2 ? Rgb{q % 256, 255 - q % 256, 60} : Rgb{40, (q * 3) % 256, 200};
            },
            true, 0},
        // A smooth ramp is traded for bytes first, yet must stay a ramp, not steps.
        PatternCase{"gradient",
                    [](int x, int y) {
                        return Rgb{x * 4, y * 8, 128 + (x ^ y)};
                    },
                    false, 30.0},
        PatternCase{"noise",
                    [](int x, int y) {
                        unsigned h = static_cast<unsigned>(x) * 73856093u ^
                                     static_cast<unsigned>(y) * 19349663u;
                        h ^= h >> 13;
                        h *= 0x5bd1e995u;
                        return Rgb{int(h & 255), int((h >> 8) & 255), int((h >> 16) & 255)};
                    },
                    false, 15.0}),
    [](const testing::TestParamInfo<PatternCase>& info) { return std::string(info.param.name); });

TEST(Video1Encoder, DeltaAndRepeatedFramesDecodeToTheEncodersPictures) {
    // Full canvas size, so that a frame of skips needs several skip codes (1023 blocks each).
    constexpr int kW = 320, kH = 240;
    const auto a = Picture(kW, kH, [](int x, int y) { return Rgb{x % 256, y, (x * y) % 97}; });
    const auto b = Picture(kW, kH, [&](int x, int y) {
        if (x >= 100 && x < 180 && y >= 60 && y < 90) {
            return Text(x, y);
        }
        return Rgb{x % 256, y, (x * y) % 97};
    });
    Video1Encoder encoder(kW, kH);
    std::vector<Coded> frames;
    std::vector<std::vector<uint8_t>> predicted;
    auto add = [&](const std::vector<uint8_t>& bytes, bool key) {
        frames.push_back({bytes, key});
        predicted.push_back(Shown(encoder));
    };
    add(encoder.Encode(a.data(), kW * 4, true), true);
    add(encoder.EncodeSame(false), false);
    add(encoder.Encode(a.data(), kW * 4, false), false); // same picture handed in again
    add(encoder.Encode(b.data(), kW * 4, false), false);
    add(encoder.EncodeSame(true), true);
    add(encoder.EncodeSame(false), false);
    add(encoder.EncodeSame(true), true);
    add(encoder.Encode(a.data(), kW * 4, true), true);

    // A repeated picture costs a handful of skip codes; a small change only its blocks.
    EXPECT_LE(frames[1].bytes.size(), 16u);
    EXPECT_EQ(frames[2].bytes, frames[1].bytes);
    EXPECT_LT(frames[3].bytes.size(), frames[0].bytes.size() / 10);
    // The key frame of an unchanged picture is the same each time.
    EXPECT_EQ(frames[6].bytes, frames[4].bytes);
    EXPECT_EQ(frames[7].bytes, frames[0].bytes);

    std::string errors;
    const auto decoded = DecodeWithFfmpeg(frames, kW, kH, errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(decoded.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(decoded[i], predicted[i]) << "frame " << i;
    }
    // Keeping unchanged blocks must not cost quality against coding the picture afresh.
    Video1Encoder fresh(kW, kH);
    fresh.Encode(b.data(), kW * 4, true);
    EXPECT_GE(Psnr(decoded[3].data(), b.data(), kW * kH),
              Psnr(Shown(fresh).data(), b.data(), kW * kH) - 0.1);
    EXPECT_EQ(decoded[6], decoded[4]);
}

} // namespace
