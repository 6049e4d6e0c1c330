#pragma once

// The board over footage: where it sits, how large, and the board pictures that the burn-in
// and the player lay over it. Pure values and classes, safe on any thread; one MomentBoard
// is used from one thread at a time.

#include "render/Renderer.h"
#include "score/ScoreData.h"
#include "video/ExportPlan.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

// Every place, in the order the lists show them.
inline constexpr std::array<BoardPlace, 5> kBoardPlaces = {
    BoardPlace::TopLeft, BoardPlace::TopRight, BoardPlace::BottomLeft, BoardPlace::BottomRight,
    BoardPlace::Center};

// The board's settings over footage. scale 0: the default for the footage's size.
struct OverlaySettings {
    double scale = 0;
    BoardPlace place = BoardPlace::BottomLeft;
};

inline double EffectiveScale(const OverlaySettings& settings, QSize footage) {
    return settings.scale > 0 ? settings.scale : DefaultBoardScale(footage);
}

// The board's top-left corner in footage pixels, placed as an export places it.
inline QPoint BoardPosition(QSize footage, QSize board, BoardPlace place) {
    return PlaceBoard(footage, board, place).topLeft();
}

// The board laid over footage shown at this size, as the burn-in and the player lay it. The
// broadcast board is a picture of the whole frame that lays itself out, in the corner the
// place names (its theme's corner for the centre); the classic board is its own size, at the
// place.
struct FootageBoard {
    RenderOptions options; // the design's, at the overlay's scale, over a transparent background
    QPoint position;       // the picture's top-left in footage pixels
};

inline FootageBoard BoardOverFootage(const RenderOptions& board, const OverlaySettings& overlay,
                                     QSize shown) {
    FootageBoard placed{board, QPoint()};
    placed.options.scale = EffectiveScale(overlay, shown);
    placed.options.background = Background{Background::Kind::Transparent, QColor()};
    if (placed.options.design == BoardDesign::Broadcast) {
        placed.options.frameSize = shown;
        if (const std::optional<BoardCorner> corner = BroadcastCorner(overlay.place)) {
            placed.options.broadcast.corner = *corner;
        }
    } else {
        placed.position = BoardPosition(shown, BoardSize(placed.options.scale), overlay.place);
    }
    return placed;
}

// The board at moments of the match over a transparent background, redrawn only when the
// entry shown or the broadcast board's timed graphics change: the burn-in's board source.
class MomentBoard {
public:
    MomentBoard(const Match& match, double scale) : m_match(match) {
        m_options.scale = scale;
        m_options.background.kind = Background::Kind::Transparent;
    }
    // Any board design; the background becomes transparent. A broadcast board's picture is
    // the whole footage frame (options.frameSize).
    MomentBoard(const Match& match, const RenderOptions& options)
        : m_match(match), m_options(options) {
        m_options.background = Background{Background::Kind::Transparent, QColor()};
    }

    QSize size() const { return PictureSize(m_options); }

    bool operator()(int64_t ms, QImage& board) {
        const int index = EntryAtMoment(m_match, ms);
        const int64_t variant = MomentVariant(m_match, ms, m_options);
        if (index == m_index && variant == m_variant && !board.isNull()) {
            return false;
        }
        m_index = index;
        m_variant = variant;
        if (RenderMoment(m_match, ms, board, m_options)) {
            m_drawn = true;
            return true;
        }
        // An entry without a board keeps the board before it, as the exported video does.
        if (!m_drawn) {
            board = MakeBoardImage(m_options);
            m_drawn = true;
            return true;
        }
        return false;
    }

private:
    const Match& m_match;
    RenderOptions m_options;
    int m_index = -2;
    int64_t m_variant = 0; // MomentVariant of the picture drawn
    bool m_drawn = false;
};
