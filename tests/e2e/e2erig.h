// The outside world of an end-to-end run: an X server of its own, a copy of the shipped
// executable in a fresh folder, and the X tools that look at and drive its windows.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace tovik::e2e {

// Output and exit code of a helper program that ran to its end (or was ended).
struct RunResult {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

RunResult runTool(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment, int timeoutMs = 10000);

// True when the address is one plain unix socket path inside folder: anything else could
// reach the machine's real logind or session manager.
bool addressInside(const QString& address, const QString& folder);

// Xvfb on the first free display (it picks the number itself), ended by PID.
class XServer final {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool start();
    // Ends the server at once, as a lost display connection looks to its clients.
    void kill();
    QString errorString() const { return m_error; }
    QString display() const { return m_display; }

    // Environment for the X tools run against this server.
    QProcessEnvironment toolEnvironment() const;
    RunResult xdotool(const QStringList& arguments, int timeoutMs = 10000) const;

    // Visible top-level windows with exactly this title, in stacking order.
    QStringList visibleWindows(const QString& title) const;
    // Polls until exactly count windows of that title are visible; their ids.
    QStringList waitForWindows(const QString& title, int count, int timeoutMs) const;
    QRect geometry(const QString& window) const;

    bool focus(const QString& window) const;
    bool click(const QPoint& screenPoint, int button = 1) const;
    bool key(const QString& keys) const;

    // A PNG of the screen, cut to the rectangle when one is given.
    bool screenshot(const QString& path, const QRect& area = {}) const;

private:
    std::unique_ptr<QProcess> m_process;
    QTemporaryDir m_dir;
    QString m_display;
    QString m_error;
};

// A copy of the executable in a folder of its own, which is then its application folder.
class TovikRun final {
public:
    explicit TovikRun(const QString& executable);
    ~TovikRun();
    TovikRun(const TovikRun&) = delete;
    TovikRun& operator=(const TovikRun&) = delete;

    bool isReady() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    QString folder() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    void writeFile(const QString& name, const QByteArray& bytes);
    QByteArray readFile(const QString& name) const;
    bool exists(const QString& name) const;

    // Variables added to the copy's environment (a faked clock, a temporary home).
    void setExtraEnvironment(const QProcessEnvironment& extra) { m_extra = extra; }

    // Starts the copy under display with both bus addresses set to busAddress. Refuses
    // (false, nothing started) unless the address lies inside busFolder.
    bool start(const QString& display, const QString& busAddress, const QString& busFolder);
    bool isRunning() const;
    qint64 pid() const;
    // Waits for the copy to end by itself; its exit code, or -1 after a crash or time-out.
    int waitForExit(int timeoutMs = 15000);
    // SIGKILL: a copy that leaves its lock behind.
    void kill();
    // A second start of the same copy in the same folder, run until it ends by itself.
    RunResult runAnother(const QString& display, const QString& busAddress,
                         const QString& busFolder, int timeoutMs = 15000);

    // SIGTERM, then waits for the end; true when it exited normally with code 0.
    bool terminate(int timeoutMs = 15000);
    QString output() const;

private:
    // The copy's environment; empty (and the error set) unless both buses are the rig's.
    std::optional<QProcessEnvironment>
    environmentFor(const QString& display, const QString& busAddress, const QString& busFolder);

    QTemporaryDir m_dir;
    QTemporaryDir m_runtimeDir;
    QString m_error;
    std::unique_ptr<QProcess> m_process;
    QProcessEnvironment m_extra;
};

} // namespace tovik::e2e
