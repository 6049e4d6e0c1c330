#include "ScoreTestUtil.h"

#include "score/Loader.h"
#include "score/TimingWriter.h"

#include <gtest/gtest.h>

namespace {

// Adds an entry as the evaluation leaves it: round, player and dart set.
Entry& Add(Match& data, int round, int player, int dart, int time) {
    Entry& m = data.append();
    m.round = round;
    m.player = player;
    m.dart = dart;
    m.time = time;
    return m;
}

class TimingWriterTest : public ::testing::Test {
protected:
    std::string Save(const std::string& before) {
        m_data.path = m_dir.File("score.txt");
        WriteBytes(m_data.path, before);
        EXPECT_TRUE(SaveTimingFile(m_data).ok());
        return ReadBytes(m_data.path);
    }

    TempDir m_dir;
    Match m_data;
};

TEST_F(TimingWriterTest, OneDartAtZero) {
    Add(m_data, 1, 1, 0, 0);
    Add(m_data, 1, 1, 1, 0);
    EXPECT_EQ(Save("[DATA]\nR01-1=T20\n"), "[DATA]\nR01-1=T20\n\n[TIME]\nR01-1=0\n");
}

TEST_F(TimingWriterTest, StopsAtTheFirstMissingTurnAndLeavesLaterKeys) {
    Add(m_data, 1, 1, 0, 0);
    Add(m_data, 1, 1, 1, 100);
    Add(m_data, 1, 1, 2, 200);
    Add(m_data, 1, 1, 3, 300);
    Add(m_data, 1, 2, 0, 400);
    Add(m_data, 1, 2, 1, 500);
    Add(m_data, 2, 1, 0, 600);
    Add(m_data, 2, 1, 1, 700);
    Add(m_data, 2, 1, 2, 800);
    Add(m_data, 2, 1, 1, 999); // a second dart 1 of the same turn: the first one counts
    const std::string before = "[TIME]\r\nR01-1=1,2,3\r\nR02-2=5,6\r\nR03-1=7\r\n\r\n"
                               "[DATA]\r\nR01-1=T20,S20,S5\r\n";
    EXPECT_EQ(Save(before), "[TIME]\r\nR01-1=100,200,300\r\nR02-2=5,6\r\nR03-1=7\r\n"
                            "R01-2=500\r\nR02-1=700,800\r\n\r\n"
                            "[DATA]\r\nR01-1=T20,S20,S5\r\n");
}

TEST_F(TimingWriterTest, OtherBytesStayAsTheyWere) {
    Add(m_data, 1, 1, 0, 0);
    Add(m_data, 1, 1, 1, 1234);
    const std::string head =
        "\xEF\xBB\xBF; \x83\x65\x83\x58\x83\x67 \xE8\xA9\xA6\xE5\x90\x88\r\n"
        "[SETTING]\r\nGAME = 501 \r\n[DATA]\r\nR01-1= t20 \r\n[TIME]\r\nR01-1 = ";
    EXPECT_EQ(Save(head + "5\r\n"), head + "1234\r\n");
}

TEST_F(TimingWriterTest, NothingToWrite) {
    // No path: nothing is written and the result is false.
    Add(m_data, 1, 1, 0, 0);
    Add(m_data, 1, 1, 1, 10);
    EXPECT_FALSE(SaveTimingFile(m_data).ok());

    // No dart of round 1: nothing to save, the file stays as it is.
    Match none;
    none.path = m_dir.File("none.txt");
    WriteBytes(none.path, "[DATA]\n");
    EXPECT_TRUE(SaveTimingFile(none).ok());
    EXPECT_EQ(ReadBytes(none.path), "[DATA]\n");
}

TEST_F(TimingWriterTest, SavedTimesLoadAgainWithoutWarnings) {
    // A file with times and one without: after a save both load with the saved times, the
    // same throws and scores, and nothing to warn about.
    for (const char* name : {"501-timed.txt", "1501.txt"}) {
        Match data;
        ASSERT_TRUE(OpenScoreFile(data, std::string(VORLAT_EXAMPLES_DIR "/") + name));
        const std::string copy = m_dir.File(name);
        WriteBytes(copy, ReadBytes(data.path));
        data.path = copy;
        int32_t t = 0;
        for (Entry& m : data.entries) {
            m.time = (t += 333);
        }
        ASSERT_TRUE(SaveTimingFile(data).ok()) << name;
        Match again;
        LoadOutcome outcome = LoadScoreFile(again, copy);
        ASSERT_TRUE(outcome.loaded) << name;
        EXPECT_EQ(FormatCheckReport(name, outcome), "");
        ASSERT_EQ(again.count(), data.count());
        for (int i = 0; i < data.count(); ++i) {
            const Entry& saved = *data.at(i);
            const Entry& loaded = *again.at(i);
            if (saved.dart > 0) {
                EXPECT_EQ(loaded.time, saved.time) << name << i;
            }
            EXPECT_EQ(loaded.kind, saved.kind) << name << i;
            EXPECT_EQ(loaded.score[0], saved.score[0]) << name << i;
            EXPECT_EQ(loaded.score[1], saved.score[1]) << name << i;
        }
    }
}

} // namespace
