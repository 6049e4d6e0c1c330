#include "VideoTestUtil.h"
#include "score/Evaluate.h"
#include "score/ScoreData.h"
#include "video/Export.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace videotest;
namespace fs = std::filesystem;

// Where an export may write and what it leaves on disk when it may not, or when it fails.

namespace {

constexpr const char* kScoreText = "[SETTING]\nGAME=501\n[DATA]\nR01-1=T20,20,S5\n"
                                   "[TIME]\nR01-1=300,600,900\n";
constexpr const char* kOldVideo = "an older video, to be kept";

Match SmallMatch() {
    Match score;
    score.game = "501";
    score.gameKind = GameKind::X01;
    for (int i = 0; i < 4; ++i) {
        Entry& mark = score.append();
        mark.player = 1;
        mark.round = 1;
        mark.dart = i;
        if (i > 0) {
            mark.kind = Hit::Single;
            mark.number = 20;
        }
    }
    score.at(0)->score[0] = 501;
    score.at(0)->score[1] = 501;
    Evaluate01(score);
    return score;
}

// A tmpfs mounted for the test (as root); unmounted at the end. Empty path when mounting is
// not allowed here.
class SmallFileSystem {
public:
    SmallFileSystem(const std::string& path, const char* options) : m_path(path) {
        fs::create_directory(path);
        if (::mount("vorlat-test", path.c_str(), "tmpfs", 0, options) == 0) {
            m_mounted = true;
        }
    }
    ~SmallFileSystem() {
        if (m_mounted) {
            ::umount2(m_path.c_str(), MNT_DETACH);
        }
    }
    bool mounted() const { return m_mounted; }
    void remountReadOnly() {
        m_mounted =
            ::mount("vorlat-test", m_path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0 &&
            m_mounted;
    }

private:
    std::string m_path;
    bool m_mounted = false;
};

struct Scene {
    TempDir dir;
    std::string score;
    std::string target;
    ExportRequest request;
    Scene() {
        score = dir.File("match.txt");
        WriteBytes(score, kScoreText);
        target = dir.File("out.avi");
        request.path = target;
        request.scorePath = score;
        request.codec = VideoCodec::Video1;
    }
};

struct TargetCase {
    const char* name;
    // Prepares the scene; false: the case cannot be made on this machine (skipped).
    std::function<bool(Scene&)> prepare;
    ExportOutcome outcome;
    const char* errorHas; // in the error text
    // Checks what is left on disk.
    std::function<void(const Scene&)> check;
};

class ExportTargets : public testing::TestWithParam<TargetCase> {};

TEST_P(ExportTargets, LeaveOnlyWhatTheyShould) {
    const TargetCase& c = GetParam();
    Scene scene;
    if (!c.prepare(scene)) {
        GTEST_SKIP() << "cannot make this case here";
    }
    const ExportResult result = ExportVideo(SmallMatch(), scene.request, nullptr, nullptr);
    EXPECT_EQ(result.outcome, c.outcome) << result.error;
    if (*c.errorHas != '\0') {
        EXPECT_NE(result.error.find(c.errorHas), std::string::npos) << result.error;
        // Every error names the file (of a picture sequence: the picture's).
        const std::string named = scene.request.codec == VideoCodec::PNG
                                      ? scene.dir.File("f0002.png")
                                      : scene.request.path;
        EXPECT_NE(result.error.find(named), std::string::npos) << result.error;
    }
    // The score file is never touched, and no temporary file is left behind.
    EXPECT_EQ(ReadBytes(scene.score), kScoreText);
    for (const auto& entry : fs::recursive_directory_iterator(scene.dir.Path())) {
        EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos)
            << entry.path();
    }
    c.check(scene);
}

void ExpectPlayable(const std::string& path) {
    std::string errors;
    const auto frames = DecodeBgra(path, 320, 240, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_GT(frames.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ExportTargets,
    testing::Values(
        TargetCase{"fifo", [](Scene& s) { return ::mkfifo(s.target.c_str(), 0644) == 0; },
                   ExportOutcome::Failed, "not a regular file",
                   [](const Scene& s) { EXPECT_TRUE(fs::is_fifo(s.target)); }},
        TargetCase{"device",
                   [](Scene& s) {
                       s.request.path = "/dev/full";
                       return fs::is_character_file("/dev/full");
                   },
                   ExportOutcome::Failed, "not a regular file",
                   [](const Scene&) {
                       EXPECT_TRUE(fs::is_character_file("/dev/full"));
                       for (const auto& entry : fs::directory_iterator("/dev")) {
                           EXPECT_EQ(entry.path().string().find(".part-"), std::string::npos);
                       }
                   }},
        TargetCase{"score_file_itself",
                   [](Scene& s) { return !(s.request.path = s.score).empty(); },
                   ExportOutcome::Failed, "score file", [](const Scene&) {}},
        TargetCase{"symlink_to_score",
                   [](Scene& s) {
                       fs::create_symlink(s.score, s.target);
                       return true;
                   },
                   ExportOutcome::Failed, "score file",
                   [](const Scene& s) { EXPECT_TRUE(fs::is_symlink(s.target)); }},
        TargetCase{"hard_link_to_score",
                   [](Scene& s) {
                       fs::create_hard_link(s.score, s.target);
                       return true;
                   },
                   ExportOutcome::Failed, "score file",
                   [](const Scene& s) { EXPECT_EQ(fs::hard_link_count(s.score), 2u); }},
        TargetCase{"stdout_into_a_pipe",
                   [](Scene& s) {
                       s.request.path = "/dev/stdout";
                       struct stat out {};
                       return ::stat("/dev/stdout", &out) == 0 && !S_ISREG(out.st_mode);
                   },
                   ExportOutcome::Failed, "not a regular file", [](const Scene&) {}},
        TargetCase{"picture_sequence_over_the_score_file",
                   [](Scene& s) {
                       s.request.path = s.dir.File("f%04d.png");
                       s.request.codec = VideoCodec::PNG;
                       fs::create_hard_link(s.score, s.dir.File("f0002.png"));
                       return true;
                   },
                   ExportOutcome::Failed, "score file",
                   [](const Scene& s) { EXPECT_FALSE(fs::exists(s.dir.File("f0000.png"))); }},
        TargetCase{"directory", [](Scene& s) { return fs::create_directory(s.target); },
                   ExportOutcome::Failed, std::strerror(EISDIR),
                   [](const Scene& s) { EXPECT_TRUE(fs::is_directory(s.target)); }},
        TargetCase{"symlink_to_a_video",
                   [](Scene& s) {
                       WriteBytes(s.dir.File("real.avi"), kOldVideo);
                       fs::create_symlink("real.avi", s.target);
                       return true;
                   },
                   ExportOutcome::Finished, "",
                   [](const Scene& s) {
                       // The link stays; the file it names is the new video.
                       EXPECT_TRUE(fs::is_symlink(s.target));
                       ExpectPlayable(s.dir.File("real.avi"));
                   }},
        TargetCase{"replaced_file_keeps_its_permissions",
                   [](Scene& s) {
                       WriteBytes(s.target, kOldVideo);
                       fs::permissions(s.target, fs::perms(0640));
                       return true;
                   },
                   ExportOutcome::Finished, "",
                   [](const Scene& s) {
                       EXPECT_EQ(fs::status(s.target).permissions(), fs::perms(0640));
                       ExpectPlayable(s.target);
                   }},
        TargetCase{"existing_kept_when_failing_before_the_first_frame",
                   [](Scene& s) {
                       WriteBytes(s.target, kOldVideo);
                       s.request.render.scale = 1.01; // 323 x 242: no Video 1
                       return true;
                   },
                   ExportOutcome::Failed, "multiples of 4",
                   [](const Scene& s) { EXPECT_EQ(ReadBytes(s.target), kOldVideo); }},
        TargetCase{"write_failure_after_frames_leaves_a_finished_file",
                   [](Scene& s) {
                       WriteBytes(s.target, kOldVideo);
                       s.request.codec = VideoCodec::Raw;
                       s.request.spaceLimit = 2u << 20; // about six frames
                       return true;
                   },
                   ExportOutcome::Failed, std::strerror(ENOSPC),
                   [](const Scene& s) { ExpectPlayable(s.target); }},
        TargetCase{"full_file_system_h264",
                   [](Scene& s) {
                       static std::unique_ptr<SmallFileSystem> small;
                       small = std::make_unique<SmallFileSystem>(s.dir.File("small"), "size=40k");
                       s.request.path = s.dir.File("small/out.mp4");
                       s.request.codec = VideoCodec::H264;
                       s.request.frameSize = QSize(1280, 720);
                       s.request.render.scale = 2;
                       return small->mounted();
                   },
                   ExportOutcome::Failed, std::strerror(ENOSPC),
                   [](const Scene& s) {
                       // Whatever is left at the path plays; nothing else is there.
                       const std::string path = s.dir.File("small/out.mp4");
                       if (fs::exists(path)) {
                           std::string errors;
                           DecodeBgra(path, 1280, 720, &errors);
                           EXPECT_EQ(errors, "");
                       }
                       ::umount2(s.dir.File("small").c_str(), MNT_DETACH);
                   }},
        TargetCase{"uncompressed_larger_than_the_free_space",
                   [](Scene& s) {
                       static std::unique_ptr<SmallFileSystem> small;
                       small = std::make_unique<SmallFileSystem>(s.dir.File("small"), "size=1m");
                       s.request.path = s.dir.File("small/out.avi");
                       s.request.codec = VideoCodec::Raw;
                       return small->mounted();
                   },
                   ExportOutcome::Failed, "free",
                   [](const Scene& s) {
                       EXPECT_FALSE(fs::exists(s.dir.File("small/out.avi")));
                       ::umount2(s.dir.File("small").c_str(), MNT_DETACH);
                   }},
        TargetCase{"read_only_folder",
                   [](Scene& s) {
                       static std::unique_ptr<SmallFileSystem> small;
                       small = std::make_unique<SmallFileSystem>(s.dir.File("ro"), "size=1m");
                       small->remountReadOnly();
                       s.request.path = s.dir.File("ro/out.avi");
                       return small->mounted();
                   },
                   ExportOutcome::Failed, std::strerror(EROFS),
                   [](const Scene& s) {
                       EXPECT_FALSE(fs::exists(s.dir.File("ro/out.avi")));
                       ::umount2(s.dir.File("ro").c_str(), MNT_DETACH);
                   }}),
    [](const testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

TEST(ExportTimeline, LongerThanADayIsRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    Match match = SmallMatch();
    match.entries.back().time = 2147483647; // 24.8 days
    ExportRequest request;
    request.path = dir.File("out.avi");
    const ExportResult result = ExportVideo(match, request, nullptr, nullptr);
    EXPECT_EQ(result.outcome, ExportOutcome::Failed);
    EXPECT_NE(result.error.find("24 hours"), std::string::npos) << result.error;
    EXPECT_TRUE(dir.Names().empty());
}

} // namespace
