#include "app/singleinstance.h"

#include "app/instancechannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace tovik::app {

namespace {

// Both copies reach the same channel name from the same folder however it was spelt.
QString canonical(const QString& folder) {
    QString path = QFileInfo(folder).canonicalFilePath();
    return path.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : path;
}

QString channelName(const QString& folder) {
    const QByteArray hash =
        QCryptographicHash::hash(canonical(folder).toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("tovik-") + QString::fromLatin1(hash.left(24));
}

// A copy that is just starting may take a moment to listen.
constexpr std::chrono::milliseconds kAskWait{2000};

} // namespace

// The lock lives in the folder itself: only someone who can change the folder, and so the
// program's files anyway, can make or hold it.
SingleInstance::SingleInstance(const QString& folder)
    : m_name(channelName(folder)), m_lockPath(QDir(folder).filePath(QStringLiteral("tovik.lock"))) {
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() {
    instance::LockResult result = instance::lockFolder(m_lockPath);
    if (result.state == instance::LockState::Held) {
        m_lock = std::move(result.lock);
        // At once, not after the first paint: a second start must find us as soon as the
        // lock says we run.
        m_listener = instance::listen(m_name, [this] { emit activationRequested(); });
        return true;
    }
    if (result.state == instance::LockState::Unavailable)
        return true;
    if (instance::askToShow(m_name, kAskWait))
        return false;
    qCritical().noquote() << QStringLiteral(
                                 "このフォルダーの Tovik は既に起動していますが、応答がありません。"
                                 "起動中の Tovik を終了してから、もう一度起動してください（%1）")
                                 .arg(QDir::toNativeSeparators(m_lockPath));
    return false;
}

} // namespace tovik::app
