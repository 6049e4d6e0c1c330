#include "engine/Engine.h"

#include "EngineLog.h"
#include "FootageMaker.h"
#include "ShortMatch.h"
#include "TestSupport.h"
#include "score/Loader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace {

// What the engine said about its burn-in jobs, in the order it said it: a percent, or the
// outcome of a finished job.
using JobEvent = std::variant<int, ExportOutcome>;

class BurnJobTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string scorePath = m_dir.File("match.txt");
        WriteBytes(scorePath, kShortMatch);
        ASSERT_TRUE(OpenScoreFile(m_request.match, scorePath));
        m_request.scorePath = scorePath;
        m_request.footagePath = m_dir.File("take.mp4");
        m_request.outputPath = m_dir.File("burned.mp4");
        QObject::connect(m_engine.get(), &Engine::jobProgress, [this](EngineJob job, int p) {
            EXPECT_EQ(job, EngineJob::BurnIn);
            m_events.emplace_back(p);
        });
        QObject::connect(m_engine.get(), &Engine::jobFinished,
                         [this](EngineJob job, const ExportResult& result) {
                             EXPECT_EQ(job, EngineJob::BurnIn);
                             m_events.emplace_back(result.outcome);
                             m_results.push_back(result);
                         });
    }

    void MakeFootage(int seconds) {
        std::string errors;
        ASSERT_TRUE(videotest::MakeMedia(
            m_request.footagePath,
            "-f lavfi -i testsrc=size=320x240:rate=30:duration=" + std::to_string(seconds) +
                " -c:v libx264 -preset ultrafast -pix_fmt yuv420p",
            &errors))
            << errors;
    }

    bool WaitForResult() {
        return WaitUntil([this] { return !m_results.empty(); }, 240000);
    }

    TempDir m_dir;
    BurnRequest m_request;
    std::unique_ptr<Engine> m_engine = std::make_unique<Engine>();
    EngineLog m_log{*m_engine};
    std::vector<JobEvent> m_events;
    std::vector<ExportResult> m_results;
};

TEST_F(BurnJobTest, RunsOnTheEngineWithProgressThenOneResultUntouchedByAnExportsCancel) {
    MakeFootage(2);
    m_engine->burnIn(m_request);
    // A cancel meant for the export leaves the burn-in running.
    m_engine->cancelJob(EngineJob::Export);
    ASSERT_TRUE(WaitForResult());
    ASSERT_TRUE(m_log.Settle(*m_engine));

    ASSERT_EQ(m_results.size(), 1u);
    EXPECT_EQ(m_results[0].outcome, ExportOutcome::Finished) << m_results[0].error;
    EXPECT_EQ(m_results[0].framesWritten, 60);
    ASSERT_GE(m_events.size(), 2u);
    EXPECT_EQ(m_events.back(), JobEvent(ExportOutcome::Finished));
    int last = -1;
    for (size_t i = 0; i + 1 < m_events.size(); ++i) {
        ASSERT_TRUE(std::holds_alternative<int>(m_events[i])) << "a result before the progress";
        EXPECT_GE(std::get<int>(m_events[i]), last);
        last = std::get<int>(m_events[i]);
    }
    EXPECT_EQ(m_log.modes, (std::vector<EngineMode>{EngineMode::Exporting, EngineMode::Idle}));
    EXPECT_EQ(videotest::ProbeFields(m_request.outputPath, "v:0")["codec_name"], "h264");
}

TEST_F(BurnJobTest, ACancelLeavesAnExistingTargetByteForByte) {
    MakeFootage(20);
    const std::string before = "an older video, kept as it is";
    WriteBytes(m_request.outputPath, before);
    m_engine->burnIn(m_request);
    ASSERT_TRUE(
        WaitUntil([this] { return !m_log.progress.empty() && m_log.progress.back() > 0; }, 240000));
    m_engine->cancelJob(EngineJob::BurnIn);
    ASSERT_TRUE(WaitForResult());
    ASSERT_TRUE(m_log.Settle(*m_engine));

    ASSERT_EQ(m_results.size(), 1u);
    EXPECT_EQ(m_results[0].outcome, ExportOutcome::Cancelled) << m_results[0].error;
    EXPECT_EQ(ReadBytes(m_request.outputPath), before);
    EXPECT_EQ(m_log.modes.back(), EngineMode::Idle);

    // The refusals of the burn-in's target hold on the engine too: the footage itself.
    const std::string footage = ReadBytes(m_request.footagePath);
    m_results.clear();
    m_request.outputPath = m_request.footagePath;
    m_engine->burnIn(m_request);
    ASSERT_TRUE(WaitForResult());
    EXPECT_EQ(m_results[0].outcome, ExportOutcome::Failed);
    EXPECT_NE(m_results[0].error.text().find("the footage"), std::string::npos)
        << m_results[0].error;
    EXPECT_EQ(ReadBytes(m_request.footagePath), footage);
}

} // namespace
