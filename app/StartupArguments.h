#pragma once

#include <QString>
#include <QStringList>

class MainWindow;
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

// The window's scoring panel (pad, score sheet, session), made on first use.
ScoringPanel& ScoringOf(MainWindow& window);
