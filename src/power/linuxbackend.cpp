#include "power/linuxbackend.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QVariant>

namespace tovik::power {

namespace {

// A bus that never answers must not freeze the window for long: all questions of one
// request share this budget.
constexpr int kRequestBudgetMs = 3000;
// How long an unanswered password prompt keeps later ticks from asking again: the rest of
// the due minute at most, after which the entry is no longer due anyway.
constexpr int kInteractiveAnswerMs = 60000;

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

// Log off goes to the first desktop whose session manager currently owns its name:
//
//   desktop                  name / object / interface                      call
//   GNOME (MATE, Cinnamon    org.gnome.SessionManager                       Logout(uint32 1)
//     own this name too)     /org/gnome/SessionManager                      1 = no confirmation
//                            org.gnome.SessionManager                       (2 would force)
//   KDE Plasma (current)     org.kde.Shutdown /Shutdown org.kde.Shutdown    logout()
//   KDE Plasma (older)       org.kde.ksmserver /KSMServer                   logout(int32 0,
//                            org.kde.KSMServerInterface                       int32 0, int32 0)
//                                                                           no confirm, log out,
//                                                                           default mode
//   Xfce                     org.xfce.SessionManager                        Logout(false, true)
//                            /org/xfce/SessionManager                       no dialog, save
//                            org.xfce.Session.Manager                       session allowed
//   anything else            nothing: logind's TerminateSession kills the session's
//                            processes, which is exactly the forced log off we never do.
struct LogoutCall {
    QString service;
    QString path;
    QString interface;
    QString method;
    QVariantList arguments;
};

QList<LogoutCall> logoutCalls() {
    return {
        {QStringLiteral("org.gnome.SessionManager"),
         QStringLiteral("/org/gnome/SessionManager"),
         QStringLiteral("org.gnome.SessionManager"),
         QStringLiteral("Logout"),
         {QVariant::fromValue(quint32{1})}},
        {QStringLiteral("org.kde.Shutdown"),
         QStringLiteral("/Shutdown"),
         QStringLiteral("org.kde.Shutdown"),
         QStringLiteral("logout"),
         {}},
        {QStringLiteral("org.kde.ksmserver"),
         QStringLiteral("/KSMServer"),
         QStringLiteral("org.kde.KSMServerInterface"),
         QStringLiteral("logout"),
         {QVariant(qint32{0}), QVariant(qint32{0}), QVariant(qint32{0})}},
        {QStringLiteral("org.xfce.SessionManager"),
         QStringLiteral("/org/xfce/SessionManager"),
         QStringLiteral("org.xfce.Session.Manager"),
         QStringLiteral("Logout"),
         {QVariant(false), QVariant(true)}},
    };
}

// The standard variables are read on every request rather than left to libdbus, which
// caches them for the life of the process.
QString addressFromEnvironment(const char* variable) {
    return qEnvironmentVariable(variable);
}

// The connection of the latest request stays open until the next one: an interactive
// logind request is answered only after polkit has asked the person at the screen, and
// the asker should still be there by then.
class BusConnection {
public:
    BusConnection(QDBusConnection::BusType type, const QString& address, const QString& name)
        : m_connection(connect(type, address, name)) {}

    const QDBusConnection& get() const { return m_connection; }
    bool isConnected() const { return m_connection.isConnected(); }

private:
    static QDBusConnection connect(QDBusConnection::BusType type, const QString& address,
                                   const QString& name) {
        QDBusConnection::disconnectFromBus(name);
        return address.isEmpty() ? QDBusConnection::connectToBus(type, name)
                                 : QDBusConnection::connectToBus(address, name);
    }

    QDBusConnection m_connection;
};

QDBusMessage callBounded(const QDBusConnection& bus, const QDBusMessage& message,
                         const QDeadlineTimer& deadline) {
    const qint64 remaining = deadline.remainingTime();
    if (remaining <= 0)
        return QDBusMessage::createError(QDBusError::Timeout, QString());
    return bus.call(message, QDBus::Block, static_cast<int>(remaining));
}

bool nameHasOwner(const QDBusConnection& bus, const QString& name, const QDeadlineTimer& deadline) {
    auto query = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService,
                                                QStringLiteral("NameHasOwner"));
    query << name;
    const QDBusMessage reply = callBounded(bus, query, deadline);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1 &&
           reply.arguments().constFirst().toBool();
}

// Sends without waiting for the answer, which may take as long as the person at the
// screen needs. Messages leave a connection in order, so once the bus has answered a
// later question of ours it holds the request too, whatever the program does next.
void flush(const QDBusConnection& bus, const QDeadlineTimer& deadline) {
    callBounded(
        bus,
        QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, QStringLiteral("GetId")),
        deadline);
}

void sendAndFlush(const QDBusConnection& bus, const QDBusMessage& call,
                  const QDeadlineTimer& deadline) {
    bus.call(call, QDBus::NoBlock);
    flush(bus, deadline);
}

// Returns the interactive call when polkit is to ask first, so its answer can be awaited.
Outcome requestFromLogind(const QString& address, const QString& canMethod,
                          const QString& actionMethod, const QDeadlineTimer& deadline,
                          std::optional<QDBusPendingCall>& interactiveCall) {
    const QString login1 = QStringLiteral("org.freedesktop.login1");
    const QString path = QStringLiteral("/org/freedesktop/login1");
    const QString manager = QStringLiteral("org.freedesktop.login1.Manager");

    const BusConnection bus(QDBusConnection::SystemBus, address,
                            QStringLiteral("tovik-power-system"));
    if (!bus.isConnected())
        return Outcome::notDone(Outcome::Reason::NoSystemBus);

    const QDBusMessage reply = callBounded(
        bus.get(), QDBusMessage::createMethodCall(login1, path, manager, canMethod), deadline);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return Outcome::notDone(Outcome::Reason::NoAnswer);
    const QString answer = reply.arguments().constFirst().toString();

    // "challenge" means polkit will ask for the right first; the interactive flag lets it.
    // Nothing here ever asks logind to ignore inhibitors.
    const bool interactive = answer == QLatin1String("challenge");
    if (!interactive && answer != QLatin1String("yes"))
        return Outcome::notDone(Outcome::Reason::Refused);

    auto call = QDBusMessage::createMethodCall(login1, path, manager, actionMethod);
    call << interactive;
    if (!interactive) {
        sendAndFlush(bus.get(), call, deadline);
        return Outcome::requested();
    }
    // The answer comes once the person has typed a password, or never; its pending call
    // tells later ticks not to ask again meanwhile.
    interactiveCall = bus.get().asyncCall(call, kInteractiveAnswerMs);
    flush(bus.get(), deadline);
    return Outcome::awaitingAnswer();
}

Outcome requestLogoutFromSessionManager(const QString& address, const QDeadlineTimer& deadline) {
    const BusConnection bus(QDBusConnection::SessionBus, address,
                            QStringLiteral("tovik-power-session"));
    if (!bus.isConnected())
        return Outcome::notDone(Outcome::Reason::NoSessionBus);

    for (const LogoutCall& logout : logoutCalls()) {
        if (!nameHasOwner(bus.get(), logout.service, deadline))
            continue;
        auto call = QDBusMessage::createMethodCall(logout.service, logout.path, logout.interface,
                                                   logout.method);
        call.setArguments(logout.arguments);
        sendAndFlush(bus.get(), call, deadline);
        return Outcome::requested();
    }
    return Outcome::notDone(Outcome::Reason::NoSessionManager);
}

} // namespace

Outcome LinuxBackend::request(PowerAction action) {
    const QString systemAddress = addressFromEnvironment("DBUS_SYSTEM_BUS_ADDRESS");
    const QString sessionAddress = addressFromEnvironment("DBUS_SESSION_BUS_ADDRESS");
    const QDeadlineTimer deadline(kRequestBudgetMs);
    m_interactive.reset();
    switch (action) {
    case PowerAction::LogOff:
        return requestLogoutFromSessionManager(sessionAddress, deadline);
    case PowerAction::ShutDown:
        return requestFromLogind(systemAddress, QStringLiteral("CanPowerOff"),
                                 QStringLiteral("PowerOff"), deadline, m_interactive);
    case PowerAction::Restart:
        return requestFromLogind(systemAddress, QStringLiteral("CanReboot"),
                                 QStringLiteral("Reboot"), deadline, m_interactive);
    case PowerAction::Sleep:
        return requestFromLogind(systemAddress, QStringLiteral("CanSuspend"),
                                 QStringLiteral("Suspend"), deadline, m_interactive);
    case PowerAction::Hibernate:
        return requestFromLogind(systemAddress, QStringLiteral("CanHibernate"),
                                 QStringLiteral("Hibernate"), deadline, m_interactive);
    }
    return Outcome::notDone(Outcome::Reason::UnknownAction);
}

bool LinuxBackend::awaitingAnswer() const {
    return m_interactive && !m_interactive->isFinished();
}

} // namespace tovik::power
