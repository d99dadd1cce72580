#include "due.h"

namespace tovik::scheduler {

std::optional<WallMinute> nextDueMinute(const schedule::WhenRule& rule, WallMinute from) {
    if (!rule.weekly()) {
        const WallMinute minute(rule.date, rule.minuteOfDay);
        return minute >= from ? std::optional(minute) : std::nullopt;
    }
    // Today and the seven days after: the eighth is today's weekday again, for a minute
    // that has passed today.
    for (qint64 day = from.day(); day <= from.day() + 7; ++day) {
        const WallMinute minute(day * WallMinute::kPerDay + rule.minuteOfDay);
        if (minute >= from && rule.onWeekday(minute.weekdayDigit()))
            return minute;
    }
    return std::nullopt;
}

bool isDue(const QString& whenText, const QDateTime& now) {
    const auto rule = schedule::parseWhenText(whenText);
    if (!rule)
        return false;
    const WallMinute minute = WallMinute::of(now);
    return nextDueMinute(*rule, minute) == minute;
}

} // namespace tovik::scheduler
