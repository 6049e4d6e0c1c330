#include "engine/Engine.h"

#include "EngineLog.h"
#include "ShortMatch.h"
#include "TestSupport.h"
#include "render/Renderer.h"
#include "score/Loader.h"
#include "score/ScoreData.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

static void PrintTo(const ShownEntry& e, std::ostream* out) {
    *out << "R" << e.round << " P" << e.player << " D" << e.dart << " (" << e.position << "/"
         << e.count << ")" << (e.recording ? " recording" : "");
}

namespace {

// An arbitrary reading of the caller's clock: the engine only ever subtracts stamps.
constexpr int64_t kStart = 5'000'000'000;

const ShownEntry kFirstEntry{1, 5, 1, 1, 0, false};

class EngineTest : public testing::Test {
protected:
    void SetUp() override {
        m_path = m_dir.File("match.txt");
        WriteBytes(m_path, kShortMatch);
        ASSERT_TRUE(OpenScoreFile(m_match, m_path));
        ASSERT_EQ(m_match.count(), 5);
        m_videoPath = m_dir.File("match.avi");
    }

    Engine& engine() { return *m_engine; }

    // Loads m_match and waits until the first entry is shown.
    void LoadAndRewind() {
        engine().load(m_match);
        engine().rewind();
        ASSERT_TRUE(m_log.Settle(engine()));
        ASSERT_FALSE(m_log.entries.empty());
        ASSERT_EQ(m_log.entries.back(), (ShownEntry{1, m_match.count(), 1, 1, 0, false}));
    }

    void LoadLongMatch() {
        const std::string path = m_dir.File("501-timed.txt");
        ASSERT_TRUE(QFile::copy(QStringLiteral(VORLAT_EXAMPLES_DIR "/501-timed.txt"),
                                QString::fromStdString(path)));
        ASSERT_TRUE(OpenScoreFile(m_match, path));
        LoadAndRewind();
    }

    // Records the short match with taps at these times after the start; the last one
    // reaches the last entry.
    void Record(const std::vector<int64_t>& taps) {
        engine().startRecording(kStart);
        for (int64_t t : taps) {
            engine().tap(kStart + t);
        }
        ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));
    }

    TempDir m_dir;
    std::string m_path;
    std::string m_videoPath;
    Match m_match;
    std::unique_ptr<Engine> m_engine = std::make_unique<Engine>();
    EngineLog m_log{*m_engine};
};

TEST_F(EngineTest, TitleAndFirstEntryAreTheRenderersPictures) {
    engine().showTitle();
    LoadAndRewind();
    ASSERT_EQ(m_log.pictures.size(), 2u);

    QImage title = MakeBoardImage({});
    RenderTitle(title, {});
    EXPECT_EQ(m_log.pictures[0], title);
    QImage first = MakeBoardImage({});
    ASSERT_TRUE(RenderEntry(m_match, 0, first, {}));
    EXPECT_EQ(m_log.pictures[1], first);
    EXPECT_TRUE(m_log.modes.empty());
    EXPECT_TRUE(m_log.matches.empty()); // showing changes no time
}

TEST_F(EngineTest, RecordingToTheLastEntrySavesWithTheTurnStartMidpoint) {
    LoadAndRewind();
    // The third tap reaches the second turn: its start gets the moment halfway between the
    // second dart and the tap (truncated), the tap goes to the turn's first dart.
    Record({401, 900, 1503});

    EXPECT_EQ(m_log.recordings, std::vector<RecordingEnd>{RecordingEnd::Saved});
    EXPECT_EQ(m_log.modes, (std::vector<EngineMode>{EngineMode::Recording, EngineMode::Idle}));
    ASSERT_EQ(m_log.matches.size(), 1u);
    EXPECT_EQ(Times(m_log.matches[0]), (std::vector<int32_t>{0, 401, 900, 1201, 1503}));

    const std::vector<ShownEntry> shown = {
        kFirstEntry,
        {2, 5, 1, 1, 1, true},
        {3, 5, 1, 1, 2, true},
        {5, 5, 1, 2, 1, true},
    };
    EXPECT_EQ(m_log.entries, shown);

    // The file now holds the darts' times; the loader derives the turn start the same way.
    Match saved;
    ASSERT_TRUE(OpenScoreFile(saved, m_path));
    EXPECT_EQ(Times(saved), (std::vector<int32_t>{0, 401, 900, 1201, 1503}));
}

TEST_F(EngineTest, RecordingContinuesTheTimelineOfTheEntryShown) {
    // A first entry with a time of its own: the start stamp is that moment of the match.
    m_match.at(0)->time = 250;
    LoadAndRewind();
    Record({401, 900, 1503});
    ASSERT_EQ(m_log.matches.size(), 1u);
    EXPECT_EQ(Times(m_log.matches[0]), (std::vector<int32_t>{250, 651, 1150, 1451, 1753}));
}

TEST_F(EngineTest, RefusedSaveKeepsTheRecordedTimes) {
    const std::string before = ReadBytes(m_path);
    m_match.path = m_dir.File("gone/match.txt");
    LoadAndRewind();
    Record({100, 200, 300});

    EXPECT_EQ(m_log.recordings, std::vector<RecordingEnd>{RecordingEnd::SaveFailed});
    ASSERT_EQ(m_log.matches.size(), 1u);
    EXPECT_EQ(Times(m_log.matches[0]), (std::vector<int32_t>{0, 100, 200, 250, 300}));
    EXPECT_EQ(ReadBytes(m_path), before);
}

TEST_F(EngineTest, AbortRestoresEveryTimeAndWritesNothing) {
    const std::string before = ReadBytes(m_path);
    LoadAndRewind();
    engine().startRecording(kStart);
    engine().tap(kStart + 100);
    ASSERT_TRUE(WaitUntil([this] { return m_log.entries.size() == 2; }));
    engine().abortRecording();
    ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));

    EXPECT_EQ(m_log.recordings, std::vector<RecordingEnd>{RecordingEnd::Aborted});
    ASSERT_EQ(m_log.matches.size(), 1u);
    EXPECT_EQ(Times(m_log.matches[0]), Times(m_match));
    EXPECT_EQ(ReadBytes(m_path), before);
    EXPECT_EQ(m_log.modes.back(), EngineMode::Idle);
}

TEST_F(EngineTest, TapsOutsideARecordingAndCommandsDuringOneChangeNothing) {
    LoadAndRewind();
    engine().tap(kStart + 100); // idle: ignored
    engine().startRecording(kStart);
    engine().rewind();                 // a run is not disturbed by a rewind
    engine().load(Match());            // nor by a load
    engine().exportVideo(m_videoPath); // nor by an export, which is refused and says so
    engine().tap(kStart + 200);
    engine().abortRecording();
    engine().abortRecording(); // the recording is over: ignored
    ASSERT_TRUE(m_log.Settle(engine()));

    EXPECT_EQ(m_log.entries, (std::vector<ShownEntry>{kFirstEntry, {2, 5, 1, 1, 1, true}}));
    EXPECT_EQ(m_log.recordings, std::vector<RecordingEnd>{RecordingEnd::Aborted});
    EXPECT_EQ(m_log.exports, std::vector<ExportOutcome>{ExportOutcome::Failed});
    EXPECT_FALSE(QFile::exists(QString::fromStdString(m_videoPath)));
    // Still the short match.
    engine().rewind();
    ASSERT_TRUE(m_log.Settle(engine()));
    EXPECT_EQ(m_log.entries.back(), kFirstEntry);
}

TEST_F(EngineTest, StartWithoutANextEntryIsRefused) {
    Match single;
    single.gameKind = GameKind::X01;
    Entry& only = single.append();
    only.round = 1;
    only.player = 1;
    only.dart = 0;
    engine().load(single);
    engine().rewind();
    engine().startRecording(kStart);
    engine().tap(kStart + 100);
    ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));
    ASSERT_TRUE(m_log.Settle(engine()));

    EXPECT_EQ(m_log.recordings, std::vector<RecordingEnd>{RecordingEnd::NotStarted});
    EXPECT_TRUE(m_log.modes.empty());
    ASSERT_EQ(m_log.matches.size(), 1u);
    EXPECT_EQ(Times(m_log.matches[0]), std::vector<int32_t>{0});
}

TEST_F(EngineTest, AnEntryWithoutABoardEndsTheRecordingWithTheTimesSoFar) {
    m_match.at(2)->player = 0; // the renderer has no board for a dart of no player
    LoadAndRewind();
    engine().startRecording(kStart);
    engine().tap(kStart + 100);
    engine().tap(kStart + 200); // reaches the entry without a board
    engine().tap(kStart + 300); // the recording is over by now
    ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));
    ASSERT_TRUE(m_log.Settle(engine()));

    EXPECT_EQ(m_log.recordings, std::vector<RecordingEnd>{RecordingEnd::Saved});
    ASSERT_EQ(m_log.matches.size(), 1u);
    EXPECT_EQ(Times(m_log.matches[0]), (std::vector<int32_t>{0, 100, 200, 2500, 3000}));
}

TEST_F(EngineTest, ExportReportsProgressAndCompletionAndCleansTheTimes) {
    m_match.at(3)->time = 1500; // steps back from dart 2 at 2000
    LoadAndRewind();
    engine().exportVideo(m_videoPath);
    ASSERT_TRUE(WaitUntil([this] { return !m_log.exports.empty(); }, 120000));

    EXPECT_EQ(m_log.exports, std::vector<ExportOutcome>{ExportOutcome::Finished});
    EXPECT_EQ(m_log.modes, (std::vector<EngineMode>{EngineMode::Exporting, EngineMode::Idle}));
    ASSERT_FALSE(m_log.progress.empty());
    EXPECT_EQ(m_log.progress.front(), 0);
    EXPECT_TRUE(std::is_sorted(m_log.progress.begin(), m_log.progress.end()));
    EXPECT_LT(m_log.progress.back(), 100);
    EXPECT_GT(m_log.progress.back(), 90);
    EXPECT_EQ(ReadBytes(m_videoPath).substr(0, 4), "RIFF");
    ASSERT_EQ(m_log.matches.size(), 1u);
    EXPECT_EQ(Times(m_log.matches[0]), (std::vector<int32_t>{0, 1000, 2000, 0, 0}));
}

TEST_F(EngineTest, CancelStopsTheRunningExport) {
    LoadLongMatch();
    engine().exportVideo(m_videoPath);
    ASSERT_TRUE(WaitUntil([this] { return !m_log.progress.empty() && m_log.progress.back() > 0; }));
    engine().cancelJob(EngineJob::Export);
    ASSERT_TRUE(WaitUntil([this] { return !m_log.exports.empty(); }));

    EXPECT_EQ(m_log.exports, std::vector<ExportOutcome>{ExportOutcome::Cancelled});
    EXPECT_LT(m_log.progress.back(), 90);
    EXPECT_EQ(m_log.modes.back(), EngineMode::Idle);
}

TEST_F(EngineTest, CancelReachesTheExportGivenBeforeItAndNoLaterOne) {
    LoadAndRewind();
    // Given before the export has started: it stops before its first frame.
    engine().exportVideo(m_videoPath);
    engine().cancelJob(EngineJob::Export);
    ASSERT_TRUE(WaitUntil([this] { return m_log.exports.size() == 1; }));
    EXPECT_EQ(m_log.exports[0], ExportOutcome::Cancelled);

    // A cancel given after that export has ended leaves the next one alone.
    engine().cancelJob(EngineJob::Export);
    engine().exportVideo(m_videoPath);
    ASSERT_TRUE(WaitUntil([this] { return m_log.exports.size() == 2; }, 120000));
    EXPECT_EQ(m_log.exports[1], ExportOutcome::Finished);
}

// Destroying the engine must neither hang nor leave its thread running: the export
// stops before its next frame, the recording is dropped unsaved. An engine that waited for
// the export to end instead would have reported its last frames and put the video in place
// by the time it was gone.
TEST_F(EngineTest, DestroyingTheEngineDuringAnExportJoinsAtOnce) {
    LoadLongMatch();
    engine().exportVideo(m_videoPath);
    ASSERT_TRUE(WaitUntil([this] { return !m_log.progress.empty(); }));
    m_engine.reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_LT(m_log.progress.back(), 90);
    EXPECT_EQ(std::count(m_log.exports.begin(), m_log.exports.end(), ExportOutcome::Finished), 0);
    EXPECT_FALSE(std::filesystem::exists(m_videoPath));
}

TEST_F(EngineTest, DestroyingTheEngineDuringARecordingSavesNothing) {
    const std::string before = ReadBytes(m_path);
    LoadAndRewind();
    engine().startRecording(kStart);
    engine().tap(kStart + 100);
    ASSERT_TRUE(WaitUntil([this] { return m_log.entries.size() == 2; }));
    m_engine.reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(m_log.recordings.empty());
    EXPECT_EQ(ReadBytes(m_path), before);
}

} // namespace
