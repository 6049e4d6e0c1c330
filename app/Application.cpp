#include "app/Application.h"

#include "app/MainWindow.h"
#include "app/StartupArguments.h"

#include <QDir>
#include <QStandardPaths>

namespace {

// The lock's name is shared with the earlier releases, so that they exclude each other.
const QString kLockName = QStringLiteral("CVorlatApp.lock");

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

QString Application::lockFilePath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(kLockName);
}

void Application::run() {
    for (const QString& path : {lockFilePath(), QDir(QDir::tempPath()).filePath(kLockName)}) {
        m_instanceLock = std::make_unique<QLockFile>(path);
        // The lock lives as long as the instance, however long that is; only a lock left by
        // a process that no longer runs counts as stale.
        m_instanceLock->setStaleLockTime(0);
        if (m_instanceLock->tryLock(0)) {
            break;
        }
        if (m_instanceLock->error() == QLockFile::LockFailedError) {
            return; // another instance runs
        }
        // A folder where no lock can be made at all is no reason to refuse to start.
        m_instanceLock.reset();
    }

    setWindowIcon(QIcon(QStringLiteral(":/vorlat/icon.png")));
    MainWindow window;
    OpenStartupFiles(window, ParseStartupArguments(arguments()));
    window.exec();
}
