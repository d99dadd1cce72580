#include "power/power.h"

namespace tovik::power {

std::optional<PowerAction> actionForCode(int code) {
    switch (code) {
    case static_cast<int>(PowerAction::LogOff):
        return PowerAction::LogOff;
    case static_cast<int>(PowerAction::ShutDown):
        return PowerAction::ShutDown;
    case static_cast<int>(PowerAction::Restart):
        return PowerAction::Restart;
    case static_cast<int>(PowerAction::Sleep):
        return PowerAction::Sleep;
    case static_cast<int>(PowerAction::Hibernate):
        return PowerAction::Hibernate;
    default:
        return std::nullopt;
    }
}

} // namespace tovik::power

namespace win32 {

tovik::power::Outcome DoExitWindows(tovik::power::PowerBackend& backend, const int& code) {
    using tovik::power::Outcome;
    const auto action = tovik::power::actionForCode(code);
    if (!action)
        return Outcome::notDone(Outcome::Reason::UnknownAction);
    // The callers have already logged the action line; whatever goes wrong from here on
    // must not unwind into the tick or a menu handler.
    try {
        return backend.request(*action);
    } catch (...) {
        return Outcome::notDone(Outcome::Reason::NoAnswer);
    }
}

} // namespace win32
