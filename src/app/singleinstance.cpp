#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace tovik::app {

namespace {

// Both copies must reach the same names from the same folder however it was spelt, and
// users sharing a folder share its lock: so the shared temporary folder, not a per-user one.
QString nameFor(const QString& folder) {
    QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QDir(folder).absolutePath());
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("tovik-") + QString::fromLatin1(hash.left(24));
}

constexpr int kConnectMs = 2000;
const QByteArray kShowRequest = QByteArrayLiteral("show\n");

} // namespace

SingleInstance::SingleInstance(const QString& folder)
    : m_name(nameFor(folder)),
      m_lock(QDir(QDir::tempPath()).filePath(nameFor(folder) + QStringLiteral(".lock"))) {
    // Never stale by age: only a lock whose process has gone is taken over.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockFilePath() const {
    return QDir(QDir::tempPath()).filePath(m_name + QStringLiteral(".lock"));
}

bool SingleInstance::acquire() {
    if (m_lock.tryLock(0)) {
        // The lock alone guards the files; the socket for a second start's request can wait
        // until the event loop runs, off the way to the first paint.
        QTimer::singleShot(0, this, &SingleInstance::listen);
        return true;
    }
    if (m_lock.error() != QLockFile::LockFailedError)
        return true;

    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(kConnectMs)) {
        socket.write(kShowRequest);
        socket.waitForBytesWritten(kConnectMs);
        socket.disconnectFromServer();
    }
    return false;
}

void SingleInstance::listen() {
    // We hold the lock, so a socket of that name is a dead copy's leftover.
    QLocalServer::removeServer(m_name);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name))
        return;
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(kShowRequest.trimmed()))
                    emit activationRequested();
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

} // namespace tovik::app
