#include "app/cli/Cli.h"
#include "app/cli/CliText.h"

#include "score/Loader.h"
#include "score/ScoreData.h"
#include "video/ExportPlan.h"
#include "video/ExportTarget.h"

#include <QImage>
#include <QImageWriter>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// Decimal only: "0x10" is no number here (strtod would read it as sixteen), nor is "inf".
bool ParseDecimal(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    return !text.empty() && ec == std::errc() && at == end;
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

bool ParseOptions(int argc, char** argv, const CliOptionTable& table,
                  std::vector<std::string>& positional) {
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            positional.push_back(arg);
            continue;
        }
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const auto option = std::find_if(table.begin(), table.end(),
                                         [&](const CliOption& o) { return o.name == name; });
        if (option == table.end()) {
            std::fprintf(stderr, "vorlat-cli: unknown option %s\n", name.c_str());
            return false;
        }
        if (option->wants.empty()) {
            if (eq != std::string::npos) {
                std::fprintf(stderr, "vorlat-cli: %s takes no value\n", name.c_str());
                return false;
            }
            option->take({});
            continue;
        }
        if (eq == std::string::npos && i + 1 >= argc) {
            std::fprintf(stderr, "vorlat-cli: %s needs %s\n", name.c_str(), option->wants.c_str());
            return false;
        }
        const std::string value = eq != std::string::npos ? arg.substr(eq + 1) : argv[++i];
        if (!option->take(value)) {
            std::fprintf(stderr, "vorlat-cli: %s needs %s, not \"%s\"\n", name.c_str(),
                         option->wants.c_str(), value.c_str());
            return false;
        }
    }
    return true;
}

std::string ListOfNames(const std::vector<std::string>& names) {
    std::string list;
    for (size_t i = 0; i < names.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    }
    return list;
}

CliOption SwitchOption(std::string name, bool& on) {
    return {std::move(name), {}, [&on](const std::string&) { return on = true; }};
}

CliOption IntegerOption(std::string name, long long low, long long high, long long& value) {
    return {std::move(name),
            "a whole number from " + std::to_string(low) + " to " + std::to_string(high),
            [low, high, &value](const std::string& text) {
                return ParseInteger(text, low, high, value);
            }};
}

CliOption MillisecondsOption(std::string name, long long& value) {
    return {std::move(name), "whole milliseconds", [&value](const std::string& text) {
                return ParseInteger(text, -86'400'000, 86'400'000, value);
            }};
}

CliOption SecondsOption(std::string name, int64_t& ms) {
    return {std::move(name), "seconds from 0 to 3600", [&ms](const std::string& text) {
                double seconds = 0;
                if (!ParseDecimal(text, seconds) || seconds < 0 || seconds > 3600) {
                    return false;
                }
                ms = std::llround(seconds * 1000);
                return true;
            }};
}

CliOption PathOption(std::string name, std::string& path) {
    return {std::move(name), "a file name", [&path](const std::string& text) {
                path = text;
                return !text.empty();
            }};
}

CliOption EventsOption(EventKinds& kinds) {
    return {"--events",
            "a comma list of leg, set, match, 180, 140, 100, checkout100, bust or marks6",
            [&kinds](const std::string& text) {
                EventKinds parsed = kinds;
                std::string bad;
                if (!ParseEventKinds(text, parsed, bad)) {
                    return false;
                }
                kinds = parsed;
                return true;
            }};
}

CliOption ScaleOption(double& scale, bool* given) {
    char wants[64];
    std::snprintf(wants, sizeof wants, "a number from %g to %g", kMinScale, kMaxScale);
    return {"--scale", wants, [&scale, given](const std::string& text) {
                double value = 0;
                if (!ParseDecimal(text, value) || !IsValidScale(value)) {
                    return false;
                }
                scale = value;
                if (given != nullptr) {
                    *given = true;
                }
                return true;
            }};
}

CliOption PlaceOption(BoardPlace& place) {
    return {"--place", "top-left, top-right, bottom-left, bottom-right or center",
            [&place](const std::string& text) {
                const std::optional<BoardPlace> parsed = ParseBoardPlace(text);
                place = parsed.value_or(place);
                return parsed.has_value();
            }};
}

void AddPictureOptions(CliOptionTable& table, CliOptions& options) {
    table.push_back(ScaleOption(options.render.scale, &options.scaleGiven));
    table.push_back({"--background", "picture, transparent or a colour #RRGGBB",
                     [&options](const std::string& text) {
                         const std::optional<Background> background = Background::parse(text);
                         options.render.background = background.value_or(options.render.background);
                         return background.has_value();
                     }});
}

void AddFrameOptions(CliOptionTable& table, CliOptions& options) {
    table.push_back(
        {"--size", "a size WxH, each side from 16 to 8192", [&options](const std::string& text) {
             const std::optional<QSize> size = ParseFrameSize(text);
             options.size = size ? size : options.size;
             return size.has_value();
         }});
    table.push_back(PlaceOption(options.place));
}

void AddVideoOptions(CliOptionTable& table, CliOptions& options) {
    char wants[96];
    std::snprintf(wants, sizeof wants,
                  "a rate such as 15, 25, 30000/1001 or 29.97 (from %lld to %lld)",
                  static_cast<long long>(kMinExportFps), static_cast<long long>(kMaxExportFps));
    table.push_back({"--fps", wants, [&options](const std::string& text) {
                         const std::optional<FrameRate> rate = FrameRate::parse(text);
                         if (!rate || !IsExportRate(*rate)) {
                             return false;
                         }
                         options.rate = *rate;
                         return true;
                     }});
    table.push_back({"--codec", "video1, raw, h264, prores, vp9, ffv1 or png",
                     [&options](const std::string& text) {
                         const std::optional<VideoCodec> codec = VideoCodecFromName(text);
                         options.codec = codec ? codec : options.codec;
                         return codec.has_value();
                     }});
    table.push_back({"--compressed", {}, [&options](const std::string&) {
                         options.compress = 1;
                         return true;
                     }});
    table.push_back({"--uncompressed", {}, [&options](const std::string&) {
                         options.compress = 0;
                         return true;
                     }});
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
    if (Status prepared = target.prepare(path, scorePath, false, 0); !prepared) {
        CliPrintError(prepared.error());
        return false;
    }
    QImageWriter writer(QString::fromLocal8Bit(target.writePath().c_str()), "PNG");
    if (!writer.write(picture)) {
        std::fprintf(stderr, "vorlat-cli: cannot write %s: %s\n", path.c_str(),
                     writer.errorString().toLocal8Bit().constData());
        return false;
    }
    if (Status committed = target.commit(); !committed) {
        CliPrintError(committed.error());
        return false;
    }
    return true;
}
