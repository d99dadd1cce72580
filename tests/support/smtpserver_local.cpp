// The SMTP peer as a child process of the test (Linux).
#include "support/smtpserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#ifndef TOVIK_SMTP_SERVER_SCRIPT
#error "TOVIK_SMTP_SERVER_SCRIPT must name tests/support/smtp_server.py"
#endif

namespace tovik::testsupport {

namespace {

// Debian's interpreter: another python3 earlier on the PATH may lack aiosmtpd.
const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kScript = QStringLiteral(TOVIK_SMTP_SERVER_SCRIPT);
constexpr int kStartWaitMs = 15000;

class LocalProcess final : public SmtpServerProcess {
public:
    ~LocalProcess() override { stop(); }

    bool start(const QStringList& arguments, QByteArray& firstLine, QString& error) override {
        if (!m_dir.isValid()) {
            error = QStringLiteral("no temporary folder: ") + m_dir.errorString();
            return false;
        }
        m_process = std::make_unique<QProcess>();
        m_process->setProgram(kPython);
        m_process->setArguments(QStringList{kScript, QStringLiteral("serve"),
                                            QStringLiteral("--folder"), m_dir.path()} +
                                arguments);
        m_process->setStandardErrorFile(m_dir.filePath(QStringLiteral("server.err")));
        m_process->start();
        if (!m_process->waitForStarted(kStartWaitMs)) {
            error = QStringLiteral("cannot start ") + kPython + QStringLiteral(": ") +
                    m_process->errorString();
            m_process.reset();
            return false;
        }
        QElapsedTimer waited;
        waited.start();
        QByteArray out;
        while (!out.contains('\n') && waited.elapsed() < kStartWaitMs &&
               m_process->state() == QProcess::Running) {
            m_process->waitForReadyRead(200);
            out += m_process->readAllStandardOutput();
        }
        firstLine = out.left(out.indexOf('\n')).trimmed();
        if (firstLine.startsWith("LISTENING "))
            return true;
        QFile err(m_dir.filePath(QStringLiteral("server.err")));
        error = QString::fromUtf8(out) +
                (err.open(QIODevice::ReadOnly) ? QString::fromUtf8(err.readAll()) : QString());
        return false;
    }

    void stop() override {
        if (!m_process)
            return;
        if (m_process->state() != QProcess::NotRunning) {
            m_process->terminate(); // SIGTERM to the server's PID
            if (!m_process->waitForFinished(5000)) {
                m_process->kill();
                m_process->waitForFinished(5000);
            }
        }
        m_process.reset();
    }

    bool isRunning() const override { return m_process && m_process->state() == QProcess::Running; }
    QString folder() const override { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
};

} // namespace

std::unique_ptr<SmtpServerProcess> makeSmtpServerProcess() {
    return std::make_unique<LocalProcess>();
}

bool decodeWithPython(const QByteArray& raw, QByteArray& json, QString& error) {
    QProcess python;
    python.start(kPython, {kScript, QStringLiteral("decode")});
    if (!python.waitForStarted(kStartWaitMs)) {
        error = python.errorString();
        return false;
    }
    python.write(raw);
    python.closeWriteChannel();
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        error = QString::fromUtf8(python.readAllStandardError());
        python.kill();
        python.waitForFinished();
        return false;
    }
    json = python.readAllStandardOutput();
    return true;
}

} // namespace tovik::testsupport
