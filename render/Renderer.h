#pragma once

// The renderer: draws the picture of a match at an entry or at a moment into a picture the
// caller owns. Pure functions of their arguments: no shared surface, safe on any thread.

#include "render/BroadcastBoard.h"
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

// Which board the pictures show.
enum class BoardDesign {
    Classic,   // the 320 x 240 board every version has drawn, multiplied by the scale
    Broadcast, // the broadcast board, drawn at the output's own size (render/BroadcastBoard.h)
};

struct RenderOptions {
    // 1 is the classic 320 x 240 layout; the geometry is multiplied by this factor.
    double scale = 1.0;
    Background background;
    BoardDesign design = BoardDesign::Classic;
    // Broadcast only: the picture is the whole output frame, of this size (empty: 1920 x
    // 1080), and the theme and layout of the board in it.
    QSize frameSize;
    BroadcastOptions broadcast;
};

// The broadcast board's options with a theme: a classic-design theme picks the classic board.
// Fills options.broadcast.theme and options.design.
void ApplyTheme(RenderOptions& options, const Theme& theme);

// The scales the renderer draws: from a quarter of the classic size up to 16 times it
// (5120 x 3840), which leaves room for 4K video. NaN and infinities are refused too.
inline constexpr double kMinScale = 0.25;
inline constexpr double kMaxScale = 16.0;
bool IsValidScale(double scale);

// The classic layout's size, the size of a scale-1 picture.
inline constexpr int kBoardWidth = 320;
inline constexpr int kBoardHeight = 240;

// The size of the picture at a scale (each side rounded to whole pixels).
QSize BoardSize(double scale);

// The size of the pictures drawn with these options: BoardSize(scale) for the classic board,
// the frame size for the broadcast board.
QSize PictureSize(const RenderOptions& options);

// A picture the renderer can draw into: PictureSize(options), Format_RGB32 for an opaque
// background and Format_ARGB32_Premultiplied for a transparent one.
QImage MakeBoardImage(const RenderOptions& options);

// Each draws the whole picture into `into`; a picture of another size or format than
// MakeBoardImage(options) gives is made anew first. Pictures at scale 1 over the background
// picture are the classic ones, pixel for pixel.
void RenderTitle(QImage& into, const RenderOptions& options);
// The board of the match's game after the entry at index. False, with nothing drawn, for an
// index outside the match, an entry the evaluation never placed or that names no player,
// or a match without a game.
bool RenderEntry(const Match& match, int index, QImage& into, const RenderOptions& options);
// Whether RenderEntry draws the entry at index, without drawing it.
bool HasEntryBoard(const Match& match, int index);
// Moment t (ms) of the match's timeline: the title before the first entry, otherwise the
// board after the entry EntryAtMoment names. False, with nothing drawn, when that entry has
// no board (RenderEntry refuses it): the picture keeps what it showed.
bool RenderMoment(const Match& match, int64_t t, QImage& into, const RenderOptions& options);

// What the picture at t shows beyond the entry EntryAtMoment names, as one number: the
// broadcast board's pop-out and the step of an event graphic's slide, which come and go with
// time. Two moments of the same entry with the same number show the same picture, so a video
// draws anew only when either changes (a graphic's fades frame by frame, its hold once).
// Always 0 for the classic board.
int64_t MomentVariant(const Match& match, int64_t t, const RenderOptions& options);

// Frame selection, in one place: the index of the entry shown at moment t, -1 for the
// title. The entries reached are the leading ones whose time is at most t; the walk stops at
// the first later entry, so entries after a backward step count only once t passes it.
int EntryAtMoment(const Match& match, int64_t t);
