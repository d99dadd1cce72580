// The SMTP rig: the server's options, and what it received, read from its folder.
#include "support/smtprig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace tovik::testsupport {

namespace {

QString modeName(SmtpRig::Mode mode) {
    switch (mode) {
    case SmtpRig::Mode::Accept:
        return QStringLiteral("accept");
    case SmtpRig::Mode::RefuseRecipient:
        return QStringLiteral("refuse-recipient");
    case SmtpRig::Mode::RefuseSender:
        return QStringLiteral("refuse-sender");
    case SmtpRig::Mode::RefuseHello:
        return QStringLiteral("refuse-hello");
    case SmtpRig::Mode::RefuseGreeting:
        return QStringLiteral("refuse-greeting");
    case SmtpRig::Mode::Silent:
        return QStringLiteral("silent");
    case SmtpRig::Mode::Slow:
        return QStringLiteral("slow");
    }
    return {};
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

SmtpRig::SmtpRig(Mode mode, QString host) : m_mode(mode), m_host(std::move(host)) {}

SmtpRig::~SmtpRig() {
    stop();
}

bool SmtpRig::start() {
    stop();
    m_error.clear();
    QStringList arguments = {QStringLiteral("--host"),
                             m_host,
                             QStringLiteral("--mode"),
                             modeName(m_mode),
                             QStringLiteral("--refusal"),
                             QString::number(m_refusalCode) + u' ' + refusalText(),
                             QStringLiteral("--delay"),
                             QString::number(static_cast<double>(m_replyDelay.count()) / 1000.0)};
    if (m_tls != Tls::None) {
        arguments << QStringLiteral("--tls")
                  << (m_tls == Tls::StartTls ? QStringLiteral("starttls")
                                             : QStringLiteral("implicit"))
                  << QStringLiteral("--cert-names") << m_certNames.join(u',')
                  << QStringLiteral("--issuer")
                  << (m_trustedIssuer ? QStringLiteral("trusted") : QStringLiteral("unknown"));
    }
    if (!m_login.isEmpty()) {
        arguments << QStringLiteral("--login") << m_login;
        if (!m_mechanisms.isEmpty())
            arguments << QStringLiteral("--mechanisms") << m_mechanisms.join(u',');
        if (m_authInClear)
            arguments << QStringLiteral("--auth-in-clear");
    }
    m_process = makeSmtpServerProcess();
    QByteArray line;
    QString why;
    if (m_process->start(arguments, line, why)) {
        m_port = static_cast<quint16>(line.mid(10).toUInt());
        if (m_port != 0)
            return true;
    }
    m_error = QStringLiteral("SMTP server did not come up: ") + QString::fromUtf8(line) + why;
    stop();
    return false;
}

void SmtpRig::stop() {
    if (m_process)
        m_process->stop();
}

bool SmtpRig::isRunning() const {
    return m_process && m_process->isRunning();
}

QString SmtpRig::serverField() const {
    const QString host = m_host.contains(u':') ? u'[' + m_host + u']' : m_host;
    return host + u':' + QString::number(m_port);
}

int SmtpRig::connectionCount() const {
    const QByteArray log = readAll(QDir(folder()).filePath(QStringLiteral("connections.log")));
    return static_cast<int>(log.count('\n'));
}

QList<SmtpRig::Received> SmtpRig::messages() const {
    QList<Received> result;
    const QDir dir(folder());
    const QStringList names = dir.entryList({QStringLiteral("msg-*.eml")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QString base = dir.filePath(name.chopped(4));
        const QJsonObject meta =
            QJsonDocument::fromJson(readAll(base + QStringLiteral(".json"))).object();
        Received r;
        r.mailFrom = meta.value(QStringLiteral("mail_from")).toString();
        for (const auto& to : meta.value(QStringLiteral("rcpt_tos")).toArray())
            r.recipients += to.toString();
        r.helo = meta.value(QStringLiteral("helo")).toString();
        r.tls = meta.value(QStringLiteral("tls")).toBool();
        r.login = meta.value(QStringLiteral("login")).toString();
        r.raw = readAll(base + QStringLiteral(".eml"));
        result += r;
    }
    return result;
}

void SmtpRig::setTls(Tls tls, QStringList certNames, bool trustedIssuer) {
    m_tls = tls;
    m_certNames = std::move(certNames);
    m_trustedIssuer = trustedIssuer;
}

void SmtpRig::setLogin(const QString& user, const QString& password, QStringList mechanisms,
                       bool inClear) {
    m_login = user + u':' + password;
    m_mechanisms = std::move(mechanisms);
    m_authInClear = inClear;
}

QString SmtpRig::caFile() const {
    return QDir(folder()).filePath(QStringLiteral("ca.pem"));
}

QStringList SmtpRig::authAttempts() const {
    return QString::fromUtf8(readAll(QDir(folder()).filePath(QStringLiteral("auth.log"))))
        .split(u'\n', Qt::SkipEmptyParts);
}

QString SmtpRig::refusalText() const {
    // Temporary refusals as greylisting and full mailboxes word them.
    const bool temporary = m_refusalCode < 500;
    switch (m_mode) {
    case Mode::RefuseRecipient:
        if (m_refusalCode == 452)
            return QStringLiteral("4.2.2 Mailbox full, try again later");
        return temporary
                   ? QStringLiteral("4.7.1 Recipient address rejected: Greylisted, see "
                                    "http://postgrey.schweikert.ch/help/example.jp.html")
                   : QStringLiteral(
                         "5.1.1 Recipient address rejected: User unknown in local recipient table");
    case Mode::RefuseSender:
        return temporary ? QStringLiteral("4.1.8 Sender address rejected: Domain not found")
                         : QStringLiteral("5.7.1 Sender address rejected: Access denied");
    case Mode::RefuseGreeting:
        return QStringLiteral(
            "5.7.1 Service unavailable; client host blocked using zen.spamhaus.org");
    case Mode::RefuseHello:
        return QStringLiteral("5.7.1 Helo command rejected: Host not found");
    default:
        return QStringLiteral("5.7.1 Refused");
    }
}

QJsonObject SmtpRig::decode(const QByteArray& raw, QString* error) {
    QByteArray json;
    QString why;
    if (!decodeWithPython(raw, json, why)) {
        if (error)
            *error = why;
        return {};
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (error && parseError.error != QJsonParseError::NoError)
        *error = parseError.errorString();
    return doc.object();
}

} // namespace tovik::testsupport
