#pragma once

// The burn-in of a match as one job, set up in one place for the window and the command line:
// they fill in a BurnRequest and show what comes back.

#include "render/Renderer.h"
#include "score/ScoreData.h"
#include "video/Export.h"
#include "video/MomentBoard.h"

#include <cstdint>
#include <string>

// The board the burn-in draws unless told otherwise: the broadcast board with its built-in
// theme, which reads over bright and dark footage alike.
RenderOptions DefaultBurnBoard();

struct BurnRequest {
    // The board reads this copy for the whole burn-in.
    Match match;
    // Refused as the output, as the footage is; may be empty.
    std::string scorePath;
    std::string footagePath;
    // The container follows the extension (.mp4, .mov, .mkv, ...).
    std::string outputPath;
    // The board at footage time t shows moment t - offsetMs.
    int64_t offsetMs = 0;
    // x264's constant rate factor; -1: the burn-in's default.
    int crf = -1;
    // Design, theme and layout. The broadcast board is drawn at the footage's shown size and
    // goes to the corner overlay.place names (its theme's corner for the centre); the classic
    // board goes to overlay.place. Background and frame size are the burn-in's business.
    RenderOptions board = DefaultBurnBoard();
    // overlay.scale 0: the default for the footage's size.
    OverlaySettings overlay;
};

// Opens the footage, draws the board at the size and place the request asks for, names the
// match's chapters on the footage's clock and burns the board in (video/BurnIn.h: written
// through a temporary file that replaces the output only when complete; the score file, the
// footage, devices and FIFOs refused). Footage that does not open fails with its reason.
// Runs on the caller's thread; progress and shouldStop as ExportVideo's.
ExportResult BurnMatch(const BurnRequest& request, const ExportProgressFn& progress,
                       const ExportStopFn& shouldStop);
