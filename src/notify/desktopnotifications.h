// Warnings as freedesktop desktop notifications with a "今回は中止" action.
#pragma once

#include "notify/warningchannel.h"

#include <QDBusConnection>
#include <QObject>
#include <map>
#include <utility>

namespace tovik::notify {

class DesktopNotifications final : public QObject, public WarningChannel {
    Q_OBJECT

public:
    explicit DesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);

    // Whether a notification service runs on the bus or the bus can start one.
    static bool available(const QDBusConnection& bus);
    // A one-off notification without actions; waits at most timeoutMs for the service to
    // take it, so that it is out even when the program ends right after. True when taken.
    static bool notice(const QDBusConnection& bus, const QString& text, int timeoutMs);

    void warn(const RunWarning& warning) override;
    void withdraw(quintptr key) override;

private slots:
    void actionInvoked(uint id, const QString& actionKey);
    void notificationClosed(uint id, uint reason);

private:
    using Run = std::pair<quintptr, qint64>;

    QDBusConnection m_bus;
    std::map<uint, Run> m_runs; // notification id → run, while shown
    std::map<Run, uint> m_ids;  // so a later warning replaces the earlier one
};

} // namespace tovik::notify
