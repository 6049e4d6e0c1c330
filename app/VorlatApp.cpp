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
    m_pInstanceLock = std::make_unique<QLockFile>(LockFilePath());
    // The lock lives as long as the instance, however long that is; only a lock left by a
    // process that no longer runs counts as stale.
    m_pInstanceLock->setStaleLockTime(0);
    if (!m_pInstanceLock->tryLock(0)) {
        return false;
    }

    setWindowIcon(QIcon(QStringLiteral(":/vorlat/icon.png")));
    CVorlatDlg dialog;
    dialog.exec();
    return false;
}
