// The power routine DoExitWindows and the backend seam behind it.
#pragma once

#include <memory>

namespace tovik::power {

// Turns a power action code (0 log off, 1 shut down, 2 restart) into a request to the
// operating system. A backend asks politely, never forced, and gives up silently.
class PowerBackend {
public:
    virtual ~PowerBackend() = default;
    virtual void request(int code) = 0;
};

// The platform's own backend unless a test has replaced it.
PowerBackend& currentBackend();

// nullptr restores the platform backend.
void setBackendForTesting(std::unique_ptr<PowerBackend> backend);

} // namespace tovik::power

namespace win32 {

// Requests log off (0), shut down (1) or restart (2) and returns without waiting for
// the outcome. Never throws and reports nothing: a failure simply means no request.
void DoExitWindows(const int& code);

} // namespace win32
