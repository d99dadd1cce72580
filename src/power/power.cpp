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

void setBackendForTesting(std::unique_ptr<PowerBackend> backend) {
    replacement() = std::move(backend);
}

} // namespace tovik::power

namespace win32 {

void DoExitWindows(const int& code) {
    // The callers have already logged the action line; whatever goes wrong from here on
    // must stay silent and must not unwind into the tick or a menu handler.
    try {
        tovik::power::currentBackend().request(code);
    } catch (...) {
    }
}

} // namespace win32
