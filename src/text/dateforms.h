// The one place that turns dates and times into text and back (Japanese reference forms).
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>

#include "text/wallminute.h"

namespace tovik::text {

// "00" to "99".
QString twoDigits(int n);

// "日曜日" to "土曜日", Sunday first: the weekly entries' digit 1 is the first.
const QStringList& weekdayNames();

// Short date: yyyy/MM/dd, zero-padded, whatever the system locale.
QString dateText(const QDate& date);

// General date: "yyyy/MM/dd H:mm:ss", or the date alone at exactly 00:00:00.
QString generalDateText(const QDateTime& dateTime);

// Long time: H:mm:ss.
QString longTimeText(const QTime& time);

// "hh:mm:ss" with a two-digit hour, as the due test compares it.
QString clockText(const QTime& time);

// "22:05": hour and minute of a minute of the day (0 .. 1439).
QString hourMinuteText(int minuteOfDay);
// "2026/12/07 22:00"
QString wallMinuteText(WallMinute minute);

// Reads a date text: what dateText writes, and a one- or two-digit month or day as a
// hand-edited file may hold. Anything else, or a date that does not exist, is nullopt.
std::optional<QDate> parseDateText(QStringView text);

// The mail's Date header, "Tue, 02 Jan 2024 09:05:00 +0900": English names and the date's
// own numeric zone.
QByteArray rfc5322Date(const QDateTime& date);

} // namespace tovik::text
