#include "dateforms.h"

namespace tovik::text {

namespace {

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

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

} // namespace tovik::text
