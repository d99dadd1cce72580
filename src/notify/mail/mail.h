// The notification mail: one send through the SMTP server named in the mail fields.
#pragma once

#include "notify/mail/mailtypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <chrono>
#include <optional>

namespace tovik::mail {

// Limits of one send. connect and total bound curl_easy_perform; serverResponse bounds each
// reply, and also the QUIT that curl_easy_cleanup waits for after the transfer.
struct Timeouts {
    std::chrono::milliseconds connect;
    std::chrono::milliseconds serverResponse;
    std::chrono::milliseconds total;
};

Timeouts productionTimeouts();

// Tests: shorter limits; nullopt restores the production ones.
void setTimeoutsForTesting(std::optional<Timeouts> timeouts);

inline const QString kMissingFieldsText =
    QStringLiteral("SMTPサーバー/宛先/送信元のいずれかが不明です。メールを送信できません。");
inline const QString kSentText = QStringLiteral("メールを正常送信しました");
inline const QString kFailurePrefix = QStringLiteral("メールを送信できませんでした::");

// Sends the mail built from the fields, dated date, and returns the log message for the
// outcome (without " - " and the date). Never throws; returns within a minute whatever the
// server does.
QString sendNotification(const Message& message, const QDateTime& date);

// The message as it goes on the wire (before dot-stuffing): headers, a blank line and the
// body in base64, every line ended by CR LF. messageId is "left@right", without brackets.
QByteArray buildMessage(const Message& message, const QDateTime& date, const QString& messageId);

} // namespace tovik::mail
