// Compiled straight into every test executable that links tovik_power_testing or the rig,
// never into the shipped program: a test run by hand outside CTest still cannot reach the
// machine's own logind or session manager.
#include "power/testbusguard.h"

#include <QByteArray>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

namespace tovik::power::testing {

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

} // namespace tovik::power::testing

extern "C" bool tovik_power_buses_allowed(const char* systemAddress, const char* sessionAddress) {
    using tovik::power::testing::busAddressAllowed;
    const bool allowed = busAddressAllowed(QString::fromLocal8Bit(systemAddress)) &&
                         busAddressAllowed(QString::fromLocal8Bit(sessionAddress));
    if (!allowed)
        qWarning("tovik test bus guard: refused a power request on system bus '%s', session bus "
                 "'%s'",
                 systemAddress, sessionAddress);
    return allowed;
}
