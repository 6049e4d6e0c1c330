#include "video/ExportTarget.h"
#include "VideoTestUtil.h"
#include "score/Evaluate.h"
#include "score/ScoreData.h"
#include "video/Export.h"
#include "video/ExportPlan.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/file.h>
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
        EXPECT_NE(result.error.text().find(c.errorHas), std::string::npos) << result.error;
        // Every error names the file (of a picture sequence: the picture's).
        const std::string named = scene.request.codec == VideoCodec::PNG
                                      ? scene.dir.File("f0002.png")
                                      : scene.request.path;
        EXPECT_NE(result.error.text().find(named), std::string::npos) << result.error;
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
        TargetCase{"write_failure_after_frames_keeps_the_target_and_a_partial_file",
                   [](Scene& s) {
                       WriteBytes(s.target, kOldVideo);
                       s.request.codec = VideoCodec::Raw;
                       s.request.spaceLimit = 2u << 20; // about six frames
                       return true;
                   },
                   ExportOutcome::Failed, std::strerror(ENOSPC),
                   [](const Scene& s) {
                       EXPECT_EQ(ReadBytes(s.target), kOldVideo);
                       ExpectPlayable(s.dir.File("out.partial.avi"));
                   }},
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
    EXPECT_NE(result.error.text().find("24 hours"), std::string::npos) << result.error;
    EXPECT_TRUE(dir.Names().empty());
}

// A failure halfway through, in every container: the file system fills up (a tmpfs of
// 64 KiB) while a 720p video is written. What was at the target before is byte for byte as
// it was; beside it is at most NAME.partial.EXT, and only when it decodes cleanly.
struct FullCase {
    const char* name;
    const char* file; // a picture pattern for PNG
    VideoCodec codec;
    const char* says; // the reason in the error
};

class FullFileSystem : public testing::TestWithParam<FullCase> {};

TEST_P(FullFileSystem, LeavesThePreviousTargetByteForByte) {
    const FullCase& c = GetParam();
    TempDir dir;
    SmallFileSystem small(dir.File("small"), "size=64k");
    if (!small.mounted()) {
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    }
    const std::string folder = dir.File("small");
    const bool sequence = c.codec == VideoCodec::PNG;
    // The previous export: a video, or two pictures of a sequence.
    std::vector<std::string> old = {folder + "/" + c.file};
    if (sequence) {
        old = {folder + "/f0000.png", folder + "/f0001.png"};
    }
    for (const std::string& path : old) {
        WriteBytes(path, kOldVideo + path);
    }
    ExportRequest request;
    request.path = folder + "/" + c.file;
    request.codec = c.codec;
    request.frameSize = QSize(1280, 720);
    request.render.scale = 2;
    const ExportResult result = ExportVideo(SmallMatch(), request, nullptr, nullptr);
    ASSERT_EQ(result.outcome, ExportOutcome::Failed);
    EXPECT_NE(result.error.text().find(c.says), std::string::npos) << result.error;
    // An uncompressed video is refused before it starts; the others say what they left.
    if (c.codec != VideoCodec::Raw) {
        EXPECT_NE(result.error.text().find(sequence ? "are as they were" : "is as it was"),
                  std::string::npos)
            << result.error;
    }
    for (const std::string& path : old) {
        EXPECT_EQ(ReadBytes(path), kOldVideo + path);
    }
    std::vector<std::string> expected = {old.begin(), old.end()};
    if (!result.partialPath.empty()) {
        EXPECT_NE(result.error.text().find("kept in " + result.partialPath), std::string::npos)
            << result.error;
        std::string errors;
        EXPECT_GT(DecodeBgra(result.partialPath, 1280, 720, &errors).size(), 0u);
        EXPECT_EQ(errors, "");
        expected.push_back(result.partialPath);
    }
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) {
        left.push_back(entry.path().string());
    }
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Containers, FullFileSystem,
    testing::Values(FullCase{"video1", "out.avi", VideoCodec::Video1, std::strerror(ENOSPC)},
                    FullCase{"raw", "out.avi", VideoCodec::Raw, "MiB free"},
                    FullCase{"h264", "out.mp4", VideoCodec::H264, std::strerror(ENOSPC)},
                    FullCase{"prores", "out.mov", VideoCodec::ProRes, std::strerror(ENOSPC)},
                    FullCase{"vp9", "out.webm", VideoCodec::VP9, std::strerror(ENOSPC)},
                    FullCase{"ffv1", "out.mkv", VideoCodec::FFV1, std::strerror(ENOSPC)},
                    FullCase{"png", "f%04d.png", VideoCodec::PNG, std::strerror(ENOSPC)}),
    [](const testing::TestParamInfo<FullCase>& info) { return std::string(info.param.name); });

// A complete sequence replaces the old pictures it renames and leaves no temporary folder.
TEST(ExportSequence, CompleteSequenceTakesThePlaceOfTheOldPictures) {
    TempDir dir;
    WriteBytes(dir.File("f0003.png"), kOldVideo);
    ExportRequest request;
    request.path = dir.File("f%04d.png");
    request.codec = VideoCodec::PNG;
    const ExportResult result = ExportVideo(SmallMatch(), request, nullptr, nullptr);
    ASSERT_EQ(result.outcome, ExportOutcome::Finished) << result.error;
    const std::vector<std::string> names = dir.Names();
    EXPECT_EQ(static_cast<int64_t>(names.size()), result.framesWritten);
    for (const std::string& name : names) {
        EXPECT_EQ(name.find(".part-"), std::string::npos) << name;
    }
    EXPECT_EQ(QImage(QString::fromStdString(dir.File("f0003.png"))).size(), QSize(320, 240));
}

// ffmpeg's reading of a file whose name leaves no room for the helper's log beside it.
void ExpectPlayableUnderAShortName(const std::string& path) {
    const fs::path link = fs::path(path).parent_path() / "check.video";
    fs::create_hard_link(path, link);
    ExpectPlayable(link.string());
    fs::remove(link);
}

// Something that is no picture appears under a picture's name while the sequence is written:
// the sequence cannot take its place, and none of its pictures is left among the old ones.
TEST(ExportSequence, FailedMoveLeavesTheOldPicturesAlone) {
    TempDir dir;
    WriteBytes(dir.File("f0001.png"), kOldVideo);
    WriteBytes(dir.File("f0004.png"), kOldVideo);
    ExportRequest request;
    request.path = dir.File("f%04d.png");
    request.codec = VideoCodec::PNG;
    int asked = 0;
    const ExportResult result = ExportVideo(SmallMatch(), request, nullptr, [&] {
        if (asked++ == 3) {
            fs::create_directory(dir.File("f0003.png"));
        }
        return false;
    });
    EXPECT_EQ(result.outcome, ExportOutcome::Failed);
    EXPECT_NE(result.error.text().find(dir.File("f0003.png")), std::string::npos) << result.error;
    EXPECT_NE(result.error.text().find(std::strerror(EISDIR)), std::string::npos) << result.error;
    std::vector<std::string> names = dir.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"f0001.png", "f0003.png", "f0004.png"}));
    EXPECT_EQ(ReadBytes(dir.File("f0001.png")), kOldVideo);
    EXPECT_EQ(ReadBytes(dir.File("f0004.png")), kOldVideo);
    EXPECT_TRUE(fs::is_directory(dir.File("f0003.png")));
}

// Names as long as a file system allows still get their temporary and partial files.
TEST(ExportNames, LongNamesWork) {
    for (const size_t length : {size_t(240), size_t(255)}) {
        for (const char* extension : {".mp4", ".avi"}) {
            TempDir dir;
            const std::string name = std::string(length - std::strlen(extension), 'n') + extension;
            ExportRequest request;
            request.path = dir.File(name);
            request.codec =
                std::string(extension) == ".mp4" ? VideoCodec::H264 : VideoCodec::Video1;
            WriteBytes(request.path, kOldVideo);
            const ExportResult done = ExportVideo(SmallMatch(), request, nullptr, nullptr);
            EXPECT_EQ(done.outcome, ExportOutcome::Finished) << name.size() << done.error;
            ExpectPlayableUnderAShortName(request.path);
            // A stop keeps the frames under a partial name that is legal too.
            int asked = 0;
            const ExportResult stopped =
                ExportVideo(SmallMatch(), request, nullptr, [&] { return asked++ == 5; });
            EXPECT_EQ(stopped.outcome, ExportOutcome::Cancelled) << stopped.error;
            ASSERT_NE(stopped.partialPath, "") << name.size();
            EXPECT_LE(fs::path(stopped.partialPath).filename().string().size(), 255u);
            EXPECT_NE(stopped.partialPath.find(".partial"), std::string::npos);
            ExpectPlayableUnderAShortName(stopped.partialPath);
            EXPECT_EQ(dir.Names().size(), 2u) << name.size();
        }
    }
}

// What a killed export left (its temporary file, reserve and picture folder) goes with the
// next export into that folder; what a running export holds, and anything that only looks
// similar, stays.
TEST(ExportLeftovers, KilledExportsLeftoversAreRemovedByTheNextExport) {
    TempDir dir;
    const std::vector<std::string> leftovers = {".out.part-Ab3xYz.mp4", ".out.part-Ab3xYz.reserve",
                                                ".old.part-Q1w2E3.avi",
                                                ".old.part-Q1w2E3.avi.reserve"};
    for (const std::string& name : leftovers) {
        WriteBytes(dir.File(name), "left by a killed export");
    }
    fs::create_directory(dir.File(".f.part-Zz9Zz9"));
    WriteBytes(dir.File(".f.part-Zz9Zz9/f0000.png"), "a picture");
    const std::vector<std::string> kept = {"out.part-Ab3xYz.mp4", ".notes.txt",
                                           ".running.part-R1u2n3.mov", ".x.part-12.mp4"};
    for (const std::string& name : kept) {
        WriteBytes(dir.File(name), "keep");
    }
    fs::create_symlink(dir.File(".notes.txt"), dir.File(".link.part-L1n2k3.mp4"));
    // Another export is still writing this one: it holds the lock.
    const int running = ::open(dir.File(".running.part-R1u2n3.mov").c_str(), O_RDONLY);
    ASSERT_GE(running, 0);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);

    ExportRequest request;
    request.path = dir.File("new.avi");
    const ExportResult result = ExportVideo(SmallMatch(), request, nullptr, nullptr);
    ::close(running);
    ASSERT_EQ(result.outcome, ExportOutcome::Finished) << result.error;
    std::vector<std::string> names = dir.Names();
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = kept;
    expected.push_back(".link.part-L1n2k3.mp4");
    expected.push_back("new.avi");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

TEST(ExportTargetFiles, EveryProtectedFileIsRefusedByWhatItIs) {
    TempDir dir;
    WriteBytes(dir.File("score.txt"), kScoreText);
    WriteBytes(dir.File("match.mp4"), "footage");
    fs::create_hard_link(dir.File("match.mp4"), dir.File("out.mp4"));
    fs::create_symlink(dir.File("score.txt"), dir.File("link.mp4"));
    const std::vector<ProtectedFile> keep = {{dir.File("score.txt"), MessageId::IsTheScoreFile},
                                             {dir.File("match.mp4"), MessageId::IsTheFootage}};
    ExportTarget target;
    const Status footage = target.prepare(dir.File("out.mp4"), keep, false, 0);
    ASSERT_FALSE(footage);
    EXPECT_EQ(footage.error().text(), dir.File("out.mp4") + ": is the footage " +
                                          dir.File("match.mp4") + " (a video would replace it)");
    const Status score = target.prepare(dir.File("link.mp4"), keep, false, 0);
    ASSERT_FALSE(score);
    EXPECT_EQ(score.error().reason.id, MessageId::IsTheScoreFile);
    EXPECT_EQ(score.error().path, dir.File("link.mp4"));
    const Status other = target.prepare(dir.File("other.mp4"), keep, false, 0);
    EXPECT_TRUE(other) << (other ? "" : other.error().text());
    EXPECT_EQ(ReadBytes(dir.File("match.mp4")), "footage");
}

// Codec and name go together, or the export is refused before anything is written.
struct PathCase {
    const char* path;
    VideoCodec codec;
    const char* problem; // "" when the pair is fine
};

class ExportPaths : public testing::TestWithParam<PathCase> {};

TEST_P(ExportPaths, RefuseWhatCannotBeWritten) {
    const PathCase& c = GetParam();
    const Status fits = CheckExportPath(c.path, c.codec);
    if (*c.problem == '\0') {
        EXPECT_TRUE(fits) << (fits ? "" : fits.error().text());
        return;
    }
    ASSERT_FALSE(fits);
    EXPECT_NE(fits.error().text().find(c.problem), std::string::npos) << fits.error();
    EXPECT_EQ(fits.error().path, c.path);
    TempDir dir;
    ExportRequest request;
    request.path = dir.File(c.path);
    request.codec = c.codec;
    const ExportResult result = ExportVideo(SmallMatch(), request, nullptr, nullptr);
    EXPECT_EQ(result.outcome, ExportOutcome::Failed);
    EXPECT_NE(result.error.text().find(c.problem), std::string::npos) << result.error;
    EXPECT_TRUE(dir.Names().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, ExportPaths,
    testing::Values(
        PathCase{"x.mov", VideoCodec::VP9, "VP9 cannot be stored in a .mov file"},
        PathCase{"x.avi", VideoCodec::H264, "H.264 cannot be stored in a .avi file"},
        PathCase{"x.mp4", VideoCodec::Video1, "Video 1 cannot be stored in a .mp4 file"},
        PathCase{"x.webm", VideoCodec::ProRes, "ProRes cannot be stored in a .webm file"},
        PathCase{"x.mp4", VideoCodec::FFV1, "FFV1 cannot be stored in a .mp4 file"},
        PathCase{"x.mp4", VideoCodec::PNG, "one frame number"},
        PathCase{"a.png", VideoCodec::Video1, "needs a frame number"},
        PathCase{"w%020d.png", VideoCodec::PNG, "wider than 18 digits"},
        PathCase{"w%19d.png", VideoCodec::PNG, "wider than 18 digits"},
        PathCase{"a%d_%d.png", VideoCodec::PNG, "more than one frame number"},
        PathCase{"a%x%d.png", VideoCodec::PNG, "cannot be read"},
        PathCase{"a%d.jpg", VideoCodec::PNG, "must end in .png"},
        PathCase{"a%05d.mp4", VideoCodec::H264, "must end in .png"},
        PathCase{"%d/a.png", VideoCodec::PNG, "not in its folder"},
        PathCase{"w%018d.png", VideoCodec::PNG, ""}, PathCase{"100%%_%d.PNG", VideoCodec::PNG, ""},
        PathCase{"100%.mp4", VideoCodec::H264, ""}, PathCase{"x.mkv", VideoCodec::ProRes, ""},
        PathCase{"x.mp4", VideoCodec::VP9, ""}, PathCase{"x.mov", VideoCodec::H264, ""},
        PathCase{"x.dat", VideoCodec::Video1, ""}),
    [](const testing::TestParamInfo<PathCase>& info) {
        std::string name;
        for (const char* c = info.param.path; *c != '\0'; ++c) {
            name += std::isalnum(static_cast<unsigned char>(*c)) != 0 ? *c : '_';
        }
        return name + "_" + VideoCodecName(info.param.codec);
    });

// The bounds of the video itself: the rate, and a day of video at any rate.
TEST(ExportTimeline, RatesAndLengthsOutOfBoundsAreRefused) {
    struct Case {
        FrameRate rate;
        int32_t lastTime;
        const char* error;
    };
    // 86 390 s + the 10 s tail is exactly a day; at 1001/1000 fps its last frame ends later.
    const Case cases[] = {{{241, 1}, 3000, "frame rate 241 is not from 1 to 240"},
                          {{240999, 1000}, 3000, "frame rate 240999/1000"},
                          {{1, 1000000}, 3000, "frame rate 1/1000000"},
                          {{1001, 1000}, 86'390'000, "24 hours"},
                          {{15, 1}, 86'390'001, "24 hours"}};
    for (const Case& c : cases) {
        TempDir dir;
        Match match = SmallMatch();
        match.entries.back().time = c.lastTime;
        ExportRequest request;
        request.path = dir.File("out.avi");
        request.rate = c.rate;
        const ExportResult result = ExportVideo(match, request, nullptr, nullptr);
        EXPECT_EQ(result.outcome, ExportOutcome::Failed) << c.rate.toString();
        EXPECT_NE(result.error.text().find(c.error), std::string::npos) << result.error;
        EXPECT_TRUE(dir.Names().empty());
    }
    // A day exactly at 15 fps is within the bound.
    Match match = SmallMatch();
    match.entries.back().time = 86'390'000;
    ExportRequest request;
    request.rate = {15, 1};
    EXPECT_EQ(PlanExport(match, request).videoMs, kMaxExportMs);
}

} // namespace
