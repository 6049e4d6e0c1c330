#include "score/TimingWriter.h"

#include "score/Loader.h"
#include "score/ProfileFile.h"
#include "score/ScoreData.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

WriteOutcome Refused(const std::string& path, MessageId id, std::vector<std::string> args = {}) {
    return Failure(path, id, std::move(args));
}

// Why the file at path cannot be read for a save.
WriteOutcome Unreadable(const std::string& path, const ProfileFile::ReadStatus& status) {
    switch (status.result) {
    case ProfileFile::ReadResult::Missing: {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            char link[PATH_MAX];
            ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
            link[n < 0 ? 0 : n] = '\0';
            return Refused(path, MessageId::LinkTargetVanished, {link});
        }
        return Refused(path, MessageId::FileVanished);
    }
    case ProfileFile::ReadResult::NotRegular:
        return Refused(path, MessageId::FileNotRegular);
    case ProfileFile::ReadResult::TooLarge:
        return Refused(path, MessageId::FileTooLarge,
                       {std::to_string(status.size), std::to_string(ProfileFile::kMaxBytes)});
    default:
        return Refused(path, MessageId::FileUnreadable, {SystemReason(status.error)});
    }
}

} // namespace

WriteOutcome SaveTimingFile(const Match& data) {
    const std::string& path = data.path;
    if (path.empty()) {
        return Refused(path, MessageId::NoScorePath);
    }

    // All "TIME" keys are set in one copy of the file, which then replaces the file in one
    // step: a refused or interrupted save leaves the old file whole.
    ProfileFile file;
    const ProfileFile::ReadStatus status = file.load(path);
    if (status.result != ProfileFile::ReadResult::Ok) {
        return Unreadable(path, status);
    }
    // Each leg's times go into its own section ([TIME], [TIME2], ...). A match built without
    // legs is one leg of all its entries, player 1 first.
    std::vector<Leg> legs = data.legs;
    if (legs.empty()) {
        Leg all;
        all.entryCount = data.count();
        legs.push_back(all);
    }
    bool changed = false;
    for (const Leg& leg : legs) {
        const auto begin = data.entries.begin() + std::clamp(leg.firstEntry, 0, data.count());
        const auto end =
            begin + std::clamp(leg.entryCount, 0, static_cast<int32_t>(data.entries.end() - begin));
        const std::string section = LegSection("TIME", leg.number);
        // The keys run from the first visit up to the first turn without a dart; no turn
        // lies past the highest round of the leg.
        int32_t lastRound = 0;
        for (auto it = begin; it != end; ++it) {
            lastRound = std::max(lastRound, it->round);
        }
        const int first = leg.firstThrower == 2 ? 2 : 1;
        for (int64_t round = 1; round <= int64_t(lastRound) + 1; ++round) {
            bool ended = false;
            for (int turn = 0; turn < 2 && !ended; ++turn) {
                const int player = turn == 0 ? first : 3 - first;
                std::string value;
                for (int dart = 1; dart <= 3; ++dart) {
                    for (auto it = begin; it != end; ++it) {
                        if (it->round == round && it->player == player && it->dart == dart) {
                            char number[16];
                            std::snprintf(number, sizeof number, ",%d", it->time);
                            value += number;
                            break;
                        }
                    }
                }
                if (value.empty()) {
                    ended = true;
                } else if (file.set(section, TurnKey(static_cast<int>(round), player),
                                    value.substr(1))) {
                    changed = true;
                } else {
                    return Refused(path, MessageId::WriteFailed, {SystemReason(EINVAL)});
                }
            }
            if (ended) {
                break;
            }
        }
    }
    if (!changed) {
        return WriteMethod::None;
    }

    const std::string& text = file.text();
    if (text.size() > ProfileFile::kMaxBytes) {
        return Refused(path, MessageId::SaveTooLarge,
                       {std::to_string(text.size()), std::to_string(ProfileFile::kMaxBytes)});
    }
    Match check;
    if (!ReadScore(check, file)) {
        return Refused(path, MessageId::SaveWouldNotLoad);
    }
    return ReplaceFileContents(path, text);
}
