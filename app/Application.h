#pragma once

#include <QApplication>

class MainWindow;
class SingleInstance;

// The program: one running instance per user session, showing the main window in the
// user's language.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    // Reads the command line (--help, --version, a score file) and shows the main window
    // until it is closed. A later start hands its file to the running instance and ends.
    // Returns the process exit status.
    int run();

    // Readies the running instance's window: it loads file (if any) once it is shown, and
    // answers later starts by coming to the front and loading their file. A file that does
    // not exist yet opens the new-match form with its path filled in.
    static void startWindow(SingleInstance& instance, MainWindow& window, const QString& file);

    // The lock that marks the running instance, in the user's runtime folder.
    static QString lockFilePath();
};
