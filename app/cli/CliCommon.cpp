#include "app/cli/Cli.h"
#include "app/cli/CliText.h"

#include "score/Loader.h"
#include "score/ScoreData.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

bool ParseScale(const std::string& text, double& scale) {
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE ||
        !IsValidScale(value)) {
        return false;
    }
    scale = value;
    return true;
}

} // namespace

bool LoadScore(Match& score, const char* path) {
    const LoadOutcome outcome = LoadScoreFile(score, path);
    if (!outcome.loaded) {
        std::fprintf(stderr, "%s\n%s\n", CliLoadErrorText().c_str(), outcome.error.text().c_str());
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

bool ParsePictureArguments(int argc, char** argv, std::vector<std::string>& positional,
                           RenderOptions& options) {
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.substr(0, 2) != "--") {
            positional.emplace_back(arg);
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
        if (name == "--scale") {
            if (!hasValue || !ParseScale(value, options.scale)) {
                std::fprintf(stderr,
                             "vorlat-cli: --scale needs a number from %g to %g, not \"%s\"\n",
                             kMinScale, kMaxScale, value.c_str());
                return false;
            }
        } else if (name == "--background") {
            const std::optional<Background> background = Background::parse(value);
            if (!hasValue || !background) {
                std::fprintf(stderr,
                             "vorlat-cli: --background needs picture, transparent or a colour "
                             "#RRGGBB, not \"%s\"\n",
                             value.c_str());
                return false;
            }
            options.background = *background;
        } else {
            std::fprintf(stderr, "vorlat-cli: unknown option %s\n", name.c_str());
            return false;
        }
    }
    return true;
}
