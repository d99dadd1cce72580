// Picks the backend of the platform being built; the one place that knows about platforms.
#pragma once

#if defined(_WIN32)
#include "power/win32backend.h"
namespace tovik::power {
using PowerBackendImpl = Win32Backend;
}
#else
#include "power/linuxbackend.h"
namespace tovik::power {
using PowerBackendImpl = LinuxBackend;
}
#endif
