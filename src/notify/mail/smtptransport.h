// One SMTP submission through libcurl, and what went wrong if it did not go through.
#pragma once

#include "notify/mail/mail.h"
#include "notify/mail/mailinput.h"
#include "notify/mail/mailtypes.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tovik::mail {

struct Envelope {
    ServerAddress server;
    QString from;
    QString to;
};

// Hands payload over for the one recipient; nullopt when the server took it. A failure
// carries the server's refusal (its reply code and text) or libcurl's code and error text.
std::optional<Failure> sendOverSmtp(const Envelope& envelope, const QByteArray& payload,
                                    const Timeouts& timeouts);

} // namespace tovik::mail
