#include "notify/mail/sender.h"

#include <QScopeGuard>

namespace tovik::mail {

void Sender::send(Message message, QDateTime date, SendOptions options, Done done) {
    m_waiting.push_back({std::move(message), std::move(date), std::move(options), std::move(done)});
    // A send asked for from inside the one under way is taken by the loop below.
    if (m_busy)
        return;
    m_busy = true;
    const auto idle = qScopeGuard([this] { m_busy = false; });
    while (!m_waiting.empty()) {
        const Request request = std::move(m_waiting.front());
        m_waiting.pop_front();
        const Outcome outcome = sendNotification(request.message, request.date, request.options);
        if (request.done)
            request.done(outcome);
    }
}

} // namespace tovik::mail
