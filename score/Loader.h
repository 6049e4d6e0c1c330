#pragma once

#include "score/Diagnostics.h"
#include "score/Message.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Match;
class ProfileFile;
enum class OutRule;

// Shown (and printed by the command-line companion) when a score file gives no entry.
inline constexpr const char* kLoadErrorCaption = "ファイル読み込みエラー";
inline constexpr const char* kLoadErrorText = "スコアファイルの読み込みができませんでした。";

// Turns are read up to round 40, three darts each.
inline constexpr int kMaxRounds = 40;
inline constexpr int kMaxDarts = 3;
// Legs are read from [DATA] and then [DATA2], [DATA3], ... up to this leg.
inline constexpr int kMaxLegs = 99;
// Player names are shown up to this many characters.
inline constexpr size_t kMaxNameCharacters = 32;
// Longest value a read gives; longer values read as their first kMaxValueBytes bytes.
inline constexpr size_t kMaxValueBytes = 2047;

// The keys a load reads from [SETTING], and from a leg's own [SETTING2], [SETTING3], ...
// Any other key there is never read: the diagnostics say so. A key the loader starts to read
// belongs in these lists.
inline constexpr std::string_view kSettingKeys[] = {
    "GAME",    "P1-SCORE", "P2-SCORE", "P1-MARK", "P2-MARK", "SEPABULL", "NOCOMP-AVI",
    "P1-NAME", "P2-NAME",  "LEGS",     "SETS",    "FIRST",   "OUT"};
inline constexpr std::string_view kLegSettingKeys[] = {"GAME",    "P1-SCORE", "P2-SCORE",
                                                       "P1-MARK", "P2-MARK",  "FIRST"};

struct LoadOutcome {
    bool loaded = false;
    ScoreError error;                    // why not, when !loaded
    std::vector<Diagnostic> diagnostics; // when loaded: what was read leniently, by line
};

// Reads the score file at path into data and evaluates it, and says what in the file was
// read leniently. When it does not load (missing, unreadable, too large, or no entry), data
// holds exactly what it held before and error says why.
LoadOutcome LoadScoreFile(Match& data, const std::string& path);

// The same load without the reason and the diagnostics. False when the file gave no entry.
bool OpenScoreFile(Match& data, const std::string& path);

// Reads a score file held in memory into data as a load does (data.path stays). False, and
// data untouched, when it gives no entry.
bool ReadScore(Match& data, const ProfileFile& file);

// The value of key in section as the loader reads it: empty when absent, cut to
// kMaxValueBytes.
std::string ScoreValue(const ProfileFile& file, std::string_view section, std::string_view key);

// Splits value at commas into at most four pieces and returns their number: an empty value
// gives 0 (pieces untouched), "a,b" gives 2, "a," gives "a" and an empty piece; after the
// fourth piece the rest of the value is dropped. Slots beyond the count keep their text.
int SplitComma(const std::string& value, std::string (&pieces)[4]);

// Classifies one throw token of the "DATA" section (trimmed and upper-cased first) into a
// hit kind and number, as the loader stores them.
void ClassifyThrow(const std::string& token, int32_t& kind, int32_t& number);

// The section of leg `number` (1-based): the base name for leg 1 ("DATA"), the base name and
// the number after it for the others ("DATA2").
std::string LegSection(std::string_view base, int number);

// An OUT value: OPEN, DOUBLE or MASTER in any letter case; anything else is the open out.
OutRule ReadOutRule(const std::string& value);

// A player's name cut to kMaxNameCharacters UTF-8 characters.
std::string CutName(const std::string& name);

// The token trimmed of blanks and upper-cased, as ClassifyThrow and the settings read it.
std::string TrimUpper(std::string_view text);
