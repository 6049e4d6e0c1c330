#include "app/VorlatDlg.h"

#include "ShortMatch.h"
#include "TestSupport.h"
#include "score/Loader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

bool WaitFor(const std::function<bool()>& done, int limitMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return true;
}

void Pause(int ms) {
    QElapsedTimer timer;
    timer.start();
    WaitFor([&] { return timer.elapsed() >= ms; });
}

// Counts the cross-thread calls a window receives.
class CallCounter : public QObject {
public:
    int calls = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) {
            ++calls;
        }
        return false;
    }
};

void PostKey(QWidget& target, int key) {
    QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

class DialogTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_shortPath = m_dir.filePath(QStringLiteral("short.txt")).toStdString();
        std::ofstream(m_shortPath, std::ios::binary) << kShortMatch;
        m_longPath = m_dir.filePath(QStringLiteral("501-timed.txt")).toStdString();
        ASSERT_TRUE(QFile::copy(QStringLiteral(VORLAT_EXAMPLES_DIR "/501-timed.txt"),
                                QString::fromStdString(m_longPath)));
        m_aviPath = m_dir.filePath(QStringLiteral("match.avi")).toStdString();

        m_dlg = std::make_unique<CVorlatDlg>();
        m_dlg->m_fnMessageBox = [this](const std::string& text, const std::string& caption,
                                       unsigned type) {
            m_boxes.push_back({text, caption, type, m_dlg->GetStatusText()});
            return m_answer;
        };
        m_dlg->m_fnOpenScoreFile = [this](const std::string&) {
            ++m_openDialogs;
            return m_openAnswer;
        };
        m_dlg->m_fnSaveVideoFile = [this](const std::string&) {
            ++m_saveDialogs;
            return m_aviPath;
        };
        m_dlg->show();
        ASSERT_NE(m_dlg->m_pWorker, nullptr);
    }

    void TearDown() override {
        m_dlg->close();
        m_dlg.reset();
    }

    CVorlatDlg& Dlg() { return *m_dlg; }

    void Load(const std::string& path) {
        m_openAnswer = path;
        Dlg().m_btnLoad.click();
        const std::string first =
            "Round1, Player1, 0投目 (1/" + std::to_string(Dlg().m_score.count()) + ")";
        ASSERT_TRUE(WaitFor([&] { return ShowsIdleAt(first); }));
    }

    bool ShowsIdleAt(const std::string& status) {
        return Dlg().m_nMode == MODE_IDLE && Dlg().m_nCommand == CMD_NONE &&
               Dlg().m_wndStatus.text().toStdString() == status;
    }

    void StartRecording() {
        m_answer = IDOK;
        Dlg().m_btnRecord.click();
        ASSERT_TRUE(WaitFor([&] { return Dlg().m_nMode == MODE_RECORDING; }));
    }

    // An Enter press reaching the record button, as it would with the focus on it.
    void PressEnter() {
        Pause(15);
        const int index = Dlg().m_nIndex;
        PostKey(Dlg().m_btnRecord, Qt::Key_Return);
        ASSERT_TRUE(WaitFor([&] { return Dlg().m_nIndex != index; }));
    }

    void ExpectIdleButtons() {
        for (QPushButton* button : {&Dlg().m_btnLoad, &Dlg().m_btnRecord, &Dlg().m_btnExport}) {
            EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
        }
        EXPECT_EQ(Dlg().m_btnRecord.text().toStdString(), kCaptionRecord);
        EXPECT_EQ(Dlg().m_btnExport.text().toStdString(), kCaptionExport);
    }

    QTemporaryDir m_dir;
    std::string m_shortPath;
    std::string m_longPath;
    std::string m_aviPath;
    std::unique_ptr<CVorlatDlg> m_dlg;
    std::vector<Box> m_boxes;
    int m_answer = IDOK;
    std::string m_openAnswer;
    int m_openDialogs = 0;
    int m_saveDialogs = 0;
};

TEST_F(DialogTest, LayoutHoldsThePreviewAboveStatusAndButtons) {
    const QRect client = Dlg().rect();
    ASSERT_NE(Dlg().m_pPreviewWnd, nullptr);
    const QRect preview = Dlg().m_pPreviewWnd->geometry();
    EXPECT_GE(client.width(), kPreviewWidth);
    EXPECT_EQ(preview, QRect(client.width() / 2 - 160, 20, 320, 240));
    EXPECT_GE(Dlg().m_wndStatus.geometry().top(), preview.bottom() + 1);
    for (QWidget* w : std::initializer_list<QWidget*>{&Dlg().m_btnLoad, &Dlg().m_btnRecord,
                                                      &Dlg().m_btnExport}) {
        EXPECT_GT(w->geometry().top(), Dlg().m_wndStatus.geometry().bottom());
        EXPECT_TRUE(client.contains(w->geometry()));
        // No caption is cut off.
        EXPECT_GT(w->width(), w->fontMetrics().horizontalAdvance(w->property("text").toString()));
    }
    EXPECT_TRUE(client.contains(Dlg().m_wndLink.geometry()));
    EXPECT_GE(Dlg().m_wndLink.width(),
              Dlg().m_wndLink.fontMetrics().horizontalAdvance(Dlg().m_wndLink.text()));
    EXPECT_TRUE(Dlg().m_wndLink.font().underline());
    EXPECT_EQ(Dlg().m_wndLink.font().family(), Dlg().font().family());
    EXPECT_EQ(Dlg().windowTitle().toStdString(), kDialogCaption);
    EXPECT_FALSE(Dlg().windowIcon().pixmap(32, 32).isNull());
}

TEST_F(DialogTest, LoadShowsTheFirstEntry) {
    Load(m_longPath);
    EXPECT_GT(Dlg().m_score.count(), 2);
    EXPECT_EQ(Dlg().m_nIndex, 0);
    EXPECT_EQ(Dlg().m_score.path, m_longPath);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(DialogTest, UnreadableFileShowsTheLoadErrorAndCancelDoesNothing) {
    Load(m_shortPath);
    m_openAnswer = m_dir.filePath(QStringLiteral("missing.txt")).toStdString();
    Dlg().m_btnLoad.click();
    ASSERT_EQ(m_boxes.size(), 1u);
    ExpectBox(m_boxes[0], kLoadErrorText, kLoadErrorCaption, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(Dlg().m_score.path, m_shortPath);

    m_openAnswer.clear(); // the file dialog cancelled
    Dlg().m_btnLoad.click();
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(Dlg().m_nCommand, CMD_NONE);
    EXPECT_EQ(Dlg().m_score.count(), 5);
}

TEST_F(DialogTest, RecordAndExportWithoutDataShowTheNoDataBox) {
    for (QPushButton* button : {&Dlg().m_btnRecord, &Dlg().m_btnExport}) {
        m_boxes.clear();
        button->click();
        ASSERT_EQ(m_boxes.size(), 1u);
        ExpectBox(m_boxes[0], kNoDataText, kNoDataCaption, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(Dlg().m_nCommand, CMD_NONE);
    }
    EXPECT_EQ(m_saveDialogs, 0);
}

TEST_F(DialogTest, EnterPressesRecordTheMatchAndSaveIt) {
    Load(m_shortPath);
    StartRecording();
    ASSERT_EQ(m_boxes.size(), 1u);
    ExpectBox(m_boxes[0], kRecordConfirmText, kRecordConfirmCaption,
              MB_OKCANCEL | MB_ICONINFORMATION);
    EXPECT_FALSE(Dlg().m_btnLoad.isEnabled());
    EXPECT_TRUE(Dlg().m_btnRecord.isEnabled());
    EXPECT_FALSE(Dlg().m_btnExport.isEnabled());
    EXPECT_EQ(Dlg().m_btnRecord.text().toStdString(), kCaptionRecordStop);

    PressEnter();
    EXPECT_EQ(Dlg().m_wndStatus.text().toStdString(),
              std::string(kStatusRecordingPrefix) + "Round1, Player1, 1投目 (2/5)");
    PressEnter();
    PressEnter(); // the second turn's first dart: the last entry
    ASSERT_TRUE(WaitFor([&] { return m_boxes.size() == 2 && ShowsIdleAt(kShortFirstEntry); }));

    ExpectBox(m_boxes[1], kSavedText, kSavedCaption, MB_OK | MB_ICONINFORMATION);
    const auto t = Times(Dlg().m_score);
    EXPECT_EQ(t[0], 0);
    EXPECT_GT(t[2], t[1]);
    EXPECT_GT(t[4], t[2]);
    EXPECT_LT(t[4], 1000); // recorded now, not the file's old 3000
    EXPECT_EQ(t[3], (t[2] + t[4]) / 2);
    Match saved;
    ASSERT_TRUE(OpenScoreFile(saved, m_shortPath));
    const auto s = Times(saved);
    EXPECT_EQ(s[1], t[1]);
    EXPECT_EQ(s[2], t[2]);
    EXPECT_EQ(s[4], t[4]);
    ExpectIdleButtons();
}

TEST_F(DialogTest, DeclinedConfirmationStartsNothing) {
    Load(m_shortPath);
    m_answer = IDCANCEL;
    Dlg().m_btnRecord.click();
    Pause(20);
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(Dlg().m_nMode, MODE_IDLE);
    EXPECT_EQ(Dlg().m_nCommand, CMD_NONE);
    ExpectIdleButtons();
}

TEST_F(DialogTest, AbortEmptiesTheStatusAndRestoresTheTimes) {
    Load(m_shortPath);
    const auto times = Times(Dlg().m_score);
    const std::string file = ReadBytes(m_shortPath);
    StartRecording();
    PressEnter();
    Dlg().m_btnRecord.click();
    EXPECT_EQ(Dlg().m_wndStatus.text().toStdString(), "");
    ASSERT_TRUE(WaitFor([&] { return ShowsIdleAt(kShortFirstEntry); }));

    EXPECT_EQ(Times(Dlg().m_score), times);
    EXPECT_EQ(ReadBytes(m_shortPath), file);
    EXPECT_EQ(m_boxes.size(), 1u); // only the confirmation
    ExpectIdleButtons();
}

TEST_F(DialogTest, CancelledExportShowsTheCancelTextThenTheErrorBox) {
    Load(m_longPath);
    Dlg().m_btnExport.click();
    EXPECT_EQ(m_saveDialogs, 1);
    EXPECT_FALSE(Dlg().m_btnLoad.isEnabled());
    EXPECT_FALSE(Dlg().m_btnRecord.isEnabled());
    EXPECT_TRUE(Dlg().m_btnExport.isEnabled());
    EXPECT_EQ(Dlg().m_btnExport.text().toStdString(), kCaptionExportStop);
    ASSERT_TRUE(WaitFor([&] { return Dlg().m_nMode == MODE_EXPORTING; }));
    PostKey(Dlg().m_btnExport, Qt::Key_Return); // no step, and no press of the button
    QCoreApplication::processEvents();
    EXPECT_EQ(Dlg().m_nCommand, CMD_NONE);
    EXPECT_EQ(Dlg().m_nMode, MODE_EXPORTING);

    Dlg().m_btnExport.click();
    ASSERT_TRUE(WaitFor([&] { return !m_boxes.empty(); }));
    ExpectBox(m_boxes[0], kExportErrorText, kExportErrorCaption, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(m_boxes[0].statusShown, kExportCancelled);
    ASSERT_TRUE(WaitFor([&] {
        return ShowsIdleAt("Round1, Player1, 0投目 (1/" + std::to_string(Dlg().m_score.count()) +
                           ")");
    }));
    ExpectIdleButtons();
    EXPECT_EQ(m_dlg->m_strAviPath, m_aviPath);
}

TEST_F(DialogTest, EnterAndEscapeWhileIdleChangeNothing) {
    Load(m_shortPath);
    const auto times = Times(Dlg().m_score);
    Dlg().m_btnLoad.setFocus();
    for (QWidget* target :
         {static_cast<QWidget*>(&Dlg().m_btnLoad), static_cast<QWidget*>(&Dlg())}) {
        PostKey(*target, Qt::Key_Return);
        PostKey(*target, Qt::Key_Enter);
        PostKey(*target, Qt::Key_Escape);
    }
    Pause(30);
    EXPECT_EQ(m_openDialogs, 1); // the load above; Enter did not press the load button
    EXPECT_TRUE(Dlg().isVisible());
    EXPECT_TRUE(ShowsIdleAt(kShortFirstEntry));
    EXPECT_EQ(Dlg().m_nIndex, 0);
    EXPECT_EQ(Times(Dlg().m_score), times);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(DialogTest, ClosingDuringAnExportStopsTheEngineWithoutABox) {
    Load(m_longPath);
    Dlg().m_btnExport.click();
    ASSERT_TRUE(
        WaitFor([&] { return Dlg().m_nMode == MODE_EXPORTING && !Dlg().GetStatusText().empty(); }));
    QElapsedTimer timer;
    timer.start();
    Dlg().close();
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(Dlg().m_pWorker, nullptr);
    EXPECT_FALSE(Dlg().isVisible());
    Pause(20);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(DialogTest, StatusTextReachesTheWindowOnlyWhenItChanges) {
    CallCounter counter;
    Dlg().installEventFilter(&counter);
    std::atomic<bool> done{false};
    std::thread engineSide([&] {
        Dlg().SetStatusText("A");
        Dlg().SetStatusText("A");
        Dlg().SetStatusText("B");
        done = true;
    });
    const bool finished = WaitFor([&] { return done.load(); });
    engineSide.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(counter.calls, 2);
    EXPECT_EQ(Dlg().m_wndStatus.text().toStdString(), "B");
}

} // namespace
