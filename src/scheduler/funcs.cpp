#include "funcs.h"

#include "text/clock.h"
#include "text/dateforms.h"

#include <QFileInfo>

namespace tovik::Funcs {

bool IsToday(const QDate& date) {
    return date.isValid() && date == text::now().date();
}

bool IsNowTime(const QString& timeText) {
    if (timeText.size() < 5)
        return false;
    return QStringView(timeText).left(5) == text::clockText(text::now().time()).left(5);
}

bool IsTodayWeekday(int weekday) {
    // Qt counts Monday = 1 .. Sunday = 7.
    const int today = text::now().date().dayOfWeek() % 7 + 1;
    return weekday == today;
}

int FileStatus(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden() ? kFileExists : kFileMissing;
}

} // namespace tovik::Funcs
