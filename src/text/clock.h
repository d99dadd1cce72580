// The clock seam: every reading of date and time in the program goes through a Clock.
#pragma once

#include <QDateTime>

namespace tovik::text {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local date and time.
    virtual QDateTime now() const = 0;
};

// The system's local clock, read to the second.
class SystemClock final : public Clock {
public:
    QDateTime now() const override;
};

} // namespace tovik::text
