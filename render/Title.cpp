#include "render/Boards.h"
#include "render/Version.h"

void PaintTitle(Canvas& canvas) {
    constexpr QRgb kWhite = 0xFFFFFFFF;
    const TextStyle name{280, 700, kWhite, Anchor::Centre, Anchor::Centre};
    const TextStyle subtitle{140, 400, kWhite, Anchor::Centre, Anchor::Centre};
    const TextStyle small{100, 400, kWhite, Anchor::Centre, Anchor::Centre};
    canvas.drawText(160, 80, "Vorlat", name);
    canvas.drawText(160, 130, "darts score movie creater", subtitle);
    canvas.drawText(160, 160, FormatVersionText(kVorlatFileVersion), small);
    canvas.drawText(160, 190, kVorlatLegalCopyright, small);
}
