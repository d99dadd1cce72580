#include "notify/desktopchannel.h"

#include "notify/desktopnotifications.h"

#include <QDBusConnection>
#include <QFileInfo>

namespace tovik::notify {

namespace {

// Without any sign of a session bus, asking for it would make Qt start dbus-launch.
bool sessionBusExpected() {
    return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
           QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus"));
}

} // namespace

std::unique_ptr<WarningChannel> desktopNotificationChannel() {
    if (!sessionBusExpected() || !QDBusConnection::sessionBus().isConnected())
        return nullptr;
    // Whether a service runs now is not asked: each warning finds out, so one that comes
    // later, or comes back, is used.
    return std::make_unique<DesktopNotifications>(QDBusConnection::sessionBus());
}

void showDesktopNotice(const QString& text) {
    if (sessionBusExpected())
        DesktopNotifications::notice(QDBusConnection::sessionBus(), text, 500);
}

} // namespace tovik::notify
