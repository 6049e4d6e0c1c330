#include "app/cli/Cli.h"
#include "app/cli/CliText.h"

#include "score/Loader.h"
#include "score/ScoreData.h"
#include "video/ExportPlan.h"
#include "video/ExportTarget.h"

#include <QImage>
#include <QImageWriter>
#include <QString>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// Decimal only: "0x10" is no scale (strtod would read it as sixteen), nor is "inf".
bool ParseScale(const std::string& text, double& scale) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || at != end || !IsValidScale(value)) {
        return false;
    }
    scale = value;
    return true;
}

bool Bad(const std::string& option, const char* wants, const std::string& value) {
    std::fprintf(stderr, "vorlat-cli: %s needs %s, not \"%s\"\n", option.c_str(), wants,
                 value.c_str());
    return false;
}

} // namespace

bool LoadScore(Match& score, const char* path) {
    const LoadOutcome outcome = LoadScoreFile(score, path);
    if (!outcome.loaded) {
        std::fprintf(stderr, "%s\n%s\n", CliLoadErrorText().c_str(),
                     CliErrorText(outcome.error).c_str());
        return false;
    }
    return true;
}

bool TakeFlag(int& argc, char** argv, const char* flag) {
    bool found = false;
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], flag) == 0) {
            found = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return found;
}

bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || parsed < low ||
        parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseCliOptions(int argc, char** argv, int sets, CliOptions& options) {
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.substr(0, 2) != "--") {
            options.positional.emplace_back(arg);
            continue;
        }
        if ((sets & CliOptions::Video) && (arg == "--compressed" || arg == "--uncompressed")) {
            options.compress = arg == "--compressed" ? 1 : 0;
            continue;
        }
        std::string name(arg);
        std::string value;
        bool hasValue = false;
        if (const size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        } else if (i + 1 < argc) {
            value = argv[++i];
            hasValue = true;
        }
        const bool picture = sets & CliOptions::Picture;
        const bool frame = sets & CliOptions::Frame;
        const bool video = sets & CliOptions::Video;
        if (picture && name == "--scale") {
            char wants[64];
            std::snprintf(wants, sizeof wants, "a number from %g to %g", kMinScale, kMaxScale);
            if (!hasValue || !ParseScale(value, options.render.scale)) {
                return Bad(name, wants, value);
            }
            options.scaleGiven = true;
        } else if (picture && name == "--background") {
            const std::optional<Background> background = Background::parse(value);
            if (!hasValue || !background) {
                return Bad(name, "picture, transparent or a colour #RRGGBB", value);
            }
            options.render.background = *background;
        } else if (frame && name == "--size") {
            options.size = ParseFrameSize(value);
            if (!hasValue || !options.size) {
                return Bad(name, "a size WxH, each side from 16 to 8192", value);
            }
        } else if (frame && name == "--place") {
            const std::optional<BoardPlace> place = ParseBoardPlace(value);
            if (!hasValue || !place) {
                return Bad(name, "top-left, top-right, bottom-left, bottom-right or center", value);
            }
            options.place = *place;
        } else if (video && name == "--fps") {
            const std::optional<FrameRate> rate = FrameRate::parse(value);
            if (!hasValue || !rate || !IsExportRate(*rate)) {
                char wants[96];
                std::snprintf(wants, sizeof wants,
                              "a rate such as 15, 25, 30000/1001 or 29.97 (from %lld to %lld)",
                              static_cast<long long>(kMinExportFps),
                              static_cast<long long>(kMaxExportFps));
                return Bad(name, wants, value);
            }
            options.rate = *rate;
        } else if (video && name == "--codec") {
            options.codec = VideoCodecFromName(value);
            if (!hasValue || !options.codec) {
                return Bad(name, "video1, raw, h264, prores, vp9, ffv1 or png", value);
            }
        } else {
            std::fprintf(stderr, "vorlat-cli: unknown option %s\n", name.c_str());
            return false;
        }
    }
    return true;
}

bool ResolveBoard(CliOptions& options) {
    if (!options.size) {
        return true;
    }
    if (!options.scaleGiven) {
        options.render.scale = DefaultBoardScale(*options.size);
    }
    const QRect board = PlaceBoard(*options.size, BoardSize(options.render.scale), options.place);
    if (!QRect(QPoint(0, 0), *options.size).contains(board)) {
        std::fprintf(stderr,
                     "vorlat-cli: --size %dx%d has no room for the board at --scale %g "
                     "(%dx%d and its margins)\n",
                     options.size->width(), options.size->height(), options.render.scale,
                     board.width(), board.height());
        return false;
    }
    return true;
}

bool WritePicture(const QImage& picture, const std::string& path, const std::string& scorePath) {
    ExportTarget target;
    std::string error;
    if (!target.prepare(path, scorePath, false, 0, error)) {
        std::fprintf(stderr, "vorlat-cli: %s\n", error.c_str());
        return false;
    }
    QImageWriter writer(QString::fromLocal8Bit(target.writePath().c_str()), "PNG");
    if (!writer.write(picture)) {
        std::fprintf(stderr, "vorlat-cli: cannot write %s: %s\n", path.c_str(),
                     writer.errorString().toLocal8Bit().constData());
        return false;
    }
    if (!target.commit(error)) {
        std::fprintf(stderr, "vorlat-cli: %s\n", error.c_str());
        return false;
    }
    return true;
}
