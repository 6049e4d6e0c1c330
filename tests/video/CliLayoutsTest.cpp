#include "FootageMaker.h"
#include "VideoTestUtil.h"

#include <QImage>
#include <QRect>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace videotest;

// The broadcast board's layouts at the sizes they are made for (the vertical one on phone
// video, the lower third on 4K), through the whole command line: a still, an export and a
// burn-in of the same moment, the videos decoded by the ffmpeg program.

namespace {

const std::string kCli = VORLAT_CLI_PATH;

struct LayoutCase {
    const char* layout;
    int width;
    int height;
};

class CliLayouts : public testing::TestWithParam<LayoutCase> {
protected:
    // A visit and a half of 501, the last dart at 1.5 s: at 2 s the board shows the second
    // player's visit under way.
    std::string WriteScore() {
        const std::string path = m_dir.File("score.txt");
        std::ofstream out(path);
        out << "[SETTING]\nGAME=501\nNAME1=Anna\nNAME2=Ben\n\n[DATA]\nR01-1=T20,T20,T20\n"
            << "R01-2=19,T19\n[TIME]\nR01-1=300,600,900\nR01-2=1200,1500\n";
        return path;
    }

    std::string Board() const {
        const LayoutCase& c = GetParam();
        return std::string(" --theme broadcast --layout ") + c.layout;
    }

    static int Cli(const std::string& args, std::string* out = nullptr) {
        return videotest::Run("'" + kCli + "' " + args + " 2>&1", out);
    }

    TempDir m_dir;
};

// The rectangle of the pixels whose alpha is not zero.
QRect Drawn(const QImage& picture) {
    QRect drawn;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if (qAlpha(line[x]) != 0) {
                drawn |= QRect(x, y, 1, 1);
            }
        }
    }
    return drawn;
}

TEST_P(CliLayouts, StillExportAndBurnShowTheSameBoardWhereTheLayoutSays) {
    const LayoutCase& c = GetParam();
    const int w = c.width, h = c.height;
    const std::string size = " --size " + std::to_string(w) + "x" + std::to_string(h);
    const std::string score = WriteScore();
    std::string out;

    // The still: the panel inside the title-safe area, in the band its layout names.
    const std::string still = m_dir.File("still.png");
    ASSERT_EQ(Cli("frame '" + score + "' 2000 '" + still + "'" + Board() + size +
                      " --background transparent",
                  &out),
              0)
        << out;
    const QImage picture =
        QImage(QString::fromStdString(still)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(picture.size(), QSize(w, h));
    const QRect panel = Drawn(picture);
    ASSERT_FALSE(panel.isEmpty());
    const QRect titleSafe(w / 20, h / 20, w - 2 * (w / 20), h - 2 * (h / 20));
    EXPECT_TRUE(titleSafe.adjusted(-1, -1, 1, 1).contains(panel))
        << panel.x() << "," << panel.y() << " " << panel.width() << "x" << panel.height();
    if (std::string(c.layout) == "lower-third") {
        EXPECT_GT(panel.width(), w / 2);
        EXPECT_GT(panel.top(), h / 2);
    } else {
        // Phone video: the board stays out of the middle, where the picture is.
        EXPECT_TRUE(panel.bottom() < h / 3 || panel.top() > 2 * h / 3)
            << panel.top() << ".." << panel.bottom();
    }

    // The export, lossless with alpha at ten frames a second, on whose frame starts every
    // dart lies (a dart between two starts shows from the frame it lands in): its frame at
    // 2 s is the still. Only that frame is decoded; a 4K frame is 33 MB.
    const std::string video = m_dir.File("board.mkv");
    ASSERT_EQ(Cli("export '" + score + "' '" + video + "' --codec ffv1 --fps 10" + Board() + size +
                      " --background transparent",
                  &out),
              0)
        << out;
    const std::vector<std::vector<uint8_t>> frames =
        DecodeBgra(video, w, h, nullptr, "-ss 2 -t 0.05");
    ASSERT_EQ(frames.size(), 1u);
    const auto* exported = frames[0].data();
    int worst = 0;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const uint8_t* px = exported + (static_cast<size_t>(y) * w + x) * 4;
            const QRgb p = line[x];
            if (qAlpha(p) == 0 && px[3] == 0) {
                continue; // no colour to compare where nothing is drawn
            }
            // Compared as they are composited: the colour weighed by its alpha. Straight
            // colour where alpha is low takes its rounding from whoever divided last.
            const int a = qAlpha(p);
            const int channels[3] = {qBlue(p), qGreen(p), qRed(p)};
            worst = std::max(worst, std::abs(px[3] - a));
            for (int k = 0; k < 3; ++k) {
                worst = std::max(worst, std::abs(px[k] * px[3] - channels[k] * a) / 255);
            }
        }
    }
    EXPECT_LE(worst, 1)
        << "largest difference of a weighed channel between the export and the still";

    // The burn-in on footage of that size: the same panel over the footage's frame at 2 s,
    // and the footage untouched around it.
    const std::string footage = m_dir.File("footage.mp4");
    ASSERT_TRUE(MakeMedia(footage,
                          "-f lavfi -i testsrc2=size=" + std::to_string(w) + "x" +
                              std::to_string(h) +
                              ":rate=5:duration=2.4 -c:v libx264 -preset ultrafast "
                              "-pix_fmt yuv420p",
                          &out))
        << out;
    const std::string burned = m_dir.File("burned.mp4");
    ASSERT_EQ(Cli("burn '" + score + "' '" + footage + "' '" + burned + "'" + Board(), &out), 0)
        << out;
    const auto fields = ProbeFields(burned, "v:0");
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(std::atoi(fields.at("width").c_str()), w);
    EXPECT_EQ(std::atoi(fields.at("height").c_str()), h);
    // The frames at 2 s.
    const auto before = DecodeBgra(footage, w, h, nullptr, "-ss 2 -t 0.1");
    const auto after = DecodeBgra(burned, w, h, nullptr, "-ss 2 -t 0.1");
    ASSERT_EQ(before.size(), 1u);
    ASSERT_EQ(after.size(), 1u);
    std::vector<uint8_t> expected = before[0];
    for (int y = panel.top(); y <= panel.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = panel.left(); x <= panel.right(); ++x) {
            uint8_t* px = &expected[(static_cast<size_t>(y) * w + x) * 4];
            const QRgb p = line[x];
            const int a = qAlpha(p);
            const int channels[3] = {qBlue(p), qGreen(p), qRed(p)};
            for (int k = 0; k < 3; ++k) {
                px[k] = static_cast<uint8_t>((channels[k] * a + px[k] * (255 - a) + 127) / 255);
            }
        }
    }
    const auto inside = [&](int x, int y) { return panel.contains(x, y); };
    const auto outside = [&](int x, int y) { return !panel.contains(x, y); };
    const double panelPsnr = RegionPsnr(after[0].data(), expected.data(), w, h, inside);
    const double aroundPsnr = RegionPsnr(after[0].data(), before[0].data(), w, h, outside);
    std::printf("%s %dx%d: burned panel %.1f dB against the still over the footage, "
                "%.1f dB around it\n",
                c.layout, w, h, panelPsnr, aroundPsnr);
    EXPECT_GE(panelPsnr, 30.0);
    EXPECT_GE(aroundPsnr, 30.0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CliLayouts,
                         testing::Values(LayoutCase{"vertical", 1080, 1920},
                                         LayoutCase{"lower-third", 3840, 2160}),
                         [](const testing::TestParamInfo<LayoutCase>& info) {
                             return std::string(info.param.layout) == "vertical" ? "Vertical"
                                                                                 : "LowerThird";
                         });

} // namespace
