// Checks of the typed mail fields before anything goes on the wire.
#pragma once

#include "notify/mail/addresses.h"
#include "notify/mail/mailtypes.h"

#include <QString>
#include <QStringView>
#include <optional>
#include <variant>

namespace tovik::mail {

inline constexpr quint16 kDefaultSmtpPort = 25;
inline constexpr quint16 kDefaultSubmissionPort = 587;
inline constexpr quint16 kDefaultSmtpsPort = 465;

enum class Security {
    Plain,    // as the field always meant: no TLS, no login
    StartTls, // smtp://: the send fails unless the server switches to TLS
    Tls,      // smtps://: TLS from the first byte
};

struct ServerAddress {
    QString host; // an IPv6 address without its brackets; a name in its ASCII (IDNA) form
    quint16 port = kDefaultSmtpPort;
    bool ipv6 = false;
    Security security = Security::Plain;
    QString user; // login name, only with TLS; empty: no login
};

// The server field: a host name, an IPv4 address or a bracketed IPv6 address, each with an
// optional ":port"; or the same after "smtp://" or "smtps://" (any case) with an optional
// "user@" before the host (the last "@" ends the user, who may be a mail address). Anything
// else (blanks, a path, a password in the field, user info without a scheme) is nullopt.
[[nodiscard]] std::optional<ServerAddress> parseServerField(QStringView text);

bool isIpv4Address(QStringView text);
bool isIpv6Address(QStringView text);
bool isHostName(QStringView text);
// A host name in its ASCII form (an internationalised one through IDNA), or nullopt.
std::optional<QString> asciiHostName(QStringView host);

// One plain ASCII address, local@domain: no display name, brackets, blanks or lists.
bool isPlausibleAddress(QStringView text);

// C0 controls (CR, LF, tab included), DEL and the C1 controls.
bool hasControlCharacter(QStringView text);

// A host that can never resolve (RFC 6761 ".invalid"): answered here, not by a DNS query.
bool neverResolves(const ServerAddress& address);

inline constexpr int kMaxRecipients = 100;

// The fields as the send uses them.
struct Fields {
    ServerAddress server;
    QList<Mailbox> to;
    Mailbox from;
};

// The parsed fields, or the first problem (FailureKind::Input) with server, recipient, sender
// or subject. Expects server, recipient and sender to be non-empty.
[[nodiscard]] std::variant<Fields, Failure> readFields(const Message& message);

// The first problem readFields finds, or nullopt when the message may be sent.
[[nodiscard]] std::optional<Failure> checkFields(const Message& message);

// The text with control characters made visible (\r, \n, \xHH) and cut to a sane length, so
// that a description stays on one log line.
QString printable(QStringView text);

} // namespace tovik::mail
