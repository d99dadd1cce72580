#include "desktopnotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QTimer>
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
    // Our notifications end with the service that showed them; a new one counts its ids
    // afresh, and an old id would then name someone else's notification.
    auto* watcher =
        new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] {
        m_runs.clear();
        m_ids.clear();
    });
}

QDBusMessage DesktopNotifications::notifyCall(uint replaces, const QString& text,
                                              const QStringList& actions) const {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // A power action is about to take the computer from the user: critical, so the
    // notification stays until it is answered.
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue<uchar>(2)}};
    call << QStringLiteral("Tovik") << replaces << QStringLiteral("system-shutdown")
         << QStringLiteral("Tovik") << text << actions << hints << -1;
    return call;
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
    // An earlier warning of the run still on its way is replaced too.
    for (auto& [serial, pending] : m_pending)
        if (Run{pending.warning.key, pending.warning.minute} == run)
            pending.closed = true;

    QStringList actions{kCancelKey, QStringLiteral("今回は中止")};
    if (warning.canPostpone)
        actions << kPostponeKey << QStringLiteral("15分延期");
    const quint64 serial = ++m_serial;
    m_pending[serial] = Pending{warning};
    // Never waits: the tick and the window go on while the service answers. The call keeps
    // its own longer bound, so a late answer still gives the id to close.
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(notifyCall(replaces, warning.text, actions)), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, serial](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                answered(serial, reply.isError() ? 0U : reply.value(), reply.isError());
            });
    QTimer::singleShot(kAnswerMs, watcher, [this, serial] {
        const auto pending = m_pending.find(serial);
        if (pending == m_pending.end() || pending->second.closed)
            return;
        pending->second.closed = true;
        warningOutcome(pending->second.warning, false);
    });
}

void DesktopNotifications::answered(quint64 serial, uint id, bool failed) {
    const auto found = m_pending.find(serial);
    if (found == m_pending.end())
        return;
    const Pending pending = found->second;
    m_pending.erase(found);
    if (pending.closed) {
        if (!failed)
            close(id);
        return;
    }
    if (!failed) {
        const Run run{pending.warning.key, pending.warning.minute};
        m_runs[id] = run;
        m_ids[run] = id;
    }
    warningOutcome(pending.warning, !failed);
}

void DesktopNotifications::withdraw(quintptr key) {
    for (auto& [serial, pending] : m_pending)
        if (pending.warning.key == key)
            pending.closed = true;
    // By id: a service may give a replacement a new id, and a postponed run has its own.
    for (auto it = m_runs.begin(); it != m_runs.end();) {
        if (it->second.first != key) {
            ++it;
            continue;
        }
        m_ids.erase(it->second);
        const uint id = it->first;
        it = m_runs.erase(it);
        close(id);
    }
}

void DesktopNotifications::close(uint id) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("CloseNotification"));
    call << id;
    m_bus.asyncCall(call);
}

void DesktopNotifications::tell(const QString& text) {
    // Said as the program ends: an asynchronous call could be lost with it. Bounded, so a
    // silent service holds the end up only briefly.
    m_bus.call(notifyCall(0, text, {}), QDBus::Block, kAnswerMs / 2);
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
