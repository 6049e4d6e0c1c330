#pragma once

#include "score/Result.h"

#include <string>
#include <string_view>

// How a file's content was replaced.
enum class WriteMethod {
    None,    // nothing was written
    Replace, // a new file beside it was renamed over it
    InPlace, // the file itself was overwritten, with a backup copy kept until it was done
};

// How the new content was written, or why it was not. A failed write leaves the file as it
// was, except with WriteFailedKept: its old content could not be put back, and the backup
// file that the error names holds it.
using WriteOutcome = Result<WriteMethod>;

// Replaces the content of the existing file at path with bytes, so that the file keeps its
// identity and a failure leaves it byte for byte as it was. A symbolic link is followed; the
// file it points at is written.
//
// The way is chosen by what the file is:
// - Replace, when the file has one name (no hard links), no access control list, and the
//   folder lets us create a file there whose owner, group and extended attributes (user.*)
//   can be made those of the original: the bytes go to a temporary file beside it, which
//   gets the original's owner, attributes and mode bits (setuid included), is flushed to
//   disk and renamed over the original. The file is wholly old or wholly new at any moment.
// - InPlace otherwise (a hard-linked file, one with an access control list, a folder we may
//   not write, a file of another user that we may write but not give away): the old content
//   is first copied to a backup file beside it, or into the user's cache folder
//   ($XDG_CACHE_HOME or ~/.cache, under "vorlat") when the folder takes no new file; then
//   the file is overwritten and cut to the new length. Every name, the owner, the mode and all
//   attributes stay (a setuid or setgid bit only when we own the file or are root: the system
//   clears them when anyone else writes the file, and only the owner may set them again). If the
//   write fails, the old content is written back; the backup is removed once the file holds either
//   the new or the old content again. Only when even that fails does the backup stay, and the error
//   names it (WriteFailedKept).
//
// Refused up front, with nothing written: a path that does not exist (the file or a link's
// target vanished: this never creates a file), a file that is not a regular file, a file
// without any write permission bit (even for root), and one that the system does not let us
// write. Every error names the file and, where the system refused a step, its reason.
WriteOutcome ReplaceFileContents(const std::string& path, std::string_view bytes);

// Lets tests make chosen steps of the next replacements fail, as a full disk, a failing file
// system or a read-only folder would. Faults combine with |.
enum class FileFault : unsigned {
    None = 0,
    Folder = 1u << 0,     // no new file can be made beside the target (EACCES)
    Owner = 1u << 1,      // the temporary file cannot be given the original's owner (EPERM)
    Attributes = 1u << 2, // extended attributes cannot be copied (ENOTSUP)
    Write = 1u << 3,      // the new content: half of it gets through, then ENOSPC
    Sync = 1u << 4,       // flushing the new content fails (EIO)
    Rename = 1u << 5,     // the rename fails (EIO)
    Backup = 1u << 6,     // writing the backup copy fails (ENOSPC)
    Restore = 1u << 7,    // writing the old content back fails (EIO)
};
constexpr FileFault operator|(FileFault a, FileFault b) {
    return static_cast<FileFault>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
void SetFileFaultForTesting(FileFault faults);
