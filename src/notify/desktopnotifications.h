// Warnings as freedesktop desktop notifications with "今回は中止" and "15分延期" actions.
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
    // A warning the service has not taken within this bound counts as not shown.
    static constexpr int kAnswerMs = 2000;

    explicit DesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);

    // A one-off notification without actions; waits at most timeoutMs for the service to
    // take it, so that it is out even when the program ends right after. True when taken.
    static bool notice(const QDBusConnection& bus, const QString& text, int timeoutMs);

    // Reports each warning's outcome: not shown when Notify fails or is not answered in time.
    void warn(const RunWarning& warning) override;
    void withdraw(quintptr key) override;
    void tell(const QString& text) override;

private slots:
    void actionInvoked(uint id, const QString& actionKey);
    void notificationClosed(uint id, uint reason);

private:
    using Run = std::pair<quintptr, qint64>;
    // A Notify without its answer yet. Closed: withdrawn, replaced or given up, so the
    // notification it makes is closed as soon as its id is known.
    struct Pending {
        RunWarning warning;
        bool closed = false;
    };

    QDBusMessage notifyCall(uint replaces, const QString& text, const QStringList& actions) const;
    void answered(quint64 serial, uint id, bool failed);
    void close(uint id);

    QDBusConnection m_bus;
    std::map<uint, Run> m_runs; // notification id → run, while shown
    std::map<Run, uint> m_ids;  // so a later warning replaces the earlier one
    std::map<quint64, Pending> m_pending;
    quint64 m_serial = 0;
};

} // namespace tovik::notify
