// The clock tests of the due check, and the file test of start-up.
#pragma once

#include <QDate>
#include <QString>

namespace tovik::Funcs {

inline constexpr int kFileExists = 0;
inline constexpr int kFileMissing = 10;

// Each reads the clock at the moment of the call.
bool IsToday(const QDate& date);
// True when the text starts with the current time's "HH:MM".
bool IsNowTime(const QString& timeText);
// 1 Sunday .. 7 Saturday.
bool IsTodayWeekday(int weekday);

// 0 when an ordinary, visible file exists at the path; 10 otherwise (folders included).
int FileStatus(const QString& path);

} // namespace tovik::Funcs
