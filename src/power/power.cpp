#include "power/power.h"

#include "power/platformbackend.h"

#include <utility>

namespace tovik::power {

namespace {

std::unique_ptr<PowerBackend>& replacement() {
    static std::unique_ptr<PowerBackend> backend;
    return backend;
}

} // namespace

PowerBackend& currentBackend() {
    if (const auto& backend = replacement())
        return *backend;
    static PowerBackendImpl platform;
    return platform;
}

bool awaitingAnswer() {
    return currentBackend().awaitingAnswer();
}

void setBackendForTesting(std::unique_ptr<PowerBackend> backend) {
    replacement() = std::move(backend);
}

} // namespace tovik::power

namespace win32 {

tovik::power::Outcome DoExitWindows(const int& code) {
    // The callers have already logged the action line; whatever goes wrong from here on
    // must not unwind into the tick or a menu handler.
    try {
        return tovik::power::currentBackend().request(code);
    } catch (...) {
        return tovik::power::Outcome::notDone(tovik::power::Outcome::Reason::NoAnswer);
    }
}

} // namespace win32
