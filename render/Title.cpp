#include "render/FileVersionInfo.h"
#include "render/GStatic.h"
#include "render/Painters.h"
#include "score/ScoreData.h"

void DrawTitle(CScoreData& score) {
    if (score.m_pSurface == nullptr) {
        return;
    }
    const CFileVersionInfo version;
    CGStatic& s = *score.m_pSurface;
    s.ClearCanvas();
    s.DrawBackground();

    s.m_nFontWeight = 700;
    s.m_crText = 0x00FFFFFF;
    s.m_nFontSize = 280;
    s.m_nAlignH = 1;
    s.m_nAlignV = 1;
    s.DrawString(160, 80, "Vorlat");

    s.m_nFontWeight = 400;
    s.m_nFontSize = 140;
    s.DrawString(160, 130, "darts score movie creater");

    s.m_nFontSize = 100;
    s.DrawString(160, 160, FormatVersionText(version.GetFileVersion()));
    s.DrawString(160, 190, version.GetLegalCopyright());

    // No repaint now: the title shows at the window's next repaint, and the video writer
    // copies the canvas itself.
    s.Publish();
}

void DrawFrameAt(CScoreData& score, int32_t t) {
    // Entries reached by t: the leading ones whose time is at most t. The walk stops at the
    // first later entry, since times never decrease along a loaded list.
    int count = 0;
    for (const CMark& entry : score.m_listMark) {
        if (entry.m_nTime > t) {
            break;
        }
        ++count;
    }
    const int index = count - 1;
    if (index < 0) {
        DrawTitle(score);
        return;
    }
    switch (score.m_nGameKind) {
    case GAME_01:
        Draw01Board(index, score);
        break;
    case GAME_CRICKET:
        DrawCricketBoard(index, score);
        break;
    default:
        break; // no game: the canvas keeps its picture
    }
}
