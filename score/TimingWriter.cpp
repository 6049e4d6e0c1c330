#include "score/TimingWriter.h"

#include "score/FileReplace.h"
#include "score/IniMgr.h"
#include "score/ProfileFile.h"
#include "score/ScoreData.h"

#include <cstdio>

bool SaveTiming(const CScoreData& data) {
    if (data.m_strPath.empty()) {
        return false;
    }
    CIniMgr ini;
    ini.m_bCurrentDir = false;
    ini.m_strFile = data.m_strPath;
    const std::string path = ini.GetFilePath();

    // All "TIME" keys are set in one copy of the file, which then replaces the file in one
    // step: a refused or interrupted save leaves the old file whole.
    CProfileFile file;
    if (file.Load(path) == CProfileFile::LoadResult::Unreadable) {
        return false;
    }
    bool changed = false;
    for (int64_t round = 1; round <= INT32_MAX; ++round) {
        for (int player = 1; player <= 2; ++player) {
            std::string value;
            for (int dart = 1; dart <= 3; ++dart) {
                for (const CMark& mark : data.m_listMark) {
                    if (mark.m_nRound == round && mark.m_nPlayer == player &&
                        mark.m_nDart == dart) {
                        char number[16];
                        std::snprintf(number, sizeof number, ",%d", mark.m_nTime);
                        value += number;
                        break;
                    }
                }
            }
            if (value.empty()) {
                return !changed || ReplaceFileContents(path, file.Text());
            }
            char key[32];
            std::snprintf(key, sizeof key, "R%02d-%d", static_cast<int>(round), player);
            if (!file.Set("TIME", key, value.substr(1))) {
                return false;
            }
            changed = true;
        }
    }
    return ReplaceFileContents(path, file.Text());
}
