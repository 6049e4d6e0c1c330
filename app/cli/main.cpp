#include "app/cli/Cli.h"
#include "app/cli/CliText.h"
#include "render/Version.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void PrintUsage(std::FILE* out = stderr) {
    std::fputs("usage:\n"
               "  vorlat-cli dump SCORE.txt\n"
               "  vorlat-cli frame SCORE.txt T OUT.png [--scale S] [--background B]\n"
               "            [--size WxH] [--place P] [--theme T] [--layout L] [--end-card]\n"
               "  vorlat-cli title OUT.png [--scale S] [--background B]\n"
               "  vorlat-cli export SCORE.txt OUT [--uncompressed|--compressed] [--scale S]\n"
               "            [--size WxH] [--place P] [--fps R] [--background B] [--codec C]\n"
               "            [--end-card] [--theme T] [--layout L]\n"
               "  vorlat-cli check SCORE.txt\n"
               "  vorlat-cli stats SCORE.txt\n"
               "  vorlat-cli checkout SCORE_LEFT [--darts 1|2|3] [--out open|double|master]\n"
               "            [--bull 25|50]\n"
               "  vorlat-cli burn SCORE.txt FOOTAGE OUT.mp4 [--offset MS] [--scale S] [--place P]\n"
               "            [--crf N] [--theme T] [--layout L]\n"
               "  vorlat-cli chapters SCORE.txt [--format youtube|csv|edl|fcpxml|ffmetadata]\n"
               "            [--events KINDS] [--offset MS] [--fps R] [--footage F] [--output F]\n"
               "  vorlat-cli clips SCORE.txt FOOTAGE OUTDIR [--events KINDS] [--before S]\n"
               "            [--after S] [--offset MS] [--burn] [--reel REEL.mp4] [--fade S]\n"
               "            [--crf N]\n"
               "  vorlat-cli --help | --version\n",
               out);
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
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        std::printf("%s\n\n", CliHelpIntro().c_str());
        PrintUsage(stdout);
        std::printf("\n%s", CliHelpDetails().c_str());
        return 0;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::printf("vorlat-cli %s\n", kVorlatFileVersion);
        return 0;
    }
    int subArgc = argc - 2;
    char** subArgv = argv + 2;
    if (std::strcmp(command, "dump") == 0) {
        return CliDump(subArgc, subArgv);
    }
    if (std::strcmp(command, "check") == 0) {
        return CliCheck(subArgc, subArgv);
    }
    if (std::strcmp(command, "stats") == 0) {
        return CliStats(subArgc, subArgv);
    }
    if (std::strcmp(command, "checkout") == 0) {
        return CliCheckout(subArgc, subArgv);
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
    if (std::strcmp(command, "burn") == 0) {
        return CliBurn(subArgc, subArgv);
    }
    if (std::strcmp(command, "chapters") == 0) {
        return CliChapters(subArgc, subArgv);
    }
    if (std::strcmp(command, "clips") == 0) {
        return CliClips(subArgc, subArgv);
    }
    PrintUsage();
    return 2;
}
