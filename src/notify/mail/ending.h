// The program is being ended by the system: every mail send stops short.
#pragma once

#include <atomic>

namespace tovik::mail {

// Set from a signal handler, so it must be lock-free (async-signal-safe) and never reset: a
// send under way stops within about a second, and one still to come is not started.
inline std::atomic<bool> programEnding{false};
static_assert(std::atomic<bool>::is_always_lock_free);

} // namespace tovik::mail
