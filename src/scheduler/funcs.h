// The clock tests of the due check, and the file test of start-up.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace tovik::Funcs {

inline constexpr int kFileExists = 0;
inline constexpr int kFileMissing = 10;

// Each compares with now, the clock's reading of the moment.
bool IsToday(const QDate& date, const QDateTime& now);
// True when the minute of the day (hour * 60 + minute) is now's.
bool IsNowTime(int minuteOfDay, const QDateTime& now);
// 1 Sunday .. 7 Saturday.
bool IsTodayWeekday(int weekday, const QDateTime& now);

// 0 when an ordinary, visible file exists at the path; 10 otherwise (folders included).
int FileStatus(const QString& path);

} // namespace tovik::Funcs
