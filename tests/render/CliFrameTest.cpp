#include "render/GStatic.h"
#include "render/Painters.h"
#include "score/Loader.h"
#include "score/ScoreData.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

struct CliResult {
    int exitCode;
    std::string err;
};

CliResult RunCli(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(VORLAT_CLI_PATH), args);
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardError().toStdString()};
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
    // The same moment painted in this process, as the program paints it.
    QImage Expected(int32_t t) {
        Match score;
        EXPECT_TRUE(OpenScoreFile(score, scorePath.toStdString()));
        CGStatic surface;
        surface.CreateCanvas(320, 240);
        score.m_pSurface = &surface;
        DrawFrameAt(score, t);
        return surface.GetCanvas().copy();
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
    Match score;
    CGStatic surface;
    surface.CreateCanvas(320, 240);
    score.m_pSurface = &surface;
    DrawTitle(score);
    EXPECT_EQ(QImage(out).convertToFormat(QImage::Format_RGB32), surface.GetCanvas());
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
