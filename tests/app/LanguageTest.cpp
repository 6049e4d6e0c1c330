// The language the programs speak: chosen from the user's languages, the window's texts and
// Qt's own in it, and the locale variables of the environment deciding for both programs.

#include "app/Language.h"
#include "ClassicTexts.h"
#include "EngineLog.h"
#include "RunProgramQt.h"
#include "ShortMatch.h"
#include "TestSupport.h"
#include "app/ExportDialog.h"
#include "app/MainWindow.h"
#include "app/Texts.h"
#include "score/Loader.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

TEST(Language, FirstSpokenLanguageOfTheUsersWins) {
    struct Case {
        QStringList uiLanguages;
        const char* chosen;
    };
    const Case cases[] = {
        {{"ja-JP", "ja"}, "ja"},
        {{"ja"}, "ja"},
        {{"ja_JP.UTF-8"}, "ja"},
        {{"fr-FR", "fr", "ja-JP"}, "ja"}, // no French texts: the next language asked for
        {{"en-GB", "ja-JP"}, "en"},       // English asked for before Japanese
        {{"de-DE"}, "en"},
        {{"C"}, "en"},
        {{}, "en"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseLanguage(c.uiLanguages).toStdString(), c.chosen)
            << c.uiLanguages.join(QLatin1Char(':')).toStdString();
    }
}

// The window and Qt's own buttons in one language, never a mix.
TEST(Language, WindowAndQtSpeakTheChosenLanguage) {
    struct Case {
        const char* language;
        const char* title;
        const char* loadCaption;
        const char* noDataText;
        const char* cancel; // Qt's own Cancel button
    };
    const Case cases[] = {
        {"ja", classic::kWindowTitle, classic::kCaptionLoad, classic::kNoDataText, "キャンセル"},
        {"en", "Vorlat  Darts Score Video Maker", "Load score file",
         "There is no score data.\n\nLoad a score file first.", "Cancel"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(SetApplicationLanguage(QString::fromLatin1(c.language)).toStdString(),
                  c.language);
        MainWindow window;
        std::vector<Notice> notices;
        window.showNotice = [&](const Notice& notice) {
            notices.push_back(notice);
            return false;
        };
        EXPECT_EQ(window.windowTitle().toStdString(), c.title) << c.language;
        EXPECT_EQ(window.loadButton().text().toStdString(), c.loadCaption) << c.language;
        window.recordButton().click();
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].text.toStdString(), c.noDataText) << c.language;

        // Every caption a button can show fits it in this language too.
        const QFontMetrics metrics(window.font());
        for (const char* caption : {kCaptionLoad, kCaptionRecord, kCaptionRecordStop,
                                    kCaptionExport, kCaptionExportStop}) {
            EXPECT_LT(metrics.horizontalAdvance(WindowText(caption)), window.loadButton().width())
                << c.language << ": " << caption;
        }

        QMessageBox box(QMessageBox::Information, QString(), QString(),
                        QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')).toStdString(),
                  c.cancel)
            << c.language;
    }
}

// The texts that were English on a Japanese desktop: "Blog", the entry line, the player's
// button and the export dialog's places and backgrounds.
TEST(Language, JapaneseWindowHasNoEnglishLeftOver) {
    ASSERT_EQ(SetApplicationLanguage(QStringLiteral("ja")).toStdString(), "ja");
    TempDir dir;
    const std::string score = dir.File("short.txt");
    WriteBytes(score, kShortMatch);
    {
        MainWindow window;
        window.show();
        std::vector<std::string> labels;
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            labels.push_back(label->text().toStdString());
        }
        EXPECT_NE(std::find(labels.begin(), labels.end(), "ブログ"), labels.end());
        EXPECT_EQ(std::find(labels.begin(), labels.end(), "Blog"), labels.end());
        EXPECT_EQ(window.playerButton().text().toStdString(), "プレーヤー...");
        ASSERT_TRUE(window.openScore(QString::fromStdString(score)));
        ASSERT_TRUE(
            WaitUntil([&] { return window.statusText().toStdString() == kShortFirstEntry; }));
        EXPECT_EQ(window.statusText().toStdString().rfind("ラウンド1, プレーヤー1, ", 0), 0u);
    }

    ExportDialog dialog(ExportSettings::presets()[2].settings);
    QStringList words;
    for (QComboBox* box : {&dialog.placeBox(), &dialog.backgroundBox()}) {
        for (int i = 0; i < box->count(); ++i) {
            words << box->itemText(i);
        }
    }
    EXPECT_EQ(words.join(QLatin1Char('/')).toStdString(),
              "左下/右下/左上/右上/中央/スコアボードの画像/透過/キー色");
    ASSERT_EQ(SetApplicationLanguage(QStringLiteral("en")).toStdString(), "en");
}

// Every text of the window, through the compiled translation, against the program's own
// bytes; in English each is its source text.
TEST(Language, EveryWindowTextHasItsClassicJapanese) {
    const std::pair<const char*, const char*> texts[] = {
        {kWindowTitle, classic::kWindowTitle},
        {kCaptionLoad, classic::kCaptionLoad},
        {kCaptionRecord, classic::kCaptionRecord},
        {kCaptionRecordStop, classic::kCaptionRecordStop},
        {kCaptionExport, classic::kCaptionExport},
        {kCaptionExportStop, classic::kCaptionExportStop},
        {kScoreFilter, classic::kScoreFilter},
        {kVideoFilter, classic::kVideoFilter},
        {kStatusRecordingStart, classic::kStatusRecordingStart},
        {kStatusRecordingPrefix, classic::kStatusRecordingPrefix},
        {kStatusExportCancelled, classic::kStatusExportCancelled},
        {kStatusExportFinished, classic::kStatusExportFinished},
        {kNoDataText, classic::kNoDataText},
        {kNoDataCaption, classic::kNoDataCaption},
        {kRecordConfirmText, classic::kRecordConfirmText},
        {kRecordConfirmCaption, classic::kRecordConfirmCaption},
        {kSavedText, classic::kSavedText},
        {kSavedCaption, classic::kSavedCaption},
        {kSaveErrorText, classic::kSaveErrorText},
        {kSaveErrorCaption, classic::kSaveErrorCaption},
        {kExportDoneText, classic::kExportDoneText},
        {kExportDoneCaption, classic::kExportDoneCaption},
        {kExportErrorText, classic::kExportErrorText},
        {kExportErrorCaption, classic::kExportErrorCaption},
        {kLoadFailedText, kLoadErrorText},
        {kLoadFailedCaption, kLoadErrorCaption},
    };
    ASSERT_EQ(SetApplicationLanguage(QStringLiteral("ja")).toStdString(), "ja");
    for (const auto& [english, japanese] : texts) {
        EXPECT_EQ(WindowText(english).toStdString(), japanese) << english;
    }
    ASSERT_EQ(SetApplicationLanguage(QStringLiteral("en")).toStdString(), "en");
    for (const auto& [english, japanese] : texts) {
        EXPECT_EQ(WindowText(english).toStdString(), english);
    }
}

struct ProcessRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs program under exactly the locale variables given, none inherited.
ProcessRun RunWithLocale(const char* program, const QStringList& args,
                         const std::vector<std::pair<QString, QString>>& locale) {
    RunOptions options;
    options.env = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG", "QT_QPA_PLATFORM=offscreen"};
    for (const auto& [name, value] : locale) {
        options.env.push_back((name + QLatin1Char('=') + value).toStdString());
    }
    // A runtime folder of its own, as a desktop session gives: no instance runs there.
    static const QTemporaryDir runtime;
    options.env.push_back("XDG_RUNTIME_DIR=" + runtime.path().toStdString());
    const RunResult ran = RunProgram(QString::fromUtf8(program), args, options);
    return {ran.status, ran.out, ran.err};
}

TEST(Language, LocaleVariablesChooseForBothPrograms) {
    using Vars = std::vector<std::pair<QString, QString>>;
    struct Case {
        Vars vars;
        bool japanese;
    };
    const QString ja = QStringLiteral("ja_JP.UTF-8");
    const QString en = QStringLiteral("en_US.UTF-8");
    const Case cases[] = {
        {{{"LANG", ja}}, true},
        {{{"LANG", en}}, false},
        {{{"LANG", "C.UTF-8"}}, false},
        {{}, false},
        {{{"LC_ALL", ja}, {"LANG", en}}, true},
        {{{"LC_MESSAGES", ja}, {"LANG", en}}, true},
        {{{"LC_ALL", en}, {"LANG", ja}}, false},
        {{{"LANGUAGE", "ja"}, {"LANG", en}}, true},
        {{{"LANGUAGE", "en:ja"}, {"LANG", ja}}, false},
        {{{"LANGUAGE", "fr:ja"}, {"LANG", en}}, true},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    for (const Case& c : cases) {
        std::string vars;
        for (const auto& [name, value] : c.vars) {
            vars += (name + QLatin1Char('=') + value + QLatin1Char(' ')).toStdString();
        }
        const ProcessRun help = RunWithLocale(VORLAT_GUI_PATH, {QStringLiteral("--help")}, c.vars);
        EXPECT_EQ(help.exitCode, 0) << vars;
        const std::string description =
            c.japanese ? "ダーツの試合のスコアファイルからスコアボードの動画を作ります。"
                       : "Turns the score file of a darts match into a scoreboard video.";
        EXPECT_NE(help.out.find(description), std::string::npos) << vars << help.out;

        const ProcessRun load =
            RunWithLocale(VORLAT_CLI_PATH, {QStringLiteral("dump"), missing}, c.vars);
        EXPECT_EQ(load.exitCode, 1) << vars;
        // The program's own text first, then the file and the reason, both in one language.
        const std::string reason =
            missing.toStdString() + (c.japanese ? ": ファイルがありません\n" : ": no such file\n");
        EXPECT_EQ(load.err, (c.japanese ? "スコアファイルの読み込みができませんでした。\n"
                                        : "Could not read the score file.\n") +
                                reason)
            << vars;
    }
}

// The window program's help and version need no display: they are printed before anything
// of the desktop is touched.
TEST(CommandLine, WindowProgramsHelpAndVersionWorkWithoutADisplay) {
    RunOptions options;
    options.env = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "LANG=C.UTF-8"};
    const struct {
        const char* arg;
        const char* out;
    } cases[] = {{"--help", "Usage: "}, {"-h", "Usage: "}, {"--version", "vorlat " VORLAT_VERSION}};
    for (const auto& c : cases) {
        const RunResult ran = RunProgram(std::string(VORLAT_GUI_PATH), {c.arg}, options);
        EXPECT_EQ(ran.status, 0) << c.arg << ran.err;
        EXPECT_EQ(ran.out.rfind(c.out, 0), 0u) << c.arg;
    }
    // In the user's language there too.
    options.env.push_back("LANGUAGE=ja");
    const RunResult ran = RunProgram(std::string(VORLAT_GUI_PATH), {"--help"}, options);
    EXPECT_EQ(ran.status, 0);
    EXPECT_NE(ran.out.find("ダーツの試合のスコアファイルからスコアボードの動画を作ります。"),
              std::string::npos);
}

// Runs `vorlat-cli check` on a file whose name may hold any byte, under the given language;
// with output, its standard output goes there instead of being read.
ProcessRun Check(const std::string& path, const char* language, const std::string& output = {}) {
    const std::string command = std::string("env -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 LANGUAGE=") +
                                language + " '" + VORLAT_CLI_PATH + "' check '" + path + "'" +
                                (output.empty() ? std::string() : " >'" + output + "'");
    const RunResult ran = RunShell(command);
    return {ran.status, ran.out, ran.err};
}

bool IsCleanUtf8(const std::string& text) {
    for (unsigned char c : text) {
        if ((c < 0x20 && c != '\n') || c == 0x7F) {
            return false;
        }
    }
    return QString::fromUtf8(text).toUtf8().toStdString() == text;
}

// A file's bytes that are no text (a Shift-JIS value, a terminal's escape sequence, a broken
// sequence in the file's own name) reach the terminal as \xNN, never as they are; the
// messages are in the user's language.
TEST(CheckReport, BytesThatAreNoTextArePrintedAsEscapesInEitherLanguage) {
    TempDir dir;
    const std::string path = dir.File("bad\xFE.txt");
    WriteBytes(path, "[SETTING]\nGAME=\x83\x5F\x83\x63\n[DATA]\nR01-1=T20,Z\xFF\x1B[2J5\n");
    const std::string shownPath = dir.File("bad\\xFE.txt");
    const struct {
        const char* language;
        std::string game; // the GAME line's message
        std::string throwText;
    } cases[] = {
        {"en", "GAME \"\\x83_\\x83c\" is not 301",
         "throw \"Z\\xFF\\x1B[2J5\" is not a dart on the board"},
        {"ja", "GAME \"\\x83_\\x83c\" は 301、501",
         "投擲 \"Z\\xFF\\x1B[2J5\" はボード上のダーツではありません"},
    };
    for (const auto& c : cases) {
        const ProcessRun run = Check(path, c.language);
        EXPECT_EQ(run.exitCode, 0) << c.language << run.err;
        EXPECT_TRUE(IsCleanUtf8(run.out)) << run.out;
        EXPECT_NE(run.out.find(shownPath + ":2: warning: " + c.game), std::string::npos)
            << c.language << "\n"
            << run.out;
        EXPECT_NE(run.out.find(shownPath + ":4: warning: " + c.throwText), std::string::npos)
            << c.language << "\n"
            << run.out;
    }
    // A file that does not load says why in the user's language, its name escaped too.
    const ProcessRun missing = Check(dir.File("gone\x1B.txt"), "ja");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, dir.File("gone\\x1B.txt") + ": error: ファイルがありません\n");
    // Output that cannot be written is said in the user's language too.
    if (std::filesystem::exists("/dev/full")) {
        const ProcessRun full = Check(path, "ja", "/dev/full");
        EXPECT_EQ(full.exitCode, 1);
        EXPECT_EQ(full.err, "vorlat-cli check: 出力を書き込めませんでした\n");
    }
}

TEST(CommandLine, HelpAndVersionOfBothPrograms) {
    struct Case {
        const char* program;
        QStringList args;
        int exitCode;
        std::string out; // stdout begins with this
        std::string err; // stderr holds this
    };
    const std::string version = VORLAT_VERSION;
    const Case cases[] = {
        {VORLAT_GUI_PATH, {"--version"}, 0, "vorlat " + version + "\n", ""},
        {VORLAT_GUI_PATH, {"-v"}, 0, "vorlat " + version + "\n", ""},
        {VORLAT_GUI_PATH, {"--help"}, 0, "Usage: ", ""},
        {VORLAT_GUI_PATH, {"--no-such-option"}, 1, "", "no-such-option"},
        {VORLAT_GUI_PATH, {"a.txt", "b.txt"}, 1, "", "one score file at most"},
        {VORLAT_CLI_PATH, {"--version"}, 0, "vorlat-cli " + version + "\n", ""},
        {VORLAT_CLI_PATH, {"--help"}, 0, "Makes the pictures", ""},
        {VORLAT_CLI_PATH, {}, 2, "", "usage:\n  vorlat-cli dump SCORE.txt\n"},
        {VORLAT_CLI_PATH, {"--no-such-option"}, 2, "", "usage:\n"},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.program) + " " + c.args.join(' ').toStdString();
        const ProcessRun run = RunWithLocale(c.program, c.args, {{"LANG", "C.UTF-8"}});
        EXPECT_EQ(run.exitCode, c.exitCode) << what;
        EXPECT_EQ(run.out.rfind(c.out, 0), 0u) << what << "\n" << run.out;
        if (c.exitCode == 0) {
            EXPECT_EQ(run.err, "") << what;
        }
        EXPECT_NE(run.err.find(c.err), std::string::npos) << what << "\n" << run.err;
    }
    // The help names the file argument and both options, and the companion's every command.
    const ProcessRun gui = RunWithLocale(VORLAT_GUI_PATH, {QStringLiteral("--help")}, {});
    for (const char* part : {"[SCORE.txt]", "--help", "--version"}) {
        EXPECT_NE(gui.out.find(part), std::string::npos) << part << "\n" << gui.out;
    }
    const ProcessRun cli = RunWithLocale(VORLAT_CLI_PATH, {QStringLiteral("--help")}, {});
    for (const char* part : {"vorlat-cli dump", "vorlat-cli frame", "vorlat-cli title",
                             "vorlat-cli export", "--help | --version"}) {
        EXPECT_NE(cli.out.find(part), std::string::npos) << part << "\n" << cli.out;
    }
}

} // namespace
