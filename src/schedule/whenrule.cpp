#include "whenrule.h"

#include "schedule/entrytext.h"
#include "text/dateforms.h"

#include <QStringList>
#include <array>

namespace tovik::schedule {

namespace {

int digit(QChar c) {
    const char16_t u = c.unicode();
    return u >= u'0' && u <= u'9' ? u - u'0' : -1;
}

// The due test compares the first five characters with the clock's "hh:mm", so only a
// two-digit hour 00-23, a colon and a two-digit minute 00-59 can ever match.
std::optional<int> minuteOfDay(const QString& timeText) {
    if (timeText.size() < 5 || timeText.at(2) != u':')
        return std::nullopt;
    const int h1 = digit(timeText.at(0));
    const int h2 = digit(timeText.at(1));
    const int m1 = digit(timeText.at(3));
    const int m2 = digit(timeText.at(4));
    if (h1 < 0 || h2 < 0 || m1 < 0 || m2 < 0)
        return std::nullopt;
    const int hour = h1 * 10 + h2;
    const int minute = m1 * 10 + m2;
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return hour * 60 + minute;
}

} // namespace

std::optional<WhenRule> whenRule(const QString& whenText) {
    WhenRule rule;
    QString timeText;
    if (whenText.contains(kWeeklyMark)) {
        if (whenText.size() < 4)
            return std::nullopt;
        const int weekday = digit(whenText.at(3));
        if (weekday < 1 || weekday > 7)
            return std::nullopt;
        const QStringList fields = whenText.split(u' ');
        if (fields.size() <= 2)
            return std::nullopt;
        rule.weekday = weekday;
        timeText = fields.at(2);
    } else {
        const QStringList fields = whenText.split(u' ');
        const auto date = text::parseDateText(fields.at(0));
        if (!date || fields.size() <= 1)
            return std::nullopt;
        rule.date = *date;
        timeText = fields.at(1);
    }
    const auto minute = minuteOfDay(timeText);
    if (!minute)
        return std::nullopt;
    rule.minuteOfDay = *minute;
    return rule;
}

QString weekdayName(int weekday) {
    static const std::array<QString, 7> names = {QStringLiteral("日曜日"), QStringLiteral("月曜日"),
                                                 QStringLiteral("火曜日"), QStringLiteral("水曜日"),
                                                 QStringLiteral("木曜日"), QStringLiteral("金曜日"),
                                                 QStringLiteral("土曜日")};
    return weekday >= 1 && weekday <= 7 ? names.at(static_cast<std::size_t>(weekday - 1))
                                        : QString();
}

} // namespace tovik::schedule
