// The bus guard of test executables: the real Linux backend may only talk to buses that
// live inside a folder a test rig has declared its own.
#pragma once

#include <QString>

namespace tovik::power::testing {

void allowBusFolder(const QString& folder);
void forgetBusFolder(const QString& folder);

// True when every address is a unix socket path inside an allowed folder.
bool busAddressAllowed(const QString& address);

} // namespace tovik::power::testing
