// How a timing save treats the file on disk: which way it writes, what it keeps of the
// file's identity, and what a failure at each step leaves behind.
#include "OtherUser.h"
#include "ScoreTestUtil.h"

#include "score/FileReplace.h"
#include "score/Loader.h"
#include "score/ProfileFile.h"
#include "score/TimingWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

const std::string kBefore = "[DATA]\nR01-1=T20\n[TIME]\nR01-1=1\n";
const std::string kAfter = "[DATA]\nR01-1=T20\n[TIME]\nR01-1=100\n";

// A user and group that no test runs as.
constexpr uid_t kOtherUser = 12345;
constexpr gid_t kOtherGroup = 12345;

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

const char* MethodName(WriteMethod method) {
    switch (method) {
    case WriteMethod::Replace:
        return "replace";
    case WriteMethod::InPlace:
        return "in-place";
    default:
        return "none";
    }
}

// A match of one dart at 100 ms whose file is score.txt (holding kBefore) in a scratch
// folder; backups that go to the cache folder go to cache/ inside the scratch folder.
class SafeSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_data.path = m_dir.File("score.txt");
        Entry& start = m_data.append();
        start.round = 1;
        start.player = 1;
        start.dart = 0;
        Entry& dart = m_data.append();
        dart.round = 1;
        dart.player = 1;
        dart.dart = 1;
        dart.time = 100;
        WriteBytes(m_data.path, kBefore);

        const char* cache = std::getenv("XDG_CACHE_HOME");
        m_oldCache = cache != nullptr ? std::optional<std::string>(cache) : std::nullopt;
        std::filesystem::create_directory(m_cache);
        ::setenv("XDG_CACHE_HOME", m_cache.c_str(), 1);
    }
    void TearDown() override {
        SetFileFaultForTesting(FileFault::None);
        if (m_oldCache) {
            ::setenv("XDG_CACHE_HOME", m_oldCache->c_str(), 1);
        } else {
            ::unsetenv("XDG_CACHE_HOME");
        }
    }

    // Backups left in the cache folder.
    std::vector<std::string> CachedBackups() const { return NamesIn(m_cache + "/vorlat"); }

    TempDir m_dir;
    Match m_data;
    std::string m_cache = m_dir.File("cache");
    std::optional<std::string> m_oldCache;
};

TEST_F(SafeSaveTest, VanishedFileOrLinkTargetIsAnErrorAndNothingIsCreated) {
    ASSERT_EQ(::unlink(m_data.path.c_str()), 0);
    WriteOutcome outcome = SaveTimingFile(m_data);
    EXPECT_EQ(IdOf(outcome), MessageId::FileVanished);
    EXPECT_EQ(ErrorOf(outcome),
              m_data.path + ": no longer exists (moved or deleted since it was loaded); the "
                            "times were not saved");
    EXPECT_FALSE(std::filesystem::exists(m_data.path));
    EXPECT_EQ(m_data.entries[1].time, 100); // the times stay in memory

    const std::string target = m_dir.File("real.txt");
    const std::string link = m_dir.File("link.txt");
    std::filesystem::create_symlink(target, link);
    m_data.path = link;
    outcome = SaveTimingFile(m_data);
    EXPECT_EQ(IdOf(outcome), MessageId::LinkTargetVanished);
    EXPECT_EQ(ErrorOf(outcome), link + ": points to " + target +
                                    ", which no longer exists; the times were not saved");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_FALSE(std::filesystem::exists(target));

    // The same when the file goes away between the read and the write.
    WriteBytes(target, kBefore);
    EXPECT_EQ(IdOf(ReplaceFileContents(m_dir.File("gone.txt"), kAfter)), MessageId::FileVanished);
    EXPECT_EQ(NamesIn(m_dir.Path()), (std::vector<std::string>{"cache", "link.txt", "real.txt"}));
}

TEST_F(SafeSaveTest, HardLinkedFileIsWrittenInPlaceForEveryName) {
    const std::string other = m_dir.File("other-name.txt");
    ASSERT_EQ(::link(m_data.path.c_str(), other.c_str()), 0);
    const ino_t inode = StatOf(m_data.path).st_ino;
    WriteOutcome outcome = SaveTimingFile(m_data);
    ASSERT_TRUE(outcome.ok()) << ErrorOf(outcome);
    EXPECT_EQ(MethodOf(outcome), WriteMethod::InPlace);
    EXPECT_EQ(ReadBytes(m_data.path), kAfter);
    EXPECT_EQ(ReadBytes(other), kAfter);
    EXPECT_EQ(StatOf(other).st_ino, inode);
    EXPECT_EQ(StatOf(other).st_nlink, 2u);
    EXPECT_EQ(NamesIn(m_dir.Path()),
              (std::vector<std::string>{"cache", "other-name.txt", "score.txt"}));
}

TEST_F(SafeSaveTest, SymbolicLinkStaysAndItsTargetKeepsItsMode) {
    const std::string target = m_dir.File("real.txt");
    WriteBytes(target, "[DATA]\nR01-1=T20\n");
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, m_dir.File("link.txt"));
    m_data.path = m_dir.File("link.txt");
    ASSERT_TRUE(SaveTimingFile(m_data).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir.File("link.txt")));
    EXPECT_EQ(ReadBytes(target), "[DATA]\nR01-1=T20\n\n[TIME]\nR01-1=100\n");
    EXPECT_EQ(StatOf(target).st_mode & 07777, 0640u);
}

TEST_F(SafeSaveTest, ReplaceKeepsOwnerAndModeBits) {
    if (RunningAsRoot()) {
        ASSERT_EQ(::chown(m_data.path.c_str(), kOtherUser, kOtherGroup), 0);
    }
    ASSERT_EQ(::chmod(m_data.path.c_str(), 06755), 0);
    const struct stat before = StatOf(m_data.path);

    WriteOutcome outcome = SaveTimingFile(m_data);
    ASSERT_TRUE(outcome.ok()) << ErrorOf(outcome);
    EXPECT_EQ(MethodOf(outcome), WriteMethod::Replace);
    const struct stat after = StatOf(m_data.path);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, 06755u);
    EXPECT_EQ(ReadBytes(m_data.path), kAfter);
}

TEST_F(SafeSaveTest, ReplaceKeepsUserAttributes) {
    if (::setxattr(m_data.path.c_str(), "user.vorlat.note", "keep", 4, 0) != 0) {
        GTEST_SKIP() << "no user attributes on this file system: " << SystemReason(errno);
    }
    ASSERT_EQ(::setxattr(m_data.path.c_str(), "user.empty", "", 0, 0), 0);
    WriteOutcome outcome = SaveTimingFile(m_data);
    ASSERT_TRUE(outcome.ok()) << ErrorOf(outcome);
    EXPECT_EQ(MethodOf(outcome), WriteMethod::Replace);
    EXPECT_EQ(ReadBytes(m_data.path), kAfter);
    char value[16] = {};
    EXPECT_EQ(::getxattr(m_data.path.c_str(), "user.vorlat.note", value, sizeof value), 4);
    EXPECT_STREQ(value, "keep");
    EXPECT_EQ(::getxattr(m_data.path.c_str(), "user.empty", value, sizeof value), 0);
}

TEST_F(SafeSaveTest, FileWithAccessControlListIsWrittenInPlace) {
    // An access list that gives user 12345 read access: version 2, then (tag, permissions,
    // id) for the owner, the user, the owning group, the mask and others.
    struct AclEntry {
        uint16_t tag;
        uint16_t perm;
        uint32_t id;
    };
    const uint32_t version = 2;
    const AclEntry entries[] = {
        {0x01, 6, UINT32_MAX}, {0x02, 4, kOtherUser}, {0x04, 4, UINT32_MAX},
        {0x10, 4, UINT32_MAX}, {0x20, 4, UINT32_MAX},
    };
    std::string acl(reinterpret_cast<const char*>(&version), sizeof version);
    acl.append(reinterpret_cast<const char*>(entries), sizeof entries);
    if (::setxattr(m_data.path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) !=
        0) {
        GTEST_SKIP() << "no access control lists here: " << SystemReason(errno);
    }
    const ino_t inode = StatOf(m_data.path).st_ino;
    WriteOutcome outcome = SaveTimingFile(m_data);
    ASSERT_TRUE(outcome.ok()) << ErrorOf(outcome);
    EXPECT_EQ(MethodOf(outcome), WriteMethod::InPlace);
    EXPECT_EQ(StatOf(m_data.path).st_ino, inode);
    EXPECT_EQ(ReadBytes(m_data.path), kAfter);
    std::string kept(acl.size() + 16, '\0');
    ssize_t n =
        ::getxattr(m_data.path.c_str(), "system.posix_acl_access", kept.data(), kept.size());
    ASSERT_GE(n, 0);
    kept.resize(static_cast<size_t>(n));
    EXPECT_EQ(kept, acl);
}

TEST_F(SafeSaveTest, WritableFileInReadOnlyFolderIsSavedWithBackupInTheCache) {
    const std::string folder = m_dir.File("locked");
    const std::string path = folder + "/score.txt";
    std::filesystem::create_directory(folder);
    WriteBytes(path, kBefore);
    m_data.path = path;
    if (RunningAsRoot()) {
        // Root's folder, nobody's file and cache: nobody may write the file, not the folder.
        ::chmod(m_dir.Path().c_str(), 0755);
        ::chmod(folder.c_str(), 0755);
        ASSERT_EQ(::chown(path.c_str(), kNobody, kNoGroup), 0);
        ASSERT_EQ(::chown(m_cache.c_str(), kNobody, kNoGroup), 0);
    } else {
        ::chmod(folder.c_str(), 0555);
    }
    const ino_t inode = StatOf(path).st_ino;
    auto save = [this] {
        WriteOutcome outcome = SaveTimingFile(m_data);
        return std::string(MethodName(MethodOf(outcome))) + "|" + ErrorOf(outcome);
    };

    struct Case {
        const char* name;
        FileFault fault;
        std::string result;  // method|error
        std::string content; // of the file afterwards
        size_t backups;      // left in the cache
    };
    const Case cases[] = {
        {"saved", FileFault::None, "in-place|", kAfter, 0},
        {"full_disk", FileFault::Write,
         "none|" + path + ": cannot be written: No space left on device; the file is unchanged",
         kBefore, 0},
        {"full_disk_and_no_way_back", FileFault::Write | FileFault::Restore, "", "", 1},
    };
    for (const Case& c : cases) {
        WriteBytes(path, kBefore);
        SetFileFaultForTesting(c.fault);
        std::optional<std::string> result = AsUnprivileged(save);
        SetFileFaultForTesting(FileFault::None);
        ASSERT_TRUE(result.has_value()) << c.name;
        EXPECT_EQ(StatOf(path).st_ino, inode) << c.name;
        EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"score.txt"}) << c.name;
        ASSERT_EQ(CachedBackups().size(), c.backups) << c.name;
        if (c.backups == 0) {
            EXPECT_EQ(*result, c.result) << c.name;
            EXPECT_EQ(ReadBytes(path), c.content) << c.name;
            continue;
        }
        // The old content could not be put back: the backup in the cache holds it, and the
        // error says where.
        const std::string backup = m_cache + "/vorlat/" + CachedBackups()[0];
        EXPECT_EQ(ReadBytes(backup), kBefore);
        EXPECT_EQ(*result, "none|" + path +
                               ": cannot be written: No space left on device, and its old "
                               "content could not be put back; a copy of it is in " +
                               backup);
    }
    ::chmod(folder.c_str(), 0755);
}

TEST_F(SafeSaveTest, OtherUsersFileKeepsItsOwner) {
    if (!RunningAsRoot()) {
        GTEST_SKIP() << "needs root to make a file of another user";
    }
    // A shared folder; the file belongs to someone else and everyone may write it.
    const std::string folder = m_dir.File("shared");
    const std::string path = folder + "/score.txt";
    std::filesystem::create_directory(folder);
    ::chmod(m_dir.Path().c_str(), 0755);
    ::chmod(folder.c_str(), 0777);
    WriteBytes(path, kBefore);
    ASSERT_EQ(::chown(path.c_str(), kOtherUser, kOtherGroup), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    m_data.path = path;
    auto save = [this] {
        WriteOutcome outcome = SaveTimingFile(m_data);
        return std::string(MethodName(MethodOf(outcome))) + "|" + ErrorOf(outcome);
    };

    std::optional<std::string> result = AsUnprivileged(save);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, "in-place|");
    EXPECT_EQ(ReadBytes(path), kAfter);
    EXPECT_EQ(StatOf(path).st_uid, kOtherUser);
    EXPECT_EQ(StatOf(path).st_gid, kOtherGroup);
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0666u);
    EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"score.txt"});

    // Where the old content could not be put back, the backup stays beside the file.
    WriteBytes(path, kBefore);
    SetFileFaultForTesting(FileFault::Write | FileFault::Restore);
    result = AsUnprivileged(save);
    SetFileFaultForTesting(FileFault::None);
    ASSERT_TRUE(result.has_value());
    std::vector<std::string> names = NamesIn(folder);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].rfind(".score.txt.vorlat-backup-", 0), 0u) << names[0];
    EXPECT_EQ(ReadBytes(folder + "/" + names[0]), kBefore);
    EXPECT_NE(result->find("a copy of it is in " + folder + "/" + names[0]), std::string::npos)
        << *result;
}

TEST_F(SafeSaveTest, FailureAtEachStepLeavesTheFileAsItWas) {
    const std::string other = m_dir.File("other-name.txt");
    struct Case {
        const char* name;
        FileFault fault;
        bool hardLink;      // makes the save write in place
        MessageId error;    // None: the save succeeds
        WriteMethod method; // when it succeeds
        const char* reason; // the system's reason in the error
    };
    const Case cases[] = {
        {"replace_write", FileFault::Write, false, MessageId::WriteFailed, WriteMethod::None,
         "No space left on device"},
        {"replace_sync", FileFault::Sync, false, MessageId::WriteFailed, WriteMethod::None,
         "Input/output error"},
        {"replace_rename", FileFault::Rename, false, MessageId::WriteFailed, WriteMethod::None,
         "Input/output error"},
        {"in_place_backup", FileFault::Backup, true, MessageId::BackupFailed, WriteMethod::None,
         "No space left on device"},
        {"in_place_write", FileFault::Write, true, MessageId::WriteFailed, WriteMethod::None,
         "No space left on device"},
        {"in_place_sync", FileFault::Sync, true, MessageId::WriteFailed, WriteMethod::None,
         "Input/output error"},
        // Steps of the replace way that cannot be done make the save write in place.
        {"folder_takes_no_file", FileFault::Folder, false, MessageId::None, WriteMethod::InPlace,
         ""},
        {"attributes_not_copied", FileFault::Attributes, false, MessageId::None,
         WriteMethod::InPlace, ""},
        {"owner_not_kept", FileFault::Owner, false, MessageId::None, WriteMethod::InPlace, ""},
    };
    for (const Case& c : cases) {
        if (c.fault == FileFault::Owner && !RunningAsRoot()) {
            continue; // the owner needs changing only for a file of another user
        }
        std::filesystem::remove(other);
        WriteBytes(m_data.path, kBefore);
        if (RunningAsRoot()) {
            ASSERT_EQ(::chown(m_data.path.c_str(), kOtherUser, kOtherGroup), 0);
        }
        if (c.hardLink) {
            ASSERT_EQ(::link(m_data.path.c_str(), other.c_str()), 0);
        }
        const ino_t inode = StatOf(m_data.path).st_ino;

        SetFileFaultForTesting(c.fault);
        WriteOutcome outcome = SaveTimingFile(m_data);
        SetFileFaultForTesting(FileFault::None);

        EXPECT_EQ(IdOf(outcome), c.error) << c.name << ": " << ErrorOf(outcome);
        EXPECT_EQ(MethodOf(outcome), c.method) << c.name;
        const std::string& expected = c.error == MessageId::None ? kAfter : kBefore;
        EXPECT_EQ(ReadBytes(m_data.path), expected) << c.name;
        if (c.hardLink) {
            EXPECT_EQ(ReadBytes(other), expected) << c.name;
        }
        if (c.error != MessageId::None || c.method == WriteMethod::InPlace) {
            EXPECT_EQ(StatOf(m_data.path).st_ino, inode) << c.name;
        }
        if (c.error != MessageId::None) {
            const std::string text = ErrorOf(outcome);
            EXPECT_EQ(text.rfind(m_data.path + ": ", 0), 0u) << text;
            EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        }
        std::vector<std::string> names = {"cache", "score.txt"};
        if (c.hardLink) {
            names.insert(names.begin() + 1, "other-name.txt");
        }
        EXPECT_EQ(NamesIn(m_dir.Path()), names) << c.name;
        EXPECT_TRUE(CachedBackups().empty()) << c.name;
    }
}

TEST_F(SafeSaveTest, SaveNeverMakesAFileTheLoaderRefuses) {
    // A file that the save makes exactly as large as the load limit is saved and loads; one
    // byte more is refused and the file stays as it was.
    const std::string head = "[DATA]\nR01-1=T20\n;";
    ProfileFile probe(head + "\n");
    ASSERT_TRUE(probe.set("TIME", "R01-1", "100"));
    const size_t growth = probe.text().size() - (head.size() + 1);
    const std::string fits =
        head + std::string(ProfileFile::kMaxBytes - growth - head.size() - 1, 'x') + "\n";
    WriteBytes(m_data.path, fits);
    WriteOutcome outcome = SaveTimingFile(m_data);
    ASSERT_TRUE(outcome.ok()) << ErrorOf(outcome);
    EXPECT_EQ(ReadBytes(m_data.path).size(), ProfileFile::kMaxBytes);
    Match loaded;
    EXPECT_TRUE(OpenScoreFile(loaded, m_data.path));

    const std::string tooBig = head + "x" + fits.substr(head.size());
    WriteBytes(m_data.path, tooBig);
    outcome = SaveTimingFile(m_data);
    EXPECT_EQ(IdOf(outcome), MessageId::SaveTooLarge);
    EXPECT_EQ(ErrorOf(outcome),
              m_data.path + ": would grow to 1048577 bytes with the times, more than the 1048576 "
                            "bytes a score file may have; the times were not saved");
    EXPECT_EQ(ReadBytes(m_data.path), tooBig);

    // A file already over the limit is not rewritten from what little could be read.
    const std::string huge = "[TIME]\n" + std::string(ProfileFile::kMaxBytes, ';');
    WriteBytes(m_data.path, huge);
    EXPECT_EQ(IdOf(SaveTimingFile(m_data)), MessageId::FileTooLarge);
    EXPECT_EQ(ReadBytes(m_data.path), huge);

    // A file that changed on disk into something that is no score file stays as it is.
    WriteBytes(m_data.path, "[SETTING]\nGAME=501\n");
    EXPECT_EQ(IdOf(SaveTimingFile(m_data)), MessageId::SaveWouldNotLoad);
    EXPECT_EQ(ReadBytes(m_data.path), "[SETTING]\nGAME=501\n");
}

TEST_F(SafeSaveTest, RefusedUpFront) {
    // No write permission bit: refused even for root, who could write it.
    ::chmod(m_data.path.c_str(), 0444);
    WriteOutcome outcome = SaveTimingFile(m_data);
    EXPECT_EQ(ErrorOf(outcome),
              m_data.path + ": cannot be written: Permission denied; the times were not saved");
    EXPECT_EQ(ReadBytes(m_data.path), kBefore);
    ::chmod(m_data.path.c_str(), 0644);

    // No path, a folder, a FIFO.
    Match none = m_data;
    none.path.clear();
    EXPECT_EQ(ErrorOf(SaveTimingFile(none)), "no score file is loaded; the times were not saved");
    EXPECT_FALSE(SaveTimingFile(none).ok());
    ASSERT_EQ(::mkfifo(m_dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(IdOf(ReplaceFileContents(m_dir.File("fifo"), kAfter)), MessageId::FileNotRegular);
    EXPECT_EQ(ErrorOf(ReplaceFileContents(m_dir.Path().string(), kAfter)),
              m_dir.Path().string() + ": cannot be read: Is a directory");
    EXPECT_EQ(ReadBytes(m_data.path), kBefore);
}

} // namespace
