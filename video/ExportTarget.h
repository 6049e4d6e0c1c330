#pragma once

// The file an export writes, made safe: nothing is ever written over a device, a FIFO, a
// directory or one of the files the export reads (the score file, footage), and nothing the
// export did not create is ever deleted. The video is written into a new temporary file
// beside the target, which takes the target's place only when the caller says the export is
// complete (commit). After a failure or a cancel the target stays as it was; what was
// written is either kept beside it under a name that says it is partial
// (NAME.partial.EXT, see keepPartial) or removed.
//
// A numbered picture sequence is written into a temporary folder beside its pictures and
// moved into place picture by picture when complete; when a move fails the pictures that
// were already moved are put back, so a failure never leaves new pictures among old ones.
//
// Temporary names (".NAME.part-XXXXXX.EXT", the disk reserve ".NAME.part-XXXXXX.reserve",
// the folder ".NAME.part-XXXXXX") are shortened so that they are legal wherever the target's
// own name is. Each is locked (flock) for as long as its export runs; prepare removes the
// unlocked ones it finds in the target's folder, which a killed export left behind.
//
// Not thread-safe; one export uses one target from one thread.

#include "score/Result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A file the export reads and therefore must never write over, with the reason a refusal
// gives (MessageId::IsTheScoreFile, MessageId::IsTheFootage: the path is its argument).
struct ProtectedFile {
    std::string path;
    MessageId why;
};

class ExportTarget {
public:
    ExportTarget() = default;
    // Removes what was written unless it was committed or kept.
    ~ExportTarget();
    ExportTarget(const ExportTarget&) = delete;
    ExportTarget& operator=(const ExportTarget&) = delete;

    // Checks path and creates the temporary file beside it (beside the file a link points
    // to, so that the link stays). The protected files (empty paths ignored) are refused as
    // a target by device and inode, so links to them are refused too. A numbered picture
    // sequence (sequence true, path holding one frame number) gets a temporary folder
    // instead, and each of the first frames' existing names is checked. The reason of a
    // refusal names the file.
    Status prepare(const std::string& path, const std::vector<ProtectedFile>& keep, bool sequence,
                   int64_t frames);
    // The same with the score file as the one protected file.
    Status prepare(const std::string& path, const std::string& scorePath, bool sequence,
                   int64_t frames);
    // Where the output is to write: the temporary file, or for a sequence the same picture
    // name pattern inside the temporary folder.
    const std::string& writePath() const { return m_writePath; }
    // The folder the target lives in, for the free-space check.
    const std::string& folder() const { return m_folder; }
    // The temporary file takes the target's place (a sequence: the first frames pictures of
    // the temporary folder take theirs). When it cannot, the temporary file is removed and
    // the target stays as it was.
    // frames: the pictures a sequence has (-1: every one in the temporary folder).
    Status commit(int64_t frames = -1);
    // For an export that did not complete: when plays says the temporary file plays, it is
    // renamed to NAME.partial.EXT beside the target (replacing an earlier partial file) and
    // that path is returned; otherwise, or for a sequence, what was written is removed and
    // the result is empty. The target is untouched either way.
    std::string keepPartial(const std::function<bool(const std::string&)>& plays);
    // Removes what was written.
    void discard();

private:
    Status prepareSequence(const std::string& path, const std::vector<ProtectedFile>& keep,
                           int64_t frames);
    void release();

    std::string m_target; // the path that receives the video, links resolved
    std::string m_writePath;
    std::string m_folder;
    std::string m_tempFolder; // a sequence's temporary folder
    bool m_temporary = false; // m_writePath (or m_tempFolder) is ours to rename or remove
    int m_lock = -1;          // holds the temporary file or folder's lock
    unsigned m_mode = 0644;   // the permissions the video gets in its place
};

// What a failed export left of target, for the end of its reason: the target (or, for a
// numbered picture sequence, its pictures) as it was, and where frames written are kept when
// partialPath names a partial file.
Message KeptNote(const std::string& target, bool sequence, int64_t frames,
                 const std::string& partialPath);

// Whether two paths lead to the same file (device and inode, links followed); false when
// either is empty or missing. The one rule every output uses to keep its inputs safe.
bool SameFile(const std::string& a, const std::string& b);

// Free bytes for an unprivileged user in the file system of folder; -1 when unknown.
int64_t FreeBytes(const std::string& folder);

// NAME.partial.EXT beside target, shortened to a legal name when target's is long.
std::string PartialName(const std::string& target);

// Whether the video file at path opens and its first video frame decodes.
bool VideoPlays(const std::string& path);

// Removes what exports killed in folder left behind: temporary files, reserves and picture
// folders whose lock no running export holds. Nothing else is touched.
void RemoveLeftovers(const std::string& folder);
