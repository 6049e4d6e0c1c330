// What an installation holds, checked on a real `cmake --install` into a scratch folder
// and, where the desktop has its own checkers, by those. The Debian package is made from
// the same install rules, so it ships what this tree holds.

#include "TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

RunResult RunTool(const QString& program, const QStringList& args, const std::string& input = {},
                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    RunResult result;
    if (!process.waitForStarted(10000)) {
        result.err = "could not start " + program.toStdString();
        return result;
    }
    process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        result.err = program.toStdString() + " did not finish";
        return result;
    }
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    if (process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    return result;
}

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// The value of key in the desktop entry's main group.
std::string DesktopValue(const fs::path& file, const std::string& key) {
    std::ifstream in(file);
    bool mainGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() == '[') {
            mainGroup = line == "[Desktop Entry]";
        } else if (mainGroup && line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

constexpr const char* kAppId = "org.example.vorlat";

class InstalledTree : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), Q(s_dir->Path()));
        const RunResult install =
            RunTool(QStringLiteral(VORLAT_CMAKE_COMMAND),
                    {QStringLiteral("--install"), QStringLiteral(VORLAT_BUILD_DIR),
                     QStringLiteral("--prefix"), QStringLiteral("/usr")},
                    {}, env);
        s_installLog = install.out + install.err;
        s_installed = install.exitCode == 0;
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override { ASSERT_TRUE(s_installed) << s_installLog; }

    static fs::path Usr() { return s_dir->Path() / "usr"; }
    static fs::path Share() { return Usr() / "share"; }
    static fs::path DesktopFile() {
        return Share() / "applications" / (std::string(kAppId) + ".desktop");
    }
    static fs::path ManPage() { return Share() / "man/man1/vorlat-cli.1.gz"; }

    static inline std::unique_ptr<TempDir> s_dir;
    static inline bool s_installed = false;
    static inline std::string s_installLog;
};

TEST_F(InstalledTree, HoldsProgramsEntryMetainfoManPageAndExamples) {
    for (const char* program : {"vorlat", "vorlat-cli"}) {
        const fs::path path = Usr() / "bin" / program;
        ASSERT_TRUE(fs::is_regular_file(path)) << path;
        EXPECT_NE(fs::status(path).permissions() & fs::perms::others_exec, fs::perms::none) << path;
    }
    EXPECT_TRUE(fs::is_regular_file(DesktopFile()));
    EXPECT_TRUE(
        fs::is_regular_file(Share() / "metainfo" / (std::string(kAppId) + ".metainfo.xml")));
    EXPECT_TRUE(fs::is_regular_file(ManPage()));

    // Every example, byte for byte, and nothing else in its folder.
    const fs::path installed = Share() / "doc/vorlat/examples";
    std::vector<std::string> expected;
    for (const auto& entry : fs::directory_iterator(VORLAT_EXAMPLES_DIR)) {
        const fs::path copy = installed / entry.path().filename();
        expected.push_back(copy.string());
        if (fs::exists(copy)) {
            EXPECT_EQ(ReadBytes(copy.string()), ReadBytes(entry.path().string())) << copy;
        }
    }
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(installed)) {
        found.push_back(entry.path().string());
    }
    std::sort(expected.begin(), expected.end());
    std::sort(found.begin(), found.end());
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(found, expected);
}

// The installed command-line program runs on its own, without the build folder.
TEST_F(InstalledTree, CommandLineProgramRunsFromTheTree) {
    const std::string picture = (s_dir->Path() / "title.png").string();
    const RunResult title = RunTool(Q(Usr() / "bin/vorlat-cli"),
                                    {QStringLiteral("title"), QString::fromStdString(picture)});
    ASSERT_EQ(title.exitCode, 0) << title.err;
    const RunResult kind =
        RunTool(QStringLiteral("file"), {QStringLiteral("-b"), QString::fromStdString(picture)});
    EXPECT_EQ(kind.out.rfind("PNG image data, 320 x 240,", 0), 0u) << kind.out;
}

// The icon the desktop entry names exists in every theme size, each a PNG of that size
// (as an independent reader sees it).
TEST_F(InstalledTree, IconInEverySizeTheEntryNames) {
    const std::string icon = DesktopValue(DesktopFile(), "Icon");
    ASSERT_FALSE(icon.empty());
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string dim = std::to_string(size) + "x" + std::to_string(size);
        const fs::path png = Share() / "icons/hicolor" / dim / "apps" / (icon + ".png");
        ASSERT_TRUE(fs::is_regular_file(png)) << png;
        const RunResult kind = RunTool(QStringLiteral("file"), {QStringLiteral("-b"), Q(png)});
        const std::string expected =
            "PNG image data, " + std::to_string(size) + " x " + std::to_string(size) + ",";
        EXPECT_EQ(kind.out.rfind(expected, 0), 0u) << png << ": " << kind.out;
    }
}

// The entry passes the desktop's checker, starts an installed program and hands it the
// file that "Open with" chose.
TEST_F(InstalledTree, DesktopEntryIsValidAndOpensFiles) {
    const RunResult check = RunTool(QStringLiteral("desktop-file-validate"), {Q(DesktopFile())});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(check.out + check.err, "");

    const QStringList exec =
        QString::fromStdString(DesktopValue(DesktopFile(), "Exec")).split(QLatin1Char(' '));
    ASSERT_FALSE(exec.isEmpty());
    EXPECT_TRUE(fs::is_regular_file(Usr() / "bin" / exec.front().toStdString()))
        << exec.front().toStdString();
    EXPECT_TRUE(exec.contains(QStringLiteral("%f")) || exec.contains(QStringLiteral("%F")))
        << exec.join(QLatin1Char(' ')).toStdString();
}

// The metainfo passes AppStream's checker, which on the whole tree also finds the desktop
// entry its launchable names.
TEST_F(InstalledTree, MetainfoIsValidAndFindsItsDesktopEntry) {
    const RunResult check =
        RunTool(QStringLiteral("appstreamcli"),
                {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), Q(s_dir->Path())});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(check.out.find("W:"), std::string::npos) << check.out;
}

// groff formats the page without a warning, and the page's synopsis has every command the
// installed program's usage lists.
TEST_F(InstalledTree, ManPageFormatsCleanlyAndCoversEveryCommand) {
    const RunResult unzipped =
        RunTool(QStringLiteral("gzip"), {QStringLiteral("-dc"), Q(ManPage())});
    ASSERT_EQ(unzipped.exitCode, 0) << unzipped.err;
    const RunResult page =
        RunTool(QStringLiteral("groff"),
                {QStringLiteral("-t"), QStringLiteral("-man"), QStringLiteral("-Tutf8"),
                 QStringLiteral("-ww"), QStringLiteral("-P-cbou")},
                unzipped.out);
    ASSERT_EQ(page.exitCode, 0) << page.err;
    EXPECT_EQ(page.err, "");

    const RunResult usage = RunTool(Q(Usr() / "bin/vorlat-cli"), {});
    const QRegularExpression command(QStringLiteral("vorlat-cli ([a-z][a-z-]*)"));
    QStringList commands;
    for (const auto& match : command.globalMatch(QString::fromStdString(usage.err + usage.out))) {
        commands << match.captured(1);
    }
    EXPECT_FALSE(commands.isEmpty()) << usage.err;
    const QString text = QString::fromStdString(page.out);
    const qsizetype synopsisStart = text.indexOf(QStringLiteral("SYNOPSIS"));
    ASSERT_GE(synopsisStart, 0) << page.out;
    const QString synopsis =
        text.mid(synopsisStart, text.indexOf(QStringLiteral("DESCRIPTION")) - synopsisStart);
    for (const QString& name : commands) {
        const QRegularExpression described(QStringLiteral("vorlat-cli %1\\b").arg(name));
        EXPECT_TRUE(synopsis.contains(described))
            << "vorlat-cli " << name.toStdString() << " is missing from the synopsis";
    }
}

} // namespace
