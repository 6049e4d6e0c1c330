#include "RunProgramQt.h"
#include "render/Renderer.h"
#include "score/Loader.h"
#include "score/ScoreData.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

struct CliResult {
    int exitCode;
    std::string err;
};

CliResult RunCli(const QStringList& args) {
    const RunResult ran = RunProgram(QStringLiteral(VORLAT_CLI_PATH), args);
    return {ran.status, ran.err};
}

const char kScore[] = "[SETTING]\n"
                      "GAME=501\n"
                      "[DATA]\n"
                      "R01-1=T20,T20,20\n"
                      "R01-2=20,T20,1\n"
                      "[TIME]\n"
                      "R01-1=1000,2000,3000\n"
                      "R01-2=5000,6000,7000\n";

struct CliFrame : ::testing::Test {
    QTemporaryDir dir;
    QString scorePath;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        scorePath = dir.filePath("match.txt");
        QFile file(scorePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kScore);
    }
    // The same moment rendered in this process.
    QImage Expected(int32_t t, const RenderOptions& options = {}) {
        Match score;
        EXPECT_TRUE(OpenScoreFile(score, scorePath.toStdString()));
        QImage picture;
        EXPECT_TRUE(RenderMoment(score, t, picture, options));
        return picture;
    }
};

TEST_F(CliFrame, WritesThePictureOfTheMoment) {
    for (int32_t t : {0, 2500, 6000, 100000}) {
        const QString out = dir.filePath(QString("frame-%1.png").arg(t));
        const CliResult r = RunCli({"frame", scorePath, QString::number(t), out});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const QImage written(out);
        ASSERT_EQ(written.size(), QSize(320, 240));
        // Exactly the same pixels, whatever this process painted before: the glyphs of
        // earlier pictures must not change how later ones come out.
        EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), Expected(t)) << t;
    }
    // Different moments really are different pictures.
    EXPECT_NE(QImage(dir.filePath("frame-0.png")), QImage(dir.filePath("frame-6000.png")));
}

TEST_F(CliFrame, WritesTheTitle) {
    const QString out = dir.filePath("title.png");
    const CliResult r = RunCli({"title", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    QImage title;
    RenderTitle(title, {});
    EXPECT_EQ(QImage(out).convertToFormat(QImage::Format_RGB32), title);
}

TEST_F(CliFrame, ScaleAndBackgroundOptions) {
    const QString out = dir.filePath("big.png");
    CliResult r = RunCli({"frame", scorePath, "6000", out, "--scale", "4"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage big(out);
    ASSERT_EQ(big.size(), QSize(1280, 960));
    RenderOptions options;
    options.scale = 4;
    EXPECT_EQ(big.convertToFormat(QImage::Format_RGB32), Expected(6000, options));

    r = RunCli({"frame", scorePath, "6000", out, "--background", "transparent"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage clear = QImage(out).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    options = RenderOptions{};
    options.background.kind = Background::Kind::Transparent;
    EXPECT_EQ(clear, Expected(6000, options));
    EXPECT_EQ(qAlpha(clear.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(clear.pixel(20, 200)), 255) << "inside player 1's box";

    r = RunCli({"frame", scorePath, "6000", out, "--background=#00B140", "--scale=2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage green(out);
    EXPECT_EQ(green.size(), QSize(640, 480));
    EXPECT_EQ(green.pixel(0, 0) | 0xFF000000, qRgb(0x00, 0xB1, 0x40));

    const QString titleOut = dir.filePath("title4.png");
    r = RunCli({"title", titleOut, "--scale", "4", "--background", "#000000"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(QImage(titleOut).size(), QSize(1280, 960));
}

TEST_F(CliFrame, BadOptionValuesNameTheOption) {
    const QString out = dir.filePath("out.png");
    const struct {
        QStringList args;
        const char* option;
    } cases[] = {
        {{"frame", scorePath, "0", out, "--scale", "0"}, "--scale"},
        {{"frame", scorePath, "0", out, "--scale", "four"}, "--scale"},
        {{"frame", scorePath, "0", out, "--scale=1e9"}, "--scale"},
        {{"frame", scorePath, "0", out, "--scale"}, "--scale"},
        {{"frame", scorePath, "0", out, "--background", "green"}, "--background"},
        {{"frame", scorePath, "0", out, "--background=#12345"}, "--background"},
        {{"title", out, "--background", "#GG0000"}, "--background"},
        {{"frame", scorePath, "0", out, "--size", "4"}, "--size"},
    };
    for (const auto& c : cases) {
        const CliResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_NE(r.err.find(c.option), std::string::npos) << r.err;
    }
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(CliFrame, ReportsFailures) {
    const QString out = dir.filePath("out.png");
    const struct {
        QStringList args;
        int exitCode;
        const char* message; // expected on stderr, if any
    } cases[] = {
        {{"frame", dir.filePath("missing.txt"), "0", out}, 1, kLoadErrorText},
        {{"frame", scorePath, "soon", out}, 2, nullptr},
        {{"frame", scorePath, "12ms", out}, 2, nullptr},
        {{"frame", scorePath, "99999999999", out}, 2, nullptr},
        {{"frame", scorePath, "0"}, 2, nullptr},
        {{"frame", scorePath, "0", out, "extra"}, 2, nullptr},
        {{"title"}, 2, nullptr},
        {{"frame", scorePath, "0", dir.filePath("no/such/folder/out.png")}, 1, nullptr},
        {{"title", dir.filePath("no/such/folder/out.png")}, 1, nullptr},
    };
    for (const auto& c : cases) {
        const CliResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        if (c.message != nullptr) {
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        }
    }
    EXPECT_FALSE(QFile::exists(out));
}

} // namespace
