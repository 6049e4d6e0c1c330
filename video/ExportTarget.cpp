#include "video/ExportTarget.h"

#include "video/AvHandles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

// The longest name one folder entry may have on the file systems we write to.
constexpr size_t kNameMax = NAME_MAX;
// What a temporary name adds to the target's: "." before, ".part-XXXXXX" after.
constexpr size_t kTempAdds = 1 + 12;
// The reserve's name ends in this instead of the extension.
constexpr const char* kReserveSuffix = ".reserve";

ScoreError Reason(const std::string& path, int error) {
    return Failure(path, MessageId::CannotWrite, {SystemReason(error)});
}

bool SameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Why a file that exists is no target.
Status Refusal(const std::string& shown, const struct stat& target,
               const std::vector<ProtectedFile>& keep) {
    if (S_ISDIR(target.st_mode)) {
        return Reason(shown, EISDIR);
    }
    if (!S_ISREG(target.st_mode)) {
        return Failure(shown, MessageId::NotRegularTarget);
    }
    for (const ProtectedFile& file : keep) {
        struct stat kept {};
        if (!file.path.empty() && ::stat(file.path.c_str(), &kept) == 0 &&
            SameInode(kept, target)) {
            return Failure(shown, file.why, {file.path});
        }
    }
    return Done{};
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

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// text cut to at most size bytes, never inside a UTF-8 character.
std::string CutTo(const std::string& text, size_t size) {
    if (text.size() <= size) {
        return text;
    }
    while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) {
        --size;
    }
    return text.substr(0, size);
}

// The part of a temporary name before ".part-": the target's name without its extension,
// short enough that the longest of the temporary names still is a legal one.
std::string TempStem(const std::string& name, const std::string& extension) {
    const std::string stem = name.substr(0, name.size() - extension.size());
    const size_t tail = std::max(extension.size(), std::strlen(kReserveSuffix));
    return CutTo(stem, kNameMax > kTempAdds + tail ? kNameMax - kTempAdds - tail : 0);
}

// Whether a folder entry's name is one of the temporary names (of this version or an
// earlier one): ".STEM.part-XXXXXX" with at most a short extension, ".reserve" or both.
bool IsTemporaryName(const std::string& name) {
    if (name.size() < kTempAdds || name[0] != '.') {
        return false;
    }
    const size_t part = name.rfind(".part-");
    if (part == std::string::npos || part == 0 || name.size() < part + 12) {
        return false;
    }
    for (size_t i = part + 6; i < part + 12; ++i) {
        if (std::isalnum(static_cast<unsigned char>(name[i])) == 0) {
            return false;
        }
    }
    const std::string rest = name.substr(part + 12);
    return rest.empty() || (rest[0] == '.' && rest.size() <= 24 && rest.find('/') == rest.npos);
}

// Locks fd for this export; false when another running export holds it.
bool Lock(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

// Still linked into its folder: a file that a leftover sweep of another export removed
// between its creation and its lock is not ours to use.
bool StillLinked(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_nlink > 0;
}

void RemoveFolderOfPictures(const std::string& folder) {
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = folder + "/" + name;
            struct stat st {};
            if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
                ::unlink(path.c_str());
            }
        }
        ::closedir(dir);
    }
    ::rmdir(folder.c_str());
}

std::string FrameName(const std::string& pattern, int64_t number) {
    std::string name(pattern.size() + 32, '\0');
    if (number > INT_MAX ||
        av_get_frame_filename2(name.data(), static_cast<int>(name.size()), pattern.c_str(),
                               static_cast<int>(number), 0) != 0) {
        return {};
    }
    name.resize(std::strlen(name.c_str()));
    return name;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

ExportTarget::~ExportTarget() {
    discard();
}

void ExportTarget::release() {
    if (m_lock >= 0) {
        ::close(m_lock);
        m_lock = -1;
    }
}

Status ExportTarget::prepare(const std::string& path, const std::string& scorePath, bool sequence,
                             int64_t frames) {
    return prepare(path, {{scorePath, MessageId::IsTheScoreFile}}, sequence, frames);
}

Status ExportTarget::prepareSequence(const std::string& path,
                                     const std::vector<ProtectedFile>& keep, int64_t frames) {
    m_target = path;
    m_folder = FolderOf(path);
    const std::string pattern = NameOf(path);
    for (int64_t n = 0; n < frames && n <= INT_MAX; ++n) {
        const std::string name = FrameName(path, n);
        if (name.empty()) {
            break;
        }
        struct stat existing {};
        if (::stat(name.c_str(), &existing) == 0) {
            if (Status refused = Refusal(name, existing, keep); !refused) {
                return refused;
            }
        }
    }
    RemoveLeftovers(m_folder);
    // The folder's name comes from the pattern, without the frame number's % (the whole
    // write path is a pattern too).
    std::string stem;
    for (char c : TempStem(pattern, Extension(pattern))) {
        if (c != '%') {
            stem += c;
        }
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string folder = m_folder + "/." + stem + ".part-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr) {
            return Reason(path, errno);
        }
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0 && Lock(fd) && StillLinked(fd)) {
            m_lock = fd;
            m_tempFolder = folder;
            m_writePath = folder + "/" + pattern;
            m_temporary = true;
            return Done{};
        }
        if (fd >= 0) {
            ::close(fd);
        }
        ::rmdir(folder.c_str());
    }
    return Reason(path, EEXIST);
}

Status ExportTarget::prepare(const std::string& path, const std::vector<ProtectedFile>& keep,
                             bool sequence, int64_t frames) {
    discard();
    if (path.empty()) {
        return Failure({}, MessageId::NoVideoName);
    }
    if (sequence) {
        return prepareSequence(path, keep, frames);
    }

    m_target = path;
    // Whatever the path leads to must be a regular file (or nothing yet): a link to a device
    // or to a pipe (/dev/stdout) is refused as the device itself is.
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        return Reason(path, errno);
    }
    if (exists) {
        if (Status refused = Refusal(path, existing, keep); !refused) {
            return refused;
        }
        // A file we may not write is not replaced behind its owner's back either.
        if (::access(path.c_str(), W_OK) != 0) {
            return Reason(path, errno);
        }
    }
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // Write beside the file the link names, so that the link keeps pointing at the video.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            return Reason(path, errno);
        }
        m_target = resolved;
    }

    m_folder = FolderOf(m_target);
    const std::string name = NameOf(m_target);
    RemoveLeftovers(m_folder);
    // The temporary name keeps the extension: the muxer is chosen by it.
    const std::string extension = Extension(name);
    if (extension.size() + kTempAdds > kNameMax) {
        return Reason(path, ENAMETOOLONG);
    }
    const std::string stem = TempStem(name, extension);
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string pattern = m_folder + "/." + stem + ".part-XXXXXX" + extension;
        const int fd = ::mkstemps(pattern.data(), static_cast<int>(extension.size()));
        if (fd < 0) {
            return Reason(path, errno);
        }
        if (!Lock(fd) || !StillLinked(fd)) {
            ::close(fd);
            continue;
        }
        // A video replacing a file keeps its permissions; a new one gets the usual ones.
        // They are given when the video takes its place: until then the file is ours alone.
        m_mode = exists ? (existing.st_mode & 0777) : (0666 & ~CurrentUmask());
        m_lock = fd;
        m_writePath = pattern;
        m_temporary = true;
        return Done{};
    }
    return Reason(path, EEXIST);
}

Status ExportTarget::commit(int64_t frames) {
    if (!m_temporary) {
        return Done{};
    }
    if (!m_tempFolder.empty()) {
        // The old pictures stay reachable (linked, or moved, into the temporary folder)
        // until every new one is in place, so that a failed move can put them back.
        struct Move {
            std::string from, to, old;
        };
        std::vector<Move> moves;
        for (int64_t n = 0; frames < 0 || n < frames; ++n) {
            const std::string from = FrameName(m_writePath, n);
            if (from.empty() || (frames < 0 && !Exists(from))) {
                break;
            }
            moves.push_back({from, FrameName(m_target, n), {}});
        }
        int reason = 0;
        std::string failed;
        size_t moved = 0;
        for (size_t i = 0; i < moves.size() && reason == 0; ++i) {
            Move& move = moves[i];
            struct stat existing {};
            if (::lstat(move.to.c_str(), &existing) == 0) {
                // What appeared under a picture's name while the export ran and is no
                // picture (a folder, a device) is not moved aside, nor written over.
                if (!S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode)) {
                    reason = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
                    failed = move.to;
                    break;
                }
                move.old = m_tempFolder + "/.old-" + std::to_string(i);
                if (::link(move.to.c_str(), move.old.c_str()) != 0 &&
                    ::rename(move.to.c_str(), move.old.c_str()) != 0) {
                    move.old.clear();
                    reason = errno;
                    failed = move.to;
                    break;
                }
            }
        }
        for (; reason == 0 && moved < moves.size(); ++moved) {
            if (::chmod(moves[moved].from.c_str(), 0666 & ~CurrentUmask()) != 0 ||
                ::rename(moves[moved].from.c_str(), moves[moved].to.c_str()) != 0) {
                reason = errno;
                failed = moves[moved].to;
                break;
            }
        }
        if (reason != 0) {
            for (size_t i = 0; i < moves.size(); ++i) {
                if (!moves[i].old.empty()) {
                    ::rename(moves[i].old.c_str(), moves[i].to.c_str());
                } else if (i < moved) {
                    ::unlink(moves[i].to.c_str());
                }
            }
            discard();
            return Reason(failed, reason);
        }
        discard();
        return Done{};
    }
    struct stat written {};
    if (::stat(m_writePath.c_str(), &written) != 0) {
        // The output removed its unfinishable file: there is nothing to put in place.
        const int reason = errno;
        m_temporary = false;
        release();
        return Reason(m_target, reason);
    }
    ::chmod(m_writePath.c_str(), m_mode);
    if (::rename(m_writePath.c_str(), m_target.c_str()) != 0) {
        const ScoreError error = Reason(m_target, errno);
        discard();
        return error;
    }
    m_temporary = false;
    release();
    return Done{};
}

std::string ExportTarget::keepPartial(const std::function<bool(const std::string&)>& plays) {
    if (!m_temporary || !m_tempFolder.empty() || !plays || !plays(m_writePath)) {
        discard();
        return {};
    }
    const std::string partial = PartialName(m_target);
    // Only an earlier partial video (a regular file) is replaced, never a folder, device or
    // a file of someone else's.
    struct stat existing {};
    if (::lstat(partial.c_str(), &existing) == 0 &&
        (!S_ISREG(existing.st_mode) || existing.st_nlink > 1 ||
         ::access(partial.c_str(), W_OK) != 0)) {
        discard();
        return {};
    }
    ::chmod(m_writePath.c_str(), m_mode);
    if (::rename(m_writePath.c_str(), partial.c_str()) != 0) {
        discard();
        return {};
    }
    m_temporary = false;
    release();
    return partial;
}

void ExportTarget::discard() {
    if (m_temporary) {
        if (!m_tempFolder.empty()) {
            RemoveFolderOfPictures(m_tempFolder);
        } else {
            ::unlink(m_writePath.c_str());
        }
        m_temporary = false;
    }
    m_tempFolder.clear();
    release();
}

int64_t FreeBytes(const std::string& folder) {
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0) {
        return -1;
    }
    return static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
}

std::string PartialName(const std::string& target) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = NameOf(target);
    const std::string extension = Extension(name);
    const std::string stem = name.substr(0, name.size() - extension.size());
    constexpr size_t kAdds = 8; // ".partial"
    const size_t room =
        kNameMax > kAdds + extension.size() ? kNameMax - kAdds - extension.size() : 0;
    return folder + CutTo(stem, room) + ".partial" + extension;
}

bool VideoPlays(const std::string& path) {
    AVFormatContext* opened = nullptr;
    const std::string url = "file:" + path;
    if (avformat_open_input(&opened, url.c_str(), nullptr, nullptr) < 0) {
        return false;
    }
    const AvInputPtr format(opened);
    const AvPacketPtr packet(av_packet_alloc());
    const AvFramePtr frame(av_frame_alloc());
    const AVCodec* codec = nullptr;
    const int stream =
        avformat_find_stream_info(format.get(), nullptr) < 0
            ? -1
            : av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream < 0 || codec == nullptr || !packet || !frame) {
        return false;
    }
    const AvCodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder ||
        avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        return false;
    }
    // A video of whole frames decodes its first one within a few packets; the limit only
    // keeps a broken file from being read to its end.
    for (int packets = 0; packets < 1000; ++packets) {
        const int read = av_read_frame(format.get(), packet.get());
        if (read < 0) {
            avcodec_send_packet(decoder.get(), nullptr);
        } else if (packet->stream_index != stream) {
            av_packet_unref(packet.get());
            continue;
        } else {
            avcodec_send_packet(decoder.get(), packet.get());
            av_packet_unref(packet.get());
        }
        if (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            return true;
        }
        if (read < 0) {
            break;
        }
    }
    return false;
}

void RemoveLeftovers(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsTemporaryName(entry->d_name)) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    const uid_t me = ::geteuid();
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || st.st_uid != me ||
            !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
            continue;
        }
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat opened {};
        // A running export holds its lock for as long as it writes.
        if (::fstat(fd, &opened) == 0 && SameInode(opened, st) && Lock(fd)) {
            if (S_ISDIR(st.st_mode)) {
                RemoveFolderOfPictures(path);
            } else {
                ::unlink(path.c_str());
            }
        }
        ::close(fd);
    }
}

Message KeptNote(const std::string& target, bool sequence, int64_t frames,
                 const std::string& partialPath) {
    if (sequence) {
        return Message{MessageId::PicturesAsTheyWere, {target}};
    }
    if (partialPath.empty()) {
        return Message{MessageId::TargetAsItWas, {target}};
    }
    return Message{MessageId::TargetAsItWasPartialKept,
                   {target, std::to_string(frames), partialPath}};
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
           SameInode(sa, sb);
}
