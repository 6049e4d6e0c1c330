#include "app/cli/Cli.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void PrintUsage() {
    std::fputs(
        "usage:\n"
        "  vorlat-cli dump SCORE.txt\n"
        "  vorlat-cli frame SCORE.txt T OUT.png [--scale S] [--background B]\n"
        "  vorlat-cli title OUT.png [--scale S] [--background B]\n"
        "  vorlat-cli export SCORE.txt OUT.avi [--uncompressed|--compressed]\n"
        "  vorlat-cli burn SCORE.txt FOOTAGE OUT.mp4 [--offset MS] [--scale S] [--place P]\n",
        stderr);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage();
        return 2;
    }
    const char* command = argv[1];
    int subArgc = argc - 2;
    char** subArgv = argv + 2;
    if (std::strcmp(command, "dump") == 0) {
        return CliDump(subArgc, subArgv);
    }

    // Painting text needs a GUI application; without a display we paint off screen.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    if (std::strcmp(command, "frame") == 0) {
        return CliFrame(subArgc, subArgv);
    }
    if (std::strcmp(command, "title") == 0) {
        return CliTitle(subArgc, subArgv);
    }
    if (std::strcmp(command, "export") == 0) {
        return CliExport(subArgc, subArgv);
    }
    if (std::strcmp(command, "burn") == 0) {
        return CliBurn(subArgc, subArgv);
    }
    PrintUsage();
    return 2;
}
