#include "desktopnotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QVariantMap>

namespace tovik::notify {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kCancelKey = QStringLiteral("cancel");
const QString kPostponeKey = QStringLiteral("postpone");
} // namespace

DesktopNotifications::DesktopNotifications(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus) {
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(actionInvoked(uint, QString)));
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(notificationClosed(uint, uint)));
}

bool DesktopNotifications::available(const QDBusConnection& bus) {
    if (!bus.isConnected())
        return false;
    // Asked once after the first paint; a bus that does not answer soon means no service.
    const auto ask = [&bus](const QString& method) {
        return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                              QStringLiteral("/org/freedesktop/DBus"),
                                              QStringLiteral("org.freedesktop.DBus"), method);
    };
    const QDBusReply<bool> owned =
        bus.call(ask(QStringLiteral("NameHasOwner")) << kService, QDBus::Block, 1000);
    if (owned.isValid() && owned.value())
        return true;
    const QDBusReply<QStringList> names =
        bus.call(ask(QStringLiteral("ListActivatableNames")), QDBus::Block, 1000);
    return names.isValid() && names.value().contains(kService);
}

bool DesktopNotifications::notice(const QDBusConnection& bus, const QString& text, int timeoutMs) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Tovik") << 0U << QStringLiteral("dialog-error")
         << QStringLiteral("Tovik") << text << QStringList() << QVariantMap() << -1;
    return bus.call(call, QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage;
}

void DesktopNotifications::warn(const RunWarning& warning) {
    const Run run{warning.key, warning.minute};
    const auto previous = m_ids.find(run);
    const uint replaces = previous == m_ids.end() ? 0U : previous->second;

    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // A power action is about to take the computer from the user: critical, so the
    // notification stays until it is answered.
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue<uchar>(2)}};
    QStringList actions{kCancelKey, QStringLiteral("今回は中止")};
    if (warning.canPostpone)
        actions << kPostponeKey << QStringLiteral("15分延期");
    call << QStringLiteral("Tovik") << replaces << QStringLiteral("system-shutdown")
         << QStringLiteral("Tovik") << warning.text << actions << hints << -1;
    // Never waits: the tick and the window go on while the service answers.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, run](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (reply.isError())
                    return;
                m_runs[reply.value()] = run;
                m_ids[run] = reply.value();
            });
}

void DesktopNotifications::withdraw(quintptr key) {
    for (auto it = m_ids.begin(); it != m_ids.end();) {
        if (it->first.first != key) {
            ++it;
            continue;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                           QStringLiteral("CloseNotification"));
        call << it->second;
        m_bus.asyncCall(call);
        m_runs.erase(it->second);
        it = m_ids.erase(it);
    }
}

void DesktopNotifications::actionInvoked(uint id, const QString& actionKey) {
    const auto found = m_runs.find(id);
    if (found == m_runs.end())
        return;
    const Run run = found->second;
    if (actionKey == kCancelKey)
        cancelRequested(run.first, run.second);
    else if (actionKey == kPostponeKey)
        postponeRequested(run.first, run.second);
}

void DesktopNotifications::notificationClosed(uint id, uint reason) {
    static_cast<void>(reason);
    const auto found = m_runs.find(id);
    if (found == m_runs.end())
        return;
    m_ids.erase(found->second);
    m_runs.erase(found);
}

} // namespace tovik::notify
