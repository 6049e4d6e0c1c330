#include "app/cli/Cli.h"

#include "render/GStatic.h"
#include "render/Painters.h"
#include "score/ScoreData.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A whole, in-range, signed number of milliseconds.
bool ParseMoment(const char* text, int32_t& moment) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
        return false;
    }
    moment = static_cast<int32_t>(value);
    return true;
}

int SavePicture(const CGStatic& surface, const char* path) {
    if (!surface.GetCanvas().save(QString::fromLocal8Bit(path), "PNG")) {
        std::fprintf(stderr, "vorlat-cli: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

} // namespace

int CliFrame(int argc, char** argv) {
    int32_t moment = 0;
    if (argc != 3 || !ParseMoment(argv[1], moment)) {
        std::fputs("usage: vorlat-cli frame SCORE.txt T OUT.png  (T in milliseconds)\n", stderr);
        return 2;
    }
    Match score;
    if (!LoadScore(score, argv[0])) {
        return 1;
    }
    CGStatic surface;
    AttachCanvas(score, surface);
    DrawFrameAt(score, moment);
    return SavePicture(surface, argv[2]);
}

int CliTitle(int argc, char** argv) {
    if (argc != 1) {
        std::fputs("usage: vorlat-cli title OUT.png\n", stderr);
        return 2;
    }
    Match score;
    CGStatic surface;
    AttachCanvas(score, surface);
    DrawTitle(score);
    return SavePicture(surface, argv[0]);
}
