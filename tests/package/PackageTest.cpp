// What an installation holds, checked on a real `cmake --install` into a scratch folder
// and, where the desktop has its own checkers, by those. The Debian package is made from
// the same install rules, so it ships what this tree holds.

#include "RunProgramQt.h"
#include "TestSupport.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

RunResult RunTool(const QString& program, const QStringList& args, const std::string& input = {},
                  const std::vector<std::string>& env = {}) {
    RunOptions options;
    options.input = input;
    options.env = env;
    return RunProgram(program, args, options);
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
        const std::vector<std::string> env{"DESTDIR=" + s_dir->Path().string()};
        const RunResult install =
            RunTool(QStringLiteral(VORLAT_CMAKE_COMMAND),
                    {QStringLiteral("--install"), QStringLiteral(VORLAT_BUILD_DIR),
                     QStringLiteral("--prefix"), QStringLiteral("/usr")},
                    {}, env);
        s_installLog = install.out + install.err;
        s_installed = install.status == 0;
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override { ASSERT_TRUE(s_installed) << s_installLog; }

    static fs::path Usr() { return s_dir->Path() / "usr"; }
    static fs::path Share() { return Usr() / "share"; }
    static fs::path DesktopFile() {
        return Share() / "applications" / (std::string(kAppId) + ".desktop");
    }
    static fs::path ManPage(const std::string& name = "vorlat-cli") {
        return Share() / "man/man1" / (name + ".1.gz");
    }
    // The page as a reader sees it, plain text; empty (with a failed expectation) on error.
    static std::string ManPageSource(const std::string& name) {
        const RunResult unzipped =
            RunTool(QStringLiteral("gzip"), {QStringLiteral("-dc"), Q(ManPage(name))});
        EXPECT_EQ(unzipped.status, 0) << unzipped.err;
        return unzipped.out;
    }
    static std::string RenderedManPage(const std::string& name) {
        const RunResult page =
            RunTool(QStringLiteral("groff"),
                    {QStringLiteral("-t"), QStringLiteral("-man"), QStringLiteral("-Tutf8"),
                     QStringLiteral("-ww"), QStringLiteral("-P-cbou")},
                    ManPageSource(name));
        EXPECT_EQ(page.status, 0) << page.err;
        EXPECT_EQ(page.err, "") << name;
        return page.out;
    }

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
    EXPECT_TRUE(fs::is_regular_file(ManPage("vorlat")));

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
    ASSERT_EQ(title.status, 0) << title.err;
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

// The two smallest sizes are the pictures drawn for them, not the master scaled down.
TEST_F(InstalledTree, SmallIconsAreTheOnesDrawnForTheirSize) {
    for (int size : {16, 32}) {
        const std::string dim = std::to_string(size) + "x" + std::to_string(size);
        const fs::path installed = Share() / "icons/hicolor" / dim / "apps/vorlat.png";
        const std::string drawn =
            ReadBytes(std::string(VORLAT_RES_DIR) + "/icon-" + std::to_string(size) + ".png");
        ASSERT_FALSE(drawn.empty()) << size;
        EXPECT_EQ(ReadBytes(installed.string()), drawn) << installed;
    }
}

// The score file type: installed, read by the desktop's MIME database, and telling a score
// file (any name) from other text; the desktop entry offers Vorlat for it and for nothing
// else.
TEST_F(InstalledTree, ScoreFilesHaveTheirOwnTypeAndTheEntryOpensOnlyThem) {
    constexpr const char* kType = "application/x-vorlat-score";
    EXPECT_EQ(DesktopValue(DesktopFile(), "MimeType"), std::string(kType) + ";");
    const fs::path mime = Share() / "mime";
    ASSERT_TRUE(fs::is_regular_file(mime / "packages" / (std::string(kAppId) + ".xml")));
    // The database as a desktop builds it from the packages of this tree and the system's.
    const fs::path database = s_dir->Path() / "mime-db";
    fs::create_directories(database / "mime/packages");
    fs::copy(mime / "packages", database / "mime/packages",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    if (fs::exists("/usr/share/mime/packages/freedesktop.org.xml")) {
        fs::copy_file("/usr/share/mime/packages/freedesktop.org.xml",
                      database / "mime/packages/freedesktop.org.xml",
                      fs::copy_options::overwrite_existing);
    }
    const RunResult update =
        RunTool(QStringLiteral("update-mime-database"), {Q(database / "mime")});
    ASSERT_EQ(update.status, 0) << update.out << update.err;

    const fs::path files = s_dir->Path() / "typed";
    fs::create_directories(files);
    const struct {
        const char* name;
        std::string bytes;
        std::string type;
    } cases[] = {
        {"match.txt", "[SETTING]\r\nGAME=501\r\n\r\n[DATA]\r\nR01-1=T20,20,5\r\n", kType},
        {"match-without-setting.txt", "[DATA]\nR01-1=20\nR01-2=19\n", kType},
        {"notes.txt", "Shopping list\nbread\nmilk\n", "text/plain"},
        {"half.txt", "[DATA]\nnothing here yet\n", "text/plain"},
        {"ini.txt", "[SETTING]\nGAME=501\n", "text/plain"},
    };
    const std::vector<std::string> env{"XDG_DATA_DIRS=" + database.string(),
                                       "XDG_DATA_HOME=" +
                                           (s_dir->Path() / "no-user-data").string()};
    for (const auto& c : cases) {
        const fs::path file = files / c.name;
        WriteBytes(file.string(), c.bytes);
        const RunResult info = RunTool(QStringLiteral("gio"),
                                       {QStringLiteral("info"), QStringLiteral("-a"),
                                        QStringLiteral("standard::content-type"), Q(file)},
                                       {}, env);
        ASSERT_EQ(info.status, 0) << info.err;
        EXPECT_NE(info.out.find("standard::content-type: " + c.type + "\n"), std::string::npos)
            << c.name << ":\n"
            << info.out;
    }
}

// The entry passes the desktop's checker, starts an installed program and hands it the
// file that "Open with" chose.
TEST_F(InstalledTree, DesktopEntryIsValidAndOpensFiles) {
    const RunResult check = RunTool(QStringLiteral("desktop-file-validate"), {Q(DesktopFile())});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
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
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_EQ(check.out.find("W:"), std::string::npos) << check.out;
}

// groff formats the page without a warning, and the page's synopsis has every command the
// installed program's usage lists.
TEST_F(InstalledTree, ManPageFormatsCleanlyAndCoversEveryCommand) {
    const RunResult unzipped =
        RunTool(QStringLiteral("gzip"), {QStringLiteral("-dc"), Q(ManPage())});
    ASSERT_EQ(unzipped.status, 0) << unzipped.err;
    const RunResult page =
        RunTool(QStringLiteral("groff"),
                {QStringLiteral("-t"), QStringLiteral("-man"), QStringLiteral("-Tutf8"),
                 QStringLiteral("-ww"), QStringLiteral("-P-cbou")},
                unzipped.out);
    ASSERT_EQ(page.status, 0) << page.err;
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

// The options a program's text lists for each of its commands: a line "  vorlat-cli NAME ..."
// (or "usage: vorlat-cli NAME ...") starts a command and more-indented lines go on with it,
// as both the usage text and the manual page's synopsis are laid out.
std::map<std::string, QSet<QString>> OptionsByCommand(const std::string& text,
                                                      const QString& program) {
    static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
    static const QRegularExpression nonBlank(QStringLiteral("\\S"));
    const QRegularExpression start(QStringLiteral("^(\\s*)(?:usage: )?") +
                                   QRegularExpression::escape(program) +
                                   QStringLiteral(" ([a-z][a-z-]*)"));
    std::map<std::string, QSet<QString>> options;
    std::string command;
    qsizetype indent = -1;
    for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch begins = start.match(line);
        if (begins.hasMatch()) {
            command = begins.captured(2).toStdString();
            indent = begins.captured(1).size();
            options[command];
        } else if (command.empty() || line.indexOf(nonBlank) <= indent) {
            command.clear();
            continue;
        }
        for (const auto& found : option.globalMatch(line)) {
            options[command].insert(found.captured(0));
        }
    }
    return options;
}

// The section of a rendered manual page from its heading to the next one.
std::string Section(const std::string& page, const std::string& heading) {
    const size_t start = page.find("\n" + heading + "\n");
    if (start == std::string::npos) {
        return {};
    }
    size_t end = page.find('\n', start + 1);
    while (end != std::string::npos && end + 1 < page.size() &&
           !(page[end + 1] >= 'A' && page[end + 1] <= 'Z')) {
        end = page.find('\n', end + 1);
    }
    return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The options that the page's source describes in paragraphs of their own: those named by
// the tag line after each .TP ("\\-\\-scale", ".BR \\-\\-help \", \" \\-h").
QSet<QString> DescribedOptions(const std::string& source) {
    static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
    QSet<QString> options;
    const QStringList lines = QString::fromStdString(source).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].trimmed() != QLatin1String(".TP")) {
            continue;
        }
        const QString tag = QString(lines[i + 1]).replace(QLatin1String("\\-"), QLatin1String("-"));
        for (const auto& found : option.globalMatch(tag)) {
            options.insert(found.captured(0));
        }
    }
    return options;
}

std::string Listed(const QSet<QString>& options) {
    QStringList sorted(options.begin(), options.end());
    sorted.sort();
    return sorted.join(QLatin1Char(' ')).toStdString();
}

// For every command, the options that --help lists are those the command's own usage line
// gives, those of the page's synopsis, and those the page describes: no more, no fewer.
TEST_F(InstalledTree, CommandLineManPageDocumentsExactlyTheOptionsOfHelp) {
    const QString cli = Q(Usr() / "bin/vorlat-cli");
    const RunResult help = RunTool(cli, {QStringLiteral("--help")});
    ASSERT_EQ(help.status, 0) << help.err;
    const auto helped = OptionsByCommand(help.out, QStringLiteral("vorlat-cli"));
    const std::vector<std::string> commands = {"dump",  "frame", "title", "export",
                                               "check", "stats", "burn"};
    for (const std::string& command : commands) {
        EXPECT_TRUE(helped.count(command)) << command << " is missing from --help:\n" << help.out;
    }

    const std::string page = RenderedManPage("vorlat-cli");
    const auto synopsis = OptionsByCommand(Section(page, "SYNOPSIS"), QStringLiteral("vorlat-cli"));
    QSet<QString> everyOption = {QStringLiteral("--help"), QStringLiteral("--version")};
    for (const auto& [command, options] : helped) {
        ASSERT_TRUE(synopsis.count(command)) << command << " is missing from the synopsis";
        EXPECT_EQ(Listed(synopsis.at(command)), Listed(options)) << command;
        everyOption.unite(options);
        // Its own usage, on a command line it cannot run, says the same.
        const RunResult usage = RunTool(cli, {QString::fromStdString(command)});
        EXPECT_EQ(usage.status, 2) << command;
        const auto own = OptionsByCommand(usage.err, QStringLiteral("vorlat-cli"));
        ASSERT_TRUE(own.count(command)) << command << ":\n" << usage.err;
        EXPECT_EQ(Listed(own.at(command)), Listed(options)) << command << ":\n" << usage.err;
    }
    EXPECT_TRUE(help.out.find("--help") != std::string::npos &&
                help.out.find("--version") != std::string::npos);
    EXPECT_EQ(Listed(DescribedOptions(ManPageSource("vorlat-cli"))), Listed(everyOption));
}

// The window program's page: it formats cleanly and describes exactly the options its
// --help lists, which it prints without a display.
TEST_F(InstalledTree, WindowProgramsManPageDocumentsExactlyTheOptionsOfHelp) {
    const std::vector<std::string> env{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                       "LANG=C.UTF-8"};
    const RunResult help = RunTool(Q(Usr() / "bin/vorlat"), {QStringLiteral("--help")}, {}, env);
    ASSERT_EQ(help.status, 0) << help.err;
    QSet<QString> helped;
    static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
    for (const auto& found : option.globalMatch(QString::fromStdString(help.out))) {
        helped.insert(found.captured(0));
    }
    EXPECT_TRUE(helped.contains(QStringLiteral("--footage"))) << help.out;
    const std::string page = RenderedManPage("vorlat");
    EXPECT_NE(page.find("vorlat [SCORE.txt]"), std::string::npos) << page;
    EXPECT_EQ(Listed(DescribedOptions(ManPageSource("vorlat"))), Listed(helped)) << help.out;
}

} // namespace
