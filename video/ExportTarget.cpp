#include "video/ExportTarget.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

std::string Reason(const std::string& path, int error) {
    return "cannot write " + path + ": " + std::strerror(error);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Why a file that exists is no target; empty when it is one.
std::string Refusal(const std::string& shown, const struct stat& target, const std::string& score) {
    if (S_ISDIR(target.st_mode)) {
        return Reason(shown, EISDIR);
    }
    if (!S_ISREG(target.st_mode)) {
        return "cannot write " + shown +
               ": it is not a regular file (a device, FIFO or socket); videos are written only "
               "into regular files";
    }
    struct stat scoreStat {};
    if (!score.empty() && ::stat(score.c_str(), &scoreStat) == 0 && SameFile(scoreStat, target)) {
        return "cannot write " + shown + ": it is the score file " + score +
               " (a video would replace it)";
    }
    return {};
}

mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
        }
    }
    return 022;
}

std::string Extension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

} // namespace

ExportTarget::~ExportTarget() {
    discard();
}

bool ExportTarget::prepare(const std::string& path, const std::string& scorePath, bool sequence,
                           int64_t frames, std::string& error) {
    discard();
    if (path.empty()) {
        error = "no file name for the video";
        return false;
    }
    if (sequence) {
        m_target = path;
        m_writePath = path;
        const size_t slash = path.rfind('/');
        m_folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        std::string name(path.size() + 32, '\0');
        for (int64_t n = 0; n < frames && n <= INT_MAX; ++n) {
            if (av_get_frame_filename2(name.data(), static_cast<int>(name.size()), path.c_str(),
                                       static_cast<int>(n), 0) != 0) {
                break;
            }
            struct stat existing {};
            if (::stat(name.c_str(), &existing) == 0) {
                if (error = Refusal(name.c_str(), existing, scorePath); !error.empty()) {
                    return false;
                }
            }
        }
        return true;
    }

    m_target = path;
    // Whatever the path leads to must be a regular file (or nothing yet): a link to a device
    // or to a pipe (/dev/stdout) is refused as the device itself is.
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        error = Reason(path, errno);
        return false;
    }
    if (exists) {
        if (error = Refusal(path, existing, scorePath); !error.empty()) {
            return false;
        }
        // A file we may not write is not replaced behind its owner's back either.
        if (::access(path.c_str(), W_OK) != 0) {
            error = Reason(path, errno);
            return false;
        }
    }
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // Write beside the file the link names, so that the link keeps pointing at the video.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            error = Reason(path, errno);
            return false;
        }
        m_target = resolved;
    }

    const size_t slash = m_target.rfind('/');
    m_folder = slash == std::string::npos ? "." : slash == 0 ? "/" : m_target.substr(0, slash);
    const std::string name = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    // The temporary name keeps the extension: the muxer is chosen by it.
    const std::string extension = Extension(name);
    std::string pattern = m_folder + "/." + name + ".part-XXXXXX" + extension;
    const int fd = ::mkstemps(pattern.data(), static_cast<int>(extension.size()));
    if (fd < 0) {
        error = Reason(path, errno);
        return false;
    }
    // A video replacing a file keeps its permissions; a new one gets the usual ones. They are
    // given when the video takes its place: until then the file is ours alone.
    m_mode = exists ? (existing.st_mode & 0777) : (0666 & ~CurrentUmask());
    ::close(fd);
    m_writePath = pattern;
    m_temporary = true;
    return true;
}

bool ExportTarget::commit(std::string& error) {
    if (!m_temporary) {
        return true;
    }
    struct stat written {};
    if (::stat(m_writePath.c_str(), &written) != 0) {
        // The output removed its unfinishable file: there is nothing to put in place.
        m_temporary = false;
        error = Reason(m_target, errno);
        return false;
    }
    ::chmod(m_writePath.c_str(), m_mode);
    if (::rename(m_writePath.c_str(), m_target.c_str()) != 0) {
        error = Reason(m_target, errno);
        discard();
        return false;
    }
    m_temporary = false;
    return true;
}

void ExportTarget::discard() {
    if (m_temporary) {
        ::unlink(m_writePath.c_str());
        m_temporary = false;
    }
}

int64_t FreeBytes(const std::string& folder) {
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0) {
        return -1;
    }
    return static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
}
