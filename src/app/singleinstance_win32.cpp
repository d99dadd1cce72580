// The single instance on Windows: Qt's lock file in the folder (a dead copy's lock is
// taken over by its process id) and a named pipe for the request.
#include "app/instancechannel.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace tovik::app::instance {

namespace {

class QtLock final : public Lock {
public:
    explicit QtLock(std::unique_ptr<QLockFile> file) : m_file(std::move(file)) {}

private:
    std::unique_ptr<QLockFile> m_file;
};

class PipeListener final : public Listener {
public:
    explicit PipeListener(std::function<void()> onRequest) : m_onRequest(std::move(onRequest)) {
        QObject::connect(&m_server, &QLocalServer::newConnection, &m_server, [this] {
            while (QLocalSocket* socket = m_server.nextPendingConnection()) {
                m_onRequest();
                socket->disconnectFromServer();
                QObject::connect(socket, &QLocalSocket::disconnected, socket,
                                 &QObject::deleteLater);
            }
        });
    }
    bool listen(const QString& name) {
        m_server.setSocketOptions(QLocalServer::UserAccessOption);
        return m_server.listen(name);
    }

private:
    QLocalServer m_server;
    std::function<void()> m_onRequest;
};

} // namespace

LockResult lockFolder(const QString& lockPath) {
    auto file = std::make_unique<QLockFile>(lockPath);
    // Never stale by age: only a lock whose process has gone is taken over.
    file->setStaleLockTime(0);
    if (file->tryLock(0))
        return {LockState::Held, std::make_unique<QtLock>(std::move(file))};
    return {file->error() == QLockFile::LockFailedError ? LockState::HeldElsewhere
                                                        : LockState::Unavailable,
            nullptr};
}

std::unique_ptr<Listener> listen(const QString& name, std::function<void()> onRequest) {
    auto listener = std::make_unique<PipeListener>(std::move(onRequest));
    if (!listener->listen(name))
        return nullptr;
    return listener;
}

bool askToShow(const QString& name, std::chrono::milliseconds wait) {
    // The connection itself is the request, as on Linux.
    const QDeadlineTimer deadline(wait);
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            socket.disconnectFromServer();
            return true;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}

} // namespace tovik::app::instance
