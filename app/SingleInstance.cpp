#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <algorithm>

#include <climits>
#include <unistd.h>

namespace {

// The lock's name is shared with the earlier releases, so that they exclude each other.
const QString kLockName = QStringLiteral("CVorlatApp.lock");

// The temporary folder is shared by all users; the socket's name says whose it is.
QString ServerNameIn(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("vorlat-%1.socket").arg(::getuid()));
}

// One request a line: the file as an encoded URL, so that no byte of a name ends the line,
// or nothing; the answer is one line too.
const QByteArray kAnswer = QByteArrayLiteral("ok\n");

constexpr int kConnectTimeoutMs = 1000;

// The longest request there can be: a path of PATH_MAX bytes, every byte of it encoded as
// %XX, behind "file://", and its newline, with room to spare. Anything longer is no start of
// ours; reading on would only let a stranger of this user fill the instance's memory.
constexpr qint64 kMostRequestBytes = 3 * PATH_MAX + 256;

} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockFilePath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(kLockName);
}

bool SingleInstance::claim() {
    for (const QString& path : {lockFilePath(), QDir(QDir::tempPath()).filePath(kLockName)}) {
        m_lock = std::make_unique<QLockFile>(path);
        // The lock lives as long as the instance, however long that is; only a lock left by
        // a process that no longer runs counts as stale.
        m_lock->setStaleLockTime(0);
        m_serverName = ServerNameIn(QFileInfo(path).path());
        if (m_lock->tryLock(0)) {
            listen(m_serverName);
            return true;
        }
        if (m_lock->error() == QLockFile::LockFailedError) {
            return false;
        }
        m_lock.reset();
    }
    m_serverName.clear();
    return true;
}

void SingleInstance::listen(const QString& name) {
    // Holding the lock, no other instance runs: a socket left by one that crashed is stale.
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        qWarning("vorlat: later starts cannot reach this window: %s",
                 qUtf8Printable(m_server->errorString()));
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::receive);
}

void SingleInstance::receive() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The socket reads no further than one request and a byte, so that an endless one
        // is seen as too long instead of piling up in memory.
        socket->setReadBufferSize(kMostRequestBytes + 1);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMostRequestBytes) {
                    socket->abort();
                    socket->deleteLater();
                }
                return;
            }
            const QByteArray line = socket->readLine(kMostRequestBytes + 1);
            if (!line.endsWith('\n')) {
                socket->abort();
                socket->deleteLater();
                return;
            }
            const QString path = QUrl::fromEncoded(line.chopped(1)).toLocalFile();
            socket->write(kAnswer);
            socket->disconnectFromServer();
            // Not from inside the socket's handler: what the request opens may run an event
            // loop of its own (the new-match form), where the socket's deferred deletion
            // would free it under this very handler.
            QMetaObject::invokeMethod(
                this, [this, path] { emit openRequested(path); }, Qt::QueuedConnection);
        });
    }
}

bool SingleInstance::handOver(const QString& path, int timeoutMs) {
    if (m_serverName.isEmpty()) {
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The running instance takes its lock a moment before it listens; a start in that
    // moment tries again for a while. A lock held by a release that never listens ends the
    // trying after that while too.
    const QDeadlineTimer connectDeadline(std::min(timeoutMs, kConnectTimeoutMs));
    for (;;) {
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(static_cast<int>(connectDeadline.remainingTime()))) {
            break;
        }
        if (connectDeadline.hasExpired()) {
            return false;
        }
        QThread::msleep(50);
    }
    socket.write((path.isEmpty() ? QByteArray() : QUrl::fromLocalFile(path).toEncoded()) + '\n');
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
    return socket.readLine() == kAnswer;
}
