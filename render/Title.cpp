#include "render/FileVersionInfo.h"
#include "render/GStatic.h"
#include "render/Painters.h"
#include "score/ScoreData.h"

void DrawTitle(Match& score) {
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

void DrawFrameAt(Match& score, int32_t t) {
    // Entries reached by t: the leading ones whose time is at most t. The walk stops at the
    // first later entry, since times never decrease along a loaded list.
    int count = 0;
    for (const Entry& entry : score.entries) {
        if (entry.time > t) {
            break;
        }
        ++count;
    }
    const int index = count - 1;
    if (index < 0) {
        DrawTitle(score);
        return;
    }
    switch (score.gameKind) {
    case GameKind::X01:
        Draw01Board(index, score);
        break;
    case GameKind::Cricket:
        DrawCricketBoard(index, score);
        break;
    default:
        break; // no game: the canvas keeps its picture
    }
}
