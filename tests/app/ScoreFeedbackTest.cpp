// The window's feedback on the score file: the warnings under the preview, the live reload
// of an edited file, and the reasons in its load and save boxes.

#include "app/MainWindow.h"

#include "EngineLog.h"
#include "ShortMatch.h"
#include "TestSupport.h"
#include "app/Language.h"
#include "app/ScoreWatcher.h"
#include "app/Texts.h"
#include "app/WarningsPanel.h"
#include "score/Loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// kShortMatch with one more dart in player 2's turn: six entries.
constexpr const char* kLongerMatch = "[SETTING]\nGAME=301\nNOCOMP-AVI=1\n\n"
                                     "[DATA]\nR01-1=20,20\nR01-2=5,5\n\n"
                                     "[TIME]\nR01-1=1000,2000\nR01-2=3000,4000\n";

class ScoreFeedbackTest : public testing::Test {
protected:
    void SetUp() override {
        // The window is checked as it reads on a Japanese desktop (the diagnostics themselves
        // are English).
        ASSERT_EQ(SetApplicationLanguage(QStringLiteral("ja")).toStdString(), "ja");
        m_path = m_dir.File("short.txt");
        WriteBytes(m_path, kShortMatch);
        m_window = std::make_unique<MainWindow>();
        m_window->showNotice = [this](const Notice& notice) {
            m_shown.push_back(notice);
            return true;
        };
        m_window->chooseScoreFile = [this](const QString&) {
            return QString::fromStdString(m_openAnswer);
        };
        m_window->chooseVideoFile = [this](const QString&) {
            return QString::fromStdString(m_dir.File("match.avi"));
        };
        m_window->show();
        m_log = std::make_unique<EngineLog>(*m_window->engine());
        QObject::connect(&m_window->scoreWatcher(), &ScoreWatcher::changed,
                         [this] { ++m_changes; });
    }

    void TearDown() override {
        m_log.reset();
        m_window->close();
        m_window.reset();
    }

    MainWindow& Window() { return *m_window; }
    std::string Status() { return Window().statusText().toStdString(); }
    std::vector<std::string> Warnings() {
        std::vector<std::string> lines;
        for (const QString& line : Window().warnings().lines()) {
            lines.push_back(line.toStdString());
        }
        return lines;
    }

    bool IdleAt(const std::string& status) {
        return Window().run() == EngineMode::Idle && Status() == status;
    }

    void Load(const std::string& path) {
        m_openAnswer = path;
        Window().loadButton().click();
    }

    void Settle() {
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(m_log->Settle(*Window().engine()));
        }
    }

    void PressEnter() {
        const std::string before = Status();
        auto* event = new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::postEvent(&Window().recordButton(), event);
        ASSERT_TRUE(WaitUntil([&] { return Status() != before; }));
    }

    // Saves as editors that write a new file and rename it over the old one do.
    void SaveByRename(const std::string& path, const std::string& bytes) {
        const std::string temporary = path + ".new";
        WriteBytes(temporary, bytes);
        ASSERT_EQ(std::rename(temporary.c_str(), path.c_str()), 0);
    }

    TempDir m_dir;
    std::string m_path;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<EngineLog> m_log;
    std::vector<Notice> m_shown;
    std::string m_openAnswer;
    int m_changes = 0;
};

TEST_F(ScoreFeedbackTest, WarningsShowUnderThePreviewWithTheirLinesAndNoBox) {
    const std::string warned = m_dir.File("warned.txt");
    WriteBytes(warned, "[SETTING]\nGAME=301\n\n[DATA]\nR01-1=20,Z5\nR01-2=5,5,5,5\n");
    Load(warned);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt("ラウンド1, プレーヤー1, 0投目 (1/7)"); }));
    EXPECT_TRUE(m_shown.empty());
    EXPECT_TRUE(Window().warnings().isVisible());
    EXPECT_EQ(Warnings(),
              (std::vector<std::string>{
                  "5行目: 投擲 \"Z5\" はボード上のダーツではありません。S0 として数え、得点は "
                  "0 です",
                  "6行目: R01-2 の投擲が 4 個あります。1ターンは3本なので \"5\" は無視します"}));
    const std::string shown = Window().warnings().text().toStdString();
    EXPECT_EQ(shown.rfind("スコアファイルの警告: 2件 — 5行目: ", 0), 0u) << shown;
    EXPECT_EQ(Window().warnings().toolTip(), Window().warnings().lines().join('\n'));
    // It sits between the preview and the status line, which keep their places.
    EXPECT_EQ(Window().size(), QSize(398, 340));
    EXPECT_EQ(Window().warnings().geometry(), QRect(14, 265, 370, 13));
    EXPECT_EQ(Window().statusLine().geometry(), QRect(14, 284, 370, 13));

    // A clean file hides it again.
    Load(m_path);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt(kShortFirstEntry); }));
    EXPECT_FALSE(Window().warnings().isVisible());
    EXPECT_TRUE(Warnings().empty());
    EXPECT_EQ(Window().warnings().text(), QString());
}

TEST_F(ScoreFeedbackTest, LoadAndSaveBoxesSayWhy) {
    Load(m_dir.File("missing.txt"));
    ASSERT_EQ(m_shown.size(), 1u);
    // The reason too is in the window's language.
    EXPECT_EQ(m_shown[0].text.toStdString(), WindowText(kLoadFailedText).toStdString() + "\n" +
                                                 m_dir.File("missing.txt") +
                                                 ": ファイルがありません");
    EXPECT_EQ(m_shown[0].caption.toStdString(), WindowText(kLoadFailedCaption).toStdString());

    Load(m_path);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt(kShortFirstEntry); }));
    ASSERT_EQ(std::remove(m_path.c_str()), 0);
    Window().recordButton().click(); // the confirmation, answered OK
    for (int i = 0; i < 3; ++i) {
        PressEnter();
    }
    ASSERT_TRUE(WaitUntil([&] { return m_shown.size() == 3 && IdleAt(kShortFirstEntry); }));
    EXPECT_EQ(m_shown[2].text.toStdString(),
              WindowText(kSaveErrorText).toStdString() + "\n" + m_path +
                  ": ファイルがなくなっています（読み込み後に移動または削除されました）。"
                  "タイミングは保存されませんでした");
    EXPECT_EQ(m_shown[2].caption.toStdString(), WindowText(kSaveErrorCaption).toStdString());
}

TEST_F(ScoreFeedbackTest, AnEditedFileIsShownAgainKeepingTheEntryShown) {
    Load(m_path);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt(kShortFirstEntry); }));
    // Another entry on show, as a step through the match would leave it.
    Window().engine()->showEntry(2);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt("ラウンド1, プレーヤー1, 2投目 (3/5)"); }));

    WriteBytes(m_path, kLongerMatch); // written in place
    ASSERT_TRUE(WaitUntil([&] { return IdleAt("ラウンド1, プレーヤー1, 2投目 (3/6)"); }));
    EXPECT_EQ(Window().match().count(), 6);
    EXPECT_EQ(Window().match().entries[5].time, 4000);

    // Saved by rename, with an entry fewer than the one shown: the first entry then.
    Window().engine()->showEntry(5);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt("ラウンド1, プレーヤー2, 2投目 (6/6)"); }));
    SaveByRename(m_path, kShortMatch);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt(kShortFirstEntry); }));
    EXPECT_EQ(Window().match().count(), 5);

    // And again after the rename: the new file is watched as well.
    SaveByRename(m_path, kLongerMatch);
    ASSERT_TRUE(WaitUntil([&] { return Window().match().count() == 6; }));
    EXPECT_TRUE(m_shown.empty());
}

TEST_F(ScoreFeedbackTest, ABrokenEditKeepsTheMatchAndSaysWhy) {
    Load(m_path);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt(kShortFirstEntry); }));
    Settle(); // the first entry's picture follows its status
    const size_t pictures = m_log->pictures.size();

    WriteBytes(m_path, "[SETTING]\nGAME=301\n");
    ASSERT_TRUE(WaitUntil([&] { return Window().warnings().isVisible(); }));
    EXPECT_EQ(Warnings(),
              (std::vector<std::string>{
                  "スコアファイルを再読み込みできませんでした。表示中のデータはそのままです。",
                  m_path + ": スコアファイルではありません: [DATA] セクションがありません"}));
    Settle();
    EXPECT_EQ(Window().match().count(), 5);
    EXPECT_TRUE(IdleAt(kShortFirstEntry));
    EXPECT_EQ(m_log->pictures.size(), pictures);
    EXPECT_TRUE(m_shown.empty());

    // Mended, it loads again and the failure goes.
    WriteBytes(m_path, kLongerMatch);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt("ラウンド1, プレーヤー1, 0投目 (1/6)"); }));
    EXPECT_FALSE(Window().warnings().isVisible());
}

TEST_F(ScoreFeedbackTest, AChangeDuringARecordingWaitsForItsEnd) {
    Load(m_path);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt(kShortFirstEntry); }));
    Window().recordButton().click();
    ASSERT_EQ(Window().run(), EngineMode::Recording);
    PressEnter();

    WriteBytes(m_path, kLongerMatch);
    ASSERT_TRUE(WaitUntil([&] { return Window().scoreWatcher().pending(); }));
    Settle();
    EXPECT_EQ(Window().run(), EngineMode::Recording);
    EXPECT_EQ(Window().match().count(), 5);
    EXPECT_EQ(Status(), WindowText(kStatusRecordingPrefix).toStdString() +
                            "ラウンド1, プレーヤー1, 1投目 (2/5)");

    Window().recordButton().click(); // abort
    ASSERT_TRUE(WaitUntil([&] { return IdleAt("ラウンド1, プレーヤー1, 0投目 (1/6)"); }));
    EXPECT_FALSE(Window().scoreWatcher().pending());
}

TEST_F(ScoreFeedbackTest, OurOwnSaveReadsBackWithoutShowingTheMatchAgain) {
    Load(m_path);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt(kShortFirstEntry); }));
    Window().recordButton().click();
    size_t picturesAtTheChange = 0;
    QObject::connect(&Window().scoreWatcher(), &ScoreWatcher::changed,
                     [&] { picturesAtTheChange = m_log->pictures.size(); });
    for (int i = 0; i < 3; ++i) {
        PressEnter();
    }
    ASSERT_TRUE(WaitUntil([&] { return m_shown.size() == 2 && IdleAt(kShortFirstEntry); }));
    EXPECT_EQ(m_shown[1].caption.toStdString(), WindowText(kSavedCaption).toStdString());
    // The save changed the file; once idle, the watcher reports it and the reload finds the
    // match the window holds: nothing is drawn again, no box, no warnings.
    ASSERT_TRUE(WaitUntil([&] { return m_changes == 1; }));
    const Match recorded = Window().match();
    Settle();
    EXPECT_EQ(m_log->pictures.size(), picturesAtTheChange);
    EXPECT_TRUE(SameMatch(Window().match(), recorded));
    EXPECT_EQ(m_shown.size(), 2u);
    EXPECT_FALSE(Window().warnings().isVisible());
    EXPECT_TRUE(IdleAt(kShortFirstEntry));
}

} // namespace
