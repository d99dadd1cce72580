#include "clock.h"

namespace tovik::text {

// The local time of the current second. Converting to local time asks the C library,
// which checks the zone file on every call; a tick reads the clock once per entry, so
// the conversion is done once per second instead. Nothing reads the clock finer than that.
QDateTime SystemClock::now() const {
    thread_local qint64 cachedSecond = -1;
    thread_local QDateTime cached;
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != cachedSecond) {
        cached = QDateTime::fromSecsSinceEpoch(second);
        cachedSecond = second;
    }
    return cached;
}

} // namespace tovik::text
