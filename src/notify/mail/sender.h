// One mail at a time: a send asked for while another is under way waits for it.
#pragma once

#include "notify/mail/mail.h"

#include <QDateTime>
#include <deque>
#include <functional>

namespace tovik::mail {

// The test button's password box and the secret store run the event loop in the middle of a
// send, and a tick may ask for the scheduled mail there. That one must not start inside the
// first: it waits, and goes out right after it, in the order asked.
class Sender final {
public:
    using Done = std::function<void(const Outcome&)>;

    // Sends now, or after the sends under way and those asked for before; done is given the
    // outcome once this mail has been sent or has failed.
    void send(Message message, QDateTime date, SendOptions options, Done done);
    // A send is under way (possibly waiting for its password box or the store).
    bool busy() const { return m_busy; }

private:
    struct Request {
        Message message;
        QDateTime date;
        SendOptions options;
        Done done;
    };
    std::deque<Request> m_waiting;
    bool m_busy = false;
};

} // namespace tovik::mail
