#pragma once

#include <QApplication>
#include <QLockFile>

#include <memory>

// The program: one running instance per user session, showing the main window.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    // Shows the main window until it is closed. Returns at once when another instance
    // holds the lock.
    void run();

    // The lock that marks the running instance, in the user's runtime folder.
    static QString lockFilePath();

private:
    std::unique_ptr<QLockFile> m_instanceLock; // held until the process ends
};
