// Feeds arbitrary bytes to the profile reader and writer, to the loader and its diagnostics,
// to the statistics and to the timing writer, and checks what must hold for any input.
#include "score/Diagnostics.h"
#include "score/Loader.h"
#include "score/ProfileFile.h"
#include "score/ScoreData.h"
#include "score/Statistics.h"
#include "score/TimingWriter.h"

#include <algorithm>
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
    ProfileFile file(text);
    std::string before;
    bool hadData = file.lookup("DATA", "R01-1", before);
    std::string setting;
    bool hadSetting = file.lookup("SETTING", "GAME", setting);

    // A write changes the one key and nothing another section reads.
    if (file.set("TIME", "R01-1", "100,200,300")) {
        ProfileFile reread(file.text());
        std::string value;
        Check(reread.lookup("TIME", "R01-1", value) && value == "100,200,300",
              "written key reads back");
        Check(reread.lookup("DATA", "R01-1", value) == hadData && value == before,
              "other section unchanged by a write");
        Check(reread.lookup("SETTING", "GAME", value) == hadSetting && value == setting,
              "settings unchanged by a write");
    } else {
        Check(file.text() == text, "a refused write changes nothing");
    }
}

void CheckLoad(const std::string& text) {
    const std::string path = ScratchFile();
    WriteFile(path, text);
    Match data;
    bool loaded = OpenScoreFile(data, path);
    Check(loaded == (data.count() > 0), "result matches entries");
    if (!loaded) {
        Check(data.path.empty() && data.gameKind == GameKind::None,
              "failed load restores the empty document");
        return;
    }
    Check(data.count() <= 80 * 4, "at most 80 turns of 3 darts");
    int32_t previous = 0;
    for (int i = 0; i < data.count(); ++i) {
        const Entry& m = *data.at(i);
        Check(m.dart >= 0 && m.dart <= 3, "dart number");
        Check(m.kind != Hit::Leave, "no leave after evaluation");
        Check(m.player == 1 || m.player == 2, "player");
        Check(m.round >= 1 && m.round <= 40, "round");
        Check(m.time >= previous || m.time == 0, "times never go back");
        previous = m.time;
        if (data.gameKind == GameKind::Cricket) {
            for (const auto& player : m.marks) {
                for (int32_t marks : player) {
                    Check(marks >= 0 && marks <= 3, "cricket marks 0..3");
                }
            }
            Check(m.value >= 0 && m.value <= 3, "cricket value");
        }
    }
    Check(data.at(0)->dart == 0 && data.at(0)->time == 0, "first entry");

    // The diagnosed load gives the same match, and every diagnostic points at a line of the
    // file (or at none).
    Match diagnosed;
    LoadOutcome outcome = LoadScoreFile(diagnosed, path);
    Check(outcome.loaded && diagnosed.count() == data.count(), "diagnosed load loads the same");
    for (int i = 0; i < data.count(); ++i) {
        const Entry& a = *data.at(i);
        const Entry& b = *diagnosed.at(i);
        Check(a.time == b.time && a.kind == b.kind && a.number == b.number && a.value == b.value &&
                  a.score[0] == b.score[0] && a.score[1] == b.score[1],
              "diagnostics change nothing");
    }
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const Diagnostic& d : outcome.diagnostics) {
        Check(d.line >= 0 && d.line <= lines, "diagnostic line inside the file");
        Check(!d.message.english().empty(), "diagnostic text");
    }
    Check(!FormatCheckReport(path, outcome).empty() || outcome.diagnostics.empty(),
          "report lists the diagnostics");
    Check(!FormatStatistics(data).empty(), "statistics");

    // Saving the times and loading again gives the same match.
    if (SaveTimingFile(data).ok()) {
        Match again;
        Check(OpenScoreFile(again, path), "saved file loads");
        Check(again.count() == data.count(), "same entries after save");
        Check(again.game == data.game && again.separateBull == data.separateBull &&
                  again.compress == data.compress,
              "same settings after save");
        for (int i = 0; i < data.count(); ++i) {
            const Entry& a = *data.at(i);
            const Entry& b = *again.at(i);
            Check(a.kind == b.kind && a.number == b.number && a.value == b.value &&
                      a.score[0] == b.score[0] && a.score[1] == b.score[1],
                  "same throws and scores after save");
            if (a.dart > 0) {
                Check(a.time == b.time, "dart times survive a save");
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
