#include "app/VorlatApp.h"

#include "app/VorlatDlg.h"

#include <QDir>
#include <QStandardPaths>

CVorlatApp::CVorlatApp(int& argc, char** argv) : QApplication(argc, argv) {}

QString CVorlatApp::LockFilePath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(QStringLiteral("CVorlatApp.lock"));
}

bool CVorlatApp::InitInstance() {
    for (const QString& path :
         {LockFilePath(), QDir(QDir::tempPath()).filePath(QStringLiteral("CVorlatApp.lock"))}) {
        m_pInstanceLock = std::make_unique<QLockFile>(path);
        // The lock lives as long as the instance, however long that is; only a lock left by
        // a process that no longer runs counts as stale.
        m_pInstanceLock->setStaleLockTime(0);
        if (m_pInstanceLock->tryLock(0)) {
            break;
        }
        if (m_pInstanceLock->error() == QLockFile::LockFailedError) {
            return false; // another instance runs
        }
        // A folder where no lock can be made at all is no reason to refuse to start.
        m_pInstanceLock.reset();
    }

    setWindowIcon(QIcon(QStringLiteral(":/vorlat/icon.png")));
    CVorlatDlg dialog;
    dialog.exec();
    return false;
}
