#include "app/cli/Cli.h"

#include "render/GStatic.h"
#include "score/Loader.h"
#include "score/ScoreData.h"

#include <cstdio>

namespace {

constexpr int kCanvasWidth = 320;
constexpr int kCanvasHeight = 240;

} // namespace

bool LoadScore(Match& score, const char* path) {
    if (!OpenScoreFile(score, path)) {
        std::fprintf(stderr, "%s\n", kLoadErrorText);
        return false;
    }
    return true;
}

void AttachCanvas(Match& score, CGStatic& surface) {
    surface.CreateCanvas(kCanvasWidth, kCanvasHeight);
    score.m_pSurface = &surface;
}
