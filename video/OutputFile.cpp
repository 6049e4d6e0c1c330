#include "video/OutputFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A hidden name next to path, so that it lies on the same file system; the name is cut
// (never inside a UTF-8 character) so that it stays legal wherever path's is. A temporary
// file's reserve (".NAME.part-XXXXXX.EXT") is ".NAME.part-XXXXXX.reserve", so that a sweep
// for leftovers knows it.
std::string siblingName(const std::string& path, const std::string& suffix) {
    const std::filesystem::path p(path);
    std::string name = p.filename().string();
    const size_t part = name.rfind(".part-");
    if (!name.empty() && name[0] == '.' && part != std::string::npos && name.size() >= part + 12) {
        name = name.substr(1, part + 11);
    }
    size_t room = NAME_MAX - 1 - suffix.size();
    if (name.size() > room) {
        while (room > 0 && (static_cast<unsigned char>(name[room]) & 0xC0) == 0x80) {
            --room;
        }
        name.resize(room);
    }
    return (p.parent_path() / ("." + name + suffix)).string();
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

OutputFile::~OutputFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    releaseReserve();
}

Status OutputFile::open(const std::string& path, uint64_t reserve) {
    m_path = path;
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        return Failure(path, MessageId::CannotCreate, {SystemReason(errno)});
    }
    if (reserve == 0) {
        return Done{};
    }
    // A nearly full disk still gets an output, with whatever reserve it can spare.
    const std::string reservePath = siblingName(path, ".reserve");
    const int fd = ::open(reservePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return Done{};
    }
    // Locked while it is set aside: a sweep for leftovers of killed exports leaves it alone.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Done{};
    }
    m_reservePath = reservePath;
    m_reserveFd = fd;
    for (uint64_t size = reserve; size >= 64 * 1024; size /= 4) {
        if (::posix_fallocate(fd, 0, static_cast<off_t>(size)) == 0) {
            break;
        }
        if (::ftruncate(fd, 0) != 0) {
            break;
        }
    }
    return Done{};
}

void OutputFile::releaseReserve() {
    if (!m_reservePath.empty()) {
        ::unlink(m_reservePath.c_str());
        m_reservePath.clear();
    }
    if (m_reserveFd >= 0) {
        ::close(m_reserveFd);
        m_reserveFd = -1;
    }
}

bool OutputFile::write(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == ENOSPC && !m_reservePath.empty()) {
                releaseReserve();
                m_outOfSpace = true;
                continue;
            }
            if (errno == ENOSPC) {
                m_outOfSpace = true;
            }
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int64_t OutputFile::seek(int64_t offset, int whence) {
    return ::lseek(m_fd, offset, whence);
}

int64_t OutputFile::size() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        return -1;
    }
    return st.st_size;
}

Status OutputFile::close() {
    std::optional<ScoreError> error;
    if (m_fd >= 0) {
        if (::close(m_fd) != 0) {
            error = Failure(m_path, MessageId::CannotWrite, {SystemReason(errno)});
        }
        m_fd = -1;
    }
    releaseReserve();
    if (error) {
        return *error;
    }
    return Done{};
}

void OutputFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_path.c_str());
    }
    releaseReserve();
}

Status writeWholeFile(const std::string& path, const void* data, size_t size) {
    const std::string temporary = siblingName(path, std::string(".part"));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Failure(path, MessageId::CannotCreate, {SystemReason(errno)});
    }
    bool ok = writeAll(fd, static_cast<const char*>(data), size);
    int reason = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        reason = errno;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        reason = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return Failure(path, MessageId::CannotWrite, {SystemReason(reason)});
    }
    return Done{};
}
