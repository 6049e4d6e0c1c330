#include "app/Application.h"
#include "app/Language.h"
#include "app/StartupArguments.h"
#include "render/Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>

namespace {

// The help and the version on a machine without a display (a server, a build, a terminal over
// ssh): a window application would end before printing them.
int PrintHelpOrVersion(int& argc, char** argv) {
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("vorlat"));
    app.setApplicationVersion(QString::fromUtf8(kVorlatFileVersion));
    SetApplicationLanguage(ChooseLanguage(QLocale::system().uiLanguages()));
    QCommandLineParser parser;
    AddStartupOptions(parser);
    // Prints and ends the process: status 0 for the help and the version, 1 after a word
    // about an option it does not know.
    parser.process(app);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    if (AsksForHelpOrVersion(args)) {
        return PrintHelpOrVersion(argc, argv);
    }
    Application app(argc, argv);
    return app.run();
}
