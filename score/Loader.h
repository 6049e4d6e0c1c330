#pragma once

#include <cstdint>
#include <string>

class Match;

// Shown (and printed by the command-line companion) when a score file gives no entry.
inline constexpr const char* kLoadErrorCaption = "ファイル読み込みエラー";
inline constexpr const char* kLoadErrorText = "スコアファイルの読み込みができませんでした。";

// Reads the score file at path into data and evaluates it. False when the file gave no
// entry; data then holds exactly what it held before.
bool OpenScoreFile(Match& data, const std::string& path);

// Splits value at commas into at most four pieces and returns their number: an empty value
// gives 0 (pieces untouched), "a,b" gives 2, "a," gives "a" and an empty piece; after the
// fourth piece the rest of the value is dropped. Slots beyond the count keep their text.
int SplitComma(const std::string& value, std::string (&pieces)[4]);

// Classifies one throw token of the "DATA" section (trimmed and upper-cased first) into a
// hit kind and number, as the loader stores them.
void ClassifyThrow(const std::string& token, int32_t& kind, int32_t& number);
