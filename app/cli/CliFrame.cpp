#include "app/cli/Cli.h"

#include "render/Renderer.h"
#include "render/SummaryCard.h"
#include "render/Theme.h"
#include "score/ScoreData.h"
#include "score/Timeline.h"
#include "video/ExportPlan.h"

#include <QImage>
#include <QPainter>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace {

constexpr const char* kPictureOptions = "[--scale S] [--background picture|transparent|#RRGGBB]";
constexpr const char* kFrameOptions =
    "[--size WxH] [--place P] [--theme broadcast|light|classic|FILE] "
    "[--layout corner|lower-third|vertical]";

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

// Takes "--name value" or "--name=value" out of argv; false with value untouched when absent.
// A name without its value is kept as a value of its own, "", for the check to refuse.
bool TakeValue(int& argc, char** argv, const char* name, std::string& value) {
    const std::string prefix = std::string(name) + "=";
    bool found = false;
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == name) {
            found = true;
            value = i + 1 < argc ? argv[++i] : "";
        } else if (arg.rfind(prefix, 0) == 0) {
            found = true;
            value = arg.substr(prefix.size());
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return found;
}

} // namespace

bool TakeBoardArguments(int& argc, char** argv, BoardArguments& board) {
    const bool theme = TakeValue(argc, argv, "--theme", board.theme);
    const bool layout = TakeValue(argc, argv, "--layout", board.layout);
    if (theme && board.theme.empty()) {
        std::fputs("vorlat-cli: --theme needs broadcast, light, classic or a theme file\n", stderr);
        return false;
    }
    if (layout && !ParseBoardLayout(board.layout)) {
        std::fprintf(stderr,
                     "vorlat-cli: --layout needs corner, lower-third or vertical, not \"%s\"\n",
                     board.layout.c_str());
        return false;
    }
    return true;
}

bool ApplyBoardArguments(const BoardArguments& board, CliOptions& options) {
    if (!board.theme.empty()) {
        std::string error;
        const std::optional<Theme> theme = LoadTheme(board.theme, error);
        if (!theme) {
            std::fprintf(stderr, "vorlat-cli: --theme: %s\n", error.c_str());
            return false;
        }
        ApplyTheme(options.render, *theme);
    } else if (!board.layout.empty()) {
        // A layout asks for the broadcast board.
        ApplyTheme(options.render, *BuiltInTheme("broadcast"));
    }
    if (options.render.design != BoardDesign::Broadcast) {
        return true;
    }
    if (!board.layout.empty()) {
        options.render.broadcast.layout = *ParseBoardLayout(board.layout);
    }
    options.render.frameSize = options.size ? *options.size : QSize(1920, 1080);
    const std::optional<BoardCorner> corner = BroadcastCorner(options.place);
    if (!corner) {
        std::fputs("vorlat-cli: --place center is for the classic board; the broadcast board "
                   "goes to a corner\n",
                   stderr);
        return false;
    }
    options.render.broadcast.corner = *corner;
    return true;
}

int CliFrame(int argc, char** argv) {
    const bool endCard = TakeFlag(argc, argv, "--end-card");
    BoardArguments board;
    CliOptions options;
    if (!TakeBoardArguments(argc, argv, board) ||
        !ParseCliOptions(argc, argv, CliOptions::Picture | CliOptions::Frame, options) ||
        !ApplyBoardArguments(board, options) ||
        (options.render.design == BoardDesign::Classic && !ResolveBoard(options))) {
        return 2;
    }
    const std::vector<std::string>& args = options.positional;
    int32_t moment = 0;
    if (args.size() != 3 || !ParseMoment(args[1], moment)) {
        std::fprintf(stderr,
                     "usage: vorlat-cli frame SCORE.txt T OUT.png %s %s [--end-card]  (T in ms)\n",
                     kPictureOptions, kFrameOptions);
        return 2;
    }
    Match score;
    if (!LoadScore(score, args[0].c_str())) {
        return 1;
    }
    // A moment without a board (a game the program cannot draw) keeps the picture black, as
    // a fresh preview shows.
    QImage picture = MakeBoardImage(options.render);
    // The video's moment: its times cleaned as the export cleans them, so that the card
    // starts where the video's does.
    if (endCard) {
        score = WithCleanTimes(std::move(score));
    }
    RenderVideoMoment(score, moment, picture, options.render, endCard);
    if (options.size && options.render.design == BoardDesign::Classic) {
        // The very frame the export makes for this moment.
        QImage frame = MakeVideoFrame(*options.size, options.render.background);
        const QRect board = PlaceBoard(*options.size, picture.size(), options.place);
        QPainter painter(&frame);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(board.topLeft(), picture);
        painter.end();
        picture = frame;
    }
    return WritePicture(picture, args[2], args[0]) ? 0 : 1;
}

int CliTitle(int argc, char** argv) {
    CliOptions options;
    if (!ParseCliOptions(argc, argv, CliOptions::Picture, options)) {
        return 2;
    }
    if (options.positional.size() != 1) {
        std::fprintf(stderr, "usage: vorlat-cli title OUT.png %s\n", kPictureOptions);
        return 2;
    }
    QImage picture = MakeBoardImage(options.render);
    RenderTitle(picture, options.render);
    return WritePicture(picture, options.positional[0], {}) ? 0 : 1;
}
