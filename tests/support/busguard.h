// The bus guard of test executables: the real Linux backend may only talk to buses that
// live inside a folder a test rig has declared its own.
#pragma once

#include "power/power.h"

#include <QString>
#include <memory>

namespace tovik::testing {

void allowBusFolder(const QString& folder);
void forgetBusFolder(const QString& folder);

// True when every address is a unix socket path inside an allowed folder.
bool busAddressAllowed(const QString& address);

// The platform backend behind the guard: a request whose bus addresses lie outside every
// allowed folder is refused before anything is asked, and a warning says so.
class GuardedBackend final : public power::PowerBackend {
public:
    GuardedBackend();
    ~GuardedBackend() override;
    power::Outcome request(power::PowerAction action) override;
    bool awaitingAnswer() const override;

private:
    std::unique_ptr<power::PowerBackend> m_real;
};

} // namespace tovik::testing
