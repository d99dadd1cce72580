#include "funcs.h"

#include "text/wallminute.h"

#include <QFileInfo>

namespace tovik::Funcs {

bool IsToday(const QDate& date, const QDateTime& now) {
    return date.isValid() && date == now.date();
}

bool IsNowTime(int minuteOfDay, const QDateTime& now) {
    return minuteOfDay == now.time().hour() * 60 + now.time().minute();
}

bool IsTodayWeekday(int weekday, const QDateTime& now) {
    return weekday == text::weekdayDigit(now.date());
}

int FileStatus(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden() ? kFileExists : kFileMissing;
}

} // namespace tovik::Funcs
