#include "app/cli/Cli.h"
#include "app/cli/CliText.h"

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

} // namespace

void AddBoardOptions(CliOptionTable& table, BoardArguments& board) {
    table.push_back(
        {"--theme", "broadcast, light, classic or a theme file", [&board](const std::string& text) {
             board.theme = text;
             return !text.empty();
         }});
    table.push_back(
        {"--layout", "corner, lower-third or vertical", [&board](const std::string& text) {
             board.layout = text;
             return ParseBoardLayout(text).has_value();
         }});
}

bool ApplyBoardArguments(const BoardArguments& board, CliOptions& options) {
    if (!board.theme.empty()) {
        const Result<Theme> theme = LoadTheme(board.theme);
        if (!theme) {
            std::fprintf(stderr, "vorlat-cli: --theme: %s\n", CliErrorText(theme.error()).c_str());
            return false;
        }
        ApplyTheme(options.render, theme.value());
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
    bool endCard = false;
    BoardArguments board;
    CliOptions options;
    CliOptionTable table{SwitchOption("--end-card", endCard)};
    AddPictureOptions(table, options);
    AddFrameOptions(table, options);
    AddBoardOptions(table, board);
    if (!ParseOptions(argc, argv, table, options.positional) ||
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
    CliOptionTable table;
    AddPictureOptions(table, options);
    if (!ParseOptions(argc, argv, table, options.positional)) {
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
