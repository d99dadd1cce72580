// Checks of the typed mail fields before anything goes on the wire.
#pragma once

#include "notify/mail/mailtypes.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace tovik::mail {

inline constexpr quint16 kDefaultSmtpPort = 25;

struct ServerAddress {
    QString host; // an IPv6 address without its brackets
    quint16 port = kDefaultSmtpPort;
    bool ipv6 = false;
};

// The server field: a host name, an IPv4 address or a bracketed IPv6 address, each with an
// optional ":port". Anything else (blanks, a scheme, a path, user info) is nullopt.
std::optional<ServerAddress> parseServerField(QStringView text);

bool isIpv4Address(QStringView text);
bool isIpv6Address(QStringView text);
bool isHostName(QStringView text);

// One plain ASCII address, local@domain: no display name, brackets, blanks or lists.
bool isPlausibleAddress(QStringView text);

// C0 controls (CR, LF, tab included), DEL and the C1 controls.
bool hasControlCharacter(QStringView text);

// A host that can never resolve (RFC 6761 ".invalid"): answered here, not by a DNS query.
bool neverResolves(const ServerAddress& address);

// The first problem with server, recipient, sender or subject, or nullopt when the message
// may be sent. Expects server, recipient and sender to be non-empty.
std::optional<Failure> checkFields(const Message& message);

// The text with control characters made visible (\r, \n, \xHH) and cut to a sane length, so
// that a description stays on one log line.
QString printable(QStringView text);

} // namespace tovik::mail
