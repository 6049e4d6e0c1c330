#pragma once

#include <string>
#include <string_view>

// Replaces the content of the file at path with bytes so that the file is either wholly old
// or wholly new, never half written: the bytes go to a temporary file in the same folder,
// which is flushed to disk and then renamed over the original. The original's permissions
// (and, where allowed, its owner) carry over; a new file gets the usual permissions of the
// user's umask. A symbolic link is followed, so the file it points at is replaced.
//
// Returns false, leaving the original untouched and no temporary file behind, when the file
// is read-only (no write permission bit, or not writable by us), is not a regular file, the
// folder is missing or not writable, or a write, flush or rename fails (a full disk).
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

// Lets tests make the next replacements fail at a chosen step, as a full disk or a failing
// file system would; Write fails after part of the bytes is written.
enum class FileFault { None, Write, Sync, Rename };
void SetFileFaultForTesting(FileFault fault);
