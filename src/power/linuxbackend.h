// Linux backend: systemd-logind for shut down and restart, the desktop's session manager
// for log off, all over D-Bus and never forced.
#pragma once

#include "power/power.h"

namespace tovik::power {

class LinuxBackend final : public PowerBackend {
public:
    void request(int code) override;
};

} // namespace tovik::power
