#include "app/MainWindow.h"

#include "ClassicTexts.h"
#include "EngineLog.h"
#include "ShortMatch.h"
#include "TestSupport.h"
#include "app/Language.h"
#include "app/LinkLabel.h"
#include "app/PlayerWindow.h"
#include "app/PreviewWidget.h"
#include "render/Renderer.h"
#include "score/Loader.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace classic;

// A message box as the test answered it.
struct Shown {
    Notice notice;
    std::string status;      // the status line while the box was open
    bool recordStop = false; // the record button still offered to stop a recording
    bool exportStop = false; // the export button still offered to stop an export
};

void ExpectNotice(const Shown& shown, const char* text, const char* caption, Notice::Icon icon,
                  bool withCancel = false) {
    EXPECT_EQ(shown.notice.text.toStdString(), text);
    EXPECT_EQ(shown.notice.caption.toStdString(), caption);
    EXPECT_EQ(shown.notice.icon, icon);
    EXPECT_EQ(shown.notice.withCancel, withCancel);
}

std::string FirstEntryOf(int count) {
    return "ラウンド1, プレーヤー1, 0投目 (1/" + std::to_string(count) + ")";
}

// A key press for postEvent, which takes it over.
QKeyEvent* Key(int key, uint64_t timestamp = 0) {
    auto* event = new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier);
    event->setTimestamp(timestamp);
    return event;
}

// A key press handled at once.
void SendKey(QObject* target, int key, uint64_t timestamp = 0) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    event.setTimestamp(timestamp);
    QCoreApplication::sendEvent(target, &event);
}

// Blocks the window's thread in every paint of the widget it watches, as a slow repaint
// would.
class SlowPaint : public QObject {
public:
    explicit SlowPaint(int ms) : m_ms(ms) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            QThread::msleep(m_ms);
        }
        return false;
    }

private:
    int m_ms;
};

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        // These tests check the window as it looks on a Japanese desktop.
        ASSERT_EQ(SetApplicationLanguage(QStringLiteral("ja")).toStdString(), "ja");
        m_shortPath = m_dir.File("short.txt");
        WriteBytes(m_shortPath, kShortMatch);
        m_longPath = m_dir.File("501-timed.txt");
        ASSERT_TRUE(QFile::copy(QStringLiteral(VORLAT_EXAMPLES_DIR "/501-timed.txt"),
                                QString::fromStdString(m_longPath)));
        m_videoPath = m_dir.File("match.avi");

        m_window = std::make_unique<MainWindow>();
        m_window->showNotice = [this](const Notice& notice) {
            m_shown.push_back({notice, Window().statusText().toStdString(),
                               Window().recordButton().text().toStdString() == kCaptionRecordStop,
                               Window().exportButton().text().toStdString() == kCaptionExportStop});
            return m_answer;
        };
        m_window->chooseScoreFile = [this](const QString&) {
            ++m_openDialogs;
            return QString::fromStdString(m_openAnswer);
        };
        m_window->chooseVideoFile = [this](const QString&) {
            ++m_saveDialogs;
            return QString::fromStdString(m_videoPath);
        };
        // The settings dialog answered with the classic video, as the button always made.
        m_window->chooseExportSettings = [](const ExportSettings&,
                                            const std::optional<FootageFormat>&) {
            return ExportSettings::presets()[0].settings;
        };
        m_window->show();
        ASSERT_NE(m_window->engine(), nullptr);
        m_log = std::make_unique<EngineLog>(*m_window->engine());
    }

    void TearDown() override {
        m_log.reset();
        m_window->close();
        m_window.reset();
    }

    MainWindow& Window() { return *m_window; }
    std::string Status() { return Window().statusText().toStdString(); }

    bool IdleAt(const std::string& status) {
        return Window().run() == EngineMode::Idle && Status() == status;
    }

    // Waits until the engine has done what it was told and the window has answered all it
    // said, including the commands those answers gave.
    void Settle() {
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(m_log->Settle(*Window().engine()));
        }
    }

    void Load(const std::string& path) {
        m_openAnswer = path;
        Window().loadButton().click();
        ASSERT_TRUE(WaitUntil([&] { return IdleAt(FirstEntryOf(Window().match().count())); }));
    }

    void StartRecording() {
        m_answer = true;
        Window().recordButton().click();
        ASSERT_EQ(Window().run(), EngineMode::Recording);
    }

    // An Enter press reaching the record button, as it would with the focus on it.
    void PressEnter() {
        const std::string before = Status();
        QCoreApplication::postEvent(&Window().recordButton(), Key(Qt::Key_Return));
        ASSERT_TRUE(WaitUntil([&] { return Status() != before; }));
    }

    void StartExport() {
        Window().exportButton().click();
        ASSERT_TRUE(WaitUntil([&] { return !m_log->progress.empty(); }));
    }

    void ExpectIdleButtons() {
        for (QPushButton* button :
             {&Window().loadButton(), &Window().recordButton(), &Window().exportButton()}) {
            EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
        }
        EXPECT_EQ(Window().recordButton().text().toStdString(), kCaptionRecord);
        EXPECT_EQ(Window().exportButton().text().toStdString(), kCaptionExport);
    }

    TempDir m_dir;
    std::string m_shortPath;
    std::string m_longPath;
    std::string m_videoPath;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<EngineLog> m_log;
    std::vector<Shown> m_shown;
    bool m_answer = true;
    std::string m_openAnswer;
    int m_openDialogs = 0;
    int m_saveDialogs = 0;
};

TEST_F(MainWindowTest, LayoutKeepsTheClassicGeometry) {
    EXPECT_EQ(Window().size(), QSize(398, 340));
    EXPECT_EQ(Window().preview().geometry(), QRect(39, 20, 320, 240));
    EXPECT_EQ(Window().statusLine().geometry(), QRect(14, 284, 370, 13));
    EXPECT_EQ(Window().loadButton().geometry(), QRect(14, 299, 114, 29));
    EXPECT_EQ(Window().recordButton().geometry(), QRect(142, 299, 114, 29));
    EXPECT_EQ(Window().exportButton().geometry(), QRect(270, 299, 114, 29));
    // "ブログ" is wider than "Blog" was: the link follows the word by the classic gap.
    const QFontMetrics metrics(Window().font());
    EXPECT_EQ(
        Window().link().geometry().topLeft(),
        QPoint(16 + std::max(28, metrics.horizontalAdvance(QStringLiteral("ブログ")) + 1) + 4, 5));
    EXPECT_EQ(Window().link().height(), 13);
    EXPECT_GE(Window().link().width(), metrics.horizontalAdvance(Window().link().address()));
    EXPECT_TRUE(Window().rect().contains(Window().link().geometry()));
    // The player's button sits at the right end of the link's line, on the line's height,
    // clear of the link.
    const QRect player = Window().playerButton().geometry();
    EXPECT_TRUE(Window().playerButton().isVisible());
    EXPECT_EQ(player.top(), 5);
    EXPECT_EQ(player.height(), 13);
    EXPECT_EQ(player.right(), 398 - 14 - 1);
    EXPECT_GT(player.left(), Window().link().geometry().right());
    EXPECT_GE(player.width(), metrics.horizontalAdvance(Window().playerButton().text()));
    for (QPushButton* button :
         {&Window().loadButton(), &Window().recordButton(), &Window().exportButton()}) {
        EXPECT_TRUE(button->isEnabled());
        for (const char* caption : {kCaptionLoad, kCaptionRecord, kCaptionRecordStop,
                                    kCaptionExport, kCaptionExportStop}) {
            EXPECT_GT(button->width(), metrics.horizontalAdvance(QString::fromUtf8(caption)));
        }
    }
    EXPECT_EQ(Window().link().address().toStdString(), "https://vorlat.example.org/");
    EXPECT_EQ(Window().windowTitle().toStdString(), kWindowTitle);
    EXPECT_FALSE(Window().windowIcon().pixmap(32, 32).isNull());
    EXPECT_EQ(Status(), "");
}

TEST_F(MainWindowTest, PlayerButtonOpensThePlayer) {
    EXPECT_FALSE(Window().player().isVisible());
    EXPECT_EQ(Window().playerButton().text().toStdString(), "プレーヤー...");
    Window().playerButton().click();
    EXPECT_TRUE(Window().player().isVisible());
    // Enter still belongs to the buttons below: the player's button never takes the focus.
    EXPECT_EQ(Window().playerButton().focusPolicy(), Qt::NoFocus);
}

TEST_F(MainWindowTest, StartShowsTheTitleAndLoadShowsTheFirstEntry) {
    ASSERT_TRUE(WaitUntil([&] { return !Window().preview().picture().isNull(); }));
    QImage title = MakeBoardImage({});
    RenderTitle(title, {});
    EXPECT_EQ(Window().preview().picture(), title);

    Load(m_longPath);
    EXPECT_EQ(Window().match().count(), 27);
    EXPECT_EQ(Window().match().path, m_longPath);
    QImage first = MakeBoardImage({});
    ASSERT_TRUE(RenderEntry(Window().match(), 0, first, {}));
    ASSERT_TRUE(WaitUntil([&] { return Window().preview().picture() == first; }));
    EXPECT_TRUE(m_shown.empty());
}

TEST_F(MainWindowTest, UnreadableFileShowsTheLoadErrorAndCancelDoesNothing) {
    Load(m_shortPath);
    m_openAnswer = m_dir.File("missing.txt");
    Window().loadButton().click();
    ASSERT_EQ(m_shown.size(), 1u);
    ExpectNotice(
        m_shown[0],
        (std::string(kLoadErrorText) + "\n" + m_dir.File("missing.txt") + ": ファイルがありません")
            .c_str(),
        kLoadErrorCaption, Notice::Icon::Warning);
    EXPECT_EQ(Window().match().path, m_shortPath);

    m_openAnswer.clear(); // the file dialog cancelled
    Window().loadButton().click();
    Settle();
    EXPECT_EQ(m_shown.size(), 1u);
    EXPECT_EQ(Window().match().count(), 5);
    EXPECT_EQ(m_openDialogs, 3);
    EXPECT_TRUE(IdleAt(kShortFirstEntry));
}

TEST_F(MainWindowTest, RecordAndExportWithoutDataShowTheNoDataBox) {
    for (QPushButton* button : {&Window().recordButton(), &Window().exportButton()}) {
        m_shown.clear();
        button->click();
        ASSERT_EQ(m_shown.size(), 1u);
        ExpectNotice(m_shown[0], kNoDataText, kNoDataCaption, Notice::Icon::Warning);
        EXPECT_EQ(Window().run(), EngineMode::Idle);
    }
    Settle();
    EXPECT_EQ(m_saveDialogs, 0);
    EXPECT_TRUE(m_log->modes.empty());
}

TEST_F(MainWindowTest, EnterPressesRecordTheMatchAndSaveIt) {
    Load(m_shortPath);
    StartRecording();
    ASSERT_EQ(m_shown.size(), 1u);
    ExpectNotice(m_shown[0], kRecordConfirmText, kRecordConfirmCaption, Notice::Icon::Information,
                 true);
    EXPECT_EQ(Status(), kStatusRecordingStart);
    EXPECT_FALSE(Window().loadButton().isEnabled());
    EXPECT_TRUE(Window().recordButton().isEnabled());
    EXPECT_FALSE(Window().exportButton().isEnabled());
    EXPECT_EQ(Window().recordButton().text().toStdString(), kCaptionRecordStop);

    PressEnter();
    EXPECT_EQ(Status(),
              std::string(kStatusRecordingPrefix) + "ラウンド1, プレーヤー1, 1投目 (2/5)");
    PressEnter();
    PressEnter(); // the second turn's first dart: the last entry
    ASSERT_TRUE(WaitUntil([&] { return m_shown.size() == 2 && IdleAt(kShortFirstEntry); }));

    // The box comes while the last entry is still shown and the run is not yet over.
    ExpectNotice(m_shown[1], kSavedText, kSavedCaption, Notice::Icon::Information);
    EXPECT_EQ(m_shown[1].status,
              std::string(kStatusRecordingPrefix) + "ラウンド1, プレーヤー2, 1投目 (5/5)");
    EXPECT_TRUE(m_shown[1].recordStop);
    const auto t = Times(Window().match());
    EXPECT_EQ(t[0], 0);
    EXPECT_GE(t[2], t[1]);
    EXPECT_GE(t[4], t[2]);
    EXPECT_LT(t[4], 1000); // recorded now, not the file's old 3000
    EXPECT_EQ(t[3], (t[2] + t[4]) / 2);
    Match saved;
    ASSERT_TRUE(OpenScoreFile(saved, m_shortPath));
    EXPECT_EQ(Times(saved), t);
    ExpectIdleButtons();
}

TEST_F(MainWindowTest, DeclinedConfirmationStartsNothing) {
    Load(m_shortPath);
    m_answer = false;
    Window().recordButton().click();
    SendKey(&Window().recordButton(), Qt::Key_Return);
    Settle();
    EXPECT_EQ(m_shown.size(), 1u);
    EXPECT_TRUE(m_log->modes.empty());
    EXPECT_TRUE(IdleAt(kShortFirstEntry));
    ExpectIdleButtons();
}

TEST_F(MainWindowTest, AbortEmptiesTheStatusAndRestoresTheTimes) {
    Load(m_shortPath);
    const auto times = Times(Window().match());
    const std::string file = ReadBytes(m_shortPath);
    StartRecording();
    PressEnter();
    Window().recordButton().click();
    EXPECT_EQ(Status(), "");
    ASSERT_TRUE(WaitUntil([&] { return IdleAt(kShortFirstEntry); }));

    EXPECT_EQ(Times(Window().match()), times);
    EXPECT_EQ(ReadBytes(m_shortPath), file);
    EXPECT_EQ(m_shown.size(), 1u); // only the confirmation
    ExpectIdleButtons();
}

// A cancel is what the user asked for: it says so on the status line and opens no error box;
// the line keeps saying it while the first entry comes back.
TEST_F(MainWindowTest, CancelledExportSaysSoOnTheStatusLineWithoutABox) {
    Load(m_longPath);
    StartExport();
    EXPECT_EQ(m_saveDialogs, 1);
    EXPECT_FALSE(Window().loadButton().isEnabled());
    EXPECT_FALSE(Window().recordButton().isEnabled());
    EXPECT_TRUE(Window().exportButton().isEnabled());
    EXPECT_EQ(Window().exportButton().text().toStdString(), kCaptionExportStop);
    EXPECT_EQ(Status().rfind("（　動画ファイル出力中...　", 0), 0u) << Status();
    // Enter neither steps nor presses the focused button.
    Window().exportButton().setFocus();
    SendKey(&Window().exportButton(), Qt::Key_Return);
    EXPECT_EQ(Window().run(), EngineMode::Exporting);

    Window().exportButton().click();
    ASSERT_TRUE(WaitUntil([&] { return Window().run() == EngineMode::Idle; }));
    Settle();
    EXPECT_TRUE(m_shown.empty());
    EXPECT_EQ(Status(), kStatusExportCancelled);
    ExpectIdleButtons();
    EXPECT_EQ(m_log->exports, std::vector<ExportOutcome>{ExportOutcome::Cancelled});
    EXPECT_EQ(Window().videoPath().toStdString(), m_videoPath);
}

TEST_F(MainWindowTest, FinishedExportShowsTheDoneTextAndBox) {
    Load(m_shortPath);
    StartExport();
    ASSERT_TRUE(WaitUntil([&] { return !m_shown.empty(); }, 120000));
    ExpectNotice(m_shown[0], kExportDoneText, kExportDoneCaption, Notice::Icon::Information);
    EXPECT_EQ(m_shown[0].status, kStatusExportFinished);
    ASSERT_TRUE(WaitUntil([&] { return IdleAt(kShortFirstEntry); }));
    ExpectIdleButtons();
    EXPECT_EQ(ReadBytes(m_videoPath).substr(0, 4), "RIFF");
}

TEST_F(MainWindowTest, EnterAndEscapeWhileIdleChangeNothing) {
    Load(m_shortPath);
    const auto times = Times(Window().match());
    Window().loadButton().setFocus();
    for (QWidget* target :
         {static_cast<QWidget*>(&Window().loadButton()), static_cast<QWidget*>(&Window())}) {
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QCoreApplication::postEvent(target, Key(key));
        }
    }
    QCoreApplication::sendPostedEvents();
    Settle();
    EXPECT_EQ(m_openDialogs, 1); // the load above; Enter did not press the load button
    EXPECT_TRUE(Window().isVisible());
    EXPECT_TRUE(IdleAt(kShortFirstEntry));
    EXPECT_EQ(Times(Window().match()), times);
    EXPECT_TRUE(m_log->modes.empty());
    EXPECT_TRUE(m_shown.empty());
}

TEST_F(MainWindowTest, ClosingDuringAnExportJoinsTheEngineWithoutABox) {
    Load(m_longPath);
    StartExport();
    // Closing cancels the export rather than waiting for it: the export ends unfinished and
    // leaves no video behind.
    Window().close();
    EXPECT_EQ(Window().engine(), nullptr);
    EXPECT_FALSE(Window().isVisible());
    // Whatever the engine said before it ended arrives now and is ignored.
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(m_shown.empty());
    EXPECT_TRUE(m_log->exports.empty() || m_log->exports.back() == ExportOutcome::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(m_videoPath));
}

TEST_F(MainWindowTest, ClosingDuringARecordingJoinsTheEngineAndSavesNothing) {
    Load(m_shortPath);
    const std::string file = ReadBytes(m_shortPath);
    StartRecording();
    PressEnter();
    Window().close();
    EXPECT_EQ(Window().engine(), nullptr);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(m_shown.size(), 1u); // the confirmation only
    EXPECT_EQ(ReadBytes(m_shortPath), file);
}

TEST_F(MainWindowTest, StatusLineChangesOnlyWhenItsTextDoes) {
    std::vector<std::string> changes;
    QObject::connect(&Window(), &MainWindow::statusChanged,
                     [&](const QString& text) { changes.push_back(text.toStdString()); });
    Load(m_shortPath);
    EXPECT_EQ(changes, std::vector<std::string>{kShortFirstEntry});
    const size_t pictures = m_log->pictures.size();
    // The same file again: a new picture, but the same status text.
    Load(m_shortPath);
    Settle();
    EXPECT_GT(m_log->pictures.size(), pictures);
    EXPECT_EQ(changes, std::vector<std::string>{kShortFirstEntry});
    EXPECT_EQ(Status(), kShortFirstEntry);
}

// A press that arrives while the window is busy is stamped with the moment it arrived, by
// the platform's timestamp, however late it is handled; two such presses stay two taps.
TEST_F(MainWindowTest, TapsKeepTheMomentTheirKeyArrived) {
    Load(m_shortPath);
    // The recording starts somewhere between these two readings.
    const int64_t beforeStart = TapClock::now();
    StartRecording();
    const int64_t started = TapClock::now();
    // The platform's clock, which is not ours: an event handled at once ties the two,
    // somewhere between these two readings.
    constexpr uint64_t kPlatformNow = 7'000'000;
    const int64_t beforeTie = TapClock::now();
    SendKey(&Window().preview(), Qt::Key_Shift, kPlatformNow);
    const int64_t tied = TapClock::now();

    QCoreApplication::postEvent(&Window().recordButton(), Key(Qt::Key_Return, kPlatformNow + 100));
    QCoreApplication::postEvent(&Window().recordButton(), Key(Qt::Key_Return, kPlatformNow + 220));
    SlowPaint slow(400);
    Window().preview().installEventFilter(&slow);
    Window().preview().repaint(); // the presses wait behind this
    Window().preview().removeEventFilter(&slow);
    const int64_t handled = TapClock::now();
    PressEnter(); // the last entry, unstamped
    ASSERT_TRUE(WaitUntil([&] { return m_shown.size() == 2; }));

    const auto t = Times(Window().match());
    EXPECT_EQ(t[2] - t[1], 120);
    // 100 ms of the platform's clock after the tie, counted from the recording's start.
    EXPECT_GE(t[1], beforeTie - started + 100);
    EXPECT_LE(t[1], tied - beforeStart + 100);
    EXPECT_LT(t[2], handled - started - 100); // not when the window got round to it
}

TEST_F(MainWindowTest, UnstampedPressesDuringASlowRepaintStayTwoTaps) {
    Load(m_shortPath);
    StartRecording();
    QCoreApplication::postEvent(&Window().recordButton(), Key(Qt::Key_Return));
    QCoreApplication::postEvent(&Window().recordButton(), Key(Qt::Key_Return));
    SlowPaint slow(200);
    Window().preview().installEventFilter(&slow);
    Window().preview().repaint();
    Window().preview().removeEventFilter(&slow);
    ASSERT_TRUE(WaitUntil([&] {
        return Status() ==
               std::string(kStatusRecordingPrefix) + "ラウンド1, プレーヤー1, 2投目 (3/5)";
    }));
    PressEnter();
    ASSERT_TRUE(WaitUntil([&] { return m_shown.size() == 2; }));
    const auto t = Times(Window().match());
    EXPECT_GT(t[1], 0);
    EXPECT_GE(t[2], t[1]);
}

// Nothing of an export runs on the window's thread: the window's timer keeps firing while
// each export writes, with no pause between frames to make room for it. A window that waited
// for the export would see no tick between starting an export and its end, as the end is
// handed over before the timers are looked at again.
TEST_F(MainWindowTest, WindowStaysResponsiveDuringAnExport) {
    Load(m_longPath);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    // The test's own waiting must not hold the thread either: an event loop runs until the
    // exports have finished.
    constexpr int kExports = 4;
    QEventLoop loop;
    std::vector<int> ticksPerExport;
    QObject::connect(Window().engine(), &Engine::jobFinished, &loop, [&] {
        ticksPerExport.push_back(ticks);
        if (static_cast<int>(ticksPerExport.size()) < kExports) {
            QTimer::singleShot(0, &Window().exportButton(), [&] {
                ticks = 0;
                Window().exportButton().click();
            });
        } else {
            loop.quit();
        }
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    timer.start();
    ticks = 0;
    Window().exportButton().click();
    loop.exec();
    timer.stop();

    ASSERT_EQ(ticksPerExport.size(), size_t(kExports));
    ASSERT_EQ(m_shown.size(), size_t(kExports));
    ExpectNotice(m_shown.back(), kExportDoneText, kExportDoneCaption, Notice::Icon::Information);
    EXPECT_FALSE(m_log->progress.empty());
    for (int n : ticksPerExport) {
        EXPECT_GT(n, 0);
    }
}

} // namespace
