#pragma once

#include <QApplication>
#include <QLockFile>

#include <memory>

// The application: one running instance per user session, showing the main window.
class CVorlatApp : public QApplication {
    Q_OBJECT
public:
    CVorlatApp(int& argc, char** argv);

    // Runs the main window; false at once when another instance holds the lock.
    bool InitInstance();

    // The system-wide lock that marks the running instance.
    static QString LockFilePath();

private:
    std::unique_ptr<QLockFile> m_pInstanceLock; // held until the process ends
};
