#include "render/BoardCommon.h"
#include "render/GStatic.h"
#include "render/Painters.h"

#include <string>

namespace {

constexpr COLORREF kLabelGrey = 0xE1E1E1;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kPlayer1Marks = 0x7F7FFF; // light red
constexpr COLORREF kPlayer2Marks = 0xFF7F7F; // light blue
constexpr COLORREF kClosedBar = 0x7F7F7F;
constexpr COLORREF kPlayer1Red = 0x0000E1;
constexpr COLORREF kPlayer2Blue = 0xE10000;
constexpr COLORREF kBlack = 0x000000;

struct TargetRow {
    const char* label;
    int target; // index into marks
    int y;
};

// Top to bottom: 20 down to 15, then the bull.
constexpr TargetRow kRows[] = {
    {"20", 6, 24},  {"19", 5, 56},  {"18", 4, 88}, {"17", 3, 120},
    {"16", 2, 152}, {"15", 1, 184}, {"B", 0, 216},
};

void SetText(CGStatic& s, int32_t size, int32_t alignH, int32_t alignV, COLORREF colour) {
    s.m_nFontSize = size;
    s.m_nAlignH = alignH;
    s.m_nAlignV = alignV;
    s.m_crText = colour;
}

// Four-digit points need the smaller size to stay inside their box.
int32_t PointsSize(int32_t points) {
    return points >= 1000 ? 280 : 380;
}

} // namespace

void DrawCricketMark(Match& score, int x, int y, int count) {
    if (score.m_pSurface == nullptr) {
        return;
    }
    CGStatic& s = *score.m_pSurface;
    s.m_crPen = s.m_crText;
    s.m_nPenWidth = 3;
    s.m_crBrush = kBlack;

    const int size = s.m_nFontSize / 9;
    const int half = size / 2;
    const int third = size / 3;
    const int left = x - half;
    const int top = y - half;
    const int right = left + size;
    const int bottom = top + size;

    if (count < 0) {
        s.DrawLine(left + third, y, right - third, y);
        return;
    }
    if (count >= 3) {
        s.DrawEllipse(left, top, right, bottom);
    }
    if (count >= 1) {
        s.DrawLine(right, top, left, bottom);
    }
    if (count >= 2) {
        s.DrawLine(left, top, right, bottom);
    }
}

bool DrawCricketBoard(int index, Match& score) {
    CGStatic* surface = score.m_pSurface;
    const Entry* shown = ShownEntry(score, index);
    if (surface == nullptr || shown == nullptr) {
        return false;
    }
    CGStatic& s = *surface;

    s.ClearCanvas();
    s.DrawBackground();
    s.m_nFontWeight = 700;
    SetText(s, 120, 0, 0, kLabelGrey);

    s.DrawString(15, 11, "Round");
    SetText(s, 200, 0, 1, kLabelGrey);
    s.DrawString(71, 24, std::to_string(shown->round));
    SetText(s, 120, 2, 0, kLabelGrey);
    s.DrawString(305, 11, "Cricket");

    SetText(s, 220, 1, 1, kWhite);
    for (const TargetRow& row : kRows) {
        s.DrawString(160, row.y, row.label);
    }

    s.m_nFontSize = 220;
    s.m_crText = kPlayer1Marks;
    for (const TargetRow& row : kRows) {
        DrawCricketMark(score, 123, row.y, shown->marks[0][row.target]);
    }
    s.m_crText = kPlayer2Marks;
    for (const TargetRow& row : kRows) {
        DrawCricketMark(score, 197, row.y, shown->marks[1][row.target]);
    }

    // A target both players have closed is struck through, over both players' symbols.
    s.m_crPen = kClosedBar;
    s.m_nPenWidth = 5;
    for (const TargetRow& row : kRows) {
        if (shown->marks[0][row.target] == 3 && shown->marks[1][row.target] == 3) {
            s.DrawLine(109, row.y, 211, row.y);
        }
    }

    if (shown->dart >= 1) {
        SetText(s, 220, 1, 1, kWhite);
        for (int d = 1; d <= shown->dart; ++d) {
            const Entry* dart = FindDartOfTurn(score, *shown, d);
            if (dart == nullptr) {
                break; // a gap in the turn hides this dart and every later one
            }
            const int y = 130 + 40 * (d - 1);
            const int x = dart->player == 1 ? 31 : 236;
            DrawCricketMark(score, x, y, dart->value >= 1 ? dart->value : -1);
            s.DrawString(x + 43, y, DartText(*dart, "-"));
        }
    }

    s.m_crPen = kWhite;
    s.m_nPenWidth = 1;
    s.m_crBrush = shown->player == 1 ? kPlayer1Red : kBlack;
    s.DrawRoundRect(15, 45, 100, 100);
    SetText(s, PointsSize(shown->score[0]), 1, 1, kWhite);
    s.DrawString(58, 73, std::to_string(shown->score[0]));

    s.m_crBrush = shown->player == 2 ? kPlayer2Blue : kBlack;
    s.DrawRoundRect(220, 45, 305, 100);
    SetText(s, PointsSize(shown->score[1]), 1, 1, kWhite);
    s.DrawString(263, 73, std::to_string(shown->score[1]));

    s.Refresh();
    return true;
}
