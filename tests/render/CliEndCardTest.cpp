// The end card through the command line: the exported video's last frame, as ffmpeg decodes
// it, and the frame command's picture.

#include "RunProgramQt.h"
#include "render/Renderer.h"
#include "render/SummaryCard.h"
#include "score/Loader.h"
#include "score/ScoreData.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const char kScore[] = "[SETTING]\nGAME=501\nNOCOMP-AVI=1\n[DATA]\nR01-1=T20,T20,20\n"
                      "R01-2=20,T20,1\n[TIME]\nR01-1=100,200,300\nR01-2=400,500,600\n";

int ExitStatus(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    const RunResult ran = RunProgram(program, args);
    if (out != nullptr) {
        *out = QByteArray::fromStdString(ran.out);
    }
    return ran.status;
}

// The last frame of a video as ffmpeg decodes it, opaque.
QImage LastFrame(const QString& video) {
    QByteArray bytes;
    const int status = ExitStatus(
        QStringLiteral("ffmpeg"),
        {"-v", "error", "-sseof", "-1", "-i", video, "-f", "rawvideo", "-pix_fmt", "bgra", "-"},
        &bytes);
    const qsizetype frameBytes = qsizetype(kBoardWidth) * kBoardHeight * 4;
    if (status != 0 || bytes.size() < frameBytes || bytes.size() % frameBytes != 0) {
        ADD_FAILURE() << "ffmpeg gave " << bytes.size() << " bytes, status " << status;
        return {};
    }
    QImage frame(reinterpret_cast<const uchar*>(bytes.constData() + bytes.size() - frameBytes),
                 kBoardWidth, kBoardHeight, QImage::Format_RGB32);
    return frame.copy();
}

struct CliEndCard : ::testing::Test {
    QTemporaryDir dir;
    QString scorePath;
    Match match;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        scorePath = dir.filePath("match.txt");
        QFile file(scorePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kScore);
        file.close();
        ASSERT_TRUE(OpenScoreFile(match, scorePath.toStdString()));
    }
};

TEST_F(CliEndCard, ExportEndsOnTheCardOnlyWithTheFlag) {
    QImage card;
    ASSERT_TRUE(RenderEndCard(match, card, {}));
    QImage lastBoard;
    ASSERT_TRUE(RenderEntry(match, match.count() - 1, lastBoard, {}));

    const struct {
        QStringList flags;
        const QImage& last;
    } cases[] = {{{}, lastBoard}, {{"--end-card"}, card}};
    for (const auto& c : cases) {
        const QString out = dir.filePath("out.avi");
        QFile::remove(out);
        ASSERT_EQ(ExitStatus(QStringLiteral(VORLAT_CLI_PATH),
                             QStringList{"export", scorePath, out, "--uncompressed"} + c.flags),
                  0)
            << c.flags.join(' ').toStdString();
        EXPECT_EQ(LastFrame(out), c.last) << c.flags.join(' ').toStdString();
    }
}

TEST_F(CliEndCard, FrameShowsTheCardFromItsStart) {
    const int64_t start = EndCardStart(match);
    ASSERT_EQ(start, 600 + 5000);
    QImage card;
    ASSERT_TRUE(RenderEndCard(match, card, {}));
    QImage lastBoard;
    ASSERT_TRUE(RenderEntry(match, match.count() - 1, lastBoard, {}));
    const struct {
        int64_t t;
        bool flag;
        const QImage& expected;
    } cases[] = {{start - 1, true, lastBoard}, {start, true, card}, {start, false, lastBoard}};
    for (const auto& c : cases) {
        const QString out = dir.filePath("frame.png");
        QStringList args{"frame", scorePath, QString::number(c.t), out};
        if (c.flag) {
            args.append("--end-card");
        }
        ASSERT_EQ(ExitStatus(QStringLiteral(VORLAT_CLI_PATH), args), 0) << c.t;
        EXPECT_EQ(QImage(out).convertToFormat(QImage::Format_RGB32), c.expected) << c.t;
    }
}

} // namespace
