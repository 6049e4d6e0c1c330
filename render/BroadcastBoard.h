#pragma once

// The broadcast board: a compact panel drawn at the output's own size, over the footage, in
// the style television uses for darts. Three steps, each a pure function so that tests can
// check each: what the board shows at a moment (BoardState, from the match model only),
// where each part goes (BoardScene, the layout: every text with its box and font), and the
// drawing of a scene. Safe on any thread.

#include "render/EventGraphics.h"
#include "render/Theme.h"
#include "score/ScoreData.h"

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class BoardLayout {
    Corner,     // a block in one of the four corners
    LowerThird, // a bar across the bottom
    Vertical,   // phone video: a block across the top or bottom band
};
// corner, lower-third, vertical.
std::optional<BoardLayout> ParseBoardLayout(std::string_view text);
const char* BoardLayoutName(BoardLayout layout);

enum class BoardCorner { TopLeft, TopRight, BottomLeft, BottomRight };

struct BroadcastOptions {
    Theme theme; // a broadcast-design theme; the renderer fills it with the built-in one
    BoardLayout layout = BoardLayout::Corner;
    BoardCorner corner = BoardCorner::BottomLeft; // Vertical: the top or bottom band
};

// How long the visit's total stays beside the thrower's score once the visit is over.
inline constexpr int64_t kPopOutMs = 2500;

// What the board shows: all read from the match model at one entry and moment.
struct BoardState {
    bool cricket = false;
    std::string header; // "501 · First to 3 legs · Leg 2"
    QString names[2];   // as the match names them, else "Player 1"/"Player 2"
    bool showSets = false;
    int sets[2] = {0, 0};
    int legs[2] = {0, 0};
    int score[2] = {0, 0}; // remaining (01) or points (Cricket)
    int marks[2][kCricketTargets] = {};
    int thrower = 0;                // 1 or 2: the player at the oche; 0 between legs
    int visitPlayer = 0;            // whose visit the darts are
    std::vector<std::string> visit; // the darts so far, as written ("T20", "DB", "-")
    int visitTotal = 0;
    bool bust = false;
    int popPlayer = 0; // the visit's total beside this player's score (0: none)
    int popTotal = 0;
    std::vector<std::string> route; // checkout route for the thrower, when there is one
    std::string status;             // between legs and at the end: who won what
    std::string stats[2];           // the statistics line per player ("Avg 85.3")
    std::optional<ActiveEvent> event;
};

// The state after the entry at index (the title moment, -1, shows the match's start) at
// moment t, which times the pop-out and the event graphics (nullopt: neither shows).
BoardState BroadcastStateAt(const Match& match, int index, std::optional<int64_t> t,
                            const BroadcastOptions& options);

// The layout. Every text is placed in a box of its own with its font and colour; fills are
// the panel's parts (backdrop: the theme's opacity) and the solid marks drawn on it.
struct SceneText {
    std::string role; // "header", "name1", "sets1", "legs1", "score1", "dart1".."dart3",
                      // "visit", "route", "pop", "status", "stats1", "target20", "event", ...
    QString text;
    QRectF box;
    QFont font;
    QRgb colour = 0xFFFFFFFF;
    QRgb over = 0xFF000000; // the fill the text stands on
    int align = 0;          // Qt::Alignment
    double alpha = 1.0;
};
struct SceneFill {
    QRectF box;
    QRgb colour = 0xFF000000;
    double alpha = 1.0;
    double radius = 0.0;
    bool backdrop = true;  // part of the panel (theme opacity) rather than a mark on it
    bool triangle = false; // the throw marker: a triangle pointing right inside box
};
struct SceneMark {
    QPointF centre;
    double size = 0; // the symbol's height
    int count = 0;   // Cricket marks: 1 a stroke, 2 a cross, 3 or more a circled cross
    QRgb colour = 0xFFFFFFFF;
    std::string role; // "marks1-20", ...
};
struct BoardScene {
    QSize size;
    QRectF panel; // the board's block (without the pop-out and the event graphic)
    std::vector<SceneFill> fills;
    std::vector<SceneText> texts;
    std::vector<SceneMark> marks;
    const SceneText* text(std::string_view role) const;
};

// Sizes follow the frame's height (the width for Vertical); the board stays inside the
// title-safe area, 5 % from each edge.
BoardScene LayoutBroadcast(const BoardState& state, QSize size, const BroadcastOptions& options);

// Paints the scene over what the picture holds. On a transparent picture the backdrop
// replaces the pixels it covers with the theme's opacity; texts and marks are opaque.
void PaintBroadcast(QImage& into, const BoardScene& scene);
