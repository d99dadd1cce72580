#include "notify/mail/addresses.h"

#include "notify/mail/mailinput.h"
#include "notify/mail/mimemessage.h"

#include <algorithm>

namespace tovik::mail {

namespace {

constexpr qsizetype kFoldAt = 78;
constexpr qsizetype kWordLineLimit = 76; // a line holding an encoded word (RFC 2047)

// Splits at commas outside quotes and angle brackets; nullopt for an unclosed quote.
std::optional<QList<QStringView>> splitMembers(QStringView text) {
    QList<QStringView> members;
    bool quoted = false;
    bool angle = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'\\')
                ++i;
            else if (c == u'"')
                quoted = false;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u'<') {
            angle = true;
        } else if (c == u'>') {
            angle = false;
        } else if (c == u',' && !angle) {
            members += text.mid(start, i - start);
            start = i + 1;
        }
    }
    if (quoted)
        return std::nullopt;
    members += text.mid(start);
    return members;
}

std::optional<QString> parseAddrSpec(QStringView text) {
    const qsizetype at = text.lastIndexOf(u'@');
    if (at <= 0)
        return std::nullopt;
    const auto domain = asciiHostName(text.mid(at + 1));
    if (!domain)
        return std::nullopt;
    const QString address = text.left(at).toString() + u'@' + *domain;
    return isPlausibleAddress(address) ? std::optional(address) : std::nullopt;
}

std::optional<QString> unquote(QStringView name) {
    if (!name.startsWith(u'"'))
        return name.contains(u'"') ? std::nullopt : std::optional(name.toString());
    if (name.size() < 2 || !name.endsWith(u'"'))
        return std::nullopt;
    QString out;
    for (qsizetype i = 1; i + 1 < name.size(); ++i) {
        QChar c = name[i];
        if (c == u'\\' && i + 2 < name.size())
            c = name[++i];
        else if (c == u'"')
            return std::nullopt;
        out += c;
    }
    return out;
}

std::optional<Mailbox> parseMember(QStringView member) {
    const qsizetype open = member.lastIndexOf(u'<');
    if (open < 0) {
        const auto address = parseAddrSpec(member);
        return address ? std::optional(Mailbox{QString(), *address}) : std::nullopt;
    }
    if (!member.endsWith(u'>') || member.indexOf(u'>') != member.size() - 1)
        return std::nullopt;
    const auto address = parseAddrSpec(member.mid(open + 1, member.size() - open - 2));
    const auto name = unquote(member.left(open).trimmed());
    if (!address || !name || name->contains(u'<'))
        return std::nullopt;
    return Mailbox{name->trimmed(), *address};
}

bool isPlainPrintable(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
}

// One member as the pieces that no fold may split: the name (a quoted string, or encoded
// words one by one), then the address. A quoted name that would not fit on the header's first
// line goes as encoded words instead, which can always be split.
QList<QByteArray> mailboxPieces(const Mailbox& mailbox, qsizetype room) {
    const QByteArray address = mailbox.address.toLatin1();
    if (mailbox.name.isEmpty())
        return {address};
    if (isPlainPrintable(mailbox.name) && !mailbox.name.contains(u"=?")) {
        QString escaped = mailbox.name;
        escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        const QByteArray quoted = '"' + escaped.toLatin1() + '"';
        if (quoted.size() <= room)
            return {quoted, '<' + address + '>'};
    }
    return encodedWords(mailbox.name, kMaxEncodedWordLength - 6) << '<' + address + '>';
}

} // namespace

std::optional<QList<Mailbox>> parseMailboxList(QStringView text, QString* problem) {
    const auto fail = [problem](const QString& why) {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (hasControlCharacter(text))
        return fail(QStringLiteral("アドレスに改行または制御文字が含まれています: ") +
                    printable(text));
    const auto members = splitMembers(text);
    if (!members)
        return fail(QStringLiteral("アドレスの引用符が閉じていません: ") + printable(text));
    QList<Mailbox> result;
    for (const QStringView member : *members) {
        const QStringView trimmed = member.trimmed();
        if (trimmed.isEmpty())
            return fail(QStringLiteral("アドレスに空の項目があります: ") + printable(text));
        const auto mailbox = parseMember(trimmed);
        if (!mailbox)
            return fail(QStringLiteral("アドレスが正しくありません: ") + printable(trimmed));
        result += *mailbox;
    }
    return result;
}

QByteArray mailboxHeader(const QByteArray& name, const QList<Mailbox>& mailboxes) {
    QByteArray out = name + ':';
    const qsizetype nameEnd = out.size();
    qsizetype column = nameEnd;
    bool lineHasWord = false;
    // Folds before a piece that would overrun the line: 78 characters, 76 on a line with an
    // encoded word. Never right after the colon, and never inside a piece.
    const auto put = [&](const QByteArray& piece) {
        const bool word = piece.startsWith("=?");
        const qsizetype limit = lineHasWord || word ? kWordLineLimit : kFoldAt;
        if (column > nameEnd && column + 1 + piece.size() > limit) {
            out += "\r\n";
            column = 0;
            lineHasWord = false;
        }
        out += ' ' + piece;
        column += 1 + piece.size();
        lineHasWord = lineHasWord || word;
    };
    const qsizetype room = kFoldAt - nameEnd - 1;
    for (qsizetype i = 0; i < mailboxes.size(); ++i) {
        QList<QByteArray> pieces = mailboxPieces(mailboxes[i], room);
        if (i + 1 < mailboxes.size())
            pieces.back() += ',';
        for (const QByteArray& piece : pieces)
            put(piece);
    }
    return out + "\r\n";
}

} // namespace tovik::mail
