// Picks the backend of the platform being built; main() makes the one the program uses.
#pragma once

#if defined(_WIN32)
#include "power/win32backend.h"
namespace tovik::power {
using PlatformBackend = Win32Backend;
}
#else
#include "power/linuxbackend.h"
namespace tovik::power {
using PlatformBackend = LinuxBackend;
}
#endif
