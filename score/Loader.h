#pragma once

#include <string>

class CScoreData;

// Shown (and printed by the command-line companion) when a score file gives no entry.
inline constexpr const char* kLoadErrorCaption = "ファイル読み込みエラー";
inline constexpr const char* kLoadErrorText = "スコアファイルの読み込みができませんでした。";

// Reads the score file at path into data and evaluates it. False when the file gave no
// entry; data then holds exactly what it held before.
bool OpenScoreFile(CScoreData& data, const std::string& path);
