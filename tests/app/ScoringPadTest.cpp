// Scoring as you watch: the dartboard pad, its keyboard path on real footage, the score
// sheet's actions with their undo, and the new-match form.
#include "app/ScoringPad.h"
#include "app/DartTimeline.h"
#include "app/Language.h"
#include "app/MainWindow.h"
#include "app/NewMatchDialog.h"
#include "app/PlayerWindow.h"
#include "app/ScoreSheetView.h"
#include "app/ScoringPanel.h"
#include "app/ScoringSession.h"
#include "app/StartupArguments.h"

#include "EngineLog.h"
#include "FootageMaker.h"
#include "TestSupport.h"
#include "score/Loader.h"
#include "score/ProfileFile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSettings>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// Types text into a widget key by key, as a keyboard would, then optionally Enter.
void Type(QWidget& widget, const QString& text, bool enter = true) {
    for (const QChar c : text) {
        const int key = c == ' ' ? int(Qt::Key_Space) : int(c.toUpper().unicode());
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, c);
        QApplication::sendEvent(&widget, &press);
    }
    if (enter) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QApplication::sendEvent(&widget, &press);
    }
}

// Every token the pad gives out, in order.
struct Entered {
    explicit Entered(ScoringPad& pad) {
        QObject::connect(&pad, &ScoringPad::dartEntered, &pad,
                         [this](const QString& token) { tokens << token; });
    }
    QStringList tokens;
};

TEST(DartBoard, PointsInMillimetresGiveTheRingAndNumber) {
    struct Case {
        double x, y;
        const char* token;
    };
    const Case cases[] = {
        {0, 0, "DB"},
        {0, -6, "DB"},
        {0, -10, "SB"},
        {0, -50, "20"},
        {0, -103, "T20"},
        {0, -130, "20"},
        {0, -166, "D20"},
        {0, -175, "0"},
        {0, 103, "T3"},
        {103, 0, "T6"},
        {-166, 0, "D11"},
        {0, 300, "0"},
        // 20 spans -9..9 degrees from the top, 1 the next 18 degrees clockwise.
        {std::sin(8.0 * 3.14159265 / 180) * 103, -std::cos(8.0 * 3.14159265 / 180) * 103, "T20"},
        {std::sin(10.0 * 3.14159265 / 180) * 103, -std::cos(10.0 * 3.14159265 / 180) * 103, "T1"},
        {-std::sin(10.0 * 3.14159265 / 180) * 166, -std::cos(10.0 * 3.14159265 / 180) * 166, "D5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DartBoardWidget::tokenAt(c.x, c.y).toStdString(), c.token) << c.x << "," << c.y;
    }
}

TEST(DartBoard, ClicksEnterTheSegmentAndTheSegmentUnderThePointerIsHighlighted) {
    ScoringPad pad;
    pad.resize(420, 600);
    pad.show();
    Entered entered(pad);
    const QStringList tokens = {"T20", "D16", "19", "SB", "DB", "0", "T5", "D11", "3"};
    for (const QString& token : tokens) {
        const QPoint at = pad.board().pointOf(token);
        QMouseEvent move(QEvent::MouseMove, at, pad.board().mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&pad.board(), &move);
        EXPECT_EQ(pad.board().hovered(), token);
        QMouseEvent press(QEvent::MouseButtonPress, at, pad.board().mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&pad.board(), &press);
    }
    EXPECT_EQ(entered.tokens, tokens);
    // The highlight is drawn: the hovered segment's pixel differs from its unhovered one.
    const QPoint at = pad.board().pointOf("T20");
    QMouseEvent move(QEvent::MouseMove, at, pad.board().mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&pad.board(), &move);
    ASSERT_EQ(pad.board().hovered(), "T20");
    const QImage hot = pad.board().grab().toImage();
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&pad.board(), &leave);
    const QImage cold = pad.board().grab().toImage();
    const qreal dpr = hot.devicePixelRatio();
    EXPECT_NE(hot.pixel(at * dpr), cold.pixel(at * dpr));
}

TEST(ScoringPadKeys, TokensWithEnterAndSingleKeysEnterDarts) {
    ScoringPad pad;
    Entered entered(pad);
    QLineEdit& field = pad.tokenField();
    Type(field, "t20");
    Type(field, "D16 ");
    Type(field, "sb");
    Type(field, "T25"); // no dart: stays in the field, nothing entered
    EXPECT_EQ(field.text(), "T25");
    field.clear();
    // Single keys act only in the empty field: here q, space and m enter T20, 0 and D16.
    Type(field, "q m", false);
    EXPECT_EQ(entered.tokens, (QStringList{"T20", "D16", "SB", "T20", "0", "D16"}));
    EXPECT_TRUE(field.text().isEmpty());
    // Every single key enters a dart the sheet takes.
    for (const ScoringPad::QuickKey& k : ScoringPad::quickKeys()) {
        EXPECT_FALSE(MatchSheet::dartToken(k.token).empty()) << k.token;
    }
}

// Frame n of the 30 fps footage starts here, as the player stamps it: the export's frame
// rule, rounded down.
int32_t FrameMs(int n) {
    return static_cast<int32_t>(int64_t{n} * 1000 / 30);
}

class ScoringOnFootage : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        // The frame number is drawn in every frame (testsrc's counter).
        ASSERT_TRUE(videotest::MakeMedia(s_dir->File("footage.mp4"),
                                         "-f lavfi -i testsrc=size=320x240:rate=30:duration=6 "
                                         "-c:v libx264 -preset ultrafast -pix_fmt yuv420p"));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(m_dir.File("settings")));
        // The texts below are the English ones, whichever language an earlier test chose.
        ASSERT_EQ(SetApplicationLanguage(QStringLiteral("en")).toStdString(), "en");
        m_window = std::make_unique<MainWindow>();
        m_window->showNotice = [](const Notice&) { return true; };
    }

    static TempDir* s_dir;
    TempDir m_dir;
    std::unique_ptr<MainWindow> m_window;
};
TempDir* ScoringOnFootage::s_dir = nullptr;

TEST_F(ScoringOnFootage, ATwoLegMatchEnteredByKeyboardIsTheFileWithFrameStartTimes) {
    PlayerWindow& player = m_window->player();
    ASSERT_TRUE(player.openFootage(QString::fromStdString(s_dir->File("footage.mp4"))));
    ASSERT_TRUE(WaitUntil([&] { return player.frameMs() >= 0; }));

    ScoringSession session;
    session.frameMs = [&player] { return player.frameMs(); };
    MatchFormat format;
    format.game = "301";
    format.names[0] = "Anna";
    format.names[1] = "Ben";
    format.legsToWin = 2;
    format.out = OutRule::Double;
    const QString path = QString::fromStdString(m_dir.File("new.txt"));
    ASSERT_TRUE(session.create(path, format)) << session.lastError().toStdString();

    ScoringPad pad;
    QObject::connect(&pad, &ScoringPad::dartEntered, &session, &ScoringSession::enter);
    // Typed as a scorer would: Q is T20 and Space a miss, the rest as tokens. Leg 1: player 1
    // leaves 2, busts it with the 5 and finishes on D1; leg 2 is player 2's to start and win.
    const QStringList keys = {
        "q",   "q", "q", " ", " ", " ", "q", "t19", "d1", " ", " ", " ", "5", " ", " ", " ", "d1",
        "d1x", // a typo: refused, then cleared
        "q",   "q", "q", " ", " ", " ", "q", "t19", "d1", " ", " ", " ", "d1"};
    QStringList expected;
    std::vector<int32_t> times;
    int frame = 3;
    for (const QString& key : keys) {
        if (key == "d1x") {
            Type(pad.tokenField(), key);
            pad.tokenField().clear();
            continue;
        }
        player.seekFrame(frame);
        ASSERT_TRUE(WaitUntil([&] { return player.frameMs() == FrameMs(frame); }, 10000))
            << "frame " << frame;
        Type(pad.tokenField(), key, key.size() > 1 || key[0].isDigit());
        expected << (key == "q" ? "T20" : key == " " ? QString("0") : key.toUpper());
        times.push_back(FrameMs(frame));
        frame += 4;
    }
    ASSERT_EQ(session.sheet().darts().size(), 30u);
    EXPECT_TRUE(session.saved());
    EXPECT_EQ(session.sheet().legs().size(), 2u);
    EXPECT_EQ(session.sheet().next().leg, 3); // 1-1 in a first to 2: a decider comes

    const ProfileFile file(ReadBytes(path.toStdString()));
    auto value = [&file](const char* section, const char* key) {
        return QString::fromStdString(ScoreValue(file, section, key));
    };
    EXPECT_EQ(value("SETTING", "GAME"), "301");
    EXPECT_EQ(value("SETTING", "P1-NAME"), "Anna");
    EXPECT_EQ(value("SETTING", "P2-NAME"), "Ben");
    EXPECT_EQ(value("SETTING", "LEGS"), "2");
    EXPECT_EQ(value("SETTING", "FIRST"), "1");
    EXPECT_EQ(value("SETTING", "OUT"), "DOUBLE");
    EXPECT_EQ(value("SETTING", "SEPABULL"), "1");

    // Every visit in throwing order, with the darts and frame start times entered for it.
    struct Visit {
        const char* data;
        const char* time;
        const char* key;
        int first, count;
    };
    const Visit visits[] = {
        {"DATA", "TIME", "R01-1", 0, 3},    {"DATA", "TIME", "R01-2", 3, 3},
        {"DATA", "TIME", "R02-1", 6, 3},    {"DATA", "TIME", "R02-2", 9, 3},
        {"DATA", "TIME", "R03-1", 12, 1},   {"DATA", "TIME", "R03-2", 13, 3},
        {"DATA", "TIME", "R04-1", 16, 1},   {"DATA", "TIME", "R04-2", 17, 0},
        {"DATA2", "TIME2", "R01-2", 17, 3}, {"DATA2", "TIME2", "R01-1", 20, 3},
        {"DATA2", "TIME2", "R02-2", 23, 3}, {"DATA2", "TIME2", "R02-1", 26, 3},
        {"DATA2", "TIME2", "R03-2", 29, 1}, {"DATA2", "TIME2", "R03-1", 30, 0},
    };
    for (const Visit& v : visits) {
        QStringList tokens;
        QStringList stamps;
        for (int i = v.first; i < v.first + v.count; ++i) {
            tokens << expected[i];
            stamps << QString::number(times[static_cast<size_t>(i)]);
        }
        EXPECT_EQ(value(v.data, v.key), tokens.join(',')) << v.data << " " << v.key;
        EXPECT_EQ(value(v.time, v.key), stamps.join(',')) << v.time << " " << v.key;
    }
    // The loader reads the same match: both legs, their winners and first throwers, and
    // every dart at its time.
    Match loaded;
    ASSERT_TRUE(OpenScoreFile(loaded, path.toStdString()));
    ASSERT_EQ(loaded.legs.size(), 2u);
    EXPECT_EQ(loaded.legs[0].winner, 1);
    EXPECT_EQ(loaded.legs[1].winner, 2);
    EXPECT_EQ(loaded.legs[1].firstThrower, 2);
    std::vector<int32_t> loadedTimes;
    for (const Entry& e : loaded.entries) {
        if (e.dart > 0) {
            loadedTimes.push_back(e.time);
        }
    }
    EXPECT_EQ(loadedTimes, times);
}

TEST_F(ScoringOnFootage, ANewScoreFileOnTheCommandLineOpensTheFormBesideTheFootage) {
    ScoringPanel& panel = ScoringOf(*m_window);
    const QString path = QString::fromStdString(m_dir.File("fresh.txt"));
    QString filledIn;
    panel.runNewMatch = [&filledIn](NewMatchDialog& dialog) {
        filledIn = dialog.path();
        dialog.nameField(1).setText("Anna");
        return dialog.create();
    };
    OpenStartupFiles(*m_window,
                     StartupFiles{path, QString::fromStdString(s_dir->File("footage.mp4"))});
    EXPECT_EQ(filledIn, path);
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(&ScoringOf(*m_window), &panel);
    EXPECT_TRUE(m_window->actions().contains(&panel.newMatchAction())); // in the window's menu
    // One workspace: the pad, the sheet and the timeline are parts of the player's window,
    // which offers "New match..." as well, and it is the window shown.
    EXPECT_EQ(panel.window(), &m_window->player());
    EXPECT_TRUE(m_window->player().actions().contains(&panel.newMatchAction()));
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.isEnabled());
    EXPECT_TRUE(m_window->player().hasFootage());

    // The first dart makes the file one the window loads; a double click seeks back to it.
    PlayerWindow& player = m_window->player();
    ASSERT_TRUE(WaitUntil([&] { return player.frameMs() >= 0; }));
    player.seekFrame(20);
    ASSERT_TRUE(WaitUntil([&] { return player.frameMs() == FrameMs(20); }, 10000));
    Type(panel.pad().tokenField(), "t20");
    EXPECT_EQ(m_window->match().count(), 2);  // the turn start and the dart
    EXPECT_TRUE(player.hasFootage());         // loading the new file kept the footage
    EXPECT_EQ(player.frameMs(), FrameMs(20)); // on its frame, for the visit's next darts
    EXPECT_EQ(m_window->match().entries[1].time, FrameMs(20));
    EXPECT_EQ(panel.pad().promptLine().text(), "Anna, dart 2 (leg 1)");
    // From the pad, period and comma step the footage a frame and type nothing.
    Type(panel.pad().tokenField(), ".", false);
    EXPECT_TRUE(WaitUntil([&] { return player.frameMs() == FrameMs(21); }, 10000))
        << player.frameMs();
    Type(panel.pad().tokenField(), ",", false);
    EXPECT_TRUE(WaitUntil([&] { return player.frameMs() == FrameMs(20); }, 10000))
        << player.frameMs();
    EXPECT_EQ(panel.pad().tokenField().text(), "");
    player.seekFrame(60);
    ASSERT_TRUE(WaitUntil([&] { return player.frameMs() == FrameMs(60); }, 10000));
    QTreeWidgetItem* dart = panel.sheet().topLevelItem(0)->child(0)->child(0);
    emit panel.sheet().itemDoubleClicked(dart, 0);
    EXPECT_TRUE(WaitUntil([&] { return player.frameMs() == FrameMs(20); }, 10000))
        << player.frameMs();

    // The timeline under the footage has the dart's mark, and clicking it seeks there too.
    EXPECT_EQ(panel.timeline().darts(), std::vector<int32_t>{FrameMs(20)});
    player.seekFrame(90);
    ASSERT_TRUE(WaitUntil([&] { return player.frameMs() == FrameMs(90); }, 10000));
    panel.timeline().resize(600, 20);
    const QPoint mark(panel.timeline().xOf(FrameMs(20)) + 2, 10);
    QMouseEvent click(QEvent::MouseButtonPress, mark, panel.timeline().mapToGlobal(mark),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&panel.timeline(), &click);
    EXPECT_TRUE(WaitUntil([&] { return player.frameMs() == FrameMs(20); }, 10000))
        << player.frameMs();

    // Started again on the file, scoring goes on where it stopped.
    ScoringPanel again(*m_window);
    ASSERT_TRUE(again.continueMatch(path));
    EXPECT_EQ(again.session().sheet().darts(), panel.session().sheet().darts());
}

} // namespace

namespace {

// A session on a file of its own, with a clock the test sets.
class SheetActions : public testing::Test {
protected:
    void SetUp() override {
        m_session.frameMs = [this] { return m_clock; };
        MatchFormat format;
        format.game = "301";
        ASSERT_TRUE(m_session.create(QString::fromStdString(m_path), format));
        for (const char* token : {"T20", "T20", "T20", "0", "0", "0", "T20", "T19", "D1"}) {
            m_clock += 1000;
            ASSERT_TRUE(m_session.enter(token));
        }
    }

    // The darts as the file on disk holds them, "token@time" each.
    QStringList OnDisk() const {
        MatchSheet sheet;
        EXPECT_TRUE(OpenSheetFile(m_path, sheet));
        QStringList out;
        for (const SheetDart& d : sheet.darts()) {
            out << QString::fromStdString(d.token) + "@" + QString::number(d.time);
        }
        return out;
    }

    TempDir m_dir;
    std::string m_path = m_dir.File("sheet.txt");
    int64_t m_clock = 0;
    ScoringSession m_session;
};

TEST_F(SheetActions, EachActionOfTheTableIsSavedAndUndoneAndRedone) {
    ScoreSheetView view(m_session);
    QString answer;
    view.askToken = [&answer](const QString&) { return answer; };
    const QStringList start = OnDisk();
    ASSERT_EQ(start.size(), 9);
    EXPECT_EQ(start[4], "0@5000");

    // The table shows legs, visits and darts: one leg, three visits, nine darts.
    ASSERT_EQ(view.topLevelItemCount(), 1);
    EXPECT_EQ(view.topLevelItem(0)->childCount(), 3);
    EXPECT_EQ(view.topLevelItem(0)->child(2)->child(1)->text(1), "T19");

    std::vector<QStringList> states{start};
    view.selectDart(4);
    answer = "D5";
    ASSERT_TRUE(view.editSelected());
    EXPECT_EQ(OnDisk()[4], "D5@5000");
    states.push_back(OnDisk());

    m_clock = 4567;
    view.selectDart(5);
    ASSERT_TRUE(view.retimeSelected());
    EXPECT_EQ(OnDisk()[5], "0@4567");
    states.push_back(OnDisk());

    view.selectDart(0);
    ASSERT_TRUE(view.deleteSelected());
    EXPECT_EQ(OnDisk().size(), 8);
    EXPECT_EQ(OnDisk()[0], "T20@2000");
    states.push_back(OnDisk());

    m_clock = 500;
    view.selectDart(0);
    answer = "19";
    ASSERT_TRUE(view.insertBeforeSelected());
    EXPECT_EQ(OnDisk()[0], "19@500");
    EXPECT_EQ(OnDisk()[1], "T20@2000");
    states.push_back(OnDisk());

    // A refused token and a cancelled question change nothing.
    answer = "T99";
    EXPECT_FALSE(view.editSelected());
    answer.clear();
    EXPECT_FALSE(view.insertBeforeSelected());
    EXPECT_EQ(OnDisk(), states.back());

    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(m_session.undoAction().isEnabled());
        m_session.undoAction().trigger();
        EXPECT_EQ(OnDisk(), states[i - 1]) << i;
    }
    for (size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(m_session.redoAction().isEnabled());
        m_session.redoAction().trigger();
        EXPECT_EQ(OnDisk(), states[i]) << i;
    }
    EXPECT_FALSE(m_session.redoAction().isEnabled());
    EXPECT_EQ(m_session.undoAction().shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(m_session.redoAction().shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
}

TEST_F(SheetActions, EditsMoveLaterVisitsAndDoubleClickSeeksToTheDart) {
    ScoreSheetView view(m_session);
    int64_t sought = -1;
    QObject::connect(&view, &ScoreSheetView::seekRequested, [&sought](int64_t ms) { sought = ms; });
    view.selectDart(1);
    ASSERT_TRUE(view.deleteSelected());
    // The first visit now ends with what was the second visit's first dart, its time with it.
    QTreeWidgetItem* moved = view.topLevelItem(0)->child(0)->child(2);
    EXPECT_EQ(moved->text(1), "0");
    EXPECT_EQ(moved->text(2), "0:04.000");
    EXPECT_EQ(view.topLevelItem(0)->child(2)->childCount(), 2);

    QTreeWidgetItem* dart = view.topLevelItem(0)->child(2)->child(0);
    emit view.itemDoubleClicked(dart, 0);
    EXPECT_EQ(sought, 8000);
}

TEST(DartTimelineMarks, ClicksTakeTheNearestMarkWithinReach) {
    DartTimeline strip;
    strip.resize(1001, 20);
    strip.setDuration(10000);
    strip.setMarks({1000, 1200, 7000}, {7000});
    std::vector<int64_t> sought;
    QObject::connect(&strip, &DartTimeline::seekRequested,
                     [&sought](int64_t ms) { sought.push_back(ms); });
    struct Case {
        int x;
        int64_t expected; // -1: no seek
    };
    const Case cases[] = {{100, 1000}, {104, 1000}, {116, 1200}, {124, 1200}, {110, -1},
                          {130, -1},   {698, 7000}, {500, -1},   {0, -1}};
    for (const Case& c : cases) {
        sought.clear();
        const QPoint at(c.x, 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, strip.mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&strip, &press);
        EXPECT_EQ(sought,
                  c.expected < 0 ? std::vector<int64_t>{} : std::vector<int64_t>{c.expected})
            << c.x;
    }
    EXPECT_EQ(strip.xOf(20000), 1000); // beyond the footage: the right end
}

TEST(NewMatch, TheFormCreatesTheFileAtOnceAndNeverOverwritesOne) {
    TempDir dir;
    ScoringSession session;
    NewMatchDialog dialog(session, QString());
    QString asked = "unset";
    const QString path = QString::fromStdString(dir.File("m.txt"));
    dialog.chooseSavePath = [&](const QString& initial) {
        asked = initial;
        return path;
    };
    dialog.gameField().setCurrentText("701");
    dialog.nameField(1).setText("Anna");
    dialog.nameField(2).setText("斎藤");
    dialog.legsField().setValue(3);
    dialog.setsField().setValue(2);
    dialog.firstField().setCurrentIndex(1);
    dialog.outField().setCurrentIndex(2);
    dialog.bullField().setChecked(false);
    ASSERT_TRUE(dialog.create());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(session.path(), path);

    const ProfileFile file(ReadBytes(path.toStdString()));
    const std::pair<const char*, const char*> settings[] = {
        {"GAME", "701"}, {"P1-NAME", "Anna"}, {"P2-NAME", "斎藤"}, {"LEGS", "3"},
        {"SETS", "2"},   {"FIRST", "2"},      {"OUT", "MASTER"},   {"SEPABULL", "0"}};
    for (const auto& [key, value] : settings) {
        EXPECT_EQ(ScoreValue(file, "SETTING", key), value) << key;
    }
    EXPECT_EQ(session.sheet().next().player, 2);

    // A second form for the same path, as the command line fills it in: refused, file kept.
    const std::string before = ReadBytes(path.toStdString());
    ScoringSession other;
    NewMatchDialog again(other, path);
    again.chooseSavePath = [](const QString&) -> QString {
        ADD_FAILURE() << "the path was filled in";
        return {};
    };
    EXPECT_FALSE(again.create());
    EXPECT_FALSE(again.errorLine().text().isEmpty());
    EXPECT_EQ(ReadBytes(path.toStdString()), before);
}

} // namespace
