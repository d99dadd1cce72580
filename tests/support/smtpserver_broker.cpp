// The SMTP peer for Windows tests under Wine: a Windows process can neither start nor stop
// the Linux server, so it asks smtp_broker.py, which the test driver runs on the Linux side,
// through files in a spool folder. The driver names that folder in smtp-broker.txt beside
// the test executable.
#include "support/smtpserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QThread>
#include <QUuid>
#include <optional>

namespace tovik::testsupport {

namespace {

constexpr int kWaitMs = 20000;

QString spoolFolder() {
    QFile handover(QCoreApplication::applicationDirPath() + QStringLiteral("/smtp-broker.txt"));
    if (!handover.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(handover.readAll()).trimmed();
}

bool writeRequest(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// Waits for the broker's answer file; empty when none came in time.
std::optional<QByteArray> awaitAnswer(const QString& path) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kWaitMs) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
        QThread::msleep(20);
    }
    return std::nullopt;
}

QString newId() {
    return QUuid::createUuid().toString(QUuid::Id128);
}

class BrokeredProcess final : public SmtpServerProcess {
public:
    ~BrokeredProcess() override { stop(); }

    bool start(const QStringList& arguments, QByteArray& firstLine, QString& error) override {
        m_spool = spoolFolder();
        if (m_spool.isEmpty()) {
            error = QStringLiteral("no smtp-broker.txt beside the test: run it from the driver");
            return false;
        }
        m_id = newId();
        const QByteArray request =
            QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact);
        if (!writeRequest(path(QStringLiteral(".serve")), request)) {
            error = QStringLiteral("cannot write to the spool ") + m_spool;
            return false;
        }
        const auto answer = awaitAnswer(path(QStringLiteral(".started")));
        if (!answer) {
            error = QStringLiteral("the SMTP broker did not answer (is it running?)");
            return false;
        }
        firstLine = answer->trimmed();
        m_running = firstLine.startsWith("LISTENING ");
        if (!m_running)
            error = QString::fromUtf8(*answer);
        return m_running;
    }

    void stop() override {
        if (!m_running)
            return;
        m_running = false;
        if (writeRequest(path(QStringLiteral(".stop")), {}))
            awaitAnswer(path(QStringLiteral(".stopped")));
    }

    bool isRunning() const override { return m_running; }
    QString folder() const override { return m_spool + u'/' + m_id; }

private:
    QString path(const QString& suffix) const { return m_spool + u'/' + m_id + suffix; }

    QString m_spool;
    QString m_id;
    bool m_running = false;
};

} // namespace

std::unique_ptr<SmtpServerProcess> makeSmtpServerProcess() {
    return std::make_unique<BrokeredProcess>();
}

bool decodeWithPython(const QByteArray& raw, QByteArray& json, QString& error) {
    const QString spool = spoolFolder();
    const QString base = spool + u'/' + newId();
    if (spool.isEmpty() || !writeRequest(base + QStringLiteral(".decode"), raw)) {
        error = QStringLiteral("no SMTP broker spool");
        return false;
    }
    const auto answer = awaitAnswer(base + QStringLiteral(".decoded"));
    if (!answer) {
        error = QStringLiteral("the SMTP broker did not decode in time");
        return false;
    }
    json = *answer;
    return true;
}

} // namespace tovik::testsupport
