#include "score/FileReplace.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<unsigned> g_faults{0};

bool Injected(FileFault fault) {
    return (g_faults.load() & static_cast<unsigned>(fault)) != 0;
}

// Closes the descriptor it holds when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(int fd = -1) : m_fd(fd) {}
    ~FileHandle() { reset(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int get() const { return m_fd; }
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    // Closes now and reports whether the close (which may flush) succeeded.
    bool close() {
        int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Writes all of bytes at offset. With the Write fault only half of them get through and the
// write fails as a full disk would.
bool WriteAllAt(int fd, std::string_view bytes, off_t offset, bool mayFault) {
    bool fault = mayFault && Injected(FileFault::Write);
    if (fault) {
        bytes = bytes.substr(0, bytes.size() / 2);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                             offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (fault) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

bool ReadAll(int fd, size_t size, std::string& out) {
    out.resize(size);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, out.data() + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    out.resize(done);
    return true;
}

bool Sync(int fd) {
    if (Injected(FileFault::Sync)) {
        errno = EIO;
        return false;
    }
    return ::fsync(fd) == 0;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// Creates a new file named prefix followed by a random suffix in folder, readable and
// writable by us only. Returns the descriptor (and the name), or -1 with errno set.
int CreateUnique(const std::string& folder, const std::string& prefix, std::string& name) {
    std::random_device seed;
    std::mt19937 rng(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(rng()));
        name = Join(folder, prefix + suffix);
        int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

int CreateBeside(const std::string& target, const char* purpose, std::string& name) {
    if (Injected(FileFault::Folder)) {
        errno = EACCES;
        return -1;
    }
    return CreateUnique(FolderOf(target), "." + BaseOf(target) + ".vorlat-" + purpose + "-", name);
}

// The user's cache folder for our backups, made if needed; empty when there is none.
std::string CacheFolder() {
    std::string base;
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] != '/') {
            const passwd* user = ::getpwuid(::geteuid());
            home = user != nullptr ? user->pw_dir : nullptr;
        }
        if (home == nullptr || home[0] != '/') {
            return std::string();
        }
        base = std::string(home) + "/.cache";
    }
    const std::string folder = base + "/vorlat";
    ::mkdir(base.c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

// Copies the user.* extended attributes of one open file to another. False (errno set) when
// an attribute the source has cannot be given to the copy.
bool CopyUserAttributes(int from, int to) {
    if (Injected(FileFault::Attributes)) {
        errno = ENOTSUP;
        return false;
    }
    ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size < 0) {
        return errno == ENOTSUP; // a file system without attributes: nothing to copy
    }
    std::vector<char> names(static_cast<size_t>(size));
    size = ::flistxattr(from, names.data(), names.size());
    if (size < 0) {
        return false;
    }
    for (ssize_t i = 0; i < size;) {
        const std::string name(names.data() + i);
        i += static_cast<ssize_t>(name.size()) + 1;
        if (name.rfind("user.", 0) != 0) {
            continue;
        }
        ssize_t length = ::fgetxattr(from, name.c_str(), nullptr, 0);
        if (length < 0) {
            return false;
        }
        std::vector<char> value(static_cast<size_t>(length));
        length = ::fgetxattr(from, name.c_str(), value.data(), value.size());
        if (length < 0 ||
            ::fsetxattr(to, name.c_str(), value.data(), static_cast<size_t>(length), 0) != 0) {
            return false;
        }
    }
    return true;
}

bool HasAccessControlList(const std::string& path) {
    return ::getxattr(path.c_str(), "system.posix_acl_access", nullptr, 0) >= 0;
}

void SyncFolder(const std::string& folder) {
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// The replace way. Returns true when it is done; false with fallBack set when the in-place
// way must be taken instead (nothing changed), or with error set when the save failed.
bool ReplaceByRename(const std::string& path, const std::string& target, const struct stat& st,
                     std::string_view bytes, bool& fallBack, ScoreError& error) {
    fallBack = false;
    std::string temp;
    FileHandle out(CreateBeside(target, "save", temp));
    if (out.get() < 0) {
        fallBack = true; // a folder that takes no new file
        return false;
    }
    auto abandon = [&](bool toInPlace) {
        const int saved = errno;
        out.reset();
        ::unlink(temp.c_str());
        if (toInPlace) {
            fallBack = true;
        } else {
            error = Failure(path, MessageId::WriteFailed, {SystemReason(saved)});
        }
        return false;
    };

    // The owner first: changing it clears the setuid and setgid bits, which the mode then
    // sets again.
    struct stat made {};
    if (::fstat(out.get(), &made) != 0) {
        return abandon(false);
    }
    if (made.st_uid != st.st_uid || made.st_gid != st.st_gid) {
        if (Injected(FileFault::Owner)) {
            errno = EPERM;
            return abandon(true);
        }
        if (::fchown(out.get(), st.st_uid, st.st_gid) != 0) {
            return abandon(true);
        }
    }
    {
        FileHandle in(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (in.get() < 0 || !CopyUserAttributes(in.get(), out.get())) {
            return abandon(true);
        }
    }
    if (::fchmod(out.get(), st.st_mode & 07777) != 0) {
        return abandon(true);
    }

    if (!WriteAllAt(out.get(), bytes, 0, true) || !Sync(out.get())) {
        return abandon(false);
    }
    if (!out.close()) {
        return abandon(false);
    }
    if (Injected(FileFault::Rename)) {
        errno = EIO;
        return abandon(false);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        return abandon(false);
    }
    // Make the rename itself durable; the new content is in place either way.
    SyncFolder(FolderOf(target));
    return true;
}

// Writes the backup copy of old beside the target, or in the cache folder when the folder
// takes no new file. Returns its name, or empty with error set.
std::string WriteBackup(const std::string& path, const std::string& target, std::string_view old,
                        ScoreError& error) {
    std::string name;
    FileHandle copy(CreateBeside(target, "backup", name));
    if (copy.get() < 0) {
        const std::string cache = CacheFolder();
        if (cache.empty()) {
            error = Failure(path, MessageId::BackupFailed,
                            {"$XDG_CACHE_HOME or ~/.cache", SystemReason(ENOENT)});
            return std::string();
        }
        copy.reset(CreateUnique(cache, BaseOf(target) + ".vorlat-backup-", name));
        if (copy.get() < 0) {
            error = Failure(path, MessageId::BackupFailed, {cache, SystemReason(errno)});
            return std::string();
        }
    }
    bool ok = true;
    if (Injected(FileFault::Backup)) {
        errno = ENOSPC;
        ok = false;
    }
    ok = ok && WriteAllAt(copy.get(), old, 0, false) && ::fsync(copy.get()) == 0;
    ok = copy.close() && ok;
    if (!ok) {
        error = Failure(path, MessageId::BackupFailed, {name, SystemReason(errno)});
        ::unlink(name.c_str());
        return std::string();
    }
    return name;
}

// Overwrites an open file with bytes and cuts it to their length. Only the new content's
// write is subject to the Write and Sync faults; putting the old content back is not.
bool WriteContent(int fd, std::string_view bytes, bool mayFault) {
    if (!WriteAllAt(fd, bytes, 0, mayFault) ||
        ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
        return false;
    }
    return mayFault ? Sync(fd) : ::fsync(fd) == 0;
}

WriteOutcome WriteInPlace(const std::string& path, const std::string& target,
                          std::string_view bytes) {
    FileHandle file(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        return errno == ENOENT ? Failure(path, MessageId::FileVanished)
                               : Failure(path, MessageId::FileReadOnly, {SystemReason(errno)});
    }
    struct stat st {};
    std::string old;
    if (::fstat(file.get(), &st) != 0 ||
        !ReadAll(file.get(), static_cast<size_t>(st.st_size), old)) {
        return Failure(path, MessageId::FileUnreadable, {SystemReason(errno)});
    }
    ScoreError backupError;
    const std::string backup = WriteBackup(path, target, old, backupError);
    if (backup.empty()) {
        return backupError;
    }

    if (!WriteContent(file.get(), bytes, true)) {
        const std::string reason = SystemReason(errno);
        bool restored = !Injected(FileFault::Restore) && WriteContent(file.get(), old, false);
        if (restored) {
            ::unlink(backup.c_str());
            return Failure(path, MessageId::WriteFailed, {reason});
        }
        return Failure(path, MessageId::WriteFailedKept, {reason, backup});
    }
    // A write by someone without the right to keep them clears the setuid and setgid bits;
    // the owner may set them again.
    struct stat after {};
    if (::fstat(file.get(), &after) == 0 && (after.st_mode & 07777) != (st.st_mode & 07777)) {
        [[maybe_unused]] int ignored = ::fchmod(file.get(), st.st_mode & 07777);
    }
    ::unlink(backup.c_str());
    return WriteMethod::InPlace;
}

} // namespace

void SetFileFaultForTesting(FileFault faults) {
    g_faults.store(static_cast<unsigned>(faults));
}

WriteOutcome ReplaceFileContents(const std::string& path, std::string_view bytes) {
    if (path.empty()) {
        return Failure(path, MessageId::NoScorePath);
    }

    // The file a save must write: the target of a symbolic link, else the path itself.
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT ? Failure(path, MessageId::FileVanished)
                               : Failure(path, MessageId::FileUnreadable, {SystemReason(errno)});
    }
    if (S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            if (errno == ENOENT) {
                char link[PATH_MAX];
                ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
                link[n < 0 ? 0 : n] = '\0';
                return Failure(path, MessageId::LinkTargetVanished, {link});
            }
            return Failure(path, MessageId::FileUnreadable, {SystemReason(errno)});
        }
        target = resolved;
        if (::stat(target.c_str(), &st) != 0) {
            return Failure(path, MessageId::LinkTargetVanished, {target});
        }
    }
    if (S_ISDIR(st.st_mode)) {
        return Failure(path, MessageId::FileUnreadable, {SystemReason(EISDIR)});
    }
    if (!S_ISREG(st.st_mode)) {
        return Failure(path, MessageId::FileNotRegular);
    }
    // A read-only file stays as it is, even for a user (root) whom the system would let
    // write it.
    if ((st.st_mode & 0222) == 0) {
        return Failure(path, MessageId::FileReadOnly, {SystemReason(EACCES)});
    }
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        return Failure(path, MessageId::FileReadOnly, {SystemReason(errno)});
    }

    if (st.st_nlink == 1 && !HasAccessControlList(target)) {
        bool fallBack = false;
        ScoreError error;
        if (ReplaceByRename(path, target, st, bytes, fallBack, error)) {
            return WriteMethod::Replace;
        }
        if (!fallBack) {
            return error;
        }
    }
    return WriteInPlace(path, target, bytes);
}
