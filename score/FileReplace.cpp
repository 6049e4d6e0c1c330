#include "score/FileReplace.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<FileFault> g_fault{FileFault::None};

bool WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    if (g_fault.load() == FileFault::Write) {
        // A disk that fills up mid-save: half the bytes get through, then ENOSPC.
        bytes = bytes.substr(0, bytes.size() / 2);
        while (done < bytes.size()) {
            ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        errno = ENOSPC;
        return false;
    }
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
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

// The file a save must replace: the target of a symbolic link, else the path itself.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char buffer[PATH_MAX];
        if (::realpath(path.c_str(), buffer) != nullptr) {
            return buffer;
        }
    }
    return path;
}

} // namespace

void SetFileFaultForTesting(FileFault fault) {
    g_fault.store(fault);
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
    if (path.empty()) {
        return false;
    }
    const std::string target = ResolveTarget(path);
    struct stat original {};
    bool exists = ::stat(target.c_str(), &original) == 0;
    if (!exists && errno != ENOENT) {
        return false;
    }
    if (exists) {
        // A read-only file stays as it is, even for a user (root) whom the system would let
        // replace it.
        if (!S_ISREG(original.st_mode) || (original.st_mode & 0222) == 0 ||
            ::access(target.c_str(), W_OK) != 0) {
            return false;
        }
    }

    const std::string folder = FolderOf(target);
    size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::random_device seed;
    std::mt19937 rng(seed());
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(rng()));
        temp = (folder == "/" ? std::string("/") : folder + "/") + "." + base + ".save-" + suffix;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return false; // missing or read-only folder
        }
    }
    if (fd < 0) {
        return false;
    }

    bool ok = true;
    if (exists) {
        ok = ::fchmod(fd, original.st_mode & 07777) == 0;
        if (ok && (original.st_uid != ::geteuid() || original.st_gid != ::getegid())) {
            // Only possible for a privileged user; others keep their own ownership.
            [[maybe_unused]] int ignored = ::fchown(fd, original.st_uid, original.st_gid);
        }
    }
    ok = ok && WriteAll(fd, bytes);
    ok = ok && g_fault.load() != FileFault::Sync && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && g_fault.load() != FileFault::Rename && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; the new content is in place either way.
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
