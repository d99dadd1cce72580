// The platform's half of the single instance: the lock in the application folder and the
// channel by which a second start reaches the running copy.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>

namespace tovik::app::instance {

// Held for as long as it lives.
class Lock {
public:
    virtual ~Lock() = default;
};

enum class LockState {
    Held,          // this process is the one copy
    HeldElsewhere, // a copy runs for this folder
    Unavailable,   // no lock can be made here (a read-only folder)
};

struct LockResult {
    LockState state = LockState::Unavailable;
    std::unique_ptr<Lock> lock; // set when Held
};

[[nodiscard]] LockResult lockFolder(const QString& lockPath);

// Calls onRequest on the event loop for each second start of the same user.
class Listener {
public:
    virtual ~Listener() = default;
};

// Null when the name cannot be taken.
std::unique_ptr<Listener> listen(const QString& name, std::function<void()> onRequest);

// True when the running copy of this user took the request within wait.
[[nodiscard]] bool askToShow(const QString& name, std::chrono::milliseconds wait);

} // namespace tovik::app::instance
