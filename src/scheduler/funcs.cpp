#include "funcs.h"

#include "text/dateforms.h"

#include <QFileInfo>

namespace tovik::Funcs {

bool IsToday(const QDate& date, const QDateTime& now) {
    return date.isValid() && date == now.date();
}

bool IsNowTime(const QString& timeText, const QDateTime& now) {
    if (timeText.size() < 5)
        return false;
    return QStringView(timeText).left(5) == text::clockText(now.time()).left(5);
}

bool IsTodayWeekday(int weekday, const QDateTime& now) {
    // Qt counts Monday = 1 .. Sunday = 7.
    return weekday == now.date().dayOfWeek() % 7 + 1;
}

int FileStatus(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden() ? kFileExists : kFileMissing;
}

} // namespace tovik::Funcs
