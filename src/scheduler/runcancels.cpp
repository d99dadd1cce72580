#include "runcancels.h"

#include "text/dateforms.h"

#include <algorithm>

namespace tovik::scheduler {

qint64 wallMinute(const QDate& date, int minuteOfDay) {
    return date.toJulianDay() * 1440 + minuteOfDay;
}

qint64 wallMinute(const QDateTime& localTime) {
    const QTime t = localTime.time();
    return wallMinute(localTime.date(), t.hour() * 60 + t.minute());
}

qint64 wallSecond(const QDateTime& localTime) {
    return localTime.date().toJulianDay() * 86400 + localTime.time().msecsSinceStartOfDay() / 1000;
}

QDateTime wallMinuteStart(qint64 minute) {
    const auto ofDay = static_cast<int>(minute % 1440);
    return QDateTime(QDate::fromJulianDay(minute / 1440), QTime(ofDay / 60, ofDay % 60));
}

QString wallMinuteText(qint64 minute) {
    const auto ofDay = static_cast<int>(minute % 1440);
    return text::dateText(QDate::fromJulianDay(minute / 1440)) + u' ' +
           text::twoDigits(ofDay / 60) + u':' + text::twoDigits(ofDay % 60);
}

bool RunCancels::skips(quintptr key, const QDateTime& localTime) const {
    if (m_pairs.empty())
        return false;
    const qint64 minute = wallMinute(localTime);
    return contains(key, minute) || contains(key, minute - 1);
}

void RunCancels::forget(quintptr key) {
    std::erase_if(m_pairs, [key](const auto& pair) { return pair.first == key; });
}

void RunCancels::dropBefore(qint64 minute) {
    // Kept one minute longer for skips().
    std::erase_if(m_pairs, [minute](const auto& pair) { return pair.second < minute - 1; });
}

} // namespace tovik::scheduler
