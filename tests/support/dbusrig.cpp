#include "support/dbusrig.h"

#include "support/busguard.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace tovik::testing {

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kDaemon = QStringLiteral("/usr/bin/dbus-daemon");
const QString kSend = QStringLiteral("/usr/bin/dbus-send");
constexpr int kStartTimeoutMs = 15000;
constexpr int kCallTimeoutMs = 10000;

QString daemonConfig(const QString& socket) {
    return QStringLiteral(
               R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
)")
        .arg(socket);
}

struct SessionManagerMock {
    QString busName;
    QString path;
    QString interface;
    QString method;
    QString inSignature;
};

SessionManagerMock sessionManagerMock(DBusRig::SessionManager kind) {
    switch (kind) {
    case DBusRig::SessionManager::Gnome:
        return {QStringLiteral("org.gnome.SessionManager"),
                QStringLiteral("/org/gnome/SessionManager"),
                QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Logout"),
                QStringLiteral("u")};
    case DBusRig::SessionManager::KdeShutdown:
        return {QStringLiteral("org.kde.Shutdown"), QStringLiteral("/Shutdown"),
                QStringLiteral("org.kde.Shutdown"), QStringLiteral("logout"), QString()};
    case DBusRig::SessionManager::KdeKsmserver:
        return {QStringLiteral("org.kde.ksmserver"), QStringLiteral("/KSMServer"),
                QStringLiteral("org.kde.KSMServerInterface"), QStringLiteral("logout"),
                QStringLiteral("iii")};
    case DBusRig::SessionManager::Xfce:
        return {QStringLiteral("org.xfce.SessionManager"),
                QStringLiteral("/org/xfce/SessionManager"),
                QStringLiteral("org.xfce.Session.Manager"), QStringLiteral("Logout"),
                QStringLiteral("bb")};
    }
    return {};
}

// Peers end with the test even when it crashes or CTest kills it.
void endWithParent(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

} // namespace

DBusRig::DBusRig() : m_dir(QDir::tempPath() + QStringLiteral("/tovik-rig-XXXXXX")) {
    m_hadSystem = qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS");
    m_hadSession = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
    m_savedSystem = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    m_savedSession = qgetenv("DBUS_SESSION_BUS_ADDRESS");

    if (!m_dir.isValid()) {
        fail(QStringLiteral("no temporary folder: %1").arg(m_dir.errorString()));
        return;
    }
    allowBusFolder(m_dir.path());
    if (startDaemon())
        setProcessAddresses(address(), address());
}

DBusRig::~DBusRig() {
    for (auto& [id, mock] : m_mocks)
        stop(*mock.process);
    m_mocks.clear();
    if (m_daemon)
        stop(*m_daemon);

    const auto restore = [](const char* name, bool had, const QByteArray& value) {
        if (had)
            qputenv(name, value);
        else
            qunsetenv(name);
    };
    restore("DBUS_SYSTEM_BUS_ADDRESS", m_hadSystem, m_savedSystem);
    restore("DBUS_SESSION_BUS_ADDRESS", m_hadSession, m_savedSession);
    if (m_dir.isValid())
        forgetBusFolder(m_dir.path());
}

QString DBusRig::address() const {
    return QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("bus"));
}

QString DBusRig::missingBusAddress() const {
    return QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("no-bus"));
}

void DBusRig::setProcessAddresses(const QString& system, const QString& session) {
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", system.toLocal8Bit());
    qputenv("DBUS_SESSION_BUS_ADDRESS", session.toLocal8Bit());
}

QString DBusRig::fail(const QString& message) {
    if (m_error.isEmpty())
        m_error = message;
    return m_error;
}

bool DBusRig::startDaemon() {
    const QString configPath = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(daemonConfig(m_dir.filePath(QStringLiteral("bus"))).toUtf8()) < 0) {
        fail(QStringLiteral("cannot write %1").arg(configPath));
        return false;
    }
    config.close();

    // Output goes to files, never to pipes that nobody drains.
    const QString addressFile = m_dir.filePath(QStringLiteral("bus.address"));
    m_daemon = std::make_unique<QProcess>();
    endWithParent(*m_daemon);
    m_daemon->setStandardOutputFile(addressFile);
    m_daemon->setStandardErrorFile(m_dir.filePath(QStringLiteral("bus.err")));
    m_daemon->start(kDaemon, {QStringLiteral("--config-file=") + configPath,
                              QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!m_daemon->waitForStarted(kStartTimeoutMs)) {
        fail(QStringLiteral("cannot start %1: %2").arg(kDaemon, m_daemon->errorString()));
        return false;
    }

    // The daemon prints its address once it listens.
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        QFile printed(addressFile);
        if (printed.open(QIODevice::ReadOnly) && printed.readAll().contains('\n'))
            return true;
        if (m_daemon->state() == QProcess::NotRunning)
            break;
        QThread::msleep(10);
    }
    fail(QStringLiteral("dbus-daemon did not come up"));
    return false;
}

bool DBusRig::busCall(const QStringList& arguments, QByteArray* output) const {
    QProcess send;
    send.setProcessChannelMode(QProcess::MergedChannels);
    send.start(kSend,
               QStringList{QStringLiteral("--bus=") + address(), QStringLiteral("--print-reply"),
                           QStringLiteral("--reply-timeout=%1").arg(kCallTimeoutMs)} +
                   arguments);
    if (!send.waitForFinished(kCallTimeoutMs + 2000)) {
        stop(send);
        return false;
    }
    const QByteArray text = send.readAll();
    if (output != nullptr)
        *output = text;
    return send.exitStatus() == QProcess::NormalExit && send.exitCode() == 0;
}

bool DBusRig::waitForName(const QString& name, const QProcess& owner) {
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        QByteArray reply;
        if (busCall({QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/"),
                     QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                     QStringLiteral("string:") + name},
                    &reply) &&
            reply.contains("boolean true"))
            return true;
        if (owner.state() == QProcess::NotRunning)
            break;
        QThread::msleep(30);
    }
    return false;
}

bool DBusRig::startMockProcess(const QString& id, const QString& busName, const QString& path,
                               const QStringList& arguments) {
    if (!isReady())
        return false;
    stopMock(id);
    QFile::remove(m_dir.filePath(id + QStringLiteral(".log")));

    auto process = std::make_unique<QProcess>();
    endWithParent(*process);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address());
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address());
    process->setProcessEnvironment(environment);
    process->setStandardOutputFile(m_dir.filePath(id + QStringLiteral(".out")));
    process->setStandardErrorFile(m_dir.filePath(id + QStringLiteral(".err")));
    process->start(kPython,
                   QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock"),
                               QStringLiteral("-l"), m_dir.filePath(id + QStringLiteral(".log"))} +
                       arguments);
    if (!process->waitForStarted(kStartTimeoutMs)) {
        fail(QStringLiteral("cannot start dbusmock for %1").arg(id));
        return false;
    }
    const bool owned = waitForName(busName, *process);
    m_mocks[id] = Mock{std::move(process), busName, path};
    if (!owned) {
        QFile err(m_dir.filePath(id + QStringLiteral(".err")));
        err.open(QIODevice::ReadOnly);
        fail(QStringLiteral("mock %1 never owned %2: %3")
                 .arg(id, busName, QString::fromLocal8Bit(err.readAll())));
        stopMock(id);
    }
    return owned;
}

bool DBusRig::startLogind(const QVariantMap& parameters) {
    QStringList arguments{QStringLiteral("--system"), QStringLiteral("-t"),
                          QStringLiteral("logind")};
    if (!parameters.isEmpty())
        arguments << QStringLiteral("-p")
                  << QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(parameters))
                                           .toJson(QJsonDocument::Compact));
    return startMockProcess(QStringLiteral("logind"), QStringLiteral("org.freedesktop.login1"),
                            QStringLiteral("/org/freedesktop/login1"), arguments);
}

bool DBusRig::startNotificationDaemon() {
    return startMockProcess(QStringLiteral("notifications"),
                            QStringLiteral("org.freedesktop.Notifications"),
                            QStringLiteral("/org/freedesktop/Notifications"),
                            {QStringLiteral("-t"), QStringLiteral("notification_daemon")});
}

bool DBusRig::startMock(const QString& id, const QString& busName, const QString& path,
                        const QString& interface) {
    return startMockProcess(id, busName, path,
                            {QStringLiteral("--session"), busName, path, interface});
}

QString DBusRig::sessionManagerId(SessionManager kind) {
    switch (kind) {
    case SessionManager::Gnome:
        return QStringLiteral("gnome");
    case SessionManager::KdeShutdown:
        return QStringLiteral("kde-shutdown");
    case SessionManager::KdeKsmserver:
        return QStringLiteral("kde-ksmserver");
    case SessionManager::Xfce:
        return QStringLiteral("xfce");
    }
    return {};
}

bool DBusRig::startSessionManager(SessionManager kind) {
    const SessionManagerMock mock = sessionManagerMock(kind);
    const QString id = sessionManagerId(kind);
    return startMock(id, mock.busName, mock.path, mock.interface) &&
           addMethod(id, mock.interface, mock.method, mock.inSignature, QString());
}

bool DBusRig::addMethod(const QString& id, const QString& interface, const QString& method,
                        const QString& inSignature, const QString& outSignature,
                        const QString& code) {
    const auto mock = m_mocks.find(id);
    if (mock == m_mocks.end())
        return false;
    const auto text = [](const QString& value) { return QStringLiteral("string:") + value; };
    return busCall({QStringLiteral("--dest=") + mock->second.busName, mock->second.path,
                    QStringLiteral("org.freedesktop.DBus.Mock.AddMethod"), text(interface),
                    text(method), text(inSignature), text(outSignature), text(code)});
}

bool DBusRig::sync(const QString& id) {
    const auto mock = m_mocks.find(id);
    if (mock == m_mocks.end())
        return false;
    return busCall({QStringLiteral("--dest=") + mock->second.busName, mock->second.path,
                    QStringLiteral("org.freedesktop.DBus.Mock.GetCalls")});
}

QStringList DBusRig::calls(const QString& id) const {
    QFile log(m_dir.filePath(id + QStringLiteral(".log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList result;
    const QList<QByteArray> lines = log.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        const qsizetype space = line.indexOf(' ');
        result << QString::fromUtf8(space < 0 ? line : line.mid(space + 1));
    }
    return result;
}

void DBusRig::stopMock(const QString& id) {
    const auto mock = m_mocks.find(id);
    if (mock == m_mocks.end())
        return;
    stop(*mock->second.process);
    m_mocks.erase(mock);
}

bool DBusRig::pauseMock(const QString& id, bool paused) {
    const auto mock = m_mocks.find(id);
    return mock != m_mocks.end() && ::kill(static_cast<pid_t>(mock->second.process->processId()),
                                           paused ? SIGSTOP : SIGCONT) == 0;
}

void DBusRig::stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(process.processId()), SIGCONT); // a paused peer ends too
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

} // namespace tovik::testing
