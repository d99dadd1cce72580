// The power routine DoExitWindows and the backend seam behind it.
#pragma once

#include "power/poweraction.h"

#include <optional>

namespace tovik::power {

// What became of a request. Only a refusal, or a request that could not even be asked,
// carries a reason; the caller says it in Japanese (reasonText).
struct Outcome {
    enum class Status {
        Requested,      // handed to the system, which may still refuse or be vetoed later
        AwaitingAnswer, // the system asks the person at the screen first (polkit)
        NotDone,        // refused, or nobody to ask
    };
    enum class Reason {
        None,
        Refused,          // the system said no
        NoAnswer,         // an error or no reply in time
        NoSystemBus,      // the system bus could not be reached
        NoSessionBus,     // the session bus could not be reached
        NoSessionManager, // no known desktop session manager to log off through
        NoPrivilege,      // the shutdown privilege could not be enabled
        UnknownAction,
    };
    Status status = Status::Requested;
    Reason reason = Reason::None;

    bool done() const { return status != Status::NotDone; }
    static Outcome requested() { return {}; }
    static Outcome awaitingAnswer() { return {Status::AwaitingAnswer, Reason::None}; }
    static Outcome notDone(Reason why) { return {Status::NotDone, why}; }
};

// The action of a code at the boundary (0 to 4); nullopt for any other.
std::optional<PowerAction> actionForCode(int code);

// Turns an action into a request to the operating system. A backend asks politely, never
// forced, and does not wait for the system to act.
class PowerBackend {
public:
    virtual ~PowerBackend() = default;
    virtual Outcome request(PowerAction action) = 0;
    // True while an earlier interactive request still waits for the person's answer: asking
    // again would stack up password prompts.
    virtual bool awaitingAnswer() const { return false; }
};

} // namespace tovik::power

namespace win32 {

// Requests log off (0), shut down (1), restart (2), sleep (3) or hibernate (4) through the
// backend and returns without waiting for the system to act. Never throws; what it returns tells
// whether the request could be made.
tovik::power::Outcome DoExitWindows(tovik::power::PowerBackend& backend, const int& code);

} // namespace win32
