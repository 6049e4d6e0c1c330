#pragma once

// Where the board goes over footage, and the board pictures that the burn-in and the player
// lay over it. Header only: the command-line companion and the window share it without
// sharing a library.

#include "render/Renderer.h"
#include "score/ScoreData.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <sys/stat.h>

enum class BoardPlace { TopLeft, TopRight, BottomLeft, BottomRight, Center };

inline constexpr std::array<std::pair<BoardPlace, std::string_view>, 5> kBoardPlaceNames = {{
    {BoardPlace::TopLeft, "top-left"},
    {BoardPlace::TopRight, "top-right"},
    {BoardPlace::BottomLeft, "bottom-left"},
    {BoardPlace::BottomRight, "bottom-right"},
    {BoardPlace::Center, "center"},
}};

inline std::optional<BoardPlace> ParseBoardPlace(std::string_view text) {
    for (const auto& [place, name] : kBoardPlaceNames) {
        if (text == name) {
            return place;
        }
    }
    return std::nullopt;
}

inline std::string_view BoardPlaceName(BoardPlace place) {
    for (const auto& [each, name] : kBoardPlaceNames) {
        if (each == place) {
            return name;
        }
    }
    return {};
}

// The board's settings over footage. scale 0: the default for the footage's size.
struct OverlaySettings {
    double scale = 0;
    BoardPlace place = BoardPlace::BottomLeft;
};

// The largest board whose height is at most a third of the footage's: big enough to read,
// leaving the play in view. Quarter steps keep the digits' strokes on whole pixels more often.
inline double DefaultBoardScale(QSize footage) {
    const double fits = std::floor(footage.height() / 3.0 / kBoardHeight * 4.0) / 4.0;
    return std::clamp(fits, kMinScale, kMaxScale);
}

inline double EffectiveScale(const OverlaySettings& settings, QSize footage) {
    return settings.scale > 0 ? settings.scale : DefaultBoardScale(footage);
}

// The board's top-left corner in footage pixels, a thirtieth of the height from the edges.
inline QPoint BoardPosition(QSize footage, QSize board, BoardPlace place) {
    const int margin = footage.height() / 30;
    const int right = footage.width() - board.width() - margin;
    const int bottom = footage.height() - board.height() - margin;
    switch (place) {
    case BoardPlace::TopLeft:
        return {margin, margin};
    case BoardPlace::TopRight:
        return {right, margin};
    case BoardPlace::BottomLeft:
        return {margin, bottom};
    case BoardPlace::BottomRight:
        return {right, bottom};
    case BoardPlace::Center:
        break;
    }
    return {(footage.width() - board.width()) / 2, (footage.height() - board.height()) / 2};
}

// The board at moments of the match over a transparent background, redrawn only when the
// entry shown changes: the burn-in's board source.
class MomentBoard {
public:
    MomentBoard(const Match& match, double scale) : m_match(match) {
        m_options.scale = scale;
        m_options.background.kind = Background::Kind::Transparent;
    }

    QSize size() const { return BoardSize(m_options.scale); }

    bool operator()(int64_t ms, QImage& board) {
        const int index = EntryAtMoment(m_match, ms);
        if (index == m_index && !board.isNull()) {
            return false;
        }
        m_index = index;
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
    bool m_drawn = false;
};

// Whether two paths name the same file (links and hard links included). False when either
// does not exist.
inline bool SameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.toLocal8Bit().constData(), &sa) == 0 &&
           ::stat(b.toLocal8Bit().constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}
