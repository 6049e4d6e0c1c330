#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running instance per user session. The first start holds a lock and listens on a
// local socket next to it; a later start finds the lock taken and hands its file (or just
// a wish to see the window) to the running one over that socket. A request longer than any
// path can be is dropped unanswered and its connection closed.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock. True when this is the running instance from now on; it then listens
    // for later starts. False when another instance holds the lock. A folder where no lock
    // can be made at all is no reason to refuse to start: that counts as running too.
    bool claim();

    // For a start that found the lock taken: gives path (absolute; empty to only bring the
    // window up) to the running instance. False when none answered within timeoutMs.
    bool handOver(const QString& path, int timeoutMs = 5000);

    // The socket the running instance listens on; empty before claim().
    const QString& serverName() const { return m_serverName; }

    // The lock that marks the running instance, in the user's runtime folder.
    static QString lockFilePath();

signals:
    // A later start asked for the window; path is the file it was given, or empty. Emitted
    // from the event loop after the request was answered, so a receiver may open a modal
    // form.
    void openRequested(const QString& path);

private:
    void listen(const QString& name);
    void receive();

    std::unique_ptr<QLockFile> m_lock; // held until the process ends
    QString m_serverName;              // the socket of the folder the lock is in
    QLocalServer* m_server = nullptr;
};
