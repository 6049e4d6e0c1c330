#pragma once

// Themes: how the broadcast board looks. A theme is a small text file of "key = value"
// lines (";" or "#" starts a comment):
//   design         broadcast | classic (classic draws the board every version has drawn)
//   panel, panel-alt, text, muted, accent, accent-text, marker, player1, player2   #RRGGBB
//   panel-opacity  0..1, the panel's alpha over the footage
//   radius         0..0.5, the panel's corner radius as a part of a row's height
//   font           a font family installed on the system
//   show           a list of header, visit, checkout, stats
//   events         a list of 180, ton, bust, leg, set, match (or none)
// Texts are drawn in text, muted (secondary) and accent on panel or panel-alt, and in
// accent-text on accent; each pair is meant to keep a contrast of 4.5:1. A file names only
// what it changes: the rest comes from the built-in broadcast theme.
// Pure values and functions, safe on any thread.

#include "score/Result.h"

#include <QRgb>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The short graphics the broadcast board shows at moments of the match.
enum class BoardEvent {
    OneEighty, // a visit of 180
    Ton,       // a visit of 100 or more
    Bust,
    Leg, // a won leg, with its checkout
    Set,
    Match,
};
inline constexpr int EventBit(BoardEvent event) {
    return 1 << static_cast<int>(event);
}
inline constexpr int kAllBoardEvents = (1 << 6) - 1;

struct Theme {
    enum class Design { Broadcast, Classic };
    std::string name; // the built-in name, or the file's
    Design design = Design::Broadcast;
    QRgb panel = 0xFF000000;
    QRgb panelAlt = 0xFF000000;
    QRgb text = 0xFFFFFFFF;
    QRgb muted = 0xFFFFFFFF;
    QRgb accent = 0xFFFFFFFF;
    QRgb accentText = 0xFF000000;
    QRgb marker = 0xFFFFFFFF;
    QRgb player[2] = {0xFFFFFFFF, 0xFFFFFFFF};
    double opacity = 1.0;
    double radius = 0.0;
    QString font;
    bool showHeader = true;
    bool showVisit = true;
    bool showCheckout = true;
    bool showStats = false;
    int events = kAllBoardEvents; // EventBit()s

    bool shows(BoardEvent event) const { return (events & EventBit(event)) != 0; }
};

// broadcast (dark), light and classic, in that order.
std::vector<std::string> BuiltInThemeNames();
// A built-in theme by name; nullopt for any other name.
std::optional<Theme> BuiltInTheme(std::string_view name);
// The theme a file's text describes, over the built-in broadcast theme. An unknown key or a
// bad value fails with the line it is on (ThemeBadLine, no path).
Result<Theme> ParseTheme(std::string_view text);
// A built-in name, or else the path of a theme file; a failure names nameOrPath as its path.
Result<Theme> LoadTheme(const std::string& nameOrPath);
