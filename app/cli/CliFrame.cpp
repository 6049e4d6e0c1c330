#include "app/cli/Cli.h"

#include "render/Renderer.h"
#include "render/SummaryCard.h"
#include "score/Evaluate.h"
#include "score/ScoreData.h"

#include <QImage>
#include <QString>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kPictureOptions = "[--scale S] [--background picture|transparent|#RRGGBB]";

// A whole, in-range, signed number of milliseconds.
bool ParseMoment(const std::string& text, int32_t& moment) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE || value < INT32_MIN ||
        value > INT32_MAX) {
        return false;
    }
    moment = static_cast<int32_t>(value);
    return true;
}

int SavePicture(const QImage& picture, const std::string& path) {
    if (!picture.save(QString::fromLocal8Bit(path.c_str()), "PNG")) {
        std::fprintf(stderr, "vorlat-cli: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int CliFrame(int argc, char** argv) {
    const bool endCard = TakeFlag(argc, argv, "--end-card");
    std::vector<std::string> args;
    RenderOptions options;
    if (!ParsePictureArguments(argc, argv, args, options)) {
        return 2;
    }
    int32_t moment = 0;
    if (args.size() != 3 || !ParseMoment(args[1], moment)) {
        std::fprintf(stderr,
                     "usage: vorlat-cli frame SCORE.txt T OUT.png %s [--end-card]  (T in ms)\n",
                     kPictureOptions);
        return 2;
    }
    Match score;
    if (!LoadScore(score, args[0].c_str())) {
        return 1;
    }
    // A moment without a board (a game the program cannot draw) keeps the picture black, as
    // a fresh preview shows.
    QImage picture = MakeBoardImage(options);
    // The video's moment: its times cleaned as the export cleans them, so that the card
    // starts where the video's does.
    if (endCard) {
        ValidateTimes(score);
    }
    RenderVideoMoment(score, moment, picture, options, endCard);
    return SavePicture(picture, args[2]);
}

int CliTitle(int argc, char** argv) {
    std::vector<std::string> args;
    RenderOptions options;
    if (!ParsePictureArguments(argc, argv, args, options)) {
        return 2;
    }
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: vorlat-cli title OUT.png %s\n", kPictureOptions);
        return 2;
    }
    QImage picture = MakeBoardImage(options);
    RenderTitle(picture, options);
    return SavePicture(picture, args[0]);
}
