// Minutes on the local wall clock: what the schedule's texts name, without a time zone.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QtGlobal>
#include <compare>

namespace tovik::text {

// Counted from the start of the Julian calendar. The schedule compares wall-clock texts, so
// the same wall minute twice in an autumn night is one minute here, and a minute the spring
// gap skips is still a minute that an entry may name.
class WallMinute {
public:
    constexpr WallMinute() = default;
    constexpr explicit WallMinute(qint64 count) : m_count(count) {}
    WallMinute(const QDate& date, int minuteOfDay)
        : m_count(date.toJulianDay() * kPerDay + minuteOfDay) {}
    // The minute the reading falls in, seconds cut off.
    static WallMinute of(const QDateTime& localTime) {
        const QTime t = localTime.time();
        return WallMinute(localTime.date(), t.hour() * 60 + t.minute());
    }

    constexpr qint64 count() const { return m_count; }
    constexpr qint64 day() const { return m_count / kPerDay; }
    constexpr int minuteOfDay() const { return static_cast<int>(m_count % kPerDay); }
    // 1 Sunday .. 7 Saturday, as the weekly entries number the days: Julian day 0 was a
    // Monday.
    constexpr int weekdayDigit() const { return static_cast<int>((day() + 1) % 7) + 1; }
    QDate date() const { return QDate::fromJulianDay(day()); }
    QDateTime start() const {
        return QDateTime(date(), QTime(minuteOfDay() / 60, minuteOfDay() % 60));
    }
    constexpr WallMinute plus(qint64 minutes) const { return WallMinute(m_count + minutes); }

    constexpr auto operator<=>(const WallMinute&) const = default;

    static constexpr qint64 kPerDay = 1440;

private:
    qint64 m_count = 0;
};

// Seconds on the same scale, for counting down to the start of a minute.
inline qint64 wallSecond(const QDateTime& localTime) {
    return localTime.date().toJulianDay() * 86400 + localTime.time().msecsSinceStartOfDay() / 1000;
}

// 1 Sunday .. 7 Saturday.
inline int weekdayDigit(const QDate& date) {
    return WallMinute(date, 0).weekdayDigit();
}

} // namespace tovik::text
