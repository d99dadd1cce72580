// Linux backend: systemd-logind for shut down, restart, sleep and hibernate, the desktop's
// session manager for log off, all over D-Bus and never forced.
#pragma once

#include "power/power.h"

#include <QDBusPendingCall>
#include <optional>

namespace tovik::power {

class LinuxBackend final : public PowerBackend {
public:
    Outcome request(PowerAction action) override;
    bool awaitingAnswer() const override;

private:
    // The interactive request that polkit is still asking about, if any.
    std::optional<QDBusPendingCall> m_interactive;
};

} // namespace tovik::power
