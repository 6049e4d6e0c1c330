#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Where the AVI writer puts its bytes. Appends go to the end; finished headers are patched
// in place. A sink remembers how many bytes really reached the file, so that after a write
// error the writer can cut the file back to its last complete frame.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends size bytes. False once any write has failed.
    virtual bool append(const void* data, size_t size) = 0;
    // Overwrites bytes that were appended before (header fields).
    virtual bool patch(uint64_t offset, const void* data, size_t size) = 0;
    // Logical end: everything appended so far, stored or not.
    virtual uint64_t size() const = 0;
    // Bytes that are known to be in the file (a prefix of what was appended).
    virtual uint64_t storedSize() const = 0;
    // Cuts the file to size bytes (at most storedSize()) and clears an earlier write error.
    virtual bool truncate(uint64_t size) = 0;
    // Pushes pending bytes to the file. False when they could not all be stored.
    virtual bool flush() = 0;
};

// A file on disk with a write buffer, so that the many small chunks of a compressed video
// do not each cost a system call.
class FileSink : public ByteSink {
public:
    // capacity > 0 makes the sink behave like a disk with that many bytes free: writes past
    // it store what fits and then fail as a full disk would.
    explicit FileSink(uint64_t capacity = 0);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Creates or truncates path. False (with errno set) when it cannot be opened.
    bool open(const std::string& path);
    // Flushes and closes; false when pending bytes could not be stored or closing failed.
    bool close();
    bool isOpen() const { return m_fd >= 0; }
    // True while the path given to open() still names the file this sink writes.
    bool stillAtPath() const;
    // The system's error number of the last failed open or write (0 when none failed).
    int lastError() const { return m_error; }

    bool append(const void* data, size_t size) override;
    bool patch(uint64_t offset, const void* data, size_t size) override;
    uint64_t size() const override { return m_stored + m_buffer.size(); }
    uint64_t storedSize() const override { return m_stored; }
    bool truncate(uint64_t size) override;
    bool flush() override;

private:
    // Writes at offset, at most up to the capacity; the number of bytes stored.
    size_t writeAt(uint64_t offset, const char* data, size_t size);

    int m_fd = -1;
    std::string m_path;
    uint64_t m_capacity = 0;
    uint64_t m_stored = 0;
    bool m_failed = false;
    int m_error = 0;
    std::vector<char> m_buffer;
};
