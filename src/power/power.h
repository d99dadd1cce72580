// The power routine DoExitWindows and the backend seam behind it.
#pragma once

#include <memory>

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

// Turns a power action code (0 log off, 1 shut down, 2 restart) into a request to the
// operating system. A backend asks politely, never forced, and gives up silently.
class PowerBackend {
public:
    virtual ~PowerBackend() = default;
    virtual Outcome request(int code) = 0;
    // True while an earlier interactive request still waits for the person's answer: asking
    // again would stack up password prompts.
    virtual bool awaitingAnswer() const { return false; }
};

// The platform's own backend unless a test has replaced it.
PowerBackend& currentBackend();

// Whether the current backend still waits for the person's answer to an earlier request.
bool awaitingAnswer();

// nullptr restores the platform backend.
void setBackendForTesting(std::unique_ptr<PowerBackend> backend);

} // namespace tovik::power

namespace win32 {

// Requests log off (0), shut down (1) or restart (2) and returns without waiting for the
// system to act. Never throws; what it returns tells whether the request could be made.
tovik::power::Outcome DoExitWindows(const int& code);

} // namespace win32
