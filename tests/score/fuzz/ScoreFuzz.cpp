// Feeds arbitrary bytes to the profile reader and writer, to the loader, and to the timing
// writer, and checks what must hold for any input.
#include "score/Loader.h"
#include "score/ProfileFile.h"
#include "score/ScoreData.h"
#include "score/TimingWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "score_fuzz: broken: %s\n", what);
        std::abort();
    }
}

// The file each input is written to; a plain buffer, so that it is still there when the
// exit handler removes the file.
char g_scratch[4096];

void RemoveScratch() {
    std::remove(g_scratch);
}

const char* ScratchFile() {
    if (g_scratch[0] == '\0') {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vorlat-fuzz-XXXXXX").string();
        int fd = ::mkstemp(pattern.data());
        if (fd >= 0) {
            ::close(fd);
        }
        std::snprintf(g_scratch, sizeof g_scratch, "%s", pattern.c_str());
        std::atexit(RemoveScratch);
    }
    return g_scratch;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void CheckProfile(const std::string& text) {
    CProfileFile file(text);
    std::string before;
    bool hadData = file.Lookup("DATA", "R01-1", before);
    std::string setting;
    bool hadSetting = file.Lookup("SETTING", "GAME", setting);

    // A write changes the one key and nothing another section reads.
    if (file.Set("TIME", "R01-1", "100,200,300")) {
        CProfileFile reread(file.Text());
        std::string value;
        Check(reread.Lookup("TIME", "R01-1", value) && value == "100,200,300",
              "written key reads back");
        Check(reread.Lookup("DATA", "R01-1", value) == hadData && value == before,
              "other section unchanged by a write");
        Check(reread.Lookup("SETTING", "GAME", value) == hadSetting && value == setting,
              "settings unchanged by a write");
    } else {
        Check(file.Text() == text, "a refused write changes nothing");
    }
}

void CheckLoad(const std::string& text) {
    const std::string path = ScratchFile();
    WriteFile(path, text);
    CScoreData data;
    bool loaded = OpenScoreFile(data, path);
    Check(loaded == (data.GetCount() > 0), "result matches entries");
    if (!loaded) {
        Check(data.m_strPath.empty() && data.m_nGameKind == GAME_NONE,
              "failed load restores the empty document");
        return;
    }
    Check(data.GetCount() <= 80 * 4, "at most 80 turns of 3 darts");
    int32_t previous = 0;
    for (int i = 0; i < data.GetCount(); ++i) {
        const CMark& m = *data.GetAt(i);
        Check(m.m_nDart >= 0 && m.m_nDart <= 3, "dart number");
        Check(m.m_nKind != HIT_LEAVE, "no leave after evaluation");
        Check(m.m_nPlayer == 1 || m.m_nPlayer == 2, "player");
        Check(m.m_nRound >= 1 && m.m_nRound <= 40, "round");
        Check(m.m_nTime >= previous || m.m_nTime == 0, "times never go back");
        previous = m.m_nTime;
        if (data.m_nGameKind == GAME_CRICKET) {
            for (const auto& player : m.m_nMark) {
                for (int32_t marks : player) {
                    Check(marks >= 0 && marks <= 3, "cricket marks 0..3");
                }
            }
            Check(m.m_nValue >= 0 && m.m_nValue <= 3, "cricket value");
        }
    }
    Check(data.GetAt(0)->m_nDart == 0 && data.GetAt(0)->m_nTime == 0, "first entry");

    // Saving the times and loading again gives the same match.
    if (SaveTiming(data)) {
        CScoreData again;
        Check(OpenScoreFile(again, path), "saved file loads");
        Check(again.GetCount() == data.GetCount(), "same entries after save");
        Check(again.m_strGame == data.m_strGame && again.m_nSepaBull == data.m_nSepaBull &&
                  again.m_bCompress == data.m_bCompress,
              "same settings after save");
        for (int i = 0; i < data.GetCount(); ++i) {
            const CMark& a = *data.GetAt(i);
            const CMark& b = *again.GetAt(i);
            Check(a.m_nKind == b.m_nKind && a.m_nNumber == b.m_nNumber &&
                      a.m_nValue == b.m_nValue && a.m_nScore[0] == b.m_nScore[0] &&
                      a.m_nScore[1] == b.m_nScore[1],
                  "same throws and scores after save");
            if (a.m_nDart > 0) {
                Check(a.m_nTime == b.m_nTime, "dart times survive a save");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    CheckProfile(text);
    CheckLoad(text);
    return 0;
}
