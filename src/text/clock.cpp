#include "clock.h"

namespace tovik::text {

namespace {
std::function<QDateTime()>& clockFunction() {
    static std::function<QDateTime()> f;
    return f;
}
} // namespace

QDateTime now() {
    const auto& f = clockFunction();
    return f ? f() : QDateTime::currentDateTime();
}

void setClockForTesting(std::function<QDateTime()> clock) {
    clockFunction() = std::move(clock);
}

} // namespace tovik::text
