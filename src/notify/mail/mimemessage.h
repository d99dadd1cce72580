// The pieces of the notification as RFC 5322 / MIME text.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace tovik::mail {

// Longest line of base64 body text (RFC 2045) and of a header line holding encoded words
// (RFC 2047), both without the CR LF.
inline constexpr int kMaxBodyLineLength = 76;
inline constexpr int kMaxEncodedWordLength = 75;

// The text as UTF-8 base64 encoded words of whole characters, the first at most
// firstWordLength characters long, the others at most kMaxEncodedWordLength.
QList<QByteArray> encodedWords(const QString& text, qsizetype firstWordLength);

// "Subject: ..." with its CR LF: the text as is when it is short plain ASCII that no reader
// could take for anything else, otherwise UTF-8 encoded words, folded, each whole characters.
QByteArray subjectHeader(const QString& subject);

// "Tue, 02 Jan 2024 09:05:00 +0900": English names and the date's own numeric zone.
QByteArray rfc5322Date(const QDateTime& date);

// Base64 in lines of at most 76 characters, each ended by CR LF.
QByteArray base64Lines(const QByteArray& data);

// Every CR LF, lone CR and lone LF becomes CR LF.
QString normaliseLineEnds(const QString& text);

// A fresh "unique@domain" for the Message-ID, the domain taken from the sender's address.
QString newMessageId(const QString& from, const QDateTime& date);

} // namespace tovik::mail
