#include "e2e/e2erig.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace tovik::e2e {

namespace {

constexpr int kStartTimeoutMs = 15000;

// Children end with the test even when it crashes or CTest kills it.
void endWithParent(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void endByPid(QProcess& process, int graceMs) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(graceMs)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

RunResult runTool(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment, int timeoutMs) {
    RunResult result;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForStarted(kStartTimeoutMs))
        return result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

bool addressInside(const QString& address, const QString& folder) {
    const QString prefix = QStringLiteral("unix:path=");
    if (!address.startsWith(prefix) || folder.isEmpty())
        return false;
    const QString path = address.mid(prefix.size());
    // One address only, no further keys, no way out of the folder.
    if (path.contains(u',') || path.contains(u';') || path.contains(QStringLiteral("..")))
        return false;
    const QString root = QDir(folder).absolutePath() + u'/';
    return QDir::cleanPath(path).startsWith(root);
}

// ---- XServer ----

XServer::XServer() = default;

XServer::~XServer() {
    if (m_process)
        endByPid(*m_process, 3000);
}

void XServer::kill() {
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool XServer::start() {
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    m_process = std::make_unique<QProcess>();
    endWithParent(*m_process);
    m_process->setStandardErrorFile(m_dir.filePath(QStringLiteral("xvfb.err")));
    // -displayfd 1: Xvfb picks a free display and writes its number to our pipe.
    m_process->start(QStringLiteral("/usr/bin/Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                      QStringLiteral("0"), QStringLiteral("1024x768x24"),
                      QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                      // Without it the server resets when its last client goes, and a
                      // program started right then cannot connect.
                      QStringLiteral("-noreset")});
    if (!m_process->waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("cannot start Xvfb: ") + m_process->errorString();
        return false;
    }
    QByteArray out;
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!out.contains('\n') && !deadline.hasExpired() &&
           m_process->state() == QProcess::Running) {
        m_process->waitForReadyRead(100);
        out += m_process->readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok) {
        QFile err(m_dir.filePath(QStringLiteral("xvfb.err")));
        err.open(QIODevice::ReadOnly);
        m_error = QStringLiteral("Xvfb gave no display: ") + QString::fromLocal8Bit(err.readAll());
        return false;
    }
    m_display = u':' + QString::number(number);
    return true;
}

QProcessEnvironment XServer::toolEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.remove(QStringLiteral("XAUTHORITY"));
    return environment;
}

RunResult XServer::xdotool(const QStringList& arguments, int timeoutMs) const {
    return runTool(QStringLiteral("/usr/bin/xdotool"), arguments, toolEnvironment(), timeoutMs);
}

QStringList XServer::visibleWindows(const QString& title) const {
    const RunResult r = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--name"), u'^' + title + u'$'});
    if (r.exitCode != 0)
        return {};
    return QString::fromLatin1(r.out).split(u'\n', Qt::SkipEmptyParts);
}

QStringList XServer::waitForWindows(const QString& title, int count, int timeoutMs) const {
    const QDeadlineTimer deadline(timeoutMs);
    QStringList windows;
    do {
        windows = visibleWindows(title);
        if (windows.size() == count)
            return windows;
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return windows;
}

QRect XServer::geometry(const QString& window) const {
    const RunResult r =
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    QRect rect;
    for (const QByteArray& line : r.out.split('\n')) {
        const QList<QByteArray> pair = line.split('=');
        if (pair.size() != 2)
            continue;
        const int value = pair.at(1).toInt();
        if (pair.at(0) == "X")
            rect.moveLeft(value);
        else if (pair.at(0) == "Y")
            rect.moveTop(value);
        else if (pair.at(0) == "WIDTH")
            rect.setWidth(value);
        else if (pair.at(0) == "HEIGHT")
            rect.setHeight(value);
    }
    return rect;
}

bool XServer::focus(const QString& window) const {
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}).exitCode == 0;
}

bool XServer::click(const QPoint& screenPoint, int button) const {
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"),
                    QString::number(screenPoint.x()), QString::number(screenPoint.y()),
                    QStringLiteral("click"), QString::number(button)})
               .exitCode == 0;
}

bool XServer::key(const QString& keys) const {
    return xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80"), keys})
               .exitCode == 0;
}

bool XServer::screenshot(const QString& path, const QRect& area) const {
    QStringList arguments{QStringLiteral("-display"), m_display, QStringLiteral("-window"),
                          QStringLiteral("root")};
    if (area.isValid())
        arguments << QStringLiteral("-crop")
                  << QStringLiteral("%1x%2+%3+%4")
                         .arg(area.width())
                         .arg(area.height())
                         .arg(area.x())
                         .arg(area.y())
                  << QStringLiteral("+repage");
    arguments << path;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return runTool(QStringLiteral("/usr/bin/import"), arguments, toolEnvironment(), 20000)
               .exitCode == 0;
}

// ---- TovikRun ----

TovikRun::TovikRun(const QString& executable) {
    if (!m_dir.isValid() || !m_runtimeDir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    const QString copy = m_dir.filePath(QStringLiteral("tovik"));
    if (!QFile::copy(executable, copy))
        m_error = QStringLiteral("cannot copy ") + executable;
}

TovikRun::~TovikRun() {
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill(); // SIGKILL to its PID
        m_process->waitForFinished(5000);
    }
}

void TovikRun::writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        m_error = QStringLiteral("cannot write ") + name;
}

QByteArray TovikRun::readFile(const QString& name) const {
    QFile file(m_dir.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool TovikRun::exists(const QString& name) const {
    return QFileInfo::exists(m_dir.filePath(name));
}

std::optional<QProcessEnvironment> TovikRun::environmentFor(const QString& display,
                                                            const QString& busAddress,
                                                            const QString& busFolder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.remove(QStringLiteral("XAUTHORITY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), busAddress);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir.path());
    environment.insert(m_extra);

    // The copy asks whatever these buses answer to power off: only the rig's may.
    const QString system = environment.value(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"));
    const QString session = environment.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    if (!addressInside(system, busFolder) || !addressInside(session, busFolder)) {
        m_error = QStringLiteral("refusing to start: bus addresses %1 / %2 are not inside %3")
                      .arg(system, session, busFolder);
        return std::nullopt;
    }
    return environment;
}

RunResult TovikRun::runAnother(const QString& display, const QString& busAddress,
                               const QString& busFolder, int timeoutMs) {
    const auto environment = environmentFor(display, busAddress, busFolder);
    if (!isReady() || !environment)
        return {};
    return runTool(m_dir.filePath(QStringLiteral("tovik")), {}, *environment, timeoutMs);
}

int TovikRun::waitForExit(int timeoutMs) {
    if (!m_process || !m_process->waitForFinished(timeoutMs))
        return -1;
    return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
}

void TovikRun::kill() {
    if (isRunning()) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool TovikRun::start(const QString& display, const QString& busAddress, const QString& busFolder) {
    if (!isReady())
        return false;
    const auto found = environmentFor(display, busAddress, busFolder);
    if (!found)
        return false;
    const QProcessEnvironment& environment = *found;

    m_process = std::make_unique<QProcess>();
    endWithParent(*m_process);
    m_process->setProcessEnvironment(environment);
    m_process->setWorkingDirectory(m_runtimeDir.path());
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardOutputFile(m_runtimeDir.filePath(QStringLiteral("tovik.out")));
    m_process->start(m_dir.filePath(QStringLiteral("tovik")), {});
    if (!m_process->waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("cannot start tovik: ") + m_process->errorString();
        return false;
    }
    return true;
}

bool TovikRun::isRunning() const {
    return m_process && m_process->state() == QProcess::Running;
}

qint64 TovikRun::pid() const {
    return m_process ? m_process->processId() : 0;
}

bool TovikRun::terminate(int timeoutMs) {
    if (!isRunning())
        return false;
    m_process->terminate(); // SIGTERM to its PID
    if (!m_process->waitForFinished(timeoutMs))
        return false;
    return m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
}

QString TovikRun::output() const {
    QFile file(m_runtimeDir.filePath(QStringLiteral("tovik.out")));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

} // namespace tovik::e2e
