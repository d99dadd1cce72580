#include "notify/mail/mail.h"

#include "notify/mail/mailinput.h"
#include "notify/mail/mimemessage.h"
#include "notify/mail/smtptransport.h"

#include <curl/curl.h>

#include <exception>
#include <new>

namespace tovik::mail {

namespace {

std::optional<Timeouts>& timeoutsOverride() {
    static std::optional<Timeouts> timeouts;
    return timeouts;
}

QString failureLine(const Failure& failure) {
    return kFailurePrefix + QString::number(failure.code) + QStringLiteral("::") +
           failure.description;
}

} // namespace

Timeouts productionTimeouts() {
    using namespace std::chrono_literals;
    // Worst case: 35 s for the transfer, then up to 20 s for the QUIT reply at cleanup;
    // the scheduled power action waits behind this, so it stays under a minute.
    return {30s, 20s, 35s};
}

void setTimeoutsForTesting(std::optional<Timeouts> timeouts) {
    timeoutsOverride() = timeouts;
}

QString sendNotification(const Message& message, const QDateTime& date) {
    if (message.server.isEmpty() || message.to.isEmpty() || message.from.isEmpty())
        return kMissingFieldsText;
    try {
        if (const auto problem = checkFields(message))
            return failureLine(*problem);
        const QByteArray payload = buildMessage(message, date, newMessageId(message.from, date));
        const Envelope envelope{*parseServerField(message.server), message.from, message.to};
        const auto failure =
            sendOverSmtp(envelope, payload, timeoutsOverride().value_or(productionTimeouts()));
        return failure ? failureLine(*failure) : kSentText;
    } catch (const std::bad_alloc&) {
        return failureLine({CURLE_OUT_OF_MEMORY, QStringLiteral("Out of memory")});
    } catch (const std::exception& e) {
        return failureLine({-1, QString::fromUtf8(e.what())});
    }
}

} // namespace tovik::mail
