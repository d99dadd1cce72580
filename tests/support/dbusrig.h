// A private D-Bus for tests: its own dbus-daemon in a temporary folder with dbusmock peers
// (logind, desktop session managers) whose call logs the test can read.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <map>
#include <memory>

namespace tovik::testing {

// Everything started here is ended by PID when the rig goes away, and the process's own
// bus addresses are put back as they were. One rig per test case keeps cases apart.
class DBusRig final {
public:
    // Session managers the power backend knows, mocked with only their log-off method.
    enum class SessionManager { Gnome, KdeShutdown, KdeKsmserver, Xfce };

    // Starts the daemon and points DBUS_SYSTEM_BUS_ADDRESS and DBUS_SESSION_BUS_ADDRESS of
    // this process at it: the one private bus stands in for both.
    DBusRig();
    ~DBusRig();
    DBusRig(const DBusRig&) = delete;
    DBusRig& operator=(const DBusRig&) = delete;

    bool isReady() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    QString folder() const { return m_dir.path(); }
    QString address() const;
    // An address inside the rig's folder where nothing listens: "no bus at all".
    QString missingBusAddress() const;

    // Overrides the two addresses of this process (restored when the rig ends).
    void setProcessAddresses(const QString& system, const QString& session);

    // dbusmock's logind template; parameters such as {"CanPowerOff", "challenge"}.
    // The mock's id is "logind".
    bool startLogind(const QVariantMap& parameters = {});
    // dbusmock's notification_daemon template on the session side; the mock's id is
    // "notifications".
    bool startNotificationDaemon();
    // A bare mock object owning busName; methods are added with addMethod.
    bool startMock(const QString& id, const QString& busName, const QString& path,
                   const QString& interface);
    // Mock id is sessionManagerId(kind).
    bool startSessionManager(SessionManager kind);
    static QString sessionManagerId(SessionManager kind);

    // Adds or replaces a method; code is dbusmock's Python body ("ret = ...", "raise ...").
    bool addMethod(const QString& id, const QString& interface, const QString& method,
                   const QString& inSignature, const QString& outSignature,
                   const QString& code = {});

    // Returns once the mock has handled every message that reached the bus before the
    // call, so calls() is complete for everything already sent.
    bool sync(const QString& id);

    // The mock's calls in order, as dbusmock logs them without the time stamp:
    // "PowerOff True", "Logout 1", "logout 0 0 0", "Logout False True".
    QStringList calls(const QString& id) const;

    void stopMock(const QString& id);
    // SIGSTOP or SIGCONT: a peer that keeps its name but answers nothing, until resumed.
    bool pauseMock(const QString& id, bool paused);

private:
    struct Mock {
        std::unique_ptr<QProcess> process;
        QString busName;
        QString path;
    };

    bool startDaemon();
    bool startMockProcess(const QString& id, const QString& busName, const QString& path,
                          const QStringList& arguments);
    bool waitForName(const QString& name, const QProcess& owner);
    bool busCall(const QStringList& arguments, QByteArray* output = nullptr) const;
    QString fail(const QString& message);
    static void stop(QProcess& process);

    QTemporaryDir m_dir;
    QString m_error;
    std::unique_ptr<QProcess> m_daemon;
    std::map<QString, Mock> m_mocks;
    QByteArray m_savedSystem;
    QByteArray m_savedSession;
    bool m_hadSystem = false;
    bool m_hadSession = false;
};

} // namespace tovik::testing
