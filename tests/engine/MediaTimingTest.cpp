#include "engine/Engine.h"

#include "EngineLog.h"
#include "ShortMatch.h"
#include "TestSupport.h"
#include "score/Loader.h"

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>
#include <memory>
#include <vector>

namespace {

// Recording on a footage's clock, taking taps back, and adjusting the times afterwards.
class MediaTimingTest : public testing::Test {
protected:
    void SetUp() override {
        m_path = m_dir.File("match.txt");
        WriteBytes(m_path, kShortMatch);
        ASSERT_TRUE(OpenScoreFile(m_match, m_path));
        QObject::connect(m_engine.get(), &Engine::timesSaved,
                         [this](bool ok, const QString& reason) {
                             m_saves.push_back(ok);
                             m_reasons.push_back(reason);
                         });
        QObject::connect(m_engine.get(), &Engine::tapRefused,
                         [this](const TapRefusal& r) { m_refusals.push_back(r); });
        QObject::connect(m_engine.get(), &Engine::timesRecorded,
                         [this](const Match& m) { m_recorded.push_back(Times(m)); });
        m_engine->load(m_match);
        m_engine->rewind();
        ASSERT_TRUE(m_log.Settle(*m_engine));
    }

    std::vector<int32_t> SavedTimes() {
        Match saved;
        EXPECT_TRUE(OpenScoreFile(saved, m_path));
        return Times(saved);
    }

    TempDir m_dir;
    std::string m_path;
    Match m_match;
    std::unique_ptr<Engine> m_engine = std::make_unique<Engine>();
    EngineLog m_log{*m_engine};
    std::vector<bool> m_saves;
    std::vector<QString> m_reasons; // why each save failed; empty for one that worked
    std::vector<TapRefusal> m_refusals;
    std::vector<std::vector<int32_t>> m_recorded; // the times after each tap or undo
};

TEST_F(MediaTimingTest, StampsAreFootagePositionsAndTheEntryShownStartsThere) {
    // Media positions are match times as they are: no wall clock, no start offset. (The
    // match's first entry has no time of its own in the file.)
    m_engine->startMediaRecording();
    for (int64_t t : {2533, 3100, 4067}) {
        m_engine->tap(t);
    }
    ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));
    EXPECT_EQ(m_log.recordings, std::vector<RecordingEnd>{RecordingEnd::Saved});
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 2533, 3100, 3583, 4067}));
}

TEST_F(MediaTimingTest, ARecordingFromTheMiddleOfTheFootageKeepsEveryTimeItWasGiven) {
    // Started with the footage well past the file's times, then taps from its beginning:
    // nothing of the start position reaches the times.
    m_engine->startMediaRecording();
    for (int64_t t : {100, 200, 300}) {
        m_engine->tap(t);
    }
    ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));
    EXPECT_EQ(m_log.recordings, std::vector<RecordingEnd>{RecordingEnd::Saved});
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 100, 200, 250, 300}));
}

TEST_F(MediaTimingTest, ATapBeforeTheDartBeforeIsRefusedAndNeverStored) {
    m_engine->startMediaRecording();
    m_engine->tap(1500);
    m_engine->tap(1400); // the second dart, before the first: refused
    m_engine->tap(1500); // the same moment is allowed
    m_engine->tap(900);  // the next turn's dart, before the last: refused
    ASSERT_TRUE(m_log.Settle(*m_engine));
    ASSERT_EQ(m_refusals.size(), 2u);
    EXPECT_EQ(m_refusals[0].dart, (ShownEntry{3, 5, 1, 1, 2, true}));
    EXPECT_EQ(m_refusals[0].tapMs, 1400);
    EXPECT_EQ(m_refusals[0].previous, (ShownEntry{2, 5, 1, 1, 1, false}));
    EXPECT_EQ(m_refusals[0].previousMs, 1500);
    // Across a turn start the refusal names the dart, not the start.
    EXPECT_EQ(m_refusals[1].dart, (ShownEntry{5, 5, 1, 2, 1, true}));
    EXPECT_EQ(m_refusals[1].tapMs, 900);
    EXPECT_EQ(m_refusals[1].previous, (ShownEntry{3, 5, 1, 1, 2, false}));
    // Only the two taps that stood were reported.
    EXPECT_EQ(m_recorded, (std::vector<std::vector<int32_t>>{{0, 1500, 2000, 2500, 3000},
                                                             {0, 1500, 1500, 2500, 3000}}));
    EXPECT_TRUE(m_log.recordings.empty());

    m_engine->tap(2100);
    ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 1500, 1500, 1800, 2100}));
}

TEST_F(MediaTimingTest, TimesThatWouldRunBackwardsAreNeverSavedOverTheFile) {
    // A match held with a backward step before the entry the recording starts at (a file
    // edited by hand, say): the taps run forward, but the whole would not, and saved it would
    // read back as zeros from that step on. The file keeps its times.
    const std::string before = ReadBytes(m_path);
    m_match.entries[1].time = 5000;
    m_match.entries[2].time = 100;
    m_engine->load(m_match);
    m_engine->showEntry(2);
    m_engine->startMediaRecording();
    m_engine->tap(6000);
    ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));
    EXPECT_EQ(m_log.recordings, std::vector<RecordingEnd>{RecordingEnd::SaveFailed});
    EXPECT_EQ(ReadBytes(m_path), before);
    EXPECT_EQ(Times(m_log.matches.back()), (std::vector<int32_t>{0, 5000, 100, 2500, 3000}));
}

TEST_F(MediaTimingTest, RedoGivesBackTheTapsTakenBackUntilANewTap) {
    m_engine->startMediaRecording();
    m_engine->tap(500);
    m_engine->tap(900);
    m_engine->undoTap();
    m_engine->undoTap();
    m_engine->redoTap();
    ASSERT_TRUE(m_log.Settle(*m_engine));
    EXPECT_EQ(m_log.entries.back(), (ShownEntry{2, 5, 1, 1, 1, true}));
    EXPECT_EQ(m_recorded.back(), (std::vector<int32_t>{0, 500, 2000, 2500, 3000}));
    m_engine->tap(950); // the redo list is gone
    m_engine->redoTap();
    ASSERT_TRUE(m_log.Settle(*m_engine));
    EXPECT_EQ(m_log.entries.back(), (ShownEntry{3, 5, 1, 1, 2, true}));
    m_engine->tap(1200);
    ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 500, 950, 1075, 1200}));
}

TEST_F(MediaTimingTest, UndoAndRedoOfTimesWalkBackThroughRecordingsNudgesAndShifts) {
    const std::vector<int32_t> file{0, 1000, 2000, 2500, 3000};
    const std::vector<int32_t> recorded{0, 100, 200, 250, 300};
    const std::vector<int32_t> nudged{0, 133, 200, 250, 300};
    const std::vector<int32_t> shifted{0, 633, 700, 750, 800};
    m_engine->startMediaRecording();
    for (int64_t t : {100, 200, 300}) {
        m_engine->tap(t);
    }
    m_engine->nudgeEntry(1, 33);
    m_engine->shiftTimes(500);
    ASSERT_TRUE(m_log.Settle(*m_engine));
    ASSERT_EQ(SavedTimes(), shifted);

    struct Step {
        bool undo;
        std::vector<int32_t> times;
    };
    const Step steps[] = {{true, nudged},    {true, recorded}, {true, file},
                          {true, file}, // nothing older
                          {false, recorded}, {false, nudged},  {true, recorded}};
    for (const Step& step : steps) {
        if (step.undo) {
            m_engine->undoTimes();
        } else {
            m_engine->redoTimes();
        }
        ASSERT_TRUE(m_log.Settle(*m_engine));
        EXPECT_EQ(SavedTimes(), step.times) << (step.undo ? "undo" : "redo");
    }
    // A new change ends what could be redone.
    m_engine->shiftTimes(10);
    m_engine->redoTimes();
    ASSERT_TRUE(m_log.Settle(*m_engine));
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 110, 210, 260, 310}));
    EXPECT_EQ(m_saves, std::vector<bool>(m_saves.size(), true));
}

TEST_F(MediaTimingTest, UndoRestoresTheStampedEntriesAndStepsTheBoardBack) {
    m_engine->startMediaRecording();
    m_engine->tap(500);
    m_engine->tap(900);
    ASSERT_TRUE(m_log.Settle(*m_engine));
    const QImage afterFirst = m_log.pictures[m_log.pictures.size() - 2];

    m_engine->undoTap();
    ASSERT_TRUE(m_log.Settle(*m_engine));
    EXPECT_EQ(m_log.entries.back(), (ShownEntry{2, 5, 1, 1, 1, true}));
    EXPECT_EQ(m_log.pictures.back(), afterFirst);

    m_engine->tap(1000);
    m_engine->undoTap();
    m_engine->undoTap(); // back at the first entry
    m_engine->undoTap(); // nothing left to take back
    ASSERT_TRUE(m_log.Settle(*m_engine));
    EXPECT_EQ(m_log.entries.back(), (ShownEntry{1, 5, 1, 1, 0, true}));
    EXPECT_TRUE(m_log.recordings.empty());

    // The undone times are gone: the file gets only the taps that stood.
    for (int64_t t : {700, 1300, 2100}) {
        m_engine->tap(t);
    }
    ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 700, 1300, 1700, 2100}));
}

TEST_F(MediaTimingTest, UndoAcrossATurnStartTakesBackTheStartAndTheDart) {
    WriteBytes(m_path, "[SETTING]\nGAME=301\nNOCOMP-AVI=1\n\n"
                       "[DATA]\nR01-1=20\nR01-2=5,5\n\n[TIME]\nR01-1=1000\nR01-2=3000,4000\n");
    ASSERT_TRUE(OpenScoreFile(m_match, m_path));
    m_engine->load(m_match);
    m_engine->rewind();
    m_engine->startMediaRecording();
    m_engine->tap(400);
    m_engine->tap(1000); // the second turn's start and its first dart
    m_engine->undoTap();
    ASSERT_TRUE(m_log.Settle(*m_engine));
    EXPECT_EQ(m_log.entries.back(), (ShownEntry{2, 5, 1, 1, 1, true}));
    m_engine->tap(1200);
    m_engine->tap(1500);
    ASSERT_TRUE(WaitUntil([this] { return !m_log.recordings.empty(); }));
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 400, 800, 1200, 1500}));
}

TEST_F(MediaTimingTest, NudgesStayBetweenNeighboursShiftsStayAtOrAboveZeroAndBothSave) {
    // The file's times: 0, 1000, 2000, 2500, 3000.
    struct Step {
        bool shift;
        int index;
        int delta;
        std::vector<int32_t> times;
    };
    const std::vector<Step> steps = {
        {false, 1, 33, {0, 1033, 2000, 2500, 3000}},
        {false, 1, -10, {0, 1023, 2000, 2500, 3000}},
        // Held at the next dart; the turn start follows its darts.
        {false, 2, 1400, {0, 1023, 3000, 3000, 3000}},
        {false, 2, -1000, {0, 1023, 2000, 2500, 3000}},
        {false, 1, -5000, {0, 0, 2000, 2500, 3000}}, // held at 0
        {true, 0, 250, {0, 250, 2250, 2750, 3250}},
        {true, 0, -1000, {0, 0, 2000, 2500, 3000}}, // no dart below 0
        {false, 0, 10, {0, 0, 2000, 2500, 3000}},   // a turn start: nothing changes
        {false, 9, 10, {0, 0, 2000, 2500, 3000}},   // no such entry
    };
    size_t expectedSaves = 0;
    for (const Step& step : steps) {
        if (step.shift) {
            m_engine->shiftTimes(step.delta);
        } else {
            m_engine->nudgeEntry(step.index, step.delta);
        }
        ASSERT_TRUE(m_log.Settle(*m_engine));
        expectedSaves += step.shift || (step.index != 0 && step.index < 5) ? 1 : 0;
        ASSERT_EQ(m_saves.size(), expectedSaves);
        EXPECT_EQ(Times(m_log.matches.back()), step.times) << step.index << " " << step.delta;
        EXPECT_EQ(SavedTimes(), step.times) << step.index << " " << step.delta;
    }
    EXPECT_EQ(m_saves, std::vector<bool>(expectedSaves, true));
}

// A refused save says which file and why, not only that it failed; the times stay in memory.
TEST_F(MediaTimingTest, ARefusedAdjustmentSaysWhy) {
    m_engine->nudgeEntry(1, 33);
    ASSERT_TRUE(WaitUntil([this] { return m_saves.size() == 1; }));
    ASSERT_TRUE(std::filesystem::remove(m_path));
    m_engine->nudgeEntry(1, 33);
    ASSERT_TRUE(WaitUntil([this] { return m_saves.size() == 2; }));
    EXPECT_EQ(m_saves, (std::vector<bool>{true, false}));
    EXPECT_EQ(m_reasons,
              (std::vector<QString>{
                  QString(), QString::fromStdString(m_path) +
                                 ": no longer exists (moved or deleted since it was loaded); the "
                                 "times were not saved"}));
}

TEST_F(MediaTimingTest, AdjustmentsWaitForTheRecordingToEnd) {
    m_engine->startMediaRecording();
    m_engine->nudgeEntry(1, 100);
    m_engine->shiftTimes(100);
    m_engine->abortRecording();
    ASSERT_TRUE(m_log.Settle(*m_engine));
    EXPECT_TRUE(m_saves.empty());
    EXPECT_EQ(SavedTimes(), (std::vector<int32_t>{0, 1000, 2000, 2500, 3000}));
}

// A match of two legs, player 2 opening the second: one recording walks from the last dart
// of leg 1 into leg 2 and saves each leg's times into its own section, nothing else.
TEST(MediaTimingAcrossLegs, EachLegsTimesGoIntoItsOwnSection) {
    const std::string before = "[SETTING]\n"
                               "GAME=301\n"
                               "P1-SCORE=60\n"
                               "P2-SCORE=60\n"
                               "LEGS=2\n"
                               "\n"
                               "[DATA]\n"
                               "R01-1=T20\n"
                               "\n"
                               "[DATA2]\n"
                               "R01-2=20\n"
                               "R01-1=T20\n";
    TempDir dir;
    const std::string path = dir.File("legs.txt");
    WriteBytes(path, before);
    Match match;
    ASSERT_TRUE(OpenScoreFile(match, path));
    ASSERT_EQ(match.legs.size(), 2u);
    ASSERT_EQ(match.legs[1].firstThrower, 2);

    auto engine = std::make_unique<Engine>();
    EngineLog log{*engine};
    engine->load(match);
    engine->rewind();
    ASSERT_TRUE(log.Settle(*engine));
    engine->startMediaRecording();
    for (int64_t t : {1000, 5000, 6000}) {
        engine->tap(t);
    }
    ASSERT_TRUE(WaitUntil([&log] { return !log.recordings.empty(); }));
    EXPECT_EQ(log.recordings, std::vector<RecordingEnd>{RecordingEnd::Saved});

    EXPECT_EQ(ReadBytes(path), before + "\n"
                                        "[TIME]\n"
                                        "R01-1=1000\n"
                                        "\n"
                                        "[TIME2]\n"
                                        "R01-2=5000\n"
                                        "R01-1=6000\n");
    Match saved;
    ASSERT_TRUE(OpenScoreFile(saved, path));
    // Leg 2's opening turn starts halfway between the last dart of leg 1 and its first dart.
    EXPECT_EQ(Times(saved), (std::vector<int32_t>{0, 1000, 3000, 5000, 5500, 6000}));
    EXPECT_EQ(saved.legs[0].winner, 1);
    EXPECT_EQ(saved.legs[1].winner, 1);
}

} // namespace
