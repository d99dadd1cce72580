// Test executables that use the real Linux backend reach it only through this guard: a test
// run by hand outside CTest still cannot reach the machine's own logind or session manager.
#include "support/busguard.h"

#include "power/platformbackend.h"

#include <QByteArray>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

namespace tovik::testing {

namespace {

QMutex& foldersMutex() {
    static QMutex mutex;
    return mutex;
}

QStringList& allowedFolders() {
    static QStringList folders;
    return folders;
}

QString socketPath(const QString& address) {
    if (!address.startsWith(QLatin1String("unix:")))
        return {};
    const QStringList keys = address.mid(5).split(QLatin1Char(','));
    for (const QString& key : keys) {
        if (key.startsWith(QLatin1String("path=")))
            return QDir::cleanPath(
                QString::fromLocal8Bit(QByteArray::fromPercentEncoding(key.mid(5).toLocal8Bit())));
    }
    return {};
}

} // namespace

void allowBusFolder(const QString& folder) {
    const QMutexLocker lock(&foldersMutex());
    allowedFolders().append(QDir::cleanPath(folder));
}

void forgetBusFolder(const QString& folder) {
    const QMutexLocker lock(&foldersMutex());
    allowedFolders().removeOne(QDir::cleanPath(folder));
}

bool busAddressAllowed(const QString& address) {
    // Several addresses separated by ';' are tried in turn by libdbus: all must pass.
    const QStringList addresses = address.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (addresses.isEmpty())
        return false;
    const QMutexLocker lock(&foldersMutex());
    for (const QString& one : addresses) {
        const QString path = socketPath(one);
        if (path.isEmpty())
            return false;
        bool inside = false;
        for (const QString& folder : allowedFolders())
            inside = inside || path.startsWith(folder + QLatin1Char('/'));
        if (!inside)
            return false;
    }
    return true;
}

GuardedBackend::GuardedBackend() : m_real(std::make_unique<power::PlatformBackend>()) {}

GuardedBackend::~GuardedBackend() = default;

power::Outcome GuardedBackend::request(power::PowerAction action) {
    const QString system = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    const QString session = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!busAddressAllowed(system) || !busAddressAllowed(session)) {
        qWarning("tovik test bus guard: refused a power request on system bus '%s', session bus "
                 "'%s'",
                 qPrintable(system), qPrintable(session));
        return power::Outcome::notDone(power::Outcome::Reason::NoSystemBus);
    }
    return m_real->request(action);
}

bool GuardedBackend::awaitingAnswer() const {
    return m_real->awaitingAnswer();
}

} // namespace tovik::testing
