#include "RunProgramQt.h"
#include "render/BroadcastBoard.h"
#include "render/Renderer.h"
#include "render/Theme.h"
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

// A two-leg match with a Japanese name, as a match file writes it.
const char kMatch[] = "[SETTING]\n"
                      "GAME=301\n"
                      "LEGS=2\n"
                      "OUT=DOUBLE\n"
                      "P1-NAME=Anna Weber\n"
                      "P2-NAME=\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E\n"
                      "[DATA]\n"
                      "R01-1=T20,T20,T20\n"
                      "R01-2=T20,T20,20\n"
                      "R02-1=T20,11,DB\n"
                      "[TIME]\n"
                      "R01-1=1000,2000,3000\n"
                      "R01-2=8000,9000,10000\n"
                      "R02-1=15000,16000,17000\n"
                      "[DATA2]\n"
                      "R01-2=T20,T20,T20\n"
                      "[TIME2]\n"
                      "R01-2=25000,26000,27000\n";

struct CliBroadcast : ::testing::Test {
    QTemporaryDir dir;
    QString matchPath;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        matchPath = dir.filePath("match.txt");
        QFile file(matchPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kMatch);
    }
};

// The frame command draws the very picture the renderer draws with the same options, for each
// layout and size the options name; the loaded match's names and route are in it.
TEST_F(CliBroadcast, FrameDrawsTheBoardAtTheOutputsSize) {
    Match match;
    ASSERT_TRUE(OpenScoreFile(match, matchPath.toStdString()));
    ASSERT_EQ(match.legs.size(), 2u);
    const struct {
        const char* theme;
        const char* layout;
        const char* size;
        const char* place;
        QSize expected;
        BoardLayout kind;
        BoardCorner corner;
    } cases[] = {
        {"broadcast",
         "corner",
         "1920x1080",
         "top-right",
         {1920, 1080},
         BoardLayout::Corner,
         BoardCorner::TopRight},
        {"light",
         "lower-third",
         "3840x2160",
         "bottom-left",
         {3840, 2160},
         BoardLayout::LowerThird,
         BoardCorner::BottomLeft},
        {"broadcast",
         "vertical",
         "1080x1920",
         "bottom-left",
         {1080, 1920},
         BoardLayout::Vertical,
         BoardCorner::BottomLeft},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        const QString out = dir.filePath(QString("%1.png").arg(c.layout));
        const CliResult result =
            RunCli({"frame", matchPath, "16500", out, "--theme", c.theme, "--layout", c.layout,
                    "--size", c.size, "--place", c.place, "--background", "transparent"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const QImage written(out);
        ASSERT_EQ(written.size(), c.expected);

        RenderOptions options;
        ApplyTheme(options, *BuiltInTheme(c.theme));
        options.frameSize = c.expected;
        options.background = Background{Background::Kind::Transparent, QColor()};
        options.broadcast.layout = c.kind;
        options.broadcast.corner = c.corner;
        QImage expected;
        ASSERT_TRUE(RenderMoment(match, 16500, expected, options));
        EXPECT_EQ(written.convertToFormat(QImage::Format_ARGB32),
                  expected.convertToFormat(QImage::Format_ARGB32));

        const BoardState state =
            BroadcastStateAt(match, EntryAtMoment(match, 16500), 16500, options.broadcast);
        const BoardScene scene = LayoutBroadcast(state, c.expected, options.broadcast);
        EXPECT_EQ(scene.text("name2")->text.toStdString(), match.names[1]);
        EXPECT_EQ(scene.text("score1")->text, QStringLiteral("50"));
        EXPECT_EQ(scene.text("route")->text, QStringLiteral("DB"));
        // The panel is where the layout put it: opaque-ish inside, empty far outside.
        const QPoint inside = scene.panel.toAlignedRect().center();
        EXPECT_GT(qAlpha(written.pixel(inside)), 0);
        EXPECT_EQ(qAlpha(written.pixel(c.expected.width() / 2, 5)), 0);
    }
}

TEST_F(CliBroadcast, BadBoardOptionsAreRefused) {
    const QString out = dir.filePath("bad.png");
    // A theme file with a line that is no setting: the reason names the file and the line, in
    // the user's language (Japanese in these tests).
    const QString badPath = dir.filePath("bad.theme");
    QFile bad(badPath);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("; mine\nshow = header, ticker\n");
    bad.close();
    const std::string badLine =
        badPath.toStdString() + ": 2行目: \"show = header, ticker\" はテーマの設定ではありません";
    const struct {
        QStringList extra;
        std::string says;
    } cases[] = {
        {{"--theme", "neon"}, "--theme: neon: テーマ（broadcast、light、classic）でも"},
        {{"--theme", badPath}, "--theme: " + badLine},
        {{"--layout", "sideways"}, "--layout"},
        {{"--theme", "broadcast", "--place", "center"}, "--place"},
    };
    for (const auto& c : cases) {
        const CliResult result = RunCli(QStringList{"frame", matchPath, "1000", out} + c.extra);
        EXPECT_EQ(result.exitCode, 2) << c.says;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_FALSE(QFile::exists(out));
    }
    // A theme file of the user's own.
    const QString themePath = dir.filePath("mine.theme");
    QFile theme(themePath);
    ASSERT_TRUE(theme.open(QIODevice::WriteOnly));
    theme.write("panel = #004000\npanel-opacity = 1\n");
    theme.close();
    const CliResult result = RunCli({"frame", matchPath, "1000", out, "--theme", themePath,
                                     "--size", "1280x720", "--background", "#FFFFFF"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const QImage written(out);
    ASSERT_EQ(written.size(), QSize(1280, 720));
    // The corner's panel in the theme's own colour, fully opaque.
    EXPECT_EQ(written.pixel(1280 * 5 / 100 + 40, 720 * 95 / 100 - 4) | 0xFF000000, 0xFF004000u);
}

} // namespace
