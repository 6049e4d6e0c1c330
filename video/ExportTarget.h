#pragma once

// The file an export writes, made safe: nothing is ever written over a device, a FIFO or
// the score file itself, and nothing the export did not create is ever deleted. The video
// is written into a new temporary file beside the target, which takes the target's place
// only once it holds frames; a failure before that leaves the target as it was.

#include <cstdint>
#include <string>

class ExportTarget {
public:
    ExportTarget() = default;
    // Removes the temporary file unless it was committed.
    ~ExportTarget();
    ExportTarget(const ExportTarget&) = delete;
    ExportTarget& operator=(const ExportTarget&) = delete;

    // Checks path and creates the temporary file beside it (beside the file a link points
    // to, so that the link stays). scorePath (may be empty) is refused as a target, by
    // device and inode. A numbered picture sequence (frames > 0) is written in place, one
    // whole picture after the other; each existing frame name is checked instead. False
    // with a text naming the file and the reason.
    bool prepare(const std::string& path, const std::string& scorePath, bool sequence,
                 int64_t frames, std::string& error);
    // Where the output is to write.
    const std::string& writePath() const { return m_writePath; }
    // The folder the target lives in, for the free-space check.
    const std::string& folder() const { return m_folder; }
    // The temporary file takes the target's place. False, with the reason, when it cannot
    // (the temporary file is then removed and the target stays as it was).
    bool commit(std::string& error);
    // Removes the temporary file.
    void discard();

private:
    std::string m_target; // the path that receives the video, links resolved
    std::string m_writePath;
    std::string m_folder;
    bool m_temporary = false; // m_writePath is ours to rename or remove
    unsigned m_mode = 0644;   // the permissions the video gets in its place
};

// Free bytes for an unprivileged user in the file system of folder; -1 when unknown.
int64_t FreeBytes(const std::string& folder);
