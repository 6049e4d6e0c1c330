#include "app/cli/Cli.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void PrintUsage() {
    std::fputs("usage:\n"
               "  vorlat-cli dump SCORE.txt\n"
               "  vorlat-cli frame SCORE.txt T OUT.png [--scale S] [--background B]\n"
               "            [--size WxH] [--place P]\n"
               "  vorlat-cli title OUT.png [--scale S] [--background B]\n"
               "  vorlat-cli export SCORE.txt OUT [--uncompressed|--compressed] [--scale S]\n"
               "            [--size WxH] [--place P] [--fps R] [--background B] [--codec C]\n",
               stderr);
}

// The companion prints only its own words: Qt's notices (a missing XDG_RUNTIME_DIR when run
// as root, say) are not for its users. Only what ends the process gets through.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "vorlat-cli: %s\n", message.toLocal8Bit().constData());
    }
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
    qInstallMessageHandler(QuietQtMessages);
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
    PrintUsage();
    return 2;
}
