#include "notify/mail/mimemessage.h"

#include "text/dateforms.h"
#include "text/textlines.h"

#include "notify/mail/addresses.h"
#include "notify/mail/mail.h"

#include <QRandomGenerator>
#include <QTimeZone>
#include <array>

namespace tovik::mail {

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");
const QByteArray kSubjectName = QByteArrayLiteral("Subject:");
const QByteArray kWordStart = QByteArrayLiteral("=?UTF-8?B?");
const QByteArray kWordEnd = QByteArrayLiteral("?=");

// Kept as is only when nothing about it could be read differently: printable ASCII, single
// inner blanks (a parser may drop leading ones), no "=?" that a decoder would take for an
// encoded word, and short enough to need no folding.
bool canStayPlain(const QString& subject) {
    if (subject.isEmpty())
        return true;
    if (kSubjectName.size() + 1 + subject.size() > 78 || subject.startsWith(u' ') ||
        subject.endsWith(u' ') || subject.contains(u"  ") || subject.contains(u"=?"))
        return false;
    return std::all_of(subject.begin(), subject.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
}

// Bytes of base64 payload that fit into one encoded word of the given length.
qsizetype bytesPerWord(qsizetype wordLength) {
    const qsizetype payloadChars = wordLength - kWordStart.size() - kWordEnd.size();
    return payloadChars / 4 * 3;
}

// Addresses as the send reads them; a text that does not parse (only when called directly)
// goes in as typed.
QByteArray addressHeader(const QByteArray& name, const QString& text) {
    const auto mailboxes = parseMailboxList(text);
    if (!mailboxes)
        return name + ": " + text.toUtf8() + kCrLf;
    return mailboxHeader(name, *mailboxes);
}

} // namespace

QList<QByteArray> encodedWords(const QString& text, qsizetype firstWordLength) {
    QList<QByteArray> words;
    qsizetype room = bytesPerWord(firstWordLength);
    QByteArray chunk;
    const auto flush = [&] {
        words += kWordStart + chunk.toBase64() + kWordEnd;
        chunk.clear();
        room = bytesPerWord(kMaxEncodedWordLength);
    };
    const QList<uint> codePoints = text.toUcs4();
    for (const uint codePoint : codePoints) {
        const char32_t one[] = {codePoint};
        const QByteArray bytes = QString::fromUcs4(one, 1).toUtf8();
        if (chunk.size() + bytes.size() > room && !chunk.isEmpty())
            flush();
        chunk += bytes;
    }
    flush();
    return words;
}

QByteArray subjectHeader(const QString& subject) {
    if (canStayPlain(subject))
        return kSubjectName + (subject.isEmpty() ? QByteArray() : ' ' + subject.toLatin1()) + kCrLf;
    // The first word shares its line with "Subject: ", the others follow a folding blank;
    // every line stays within 76 characters.
    const qsizetype first = kMaxEncodedWordLength + 1 - (kSubjectName.size() + 1);
    return kSubjectName + ' ' + encodedWords(subject, first).join(kCrLf + ' ') + kCrLf;
}

QByteArray base64Lines(const QByteArray& data) {
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / kMaxBodyLineLength * 2 + 2);
    for (qsizetype i = 0; i < encoded.size(); i += kMaxBodyLineLength)
        out += encoded.mid(i, kMaxBodyLineLength) + kCrLf;
    return out;
}

QString newMessageId(const QString& from, const QDateTime& date) {
    const qsizetype at = from.lastIndexOf(u'@');
    const QString domain =
        at >= 0 && at + 1 < from.size() ? from.mid(at + 1) : QStringLiteral("localhost");
    const quint64 random = QRandomGenerator::global()->generate64();
    return QStringLiteral("%1.%2@%3")
        .arg(date.toMSecsSinceEpoch(), 0, 36)
        .arg(random, 0, 36)
        .arg(domain);
}

QByteArray buildMessage(const Message& message, const QDateTime& date, const QString& messageId) {
    QByteArray out;
    out += "Date: " + text::rfc5322Date(date) + kCrLf;
    out += addressHeader("From", message.from);
    out += addressHeader("To", message.to);
    out += subjectHeader(message.subject);
    out += "Message-ID: <" + messageId.toUtf8() + '>' + kCrLf;
    out += "MIME-Version: 1.0" + kCrLf;
    out += "Content-Type: text/plain; charset=UTF-8" + kCrLf;
    out += "Content-Transfer-Encoding: base64" + kCrLf;
    out += kCrLf;
    out += base64Lines(text::normalizeLineEnds(message.body).toUtf8());
    return out;
}

} // namespace tovik::mail
