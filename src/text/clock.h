// The clock seam: every reading of date and time in the program goes through now().
#pragma once

#include <QDateTime>
#include <functional>

namespace tovik::text {

// The current local date and time (the system clock unless a test set another).
QDateTime now();

// Tests: replace the clock; an empty function restores the system clock.
void setClockForTesting(std::function<QDateTime()> clock);

} // namespace tovik::text
