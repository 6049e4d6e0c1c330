#include "render/BoardCommon.h"
#include "render/GStatic.h"
#include "render/Painters.h"

#include <string>

namespace {

constexpr COLORREF kLabelGrey = 0xE1E1E1;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kPlayer1Red = 0x0000E1;
constexpr COLORREF kPlayer2Blue = 0xE10000;
constexpr COLORREF kBlack = 0x000000;

void SetText(CGStatic& s, int32_t size, int32_t alignH, int32_t alignV, COLORREF colour) {
    s.m_nFontSize = size;
    s.m_nAlignH = alignH;
    s.m_nAlignV = alignV;
    s.m_crText = colour;
}

} // namespace

bool Draw01Board(int index, Match& score) {
    CGStatic* surface = score.m_pSurface;
    const Entry* shown = ShownEntry(score, index);
    if (surface == nullptr || shown == nullptr) {
        return false;
    }
    CGStatic& s = *surface;
    const bool bust = shown->value < 0;

    s.ClearCanvas();
    s.DrawBackground();
    s.m_nFontWeight = 700;
    SetText(s, 200, 0, 0, kLabelGrey);

    s.DrawString(15, 10, "Round " + std::to_string(shown->round));

    SetText(s, 200, 2, 0, kLabelGrey);
    s.DrawString(310, 10, score.game);

    if (shown->dart >= 1) {
        SetText(s, 250, 1, 1, kLabelGrey);
        for (int d = 1; d <= shown->dart; ++d) {
            const Entry* dart = FindDartOfTurn(score, *shown, d);
            if (dart == nullptr) {
                break; // a gap in the turn hides this dart and every later one
            }
            s.DrawString(83 + 77 * (d - 1), 154, DartText(*dart, "--"));
        }
    }

    SetText(s, 120, 0, 1, kLabelGrey);
    s.DrawString(10, 100, "Score");

    SetText(s, 200, 0, 1, kLabelGrey);
    s.DrawString(10, 125, bust ? std::string("--") : std::to_string(shown->turnTotal));

    // The boxes keep whatever pen the surface has: white and 1 pixel wide in this program.
    s.m_crBrush = shown->player == 1 ? kPlayer1Red : kBlack;
    s.DrawRoundRect(15, 175, 150, 230);
    s.m_crBrush = shown->player == 2 ? kPlayer2Blue : kBlack;
    s.DrawRoundRect(170, 175, 305, 230);

    SetText(s, 440, 1, 1, kWhite);
    s.DrawString(83, 203, std::to_string(shown->score[0]));
    s.DrawString(238, 203, std::to_string(shown->score[1]));

    if (bust) {
        SetText(s, 550, 1, 1, kWhite);
        s.DrawString(160, 90, "Bust");
    } else {
        SetText(s, 800, 1, 1, kWhite);
        s.DrawString(160, 90, std::to_string(shown->score[shown->player - 1]));
    }

    s.Refresh();
    return true;
}
