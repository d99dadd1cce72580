// One SMTP submission through libcurl, and what went wrong if it did not go through.
#pragma once

#include "notify/mail/mail.h"
#include "notify/mail/mailinput.h"
#include "notify/mail/mailtypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>

namespace tovik::mail {

struct Envelope {
    ServerAddress server;
    QString from;
    QStringList to;
    QString password; // used only when server.user is set
};

struct TransportOptions {
    Timeouts timeouts;
    QString caFile; // empty: the system's trust store
    // Once set, the transfer stops within about a second (FailureKind::Ended).
    const std::atomic<bool>* cutShort = nullptr;
};

// Hands payload over for every recipient; nullopt when the server took it. A failure carries
// the server's refusal (its reply code, what was refused and its text) or libcurl's code
// with a Japanese description and libcurl's own text in brackets.
[[nodiscard]] Outcome sendOverSmtp(const Envelope& envelope, const QByteArray& payload,
                                   const TransportOptions& options);

// The Japanese description of a libcurl failure, its own text (detail) in brackets.
[[nodiscard]] QString describeCurlFailure(int code, const QString& detail);

} // namespace tovik::mail
