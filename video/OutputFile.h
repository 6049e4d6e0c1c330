#pragma once

// The file a muxer writes into, with a reserve of disk space: a sibling file of reserved
// blocks that is deleted when a write finds the disk full, so that the write and the
// container's index that follows it still fit. The output then plays to its last frame
// instead of ending without an index.

#include <cstddef>
#include <cstdint>
#include <string>

#include "score/Result.h"

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates or truncates path and sets reserve bytes aside in the same folder (fewer, or
    // none, when the disk has less to give). Fails with the system's reason.
    Status open(const std::string& path, uint64_t reserve);
    // Writes everything at the current position. A full disk first uses up the reserve;
    // outOfSpace() then tells the caller to stop. False (errno set) when bytes were lost.
    bool write(const void* data, size_t size);
    // lseek semantics; -1 (errno set) on failure.
    int64_t seek(int64_t offset, int whence);
    int64_t size() const;
    // Closes the file and gives back what is left of the reserve. Fails with the reason when
    // closing lost data.
    Status close();

    // Closes and removes the file, for an output that never got going.
    void discard();

    bool outOfSpace() const { return m_outOfSpace; }
    const std::string& path() const { return m_path; }

private:
    void releaseReserve();

    int m_fd = -1;
    std::string m_path;
    std::string m_reservePath;
    int m_reserveFd = -1; // holds the reserve's lock
    bool m_outOfSpace = false;
};

// Writes a whole small file (one picture of a sequence) under a temporary name and renames
// it into place, so that a full disk never leaves a cut-off picture under the real name.
Status writeWholeFile(const std::string& path, const void* data, size_t size);
