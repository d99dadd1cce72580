#include "dateforms.h"

#include <QTimeZone>
#include <array>
#include <cstdlib>

namespace tovik::text {

namespace {

// Reads 1..maxDigits ASCII digits from text starting at pos; -1 when there are none.
int readNumber(QStringView text, qsizetype& pos, int minDigits, int maxDigits) {
    int value = 0;
    int digits = 0;
    while (pos < text.size() && digits < maxDigits) {
        const char16_t c = text.at(pos).unicode();
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c - u'0');
        ++digits;
        ++pos;
    }
    return digits >= minDigits ? value : -1;
}

} // namespace

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

const QStringList& weekdayNames() {
    static const QStringList names = {QStringLiteral("日曜日"), QStringLiteral("月曜日"),
                                      QStringLiteral("火曜日"), QStringLiteral("水曜日"),
                                      QStringLiteral("木曜日"), QStringLiteral("金曜日"),
                                      QStringLiteral("土曜日")};
    return names;
}

QString dateText(const QDate& date) {
    return QStringLiteral("%1/%2/%3")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(twoDigits(date.month()), twoDigits(date.day()));
}

QString longTimeText(const QTime& time) {
    return QStringLiteral("%1:%2:%3")
        .arg(QString::number(time.hour()), twoDigits(time.minute()), twoDigits(time.second()));
}

QString clockText(const QTime& time) {
    return QStringLiteral("%1:%2:%3")
        .arg(twoDigits(time.hour()), twoDigits(time.minute()), twoDigits(time.second()));
}

QString hourMinuteText(int minuteOfDay) {
    return twoDigits(minuteOfDay / 60) + u':' + twoDigits(minuteOfDay % 60);
}

QString wallMinuteText(WallMinute minute) {
    return dateText(minute.date()) + u' ' + hourMinuteText(minute.minuteOfDay());
}

QString generalDateText(const QDateTime& dateTime) {
    const QTime t = dateTime.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return dateText(dateTime.date());
    return dateText(dateTime.date()) + u' ' + longTimeText(t);
}

std::optional<QDate> parseDateText(QStringView text) {
    qsizetype pos = 0;
    const int year = readNumber(text, pos, 4, 4);
    if (year < 0 || pos >= text.size() || text.at(pos) != u'/')
        return std::nullopt;
    ++pos;
    const int month = readNumber(text, pos, 1, 2);
    if (month < 0 || pos >= text.size() || text.at(pos) != u'/')
        return std::nullopt;
    ++pos;
    const int day = readNumber(text, pos, 1, 2);
    if (day < 0 || pos != text.size())
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QByteArray rfc5322Date(const QDateTime& date) {
    static constexpr std::array<const char*, 7> kDays = {"Mon", "Tue", "Wed", "Thu",
                                                         "Fri", "Sat", "Sun"};
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int offset = date.offsetFromUtc();
    // A zone offset with seconds (old local mean times) has no numeric form: write UTC.
    const QDateTime local = offset % 60 == 0 ? date : date.toTimeZone(QTimeZone::utc());
    if (offset % 60 != 0)
        offset = 0;
    const QDate d = local.date();
    const QTime t = local.time();
    const int minutes = std::abs(offset) / 60;
    return QStringLiteral("%1, %2 %3 %4 %5:%6:%7 %8%9%10")
        .arg(QLatin1String(kDays[static_cast<size_t>(d.dayOfWeek() - 1)]))
        .arg(twoDigits(d.day()))
        .arg(QLatin1String(kMonths[static_cast<size_t>(d.month() - 1)]))
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(twoDigits(t.hour()))
        .arg(twoDigits(t.minute()))
        .arg(twoDigits(t.second()))
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(twoDigits(minutes / 60))
        .arg(twoDigits(minutes % 60))
        .toLatin1();
}

} // namespace tovik::text
