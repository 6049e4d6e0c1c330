#include "app/Application.h"

#include "app/Language.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "app/StartupArguments.h"
#include "render/Version.h"

#include <QCommandLineParser>
#include <QDir>
#include <QLocale>
#include <QTimer>

#include <cstdio>

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("vorlat"));
    setApplicationVersion(QString::fromUtf8(kVorlatFileVersion));
    // The installed desktop entry's id: the desktop matches the window to its entry and icon.
    setDesktopFileName(QStringLiteral("org.example.vorlat"));
}

QString Application::lockFilePath() {
    return SingleInstance::lockFilePath();
}

void Application::startWindow(SingleInstance& instance, MainWindow& window, const QString& file) {
    connect(&instance, &SingleInstance::openRequested, &window, [&window](const QString& path) {
        window.showNormal();
        window.raise();
        window.activateWindow();
        if (!path.isEmpty()) {
            OpenStartupFiles(window, StartupFiles{path, QString()});
        }
    });
    if (!file.isEmpty()) {
        // Once the window is up, so that a load error's box (or the new-match form, for a
        // file that does not exist yet) has a window to stand on.
        QTimer::singleShot(0, &window, [&window, file] {
            OpenStartupFiles(window, StartupFiles{file, QString()});
        });
    }
}

int Application::run() {
    SetApplicationLanguage(ChooseLanguage(QLocale::system().uiLanguages()));

    QCommandLineParser parser;
    const QCommandLineOption footageOption = AddStartupOptions(parser);
    // --help and --version print and end the process with status 0; a wrong option ends it
    // with status 1 after saying what was wrong.
    parser.process(arguments());
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(tr("vorlat: give one score file at most")));
        return 1;
    }
    // The running instance may work in another folder: it gets the file's full path.
    const QString file = files.isEmpty() ? QString() : QDir::current().absoluteFilePath(files[0]);
    const QString footage = parser.isSet(footageOption)
                                ? QDir::current().absoluteFilePath(parser.value(footageOption))
                                : QString();

    SingleInstance instance;
    if (!instance.claim()) {
        // A running instance that does not answer leaves this start ending as quietly as
        // a second start always has.
        instance.handOver(file);
        return 0;
    }

    setWindowIcon(QIcon(QStringLiteral(":/vorlat/icon.png")));
    MainWindow window;
    ScoringOf(window); // "New match..." in the window's menu
    startWindow(instance, window, footage.isEmpty() ? file : QString());
    if (!footage.isEmpty()) {
        QTimer::singleShot(0, &window, [&window, file, footage] {
            OpenStartupFiles(window, StartupFiles{file, footage});
        });
    }
    window.exec();
    return 0;
}
