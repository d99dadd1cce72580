// The pieces of the notification as RFC 5322 / MIME text.
#pragma once

#include "notify/mail/mailtypes.h"

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

// Base64 in lines of at most 76 characters, each ended by CR LF.
QByteArray base64Lines(const QByteArray& data);

// A fresh "unique@domain" for the Message-ID, the domain taken from the sender's address.
QString newMessageId(const QString& from, const QDateTime& date);

// The message as it goes on the wire (before dot-stuffing): headers, a blank line and the
// body in base64, every line ended by CR LF. messageId is "left@right", without brackets.
QByteArray buildMessage(const Message& message, const QDateTime& date, const QString& messageId);

} // namespace tovik::mail
