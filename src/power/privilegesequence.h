// The Windows privilege-then-request sequence, written against a table of operations so
// that its order and its give-up-on-failure can be tested without Windows.
#pragma once

#include "power/power.h"

#include <cstdint>
#include <functional>

namespace tovik::power {

// Stand-ins for HANDLE and LUID, so this header needs no windows.h.
using TokenHandle = void*;
struct PrivilegeId {
    std::uint32_t lowPart = 0;
    std::int32_t highPart = 0;
};

struct PrivilegeOps {
    // OpenProcessToken on the own process for adjusting and querying privileges.
    std::function<bool(TokenHandle& token)> openProcessToken;
    // LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", ...).
    std::function<bool(PrivilegeId& id)> lookupShutdownPrivilege;
    // AdjustTokenPrivileges enabling exactly that one privilege.
    std::function<bool(TokenHandle token, const PrivilegeId& id)> enablePrivilege;
    // ExitWindowsEx(flags, reason); false when Windows refused to start the request.
    std::function<bool(std::uint32_t flags, std::uint32_t reason)> exitWindows;
    std::function<void(TokenHandle token)> closeHandle;
    // SetSuspendState(hibernate, FALSE, FALSE); false when Windows refused, hibernation
    // switched off included.
    std::function<bool(bool hibernate)> suspend;
};

// Enables the shutdown privilege, then asks for the action. The first failing step ends
// it with no request at all, not even a log off. Log off, shut down and restart go through
// unchanged as the flags: no force flag is ever added.
inline Outcome requestWithShutdownPrivilege(const PrivilegeOps& ops, PowerAction action) {
    TokenHandle token = nullptr;
    if (!ops.openProcessToken(token))
        return Outcome::notDone(Outcome::Reason::NoPrivilege);

    // Closed on every path once opened; the enabled privilege outlives the handle.
    struct TokenCloser {
        const PrivilegeOps& ops;
        TokenHandle token;
        ~TokenCloser() { ops.closeHandle(token); }
    } closer{ops, token};

    PrivilegeId id;
    if (!ops.lookupShutdownPrivilege(id))
        return Outcome::notDone(Outcome::Reason::NoPrivilege);
    if (!ops.enablePrivilege(token, id))
        return Outcome::notDone(Outcome::Reason::NoPrivilege);
    const bool suspend = action == PowerAction::Sleep || action == PowerAction::Hibernate;
    if (!(suspend ? ops.suspend(action == PowerAction::Hibernate)
                  : ops.exitWindows(static_cast<std::uint32_t>(codeOf(action)), 0)))
        return Outcome::notDone(Outcome::Reason::Refused);
    return Outcome::requested();
}

} // namespace tovik::power
