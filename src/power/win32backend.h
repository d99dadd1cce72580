// Windows backend: the shutdown privilege, then ExitWindowsEx or SetSuspendState, never
// forced.
#pragma once

#include "power/power.h"

namespace tovik::power {

class Win32Backend final : public PowerBackend {
public:
    Outcome request(PowerAction action) override;
};

} // namespace tovik::power
