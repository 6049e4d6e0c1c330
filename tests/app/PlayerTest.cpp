#include "app/PlayerWindow.h"

#include "EngineLog.h"
#include "FootageMaker.h"
#include "TestSupport.h"
#include "app/FootageClock.h"
#include "app/FramePipe.h"
#include "app/MainWindow.h"
#include "app/PlayerView.h"
#include "app/PreviewWidget.h"
#include "app/StartupArguments.h"
#include "render/Renderer.h"
#include "render/Theme.h"
#include "score/Loader.h"
#include "video/Footage.h"
#include "video/MomentBoard.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// Two turns of two darts: start, dart, dart, start, dart, dart.
constexpr const char* kMatch = "[SETTING]\nGAME=301\nNOCOMP-AVI=1\n\n"
                               "[DATA]\nR01-1=20,20\nR01-2=5,5\n\n"
                               "[TIME]\nR01-1=1000,2000\nR01-2=3000,3500\n";

// The stored time of frame n of the 30 fps test footage: its start, rounded down.
int32_t FrameMs(int n) {
    return static_cast<int32_t>(n * 1000 / 30);
}

QKeyEvent* Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    return new QKeyEvent(QEvent::KeyPress, key, mods);
}

class PlayerTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        // 30 fps, so that frames start at the uneven 33.3 ms steps that rounding must get right.
        ASSERT_TRUE(videotest::MakeMedia(s_dir->File("footage.mp4"),
                                         "-f lavfi -i testsrc2=size=320x240:rate=30:duration=5 "
                                         "-f lavfi -i sine=frequency=440:duration=5 -c:v libx264 "
                                         "-preset ultrafast -pix_fmt yuv420p -c:a aac -shortest"));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }

    void SetUp() override {
        // The remembered footage goes to this test's own settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(m_dir.File("settings")));
        m_score = m_dir.File("match.txt");
        WriteBytes(m_score, kMatch);
        MakeWindow();
    }

    void TearDown() override {
        m_log.reset();
        m_window.reset();
    }

    void MakeWindow() {
        m_log.reset();
        m_window = std::make_unique<MainWindow>();
        m_window->showNotice = [this](const Notice& notice) {
            m_notices.push_back(notice.text);
            return true;
        };
        m_window->show();
        m_log = std::make_unique<EngineLog>(*m_window->engine());
        Player().confirmShift = [this](int deltaMs) {
            m_shiftsAsked.push_back(deltaMs);
            return true;
        };
    }

    MainWindow& Window() { return *m_window; }
    PlayerWindow& Player() { return m_window->player(); }
    static std::string Footage() { return s_dir->File("footage.mp4"); }

    void Load() {
        ASSERT_TRUE(Window().openScore(QString::fromStdString(m_score)));
        Settle();
    }

    void Settle() {
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(m_log->Settle(*Window().engine()));
        }
    }

    void OpenFootage() {
        ASSERT_TRUE(Player().openFootage(QString::fromStdString(Footage())));
        ASSERT_TRUE(WaitUntil([&] { return Player().frameMs() >= 0; }));
    }

    // Puts the paused footage on frame n and waits until the video sink delivered it.
    void ShowFrame(int n) {
        Player().seekFrame(n);
        ASSERT_TRUE(WaitUntil([&] { return Player().frameMs() == FrameMs(n); }, 10000))
            << "frame " << n << ", on screen " << Player().frameMs();
    }

    // A key posted to the main window, as the user's press would arrive, and handled.
    void PressOnWindow(int key) {
        const size_t before = m_log->entries.size();
        QCoreApplication::postEvent(&Window().recordButton(), Key(key));
        ASSERT_TRUE(WaitUntil([&] { return m_log->entries.size() > before; }));
    }

    std::vector<int32_t> SavedTimes() {
        Match saved;
        EXPECT_TRUE(OpenScoreFile(saved, m_score));
        return Times(saved);
    }

    static TempDir* s_dir;
    TempDir m_dir;
    std::string m_score;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<EngineLog> m_log;
    std::vector<QString> m_notices;
    std::vector<int> m_shiftsAsked;
};

TempDir* PlayerTest::s_dir = nullptr;

TEST_F(PlayerTest, TapsStoreTheStartOfTheFrameOnScreenAndBackspaceTakesOneBack) {
    Load();
    OpenFootage();
    ShowFrame(10);
    Window().recordButton().click();
    ASSERT_EQ(Window().run(), EngineMode::Recording);
    ASSERT_TRUE(Player().recordsOnFootage());

    ShowFrame(31);
    PressOnWindow(Qt::Key_Return);
    ShowFrame(62);
    PressOnWindow(Qt::Key_Return);
    // A tap too late, taken back; the footage sought back to where the dart landed.
    ShowFrame(100);
    PressOnWindow(Qt::Key_Return);
    PressOnWindow(Qt::Key_Backspace);
    EXPECT_EQ(m_log->entries.back(), (ShownEntry{3, 6, 1, 1, 2, true}));
    ShowFrame(95);
    PressOnWindow(Qt::Key_Return);
    ShowFrame(118);
    PressOnWindow(Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return !m_log->recordings.empty(); }));
    EXPECT_EQ(m_log->recordings, std::vector<RecordingEnd>{RecordingEnd::Saved});
    EXPECT_EQ(SavedTimes(),
              (std::vector<int32_t>{0, FrameMs(31), FrameMs(62), (FrameMs(62) + FrameMs(95)) / 2,
                                    FrameMs(95), FrameMs(118)}));
}

TEST_F(PlayerTest, ATapWhilePlayingTakesTheDeliveredFrameNotThePlayersPosition) {
    Load();
    OpenFootage();
    Window().recordButton().click();
    ASSERT_TRUE(Player().recordsOnFootage());

    // Enter pressed (and handled at once) on frames as they arrive at 2x speed.
    std::vector<int64_t> stamped;
    std::vector<int64_t> lags;
    int frames = 0;
    QObject::connect(&Player(), &PlayerWindow::frameShown, &Player(), [&](int64_t ms) {
        lags.push_back(ms - Player().mediaPlayer()->position());
        if (++frames % 12 == 0 && stamped.size() < 4) {
            stamped.push_back(ms);
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(&Player().view(), &key);
        }
    });
    Player().setSpeed(2.0);
    Player().togglePlay();
    ASSERT_TRUE(WaitUntil([&] { return !m_log->recordings.empty(); }, 20000));
    ASSERT_EQ(stamped.size(), 4u);
    const std::vector<int32_t> times = SavedTimes();
    EXPECT_EQ(times[1], stamped[0]);
    EXPECT_EQ(times[2], stamped[1]);
    EXPECT_EQ(times[4], stamped[2]);
    EXPECT_EQ(times[5], stamped[3]);
    for (int64_t ms : stamped) {
        EXPECT_EQ(FrameMs(int(Player().clock().frameAt(ms))), ms) << "not a frame's start";
    }
    int64_t most = 0;
    double sum = 0;
    for (int64_t lag : lags) {
        most = std::max(most, lag);
        sum += double(lag);
    }
    std::printf("position() behind the delivered frame at 2x: mean %.0f ms, most %lld ms over "
                "%zu frames\n",
                sum / double(lags.size()), static_cast<long long>(most), lags.size());
}

TEST_F(PlayerTest, NudgesMoveTheSelectedDartByAFrameOrTenMsAndTheOffsetShiftsAll) {
    Load();
    OpenFootage();
    struct Step {
        int key;
        Qt::KeyboardModifiers mods;
        int32_t firstDart;
    };
    // 1000 ms is frame 30's start; frame 31 starts at 1033.3, frame 32 at 1066.7, stored
    // rounded down. Back from within a frame is back to its start.
    const Step steps[] = {
        {Qt::Key_Right, Qt::AltModifier, 1033},
        {Qt::Key_Right, Qt::AltModifier, 1066},
        {Qt::Key_Left, Qt::AltModifier | Qt::ShiftModifier, 1056},
        {Qt::Key_Left, Qt::AltModifier, 1033},
        {Qt::Key_Left, Qt::AltModifier, 1000},
        {Qt::Key_Right, Qt::AltModifier | Qt::ShiftModifier, 1010},
    };
    Player().selectEntry(1);
    for (const Step& step : steps) {
        const size_t before = m_log->matches.size();
        QCoreApplication::postEvent(&Player().entryList(), Key(step.key, step.mods));
        ASSERT_TRUE(WaitUntil([&] { return m_log->matches.size() > before; }));
        EXPECT_EQ(SavedTimes()[1], step.firstDart) << step.key;
    }
    // The shift asks first; a second click finds the offset spent and shifts nothing.
    Player().offsetField().setValue(-40);
    const size_t before = m_log->matches.size();
    Player().shiftButton().click();
    Player().shiftButton().click();
    ASSERT_TRUE(WaitUntil([&] { return m_log->matches.size() > before; }));
    ASSERT_TRUE(m_log->Settle(*Window().engine()));
    EXPECT_EQ(m_shiftsAsked, std::vector<int>{-40});
    EXPECT_EQ(Player().offsetField().value(), 0);
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 970, 1960, 2460, 2960, 3460}));
    EXPECT_EQ(Player().entryList().item(1)->text().contains(QStringLiteral("0.970")), true);
    // Refused, nothing moves.
    Player().confirmShift = [](int) { return false; };
    Player().offsetField().setValue(500);
    Player().shiftButton().click();
    ASSERT_TRUE(m_log->Settle(*Window().engine()));
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 970, 1960, 2460, 2960, 3460}));

    // Ctrl+Z takes back the shift, then the nudges one by one; Ctrl+Shift+Z puts them again.
    struct Undo {
        Qt::KeyboardModifiers mods;
        int32_t firstDart;
        int32_t lastDart;
    };
    const Undo undos[] = {{Qt::ControlModifier, 1010, 3500},
                          {Qt::ControlModifier, 1000, 3500},
                          {Qt::ControlModifier | Qt::ShiftModifier, 1010, 3500},
                          {Qt::ControlModifier | Qt::ShiftModifier, 970, 3460}};
    for (const Undo& undo : undos) {
        const size_t count = m_log->matches.size();
        QCoreApplication::postEvent(&Player().entryList(), Key(Qt::Key_Z, undo.mods));
        ASSERT_TRUE(WaitUntil([&] { return m_log->matches.size() > count; }));
        EXPECT_EQ(SavedTimes()[1], undo.firstDart);
        EXPECT_EQ(SavedTimes()[5], undo.lastDart);
    }
}

TEST_F(PlayerTest, TheTimelineScrubsTheBoardAloneWithoutFootage) {
    Load();
    Match match;
    ASSERT_TRUE(OpenScoreFile(match, m_score));
    ASSERT_FALSE(Player().hasFootage());
    for (int64_t t : {0, 999, 1000, 2600, 3499, 3500, 5000}) {
        Player().timeline().setValue(int(t));
        EXPECT_EQ(Player().scrubMs(), t);
        QImage expected = MakeBoardImage({});
        ASSERT_TRUE(RenderMoment(match, t, expected, {}));
        EXPECT_EQ(Player().view().board(), expected) << "at " << t;
    }
    // The keys move the board alone too.
    for (const auto& [key, at] : {std::pair{Qt::Key_Home, 0},
                                  {Qt::Key_Right, 1000},
                                  {Qt::Key_Period, 1010},
                                  {Qt::Key_End, 5500}}) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&Player().timeline(), &event);
        EXPECT_EQ(Player().scrubMs(), at) << key;
    }
}

TEST_F(PlayerTest, TheFootageAndBoardSettingsComeBackWithTheScoreFile) {
    Load();
    OpenFootage();
    Player().burnTheme().setCurrentText(QStringLiteral("classic"));
    Player().setOverlay({0.5, BoardPlace::TopRight});
    ASSERT_TRUE(WaitUntil([&] { return Player().view().board().width() == 160; }));
    EXPECT_EQ(Player().view().boardPos(), QPoint(320 - 160 - 8, 8));
    EXPECT_TRUE(Player().view().board().hasAlphaChannel());
    // The main window's preview shows the same: the footage with the board over it.
    ShowFrame(45);
    EXPECT_EQ(Window().preview().picture(), Player().view().compose({320, 240}));
    const QImage& preview = Window().preview().picture();
    const QImage& frame = Player().view().frame();
    EXPECT_NE(preview.pixel(232, 68), frame.pixel(232, 68)); // the board's middle
    EXPECT_EQ(preview.pixel(20, 200), frame.pixel(20, 200));

    MakeWindow();
    EXPECT_FALSE(Player().hasFootage());
    Load();
    ASSERT_TRUE(Player().hasFootage());
    EXPECT_EQ(Player().footagePath().toStdString(), Footage());
    EXPECT_EQ(Player().overlay().place, BoardPlace::TopRight);
    EXPECT_EQ(Player().overlay().scale, 0.5);
    EXPECT_EQ(ReadBytes(m_score), kMatch);
}

TEST_F(PlayerTest, FootageThatCannotBePlayedIsRefusedWithTheReason) {
    Load();
    WriteBytes(m_dir.File("not-a-video.mp4"), "plain text");
    EXPECT_FALSE(Player().openFootage(QString::fromStdString(m_dir.File("not-a-video.mp4"))));
    EXPECT_FALSE(Player().hasFootage());
    EXPECT_TRUE(Player().statusLine().text().contains(QStringLiteral("not-a-video.mp4")));
}

TEST_F(PlayerTest, TheFootageShowsTheBoardTheBurnInWouldBurnIn) {
    Load();
    OpenFootage();
    Match match;
    ASSERT_TRUE(OpenScoreFile(match, m_score));
    const QSize footage(320, 240);
    struct Case {
        const char* theme;
        BoardLayout layout;
        BoardPlace place;
    };
    for (const Case& c : {Case{"broadcast", BoardLayout::Corner, BoardPlace::TopRight},
                          Case{"light", BoardLayout::LowerThird, BoardPlace::BottomLeft},
                          Case{"classic", BoardLayout::Corner, BoardPlace::BottomRight}}) {
        Player().burnTheme().setCurrentText(QString::fromLatin1(c.theme));
        Player().burnLayout().setCurrentIndex(Player().burnLayout().findData(int(c.layout)));
        Player().setOverlay({0, c.place});
        RenderOptions board;
        ApplyTheme(board, *BuiltInTheme(c.theme));
        board.broadcast.layout = c.layout;
        const FootageBoard placed = BoardOverFootage(board, {0, c.place}, footage);
        // After the first dart: frame 45 is at 1500 ms.
        QImage expected = MakeBoardImage(placed.options);
        ASSERT_TRUE(RenderMoment(match, FrameMs(45), expected, placed.options));
        ShowFrame(45);
        const auto composedAsBurnt = [&] {
            QImage picture(footage, QImage::Format_RGB32);
            QPainter painter(&picture);
            FramePipe::paint(painter, picture.rect(), Player().view().frame(), expected,
                             placed.position);
            return picture;
        };
        ASSERT_TRUE(WaitUntil([&] {
            return Player().view().compose(footage) == composedAsBurnt();
        })) << c.theme;
        // The board is drawn where it belongs, not laid over the whole frame.
        EXPECT_LT(Player().view().board().width() * Player().view().board().height(),
                  footage.width() * footage.height() / 2)
            << c.theme;
    }
}

TEST_F(PlayerTest, BurnInFromTheWindowWritesTheFootageWithTheBoard) {
    Load();
    OpenFootage();
    const std::string out = m_dir.File("burnt.mp4");
    std::vector<ExportOutcome> outcomes;
    QObject::connect(&Player(), &PlayerWindow::burnFinished,
                     [&](ExportOutcome o) { outcomes.push_back(o); });

    Player().chooseBurnOutput = [&](const QString&) { return QString::fromStdString(Footage()); };
    Player().toggleBurn();
    ASSERT_TRUE(WaitUntil([&] { return !outcomes.empty(); }, 60000));
    EXPECT_EQ(outcomes, std::vector<ExportOutcome>{ExportOutcome::Failed});
    EXPECT_FALSE(Player().burning());
    EXPECT_TRUE(Player().statusLine().text().contains(QStringLiteral("is the footage")))
        << Player().statusLine().text().toStdString();

    outcomes.clear();
    Player().chooseBurnOutput = [&](const QString&) { return QString::fromStdString(out); };
    Player().toggleBurn();
    ASSERT_TRUE(WaitUntil([&] { return !outcomes.empty(); }, 60000));
    EXPECT_EQ(outcomes, std::vector<ExportOutcome>{ExportOutcome::Finished});
    auto video = videotest::ProbeFields(out, "v:0");
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_EQ(video["width"], "320");
    EXPECT_EQ(video["r_frame_rate"], "30/1");
    EXPECT_EQ(videotest::ProbeFields(out, "a:0")["codec_name"], "aac");
}

TEST_F(PlayerTest, ARecordingStartedMidFootageAndSeekedBackKeepsEveryEarlierTime) {
    Load();
    OpenFootage();
    // Started far into the footage, then back to its beginning.
    ShowFrame(120);
    Window().recordButton().click();
    ASSERT_TRUE(Player().recordsOnFootage());
    QCoreApplication::postEvent(&Player().view(), Key(Qt::Key_Home));
    ASSERT_TRUE(WaitUntil([&] { return Player().frameIndex() == 0; }));
    ShowFrame(20);
    PressOnWindow(Qt::Key_Return);
    ShowFrame(40);
    PressOnWindow(Qt::Key_Return);
    // Seeking back is allowed; a tap there, before the dart before, is refused and named.
    ShowFrame(30);
    QCoreApplication::postEvent(&Window().recordButton(), Key(Qt::Key_Return));
    ASSERT_TRUE(WaitUntil([&] { return Player().statusLine().text().contains("refused"); }));
    const QString status = Player().statusLine().text();
    EXPECT_TRUE(status.contains(QStringLiteral("R1 P2 dart 1"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("R1 P1 dart 2"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("0:01.000"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("0:01.333"))) << status.toStdString();
    // The list shows the taps so far.
    EXPECT_TRUE(Player().entryList().item(2)->text().contains(QStringLiteral("1.333")));
    ShowFrame(50);
    PressOnWindow(Qt::Key_Return);
    ShowFrame(75);
    PressOnWindow(Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return !m_log->recordings.empty(); }));
    EXPECT_EQ(m_log->recordings, std::vector<RecordingEnd>{RecordingEnd::Saved});
    EXPECT_EQ(SavedTimes(),
              (std::vector<int32_t>{0, FrameMs(20), FrameMs(40), (FrameMs(40) + FrameMs(50)) / 2,
                                    FrameMs(50), FrameMs(75)}));
}

TEST_F(PlayerTest, UndoAndRedoKeysTakeBackAndGiveBackTapsWhileRecording) {
    Load();
    OpenFootage();
    Window().recordButton().click();
    ShowFrame(10);
    PressOnWindow(Qt::Key_Return);
    ShowFrame(20);
    PressOnWindow(Qt::Key_Return);
    struct Step {
        int key;
        Qt::KeyboardModifiers mods;
        ShownEntry shown;
    };
    const Step steps[] = {
        {Qt::Key_Z, Qt::ControlModifier, {2, 6, 1, 1, 1, true}},
        {Qt::Key_Backspace, Qt::NoModifier, {1, 6, 1, 1, 0, true}},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, {2, 6, 1, 1, 1, true}},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, {3, 6, 1, 1, 2, true}},
    };
    for (const Step& step : steps) {
        const size_t before = m_log->entries.size();
        QCoreApplication::postEvent(&Player().view(), Key(step.key, step.mods));
        ASSERT_TRUE(WaitUntil([&] { return m_log->entries.size() > before; }));
        EXPECT_EQ(m_log->entries.back(), step.shown) << step.key;
    }
    ShowFrame(30);
    PressOnWindow(Qt::Key_Return);
    ShowFrame(40);
    PressOnWindow(Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return !m_log->recordings.empty(); }));
    EXPECT_EQ(SavedTimes(),
              (std::vector<int32_t>{0, FrameMs(10), FrameMs(20), (FrameMs(20) + FrameMs(30)) / 2,
                                    FrameMs(30), FrameMs(40)}));
    // With the player open, the saved box does not pop up over it: its status line says so.
    EXPECT_TRUE(m_notices.size() == 1 || !Player().isVisible());
}

TEST_F(PlayerTest, FastKeyPressesEachCountAndTheTimeShowsTheFrame) {
    Load();
    OpenFootage();
    ShowFrame(0);
    // Posted together: each is handled before any frame of the moves before it arrives.
    for (int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right}) {
        QCoreApplication::postEvent(&Player().view(), Key(key));
    }
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::postEvent(&Player().view(), Key(Qt::Key_Period));
    }
    QCoreApplication::postEvent(&Player().view(), Key(Qt::Key_Comma));
    ASSERT_TRUE(WaitUntil([&] { return Player().frameIndex() == 94; }, 10000))
        << Player().frameIndex();
    const QString time = Player().timeDisplay().text();
    EXPECT_TRUE(time.startsWith(QStringLiteral("0:03.133  #94  00:00:03:04")))
        << time.toStdString();

    // A dart picked in the list puts the footage on its frame (2000 ms: frame 60).
    QListWidget& list = Player().entryList();
    const QRect row = list.visualItemRect(list.item(2));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, QPointF(row.center()),
                          list.viewport()->mapToGlobal(QPointF(row.center())), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &click);
    }
    ASSERT_TRUE(WaitUntil([&] { return Player().frameIndex() == 60; }, 10000))
        << Player().frameIndex();
}

TEST_F(PlayerTest, AfterTheEndTheKeysAndTimelineMoveWithoutPlayingFirst) {
    Load();
    OpenFootage();
    // Played to its end, the backend stops.
    Player().seekFrame(140);
    Player().togglePlay();
    ASSERT_TRUE(WaitUntil(
        [&] { return Player().mediaPlayer()->mediaStatus() == QMediaPlayer::EndOfMedia; }));
    struct Step {
        int key;
        int64_t frame;
    };
    const Step steps[] = {
        {Qt::Key_Home, 0}, {Qt::Key_End, 149}, {Qt::Key_Left, 119}, {Qt::Key_Comma, 118}};
    for (const Step& step : steps) {
        QCoreApplication::postEvent(&Player().view(), Key(step.key));
        ASSERT_TRUE(WaitUntil([&] { return Player().frameIndex() == step.frame; }, 10000))
            << step.key << " on frame " << Player().frameIndex();
    }
    Player().timeline().setValue(2500);
    ASSERT_TRUE(WaitUntil([&] { return Player().frameIndex() == 75; }, 10000));
}

TEST_F(PlayerTest, PausedAFrameNobodyAskedForGivesWayToTheOneAskedFor) {
    Load();
    OpenFootage();
    ShowFrame(20);
    std::vector<int64_t> shown;
    QObject::connect(&Player(), &PlayerWindow::frameShown,
                     [&](int64_t ms) { shown.push_back(ms); });
    // Behind the player's back, as the backend itself now and then steps past a seek.
    Player().mediaPlayer()->setPosition(FrameMs(25));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return !shown.empty() && shown.front() != FrameMs(20) && shown.back() == FrameMs(20);
        },
        10000))
        << "first " << (shown.empty() ? -1 : shown.front()) << ", last "
        << (shown.empty() ? -1 : shown.back());
    // Playing again lets the footage move on.
    Player().togglePlay();
    ASSERT_TRUE(WaitUntil([&] { return Player().frameIndex() > 25; }, 10000));
}

TEST_F(PlayerTest, TheEntryLineFollowsTheBoardShownDuringPlayback) {
    Load();
    OpenFootage();
    ShowFrame(40); // after the first dart (1000 ms)
    ASSERT_TRUE(WaitUntil([&] { return Window().statusText().contains(QStringLiteral("(2/6)")); }))
        << Window().statusText().toStdString();
    ShowFrame(100); // after the second turn's first dart (3000 ms)
    ASSERT_TRUE(WaitUntil([&] { return Window().statusText().contains(QStringLiteral("(5/6)")); }))
        << Window().statusText().toStdString();
}

// Enter pressed at once after the recording was asked for, before the engine has said that
// it records, is a tap of that recording (the engine carries out the start first): on the
// wall clock and on the footage's alike.
TEST_F(PlayerTest, EnterRightAfterTheStartIsATapOnEitherClock) {
    Load();
    for (const bool footage : {false, true}) {
        if (footage) {
            OpenFootage();
            ShowFrame(45);
        }
        Window().recordButton().click();
        ASSERT_EQ(Window().run(), EngineMode::Recording) << footage;
        EXPECT_EQ(Player().recordsOnFootage(), footage);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(&Window().recordButton(), &enter);
        Settle();
        ASSERT_FALSE(m_log->entries.empty());
        EXPECT_EQ(m_log->entries.back(), (ShownEntry{2, 6, 1, 1, 1, true})) << footage;
        if (footage) {
            EXPECT_TRUE(Player().entryList().item(1)->text().contains(QStringLiteral("1.500")));
        }
        Window().recordButton().click(); // abandoned
        ASSERT_TRUE(WaitUntil([&] { return Window().run() == EngineMode::Idle; }));
        EXPECT_FALSE(Player().recordsOnFootage());
    }
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 1000, 2000, 2500, 3000, 3500}));
}

// A recording asked for while the player's burn-in runs waits behind it in the engine, whose
// mode goes back to idle when the burn-in ends: that end is the burn-in's, not the
// recording's, which goes on with the tap given meanwhile.
TEST_F(PlayerTest, TheEndOfABurnInDoesNotEndARecordingAskedForMeanwhile) {
    Load();
    OpenFootage();
    ShowFrame(30);
    std::vector<EngineMode> runAtBurnEnd;
    QObject::connect(&Player(), &PlayerWindow::burnFinished,
                     [&] { runAtBurnEnd.push_back(Window().run()); });
    Player().chooseBurnOutput = [&](const QString&) {
        return QString::fromStdString(m_dir.File("burnt.mp4"));
    };
    Player().toggleBurn();
    ASSERT_TRUE(Player().burning());
    Window().recordButton().click();
    ASSERT_TRUE(Player().recordsOnFootage());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&Window().recordButton(), &enter);

    ASSERT_TRUE(WaitUntil([&] { return !runAtBurnEnd.empty(); }, 60000));
    Settle();
    EXPECT_EQ(m_log->exports, std::vector<ExportOutcome>{ExportOutcome::Finished});
    EXPECT_EQ(m_log->modes, (std::vector<EngineMode>{EngineMode::Exporting, EngineMode::Idle,
                                                     EngineMode::Recording}));
    EXPECT_EQ(runAtBurnEnd, std::vector<EngineMode>{EngineMode::Recording});
    EXPECT_EQ(Window().run(), EngineMode::Recording);
    EXPECT_TRUE(Player().recordsOnFootage());
    EXPECT_EQ(m_log->entries.back(), (ShownEntry{2, 6, 1, 1, 1, true}));
    Window().recordButton().click();
    ASSERT_TRUE(WaitUntil([&] { return Window().run() == EngineMode::Idle; }));
}

// With footage open the board is drawn once, where each frame is composed: the engine draws
// no picture for the preview to drop, neither for the playback's entries nor for a
// recording's start, taps and end. Without footage the preview is the engine's picture again.
TEST_F(PlayerTest, WithFootageOpenEachBoardIsDrawnOnceByThePlayer) {
    Load();
    OpenFootage();
    Settle();
    m_log->pictures.clear();
    ShowFrame(40); // after the first dart: the entry line follows the playback's board
    ASSERT_TRUE(WaitUntil([&] { return Window().statusText().contains(QStringLiteral("(2/6)")); }));
    Window().recordButton().click();
    for (int frame : {50, 60, 70, 80}) {
        ShowFrame(frame);
        PressOnWindow(Qt::Key_Return);
    }
    ASSERT_TRUE(WaitUntil([&] { return !m_log->recordings.empty(); }));
    EXPECT_EQ(m_log->recordings, std::vector<RecordingEnd>{RecordingEnd::Saved});
    Settle();
    EXPECT_EQ(m_log->pictures.size(), 0u);
    // The preview is the player's picture: the footage with the board over it.
    EXPECT_TRUE(WaitUntil([&] {
        return Window().preview().picture() == Player().view().compose({320, 240});
    }));

    const std::string other = m_dir.File("other.txt");
    WriteBytes(other, kMatch);
    ASSERT_TRUE(Window().openScore(QString::fromStdString(other)));
    Settle();
    EXPECT_FALSE(Player().hasFootage());
    ASSERT_FALSE(m_log->pictures.empty());
    EXPECT_EQ(Window().preview().picture(), m_log->pictures.back());
}

// One frame rule: a dart tapped on frame n changes the board on frame n in the export (its
// frame clock), the burn-in (the footage's own frame times, read back by the footage
// reader) and the player, at every rate.
TEST(FrameRuleTest, ADartTappedOnAFrameChangesTheBoardOnThatFrameInEveryOutput) {
    TempDir dir;
    const FrameRate rates[] = {{15, 1}, {25, 1}, {30, 1}, {30000, 1001}, {24000, 1001}};
    for (const FrameRate& rate : rates) {
        for (const char* ext : {"mp4", "mkv"}) {
            const std::string path = dir.File("rate." + std::string(ext));
            ASSERT_TRUE(videotest::MakeMedia(
                path, "-f lavfi -i testsrc2=size=64x48:rate=" + rate.toString() +
                          ":duration=2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p"));
            const auto opened = Footage::open(path);
            ASSERT_TRUE(opened) << opened.error().text();
            const std::unique_ptr<Footage>& footage = opened.value();
            const FootageClock clock(rate);
            const FrameClock exportClock(rate, 2000);
            const AVRational base = footage->videoStream()->time_base;
            std::vector<int64_t> burnMs;
            while (footage->next()) {
                burnMs.push_back(footage->frameMs());
                const int64_t n = int64_t(burnMs.size()) - 1;
                // The start time the player's video sink gives, in microseconds.
                const int64_t startUs = footage->framePts() * 1000000 * base.num / base.den;
                ASSERT_EQ(clock.frameOfStart(startUs), n) << rate.toString() << ext;
            }
            ASSERT_GE(burnMs.size(), 20u);
            for (int64_t n = 1; n < int64_t(burnMs.size()); ++n) {
                const int64_t stored = clock.startMs(n); // what a tap on frame n stores
                const std::string where =
                    rate.toString() + " " + ext + " frame " + std::to_string(n);
                EXPECT_LE(exportClock.momentOf(n - 1), stored - 1) << where;
                EXPECT_GE(exportClock.momentOf(n), stored) << where;
                EXPECT_LT(burnMs[size_t(n - 1)], stored) << where;
                EXPECT_GE(burnMs[size_t(n)], stored) << where;
                EXPECT_EQ(clock.frameAt(stored), n) << where;
                EXPECT_EQ(clock.frameAt(stored - 1), n - 1) << where;
            }
        }
    }
}

TEST(StartupArgumentsTest, TheScoreFileAndFootageOption) {
    struct Case {
        QStringList args;
        QString score;
        QString footage;
    };
    const Case cases[] = {
        {{"vorlat"}, "", ""},
        {{"vorlat", "a.txt"}, "a.txt", ""},
        {{"vorlat", "a.txt", "--footage", "m.mp4"}, "a.txt", "m.mp4"},
        {{"vorlat", "--footage=m.mkv", "a.txt"}, "a.txt", "m.mkv"},
        {{"vorlat", "--footage", "m.mp4"}, "", "m.mp4"},
    };
    for (const Case& c : cases) {
        const StartupFiles files = ParseStartupArguments(c.args);
        EXPECT_EQ(files.score, c.score) << c.args.join(' ').toStdString();
        EXPECT_EQ(files.footage, c.footage) << c.args.join(' ').toStdString();
    }
}

} // namespace
