#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

class MainWindow;
class QCommandLineParser;
class ScoringPanel;

// What the program was started with: vorlat [SCORE.txt] [--footage VIDEO].
struct StartupFiles {
    QString score;
    QString footage;
};

// Takes "--footage VIDEO" or "--footage=VIDEO" out of args; the video's path, or empty.
QString TakeFootageOption(QStringList& args);

// args as QCoreApplication::arguments() gives them (the program first). Unknown options are
// left alone; the first other argument is the score file.
StartupFiles ParseStartupArguments(QStringList args);

// Loads the score file, then opens the footage beside it in the player and shows the player.
// A score file that does not exist opens the new-match form with its path filled in.
void OpenStartupFiles(MainWindow& window, const StartupFiles& files);

// Gives parser the window program's command line as its help describes it, in the
// application's language: [SCORE.txt], --footage VIDEO, --help and --version. Returns the
// footage option.
QCommandLineOption AddStartupOptions(QCommandLineParser& parser);

// Whether the command line asks only for the help or the version, which are printed without
// a window: the program then needs no display.
bool AsksForHelpOrVersion(const QStringList& args);

// The window's scoring panel (pad, score sheet, session), made on first use as a part of
// the player's workspace.
ScoringPanel& ScoringOf(MainWindow& window);
