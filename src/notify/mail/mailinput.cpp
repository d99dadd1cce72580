#include "notify/mail/mailinput.h"

#include <QList>
#include <QUrl>
#include <algorithm>

namespace tovik::mail {

namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool isAsciiAlpha(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isHexDigit(QChar c) {
    return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
bool allDigits(QStringView s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), isAsciiDigit);
}

// Groups of one IPv6 address part ("1:2:3"); an IPv4 tail counts as two groups.
bool countIpv6Groups(QStringView part, bool allowIpv4Tail, int& count) {
    count = 0;
    if (part.isEmpty())
        return true;
    const auto groups = part.split(u':');
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QStringView group = groups[i];
        if (allowIpv4Tail && i == groups.size() - 1 && group.contains(u'.')) {
            if (!isIpv4Address(group))
                return false;
            count += 2;
            continue;
        }
        if (group.isEmpty() || group.size() > 4 ||
            !std::all_of(group.begin(), group.end(), isHexDigit))
            return false;
        ++count;
    }
    return true;
}

bool isLabelChar(QChar c) {
    return isAsciiAlpha(c) || isAsciiDigit(c) || c == u'-' || c == u'_';
}

// RFC 5322 atext, plus the dot. Dots are not checked for position: Japanese mobile carriers
// handed out addresses like "taro..yamada@" and "taro.@", and their owners still use them.
bool isLocalPartChar(QChar c) {
    static const QStringView specials = u"!#$%&'*+-/=?^_`{|}~.";
    return isAsciiAlpha(c) || isAsciiDigit(c) || specials.contains(c);
}

std::optional<quint16> parsePort(QStringView text) {
    if (text.size() > 5 || !allDigits(text))
        return std::nullopt;
    const int value = text.toInt();
    if (value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}

Failure badServer(QStringView text) {
    return {FailureKind::Input, 0,
            QStringLiteral("SMTPサーバー名が正しくありません: ") + printable(text)};
}

} // namespace

bool isIpv4Address(QStringView text) {
    const auto parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QStringView part : parts) {
        // No leading zeros: resolvers read "010" as octal.
        if (!allDigits(part) || part.size() > 3 || (part.size() > 1 && part[0] == u'0') ||
            part.toInt() > 255)
            return false;
    }
    return true;
}

bool isIpv6Address(QStringView text) {
    const qsizetype gap = text.indexOf(u"::");
    int left = 0;
    int right = 0;
    if (gap < 0)
        return countIpv6Groups(text, true, left) && left == 8;
    if (text.indexOf(u"::", gap + 1) >= 0)
        return false;
    return countIpv6Groups(text.left(gap), false, left) &&
           countIpv6Groups(text.mid(gap + 2), true, right) && left + right <= 7;
}

bool isHostName(QStringView text) {
    if (text.endsWith(u'.'))
        text.chop(1);
    if (text.isEmpty() || text.size() > 253)
        return false;
    const auto labels = text.split(u'.');
    for (const QStringView label : labels) {
        if (label.isEmpty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-' ||
            !std::all_of(label.begin(), label.end(), isLabelChar))
            return false;
    }
    // A numeric last label makes the resolver read the whole name as an IPv4 address
    // ("127.1", "1.2.3"), so only the strict dotted form may end in digits.
    return !allDigits(labels.back()) || isIpv4Address(text);
}

std::optional<QString> asciiHostName(QStringView host) {
    const bool ascii =
        std::all_of(host.begin(), host.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return isHostName(host) ? std::optional(host.toString()) : std::nullopt;
    if (hasControlCharacter(host) || host.contains(u' ') || host.contains(u'\u3000'))
        return std::nullopt;
    const QString ace = QString::fromLatin1(QUrl::toAce(host.toString()));
    if (ace.isEmpty() || !isHostName(ace))
        return std::nullopt;
    return ace;
}

namespace {

struct HostAndPort {
    ServerAddress address;
    bool hasPort = false;
};

std::optional<HostAndPort> parseHostAndPort(QStringView text) {
    ServerAddress result;
    QStringView portText;
    bool hasPort = false;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        const QStringView rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return std::nullopt;
            hasPort = true;
            portText = rest.mid(1);
        }
        const QStringView host = text.mid(1, close - 1);
        if (!isIpv6Address(host))
            return std::nullopt;
        result.host = host.toString();
        result.ipv6 = true;
    } else {
        const qsizetype colon = text.indexOf(u':');
        QStringView host = text;
        if (colon >= 0) {
            hasPort = true;
            portText = text.mid(colon + 1);
            host = text.left(colon);
        }
        const auto ascii = asciiHostName(host);
        if (!ascii)
            return std::nullopt;
        result.host = *ascii;
    }
    if (hasPort) {
        const auto port = parsePort(portText);
        if (!port)
            return std::nullopt;
        result.port = *port;
    }
    return HostAndPort{result, hasPort};
}

} // namespace

std::optional<ServerAddress> parseServerField(QStringView text) {
    Security security = Security::Plain;
    quint16 defaultPort = kDefaultSmtpPort;
    if (text.startsWith(u"smtp://", Qt::CaseInsensitive)) {
        security = Security::StartTls;
        defaultPort = kDefaultSubmissionPort;
        text = text.mid(7);
    } else if (text.startsWith(u"smtps://", Qt::CaseInsensitive)) {
        security = Security::Tls;
        defaultPort = kDefaultSmtpsPort;
        text = text.mid(8);
    }
    QString user;
    if (security != Security::Plain) {
        const qsizetype at = text.lastIndexOf(u'@');
        if (at >= 0) {
            const QStringView userText = text.left(at);
            // A password never goes into the file; ":" would be read as one.
            if (userText.isEmpty() || userText.contains(u':') || hasControlCharacter(userText) ||
                userText.contains(u' '))
                return std::nullopt;
            user = QUrl::fromPercentEncoding(userText.toUtf8());
            if (user.isEmpty() || hasControlCharacter(user))
                return std::nullopt;
            text = text.mid(at + 1);
        }
    }
    auto result = parseHostAndPort(text);
    if (!result)
        return std::nullopt;
    if (!result->hasPort)
        result->address.port = defaultPort;
    result->address.security = security;
    result->address.user = user;
    return result->address;
}

bool isPlausibleAddress(QStringView text) {
    const qsizetype at = text.indexOf(u'@');
    if (at < 0 || text.indexOf(u'@', at + 1) >= 0 || text.size() > 254)
        return false;
    const QStringView local = text.left(at);
    const QStringView domain = text.mid(at + 1);
    if (local.isEmpty() || local.size() > 64 || domain.endsWith(u'.'))
        return false;
    return std::all_of(local.begin(), local.end(), isLocalPartChar) && isHostName(domain);
}

bool hasControlCharacter(QStringView text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || (u >= 0x7F && u <= 0x9F);
    });
}

bool neverResolves(const ServerAddress& address) {
    if (address.ipv6)
        return false;
    QStringView host = address.host;
    if (host.endsWith(u'.'))
        host.chop(1);
    return host.compare(u"invalid", Qt::CaseInsensitive) == 0 ||
           host.endsWith(u".invalid", Qt::CaseInsensitive);
}

std::variant<Fields, Failure> readFields(const Message& message) {
    const auto server = parseServerField(message.server);
    if (!server)
        return badServer(message.server);
    if (neverResolves(*server))
        return Failure{FailureKind::Input, 0,
                       QStringLiteral("SMTPサーバー名を解決できません: ") + server->host};
    QString problem;
    const auto to = parseMailboxList(message.to, &problem);
    if (!to)
        return Failure{FailureKind::Input, 0, QStringLiteral("宛先の") + problem};
    if (to->size() > kMaxRecipients)
        return Failure{FailureKind::Input, 0,
                       QStringLiteral("宛先が多すぎます（%1 件、上限 %2 件）")
                           .arg(to->size())
                           .arg(kMaxRecipients)};
    const auto from = parseMailboxList(message.from, &problem);
    if (!from)
        return Failure{FailureKind::Input, 0, QStringLiteral("送信元の") + problem};
    if (from->size() != 1)
        return Failure{FailureKind::Input, 0,
                       QStringLiteral("送信元は一つのアドレスにしてください: ") +
                           printable(message.from)};
    if (hasControlCharacter(message.subject))
        return Failure{FailureKind::Input, 0,
                       QStringLiteral("件名に改行または制御文字が含まれています")};
    return Fields{*server, *to, from->front()};
}

std::optional<Failure> checkFields(const Message& message) {
    auto fields = readFields(message);
    if (auto* failure = std::get_if<Failure>(&fields))
        return *failure;
    return std::nullopt;
}

QString printable(QStringView text) {
    constexpr qsizetype kMaxShown = 200;
    QString out;
    for (const QChar c : text.left(kMaxShown)) {
        const char16_t u = c.unicode();
        if (u == u'\r')
            out += QStringLiteral("\\r");
        else if (u == u'\n')
            out += QStringLiteral("\\n");
        else if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    if (text.size() > kMaxShown)
        out += QStringLiteral("…");
    return out;
}

} // namespace tovik::mail
