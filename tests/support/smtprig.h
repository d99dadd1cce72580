// A real SMTP server for tests: aiosmtpd on loopback, keeping every envelope and message.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "support/smtpserver.h"
#include <chrono>
#include <memory>

namespace tovik::testsupport {

class SmtpRig final {
public:
    enum class Mode {
        Accept,          // takes every message
        RefuseRecipient, // refusalCode() to RCPT TO
        RefuseSender,    // refusalCode() to MAIL FROM
        RefuseHello,     // refusalCode() to EHLO and to HELO
        RefuseGreeting,  // refusalCode() as the greeting; then only QUIT is answered
        Silent,          // accepts the connection and never answers
        Slow,            // every reply after replyDelay(); the message's end is never answered
    };

    enum class Tls {
        None,
        StartTls, // STARTTLS offered and required before anything else
        Implicit, // TLS from the first byte
    };

    struct Received {
        QString mailFrom;
        QStringList recipients;
        QString helo;
        bool tls = false;
        QString login;  // the user that logged in, empty without a login
        QByteArray raw; // as sent after DATA, dot-stuffing removed
    };

    explicit SmtpRig(Mode mode = Mode::Accept, QString host = QStringLiteral("127.0.0.1"));
    ~SmtpRig();
    SmtpRig(const SmtpRig&) = delete;
    SmtpRig& operator=(const SmtpRig&) = delete;

    // Before start(): the code the refusing modes answer with (a 4xx or 5xx), and the delay
    // of every reply in Mode::Slow.
    void setRefusalCode(int code) { m_refusalCode = code; }
    void setReplyDelay(std::chrono::milliseconds delay) { m_replyDelay = delay; }
    // Before start(): a certificate for these names, issued by the test CA in caFile() or,
    // with trustedIssuer false, by a CA that nobody trusts.
    void setTls(Tls tls, QStringList certNames = {QStringLiteral("localhost")},
                bool trustedIssuer = true);
    // Before start(): AUTH for this one login (over TLS only unless inClear), with only the
    // given mechanisms if any are named.
    void setLogin(const QString& user, const QString& password, QStringList mechanisms = {},
                  bool inClear = false);

    // Starts the server on a free port and waits until it listens; false says why in
    // errorString().
    bool start();
    // Ends the server by its PID (SIGTERM, then SIGKILL); the folder stays until destruction.
    void stop();

    bool isRunning() const;
    quint16 port() const { return m_port; }
    QString host() const { return m_host; }
    // What to type into the server field to reach this server: "127.0.0.1:port", "[::1]:port".
    QString serverField() const;
    QString folder() const { return m_process ? m_process->folder() : QString(); }
    QString errorString() const { return m_error; }
    // The test CA's certificate (PEM), for the client's trust through its CA-file seam.
    QString caFile() const;
    // "MECHANISM user ok|refused" for each login the server was asked for.
    QStringList authAttempts() const;

    // Connections the server accepted so far, refused and silent ones included.
    int connectionCount() const;
    // Every message taken so far, oldest first.
    QList<Received> messages() const;

    // The reply code and text (without the code) of the refusing modes.
    int refusalCode() const { return m_refusalCode; }
    QString refusalText() const;
    std::chrono::milliseconds replyDelay() const { return m_replyDelay; }

    // What Python's email package (policy.default) reads from a raw message: "subject",
    // "from", "to", "date" (ISO 8601), "message_id", "content_type", "charset",
    // "transfer_encoding", "body" (decoded text), "headers" ([name, decoded value] pairs) and
    // "defects". An empty object when the parser could not be run (error says why).
    static QJsonObject decode(const QByteArray& raw, QString* error = nullptr);

private:
    Mode m_mode;
    QString m_host;
    std::unique_ptr<SmtpServerProcess> m_process;
    quint16 m_port = 0;
    int m_refusalCode = 550;
    std::chrono::milliseconds m_replyDelay{0};
    Tls m_tls = Tls::None;
    QStringList m_certNames;
    bool m_trustedIssuer = true;
    QString m_login; // "user:password"
    QStringList m_mechanisms;
    bool m_authInClear = false;
    QString m_error;
};

} // namespace tovik::testsupport
