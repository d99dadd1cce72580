#include "power/win32backend.h"

#include "power/privilegesequence.h"

#include <windows.h>
// After windows.h, which it needs.
#include <powrprof.h>

namespace tovik::power {

namespace {

// One privilege entry: count, LUID, attributes. AdjustTokenPrivileges gets exactly this size.
static_assert(sizeof(TOKEN_PRIVILEGES) == 16);
// The actions go to ExitWindowsEx unchanged, and never with a force flag.
static_assert(static_cast<UINT>(PowerAction::LogOff) == EWX_LOGOFF);
static_assert(static_cast<UINT>(PowerAction::ShutDown) == EWX_SHUTDOWN);
static_assert(static_cast<UINT>(PowerAction::Restart) == EWX_REBOOT);

LUID toLuid(const PrivilegeId& id) {
    LUID luid{};
    luid.LowPart = id.lowPart;
    luid.HighPart = id.highPart;
    return luid;
}

const PrivilegeOps& win32Ops() {
    static const PrivilegeOps ops{
        [](TokenHandle& token) {
            HANDLE handle = nullptr;
            if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                                  &handle))
                return false;
            token = handle;
            return true;
        },
        [](PrivilegeId& id) {
            LUID luid{};
            if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &luid))
                return false;
            id.lowPart = luid.LowPart;
            id.highPart = luid.HighPart;
            return true;
        },
        [](TokenHandle token, const PrivilegeId& id) {
            TOKEN_PRIVILEGES enable{};
            enable.PrivilegeCount = 1;
            enable.Privileges[0].Luid = toLuid(id);
            enable.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            // Filled in by Windows and never read: the privilege is not restored later.
            TOKEN_PRIVILEGES previous{};
            DWORD previousLength = 0;
            // Success here does not mean the token holds the privilege; ExitWindowsEx
            // will simply refuse then, which is the outcome we want anyway.
            return AdjustTokenPrivileges(token, FALSE, &enable, sizeof(enable), &previous,
                                         &previousLength) != 0;
        },
        [](std::uint32_t flags, std::uint32_t reason) { return ExitWindowsEx(flags, reason) != 0; },
        [](TokenHandle token) { CloseHandle(token); },
        [](bool hibernate) {
            // With hibernation switched off some systems would sleep instead: a refusal is
            // the truer answer.
            if (hibernate && !IsPwrHibernateAllowed())
                return false;
            return SetSuspendState(hibernate ? TRUE : FALSE, FALSE, FALSE) != 0;
        },
    };
    return ops;
}

} // namespace

Outcome Win32Backend::request(PowerAction action) {
    // Every Windows we build for is of the NT family, so the privilege is always needed.
    return requestWithShutdownPrivilege(win32Ops(), action);
}

} // namespace tovik::power
