#include "score/TimingWriter.h"

#include "score/FileReplace.h"
#include "score/IniMgr.h"
#include "score/ProfileFile.h"
#include "score/ScoreData.h"

#include <algorithm>
#include <cstdio>

bool SaveTiming(const Match& data) {
    if (data.path.empty()) {
        return false;
    }
    ProfileStore ini;
    ini.m_bCurrentDir = false;
    ini.m_strFile = data.path;
    const std::string path = ini.GetFilePath();

    // All "TIME" keys are set in one copy of the file, which then replaces the file in one
    // step: a refused or interrupted save leaves the old file whole.
    ProfileFile file;
    if (file.Load(path) == ProfileFile::LoadResult::Unreadable) {
        return false;
    }
    // The [TIME] keys run from R01-1 up to the first turn without a dart; no turn lies past
    // the highest round of the match.
    int32_t lastRound = 0;
    for (const Entry& mark : data.entries) {
        lastRound = std::max(lastRound, mark.round);
    }
    bool changed = false;
    for (int64_t round = 1; round <= int64_t(lastRound) + 1; ++round) {
        for (int player = 1; player <= 2; ++player) {
            std::string value;
            for (int dart = 1; dart <= 3; ++dart) {
                for (const Entry& mark : data.entries) {
                    if (mark.round == round && mark.player == player &&
                        mark.dart == dart) {
                        char number[16];
                        std::snprintf(number, sizeof number, ",%d", mark.time);
                        value += number;
                        break;
                    }
                }
            }
            if (value.empty()) {
                return !changed || ReplaceFileContents(path, file.Text());
            }
            if (!file.Set("TIME", TurnKey(static_cast<int>(round), player), value.substr(1))) {
                return false;
            }
            changed = true;
        }
    }
    return ReplaceFileContents(path, file.Text());
}
