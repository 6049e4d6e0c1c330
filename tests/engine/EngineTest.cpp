#include "engine/Engine.h"

#include "ShortMatch.h"
#include "TestSupport.h"
#include "render/GStatic.h"
#include "score/Loader.h"
#include "score/ScoreData.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Stands in for the main window: remembers what the engine did to it.
class FakeHost : public CEngineHost {
public:
    Match score;
    std::string aviPath;
    std::function<void(const std::string&)> onStatus; // runs on the engine thread
    std::atomic<bool> closed{false};

    Match& EngineScore() override { return score; }
    std::string EngineAviPath() override { return aviPath; }

    void SetStatusText(const std::string& text) override {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (text != m_status) {
                m_history.push_back(text);
            }
            m_status = text;
        }
        if (onStatus) {
            onStatus(text);
        }
    }
    void EnableButton(int id, bool enable) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_enabled[id] = enable;
    }
    void SetButtonCaption(int id, const std::string& caption) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_captions[id] = caption;
    }
    int ShowMessageBox(const std::string& text, const std::string& caption,
                       unsigned type) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_boxes.push_back({text, caption, type, m_status});
        return IDOK;
    }
    void PostClose() override { closed = true; }

    std::string Status() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_status;
    }
    std::vector<std::string> History() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_history;
    }
    std::vector<Box> Boxes() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_boxes;
    }
    std::map<int, bool> Enabled() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_enabled;
    }
    std::map<int, std::string> Captions() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_captions;
    }

private:
    std::mutex m_mutex;
    std::string m_status;
    std::vector<std::string> m_history;
    std::vector<Box> m_boxes;
    std::map<int, bool> m_enabled;
    std::map<int, std::string> m_captions;
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class EngineTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("match.txt")).toStdString();
        std::ofstream(m_path, std::ios::binary) << kShortMatch;
        m_surface.CreateCanvas(320, 240);
        ASSERT_TRUE(OpenScoreFile(m_host.score, m_path));
        ASSERT_EQ(m_host.score.count(), 5);
        m_host.score.m_pSurface = &m_surface;
        m_host.aviPath = m_dir.filePath(QStringLiteral("match.avi")).toStdString();
    }

    void TearDown() override {
        m_host.m_bRunning = 0;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    void StartEngine() {
        m_host.m_bRunning = 1;
        m_thread = std::thread([this] { WorkerThreadProc(&m_host); });
    }

    // Rewinds and waits until the first entry is shown.
    void StartAndRewind() {
        StartEngine();
        m_host.m_nCommand = CMD_REWIND;
        ASSERT_TRUE(WaitIdleAtFirstEntry());
    }

    bool WaitIdleAtFirstEntry() {
        return WaitFor([this] {
            return m_host.m_nMode == MODE_IDLE && m_host.m_nCommand == CMD_NONE &&
                   m_host.m_nIndex == 0 && m_host.Status() == kShortFirstEntry;
        });
    }

    void StartRecording() {
        m_host.m_nCommand = CMD_START_RECORDING;
        ASSERT_TRUE(WaitFor([this] { return m_host.m_nMode == MODE_RECORDING; }));
    }

    // One Enter press, a little after the previous one so that the times differ.
    void Press() {
        std::this_thread::sleep_for(15ms);
        m_host.m_nCommand = CMD_STEP;
        ASSERT_TRUE(WaitFor([this] { return m_host.m_nCommand != CMD_STEP; }));
    }

    void ExpectButtonsRestored() {
        const auto enabled = m_host.Enabled();
        for (int id : {IDC_BTN_LOAD, IDC_BTN_RECORD, IDC_BTN_EXPORT}) {
            ASSERT_EQ(enabled.count(id), 1u) << id;
            EXPECT_TRUE(enabled.at(id)) << id;
        }
        const auto captions = m_host.Captions();
        EXPECT_EQ(captions.at(IDC_BTN_RECORD), kCaptionRecord);
        EXPECT_EQ(captions.at(IDC_BTN_EXPORT), kCaptionExport);
    }

    QTemporaryDir m_dir;
    std::string m_path;
    CGStatic m_surface;
    FakeHost m_host;
    std::thread m_thread;
};

TEST_F(EngineTest, RewindShowsTheFirstEntryWithoutTouchingTimes) {
    const auto before = Times(m_host.score);
    StartAndRewind();
    EXPECT_EQ(Times(m_host.score), before);
    EXPECT_TRUE(m_host.Boxes().empty());
}

TEST_F(EngineTest, RecordingToTheLastEntrySavesWithTheTurnStartMidpoint) {
    StartAndRewind();
    StartRecording();
    Press(); // dart 1
    Press(); // dart 2
    Press(); // second turn's start and its dart 1, which is the last entry
    ASSERT_TRUE(WaitFor([this] { return !m_host.Boxes().empty(); }));
    ASSERT_TRUE(WaitIdleAtFirstEntry());

    const auto t = Times(m_host.score);
    EXPECT_EQ(t[0], 0);
    EXPECT_GE(t[1], 15);
    EXPECT_GT(t[2], t[1]);
    EXPECT_GT(t[4], t[2]);
    EXPECT_EQ(t[3], (t[2] + t[4]) / 2);

    const auto boxes = m_host.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    ExpectBox(boxes[0], kSavedText, kSavedCaption, MB_OK | MB_ICONINFORMATION);

    // The file now holds the darts' new times.
    Match saved;
    ASSERT_TRUE(OpenScoreFile(saved, m_path));
    const auto s = Times(saved);
    EXPECT_EQ(s[1], t[1]);
    EXPECT_EQ(s[2], t[2]);
    EXPECT_EQ(s[4], t[4]);

    const std::vector<std::string> expected = {
        kShortFirstEntry,
        kStatusRecordingStart,
        std::string(kStatusRecordingPrefix) + "Round1, Player1, 1投目 (2/5)",
        std::string(kStatusRecordingPrefix) + "Round1, Player1, 2投目 (3/5)",
        std::string(kStatusRecordingPrefix) + "Round1, Player2, 1投目 (5/5)",
        kShortFirstEntry,
    };
    EXPECT_EQ(m_host.History(), expected);
    ExpectButtonsRestored();
}

TEST_F(EngineTest, RefusedSaveShowsTheErrorAndKeepsTheRecordedTimes) {
    const std::string before = ReadBytes(m_path);
    m_host.score.path = m_dir.filePath(QStringLiteral("gone/match.txt")).toStdString();
    StartAndRewind();
    StartRecording();
    Press();
    Press();
    Press();
    ASSERT_TRUE(WaitFor([this] { return !m_host.Boxes().empty(); }));
    ASSERT_TRUE(WaitIdleAtFirstEntry());

    const auto boxes = m_host.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    ExpectBox(boxes[0], kSaveErrorText, kSaveErrorCaption, MB_OK | MB_ICONERROR);
    // The recording is not thrown away: the times are the new ones (all well under the
    // 1000 ms the file had for the first dart).
    const auto t = Times(m_host.score);
    EXPECT_LT(t[1], 1000);
    EXPECT_EQ(t[3], (t[2] + t[4]) / 2);
    EXPECT_EQ(ReadBytes(m_path), before);
    ExpectButtonsRestored();
}

TEST_F(EngineTest, AbortRestoresEveryTimeAndWritesNothing) {
    const std::string before = ReadBytes(m_path);
    const auto times = Times(m_host.score);
    StartAndRewind();
    StartRecording();
    Press();
    ASSERT_NE(Times(m_host.score), times);
    m_host.m_bAbortRecording = true;
    m_host.m_nCommand = CMD_STOP;
    ASSERT_TRUE(WaitIdleAtFirstEntry());

    EXPECT_EQ(Times(m_host.score), times);
    EXPECT_FALSE(m_host.m_bAbortRecording);
    EXPECT_EQ(ReadBytes(m_path), before);
    EXPECT_TRUE(m_host.Boxes().empty());
    ExpectButtonsRestored();
}

TEST_F(EngineTest, StartAtTheLastEntryIsRefusedAndRewinds) {
    const std::string before = ReadBytes(m_path);
    const auto times = Times(m_host.score);
    StartAndRewind();
    // Steps while idle only move the preview.
    for (int i = 0; i < 4; ++i) {
        Press();
    }
    ASSERT_EQ(m_host.m_nIndex, 4);
    EXPECT_EQ(m_host.Status(), "Round1, Player2, 1投目 (5/5)");
    m_host.m_nCommand = CMD_START_RECORDING;
    ASSERT_TRUE(WaitIdleAtFirstEntry());

    EXPECT_EQ(m_host.History().back(), kShortFirstEntry);
    EXPECT_EQ(m_host.History().end()[-2], kStatusRecordingStart);
    EXPECT_EQ(Times(m_host.score), times);
    EXPECT_EQ(ReadBytes(m_path), before);
    EXPECT_TRUE(m_host.Boxes().empty());
}

TEST_F(EngineTest, StopClearsTimesFromTheFirstBackwardStep) {
    StartAndRewind();
    m_host.score.at(3)->time = 1500; // before dart 2 at 2000
    m_host.m_nCommand = CMD_STOP;
    ASSERT_TRUE(WaitIdleAtFirstEntry());
    EXPECT_EQ(Times(m_host.score), (std::vector<int32_t>{0, 1000, 2000, 0, 0}));
}

TEST_F(EngineTest, ExportReportsCompletionAndRewinds) {
    StartAndRewind();
    m_host.m_nCommand = CMD_EXPORT;
    ASSERT_TRUE(WaitFor([this] { return !m_host.Boxes().empty(); }, 120s));
    ASSERT_TRUE(WaitIdleAtFirstEntry());

    const auto boxes = m_host.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    ExpectBox(boxes[0], kExportDoneText, kExportDoneCaption, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(ReadBytes(m_host.aviPath).substr(0, 4), "RIFF");
    ExpectButtonsRestored();
}

TEST_F(EngineTest, CancelledExportShowsTheCancelTextThenTheErrorBox) {
    m_host.onStatus = [this](const std::string& text) {
        if (m_host.m_nMode == MODE_EXPORTING && text != kExportCancelled) {
            m_host.m_nCommand = CMD_STOP; // the export button pressed again
        }
    };
    StartAndRewind();
    m_host.m_nCommand = CMD_EXPORT;
    ASSERT_TRUE(WaitFor([this] { return !m_host.Boxes().empty(); }));
    m_host.onStatus = nullptr;
    ASSERT_TRUE(WaitIdleAtFirstEntry());

    const auto boxes = m_host.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    ExpectBox(boxes[0], kExportErrorText, kExportErrorCaption, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[0].statusShown, kExportCancelled);
    ExpectButtonsRestored();
}

TEST_F(EngineTest, ClosingDuringAnExportEndsTheEngineWithoutABox) {
    m_host.onStatus = [this](const std::string&) {
        if (m_host.m_nMode == MODE_EXPORTING) {
            m_host.m_bRunning = 0; // the window is closing
        }
    };
    StartAndRewind();
    m_host.m_nCommand = CMD_EXPORT;
    ASSERT_TRUE(WaitFor([this] { return m_host.closed.load(); }));
    m_thread.join();
    EXPECT_TRUE(m_host.Boxes().empty());
}

} // namespace
