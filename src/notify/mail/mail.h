// The notification mail: one send through the SMTP server named in the mail fields.
#pragma once

#include "notify/mail/ending.h"
#include "notify/mail/mailtypes.h"
#include "notify/mail/secretstore.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <chrono>
#include <functional>
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

// What one send works with beyond the mail fields.
struct SendOptions {
    Timeouts timeouts = productionTimeouts();
    // A CA bundle to trust instead of the system's trust store; empty: the system's.
    QString caFile;
    // Where login passwords are kept; nullptr: nowhere, so a login cannot be made.
    SecretStore* secrets = nullptr;
    // Asks the person at the screen for a password the store lacks (the test button); the
    // answer is stored. Empty for a scheduled send, which never asks. nullopt: cancelled.
    std::function<std::optional<QString>(const QString& user, const QString& host)> askPassword;
    // Once set, the send stops short (FailureKind::Ended): nothing more is asked or sent.
    const std::atomic<bool>* cutShort = &programEnding;
};

// The longest a secret store may keep a send waiting; taken from the transfer's limit.
inline constexpr std::chrono::milliseconds kSecretStoreWait{5000};

inline const QString kMissingFieldsText =
    QStringLiteral("SMTPサーバー/宛先/送信元のいずれかが不明です。メールを送信できません。");
inline const QString kSentText = QStringLiteral("メールを正常送信しました");
inline const QString kFailurePrefix = QStringLiteral("メールを送信できませんでした::");
inline const QString kEndedText = QStringLiteral("終了の要求を受けたため送信を中止しました");

// Sends the mail built from the fields, dated date. Never throws; returns within a minute
// whatever the server or the secret store does (time spent in askPassword not counted).
[[nodiscard]] Outcome sendNotification(const Message& message, const QDateTime& date,
                                       const SendOptions& options = {});

// The log message for an outcome, without " - " and the date: the sent line, the missing
// fields line, or "メールを送信できませんでした::<number>::<description>". The number is the
// server's reply code or libcurl's code; the program's own findings have negative numbers
// of their own kind, so that none is read as something libcurl or the server said.
[[nodiscard]] QString logMessage(const Outcome& outcome);

} // namespace tovik::mail
