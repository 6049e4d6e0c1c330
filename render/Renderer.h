#pragma once

// The renderer: draws the picture of a match at an entry or at a moment into a picture the
// caller owns. Pure functions of their arguments: no shared surface, safe on any thread.

#include "score/ScoreData.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <cstdint>
#include <optional>
#include <string_view>

// What lies behind the boards and the title.
struct Background {
    enum class Kind { Picture, Transparent, Colour };
    Kind kind = Kind::Picture;
    QColor colour; // Kind::Colour only

    // "picture", "transparent", "none" or "#RRGGBB"; nullopt for anything else.
    static std::optional<Background> parse(std::string_view text);
    bool operator==(const Background&) const = default;
};

struct RenderOptions {
    // 1 is the classic 320 x 240 layout; the geometry is multiplied by this factor.
    double scale = 1.0;
    Background background;
};

// The classic layout's size, the size of a scale-1 picture.
inline constexpr int kBoardWidth = 320;
inline constexpr int kBoardHeight = 240;

// The size of the picture at options.scale (each side rounded to whole pixels).
QSize BoardSize(double scale);

// A picture the renderer can draw into: BoardSize(scale), Format_RGB32 for an opaque
// background and Format_ARGB32_Premultiplied for a transparent one.
QImage MakeBoardImage(const RenderOptions& options);

// Each draws the whole picture into `into`, which must come from MakeBoardImage with the
// same options (or is made so when its size or format differs).
void RenderTitle(QImage& into, const RenderOptions& options);
// The board after the entry at index. False, with nothing drawn, for an index outside the
// match or an entry the evaluation never placed.
bool RenderEntry(const Match& match, int index, QImage& into, const RenderOptions& options);
// Moment t (ms) of the match's timeline: the title before the first entry, otherwise the
// board after the last entry whose time is at most t.
void RenderMoment(const Match& match, int64_t t, QImage& into, const RenderOptions& options);

// Frame selection, in one place: the index of the entry shown at moment t, -1 for the
// title.
int EntryAtMoment(const Match& match, int64_t t);
