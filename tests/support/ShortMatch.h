#pragma once

// The match that the engine and main-window tests record and export, and what they expect
// to see of it.

#include <gtest/gtest.h>

#include <string>

// A two-turn 301 match: turn start, dart, dart, turn start, dart.
inline constexpr const char* kShortMatch = "[SETTING]\nGAME=301\nNOCOMP-AVI=1\n\n"
                                           "[DATA]\nR01-1=20,20\nR01-2=5\n\n"
                                           "[TIME]\nR01-1=1000,2000\nR01-2=3000\n";
inline constexpr const char* kShortFirstEntry = "ラウンド1, プレーヤー1, 0投目 (1/5)";
inline constexpr const char* kExportCancelled = "（　ファイル出力中断　）";

// A message box as the test answered it.
struct Box {
    std::string text;
    std::string caption;
    unsigned type;
    std::string statusShown; // the status line while the box was open
};

// The box showed exactly this text and caption with these buttons and icon.
inline void ExpectBox(const Box& box, const std::string& text, const std::string& caption,
                      unsigned type) {
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.type, type);
}
