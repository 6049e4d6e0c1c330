#include "video/ByteSink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr size_t kBufferSize = 1 << 20;
}

FileSink::FileSink(uint64_t capacity) : m_capacity(capacity) {
    m_buffer.reserve(kBufferSize);
}

FileSink::~FileSink() {
    close();
}

bool FileSink::open(const std::string& path) {
    close();
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    m_error = 0;
    m_path = path;
    m_stored = 0;
    m_failed = false;
    m_buffer.clear();
    return true;
}

bool FileSink::close() {
    if (m_fd < 0) {
        return true;
    }
    bool ok = flush();
    if (::close(m_fd) != 0) {
        ok = false;
    }
    m_fd = -1;
    return ok;
}

bool FileSink::stillAtPath() const {
    struct stat atPath {};
    struct stat open {};
    if (m_fd < 0 || ::stat(m_path.c_str(), &atPath) != 0 || ::fstat(m_fd, &open) != 0) {
        return false;
    }
    return atPath.st_dev == open.st_dev && atPath.st_ino == open.st_ino;
}

size_t FileSink::writeAt(uint64_t offset, const char* data, size_t size) {
    size_t allowed = size;
    if (m_capacity > 0) {
        allowed = offset >= m_capacity
                      ? 0
                      : static_cast<size_t>(std::min<uint64_t>(size, m_capacity - offset));
    }
    size_t done = 0;
    while (done < allowed) {
        ssize_t n = ::pwrite(m_fd, data + done, allowed - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return done;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (done < size && m_capacity > 0 && done == allowed) {
        errno = ENOSPC;
    }
    return done;
}

bool FileSink::flush() {
    if (m_fd < 0 || m_failed) {
        return false;
    }
    if (m_buffer.empty()) {
        return true;
    }
    size_t done = writeAt(m_stored, m_buffer.data(), m_buffer.size());
    m_stored += done;
    if (done < m_buffer.size()) {
        m_error = errno;
        m_failed = true;
        return false;
    }
    m_buffer.clear();
    return true;
}

bool FileSink::append(const void* data, size_t size) {
    if (m_fd < 0 || m_failed) {
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    if (m_buffer.size() + size > kBufferSize) {
        if (!flush()) {
            return false;
        }
        if (size >= kBufferSize) {
            // Large frames go straight to the file instead of through the buffer.
            size_t done = writeAt(m_stored, bytes, size);
            m_stored += done;
            if (done < size) {
                m_error = errno;
                m_failed = true;
                return false;
            }
            return true;
        }
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    return true;
}

bool FileSink::patch(uint64_t offset, const void* data, size_t size) {
    if (m_fd < 0 || offset + size > this->size()) {
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    // The part still in the buffer is patched there; the rest in the file.
    if (offset + size > m_stored) {
        uint64_t from = std::max(offset, m_stored);
        std::memcpy(m_buffer.data() + (from - m_stored), bytes + (from - offset),
                    static_cast<size_t>(offset + size - from));
    }
    if (offset < m_stored) {
        size_t inFile = static_cast<size_t>(std::min<uint64_t>(size, m_stored - offset));
        if (writeAt(offset, bytes, inFile) != inFile) {
            return false;
        }
    }
    return true;
}

bool FileSink::truncate(uint64_t size) {
    if (m_fd < 0) {
        return false;
    }
    if (size <= m_stored) {
        m_buffer.clear();
        if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0) {
            return false;
        }
        m_stored = size;
    } else {
        m_buffer.resize(static_cast<size_t>(size - m_stored));
    }
    m_failed = false;
    return true;
}
