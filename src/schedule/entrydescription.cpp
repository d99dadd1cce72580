#include "entrydescription.h"

#include "schedule/entrytext.h"
#include "text/dateforms.h"
#include "text/wallminute.h"

#include <QStringList>

namespace tovik::schedule {

namespace {

// "毎日", "平日", "土日", "毎週 水曜日", "毎週 月水金".
QString daysInWords(const WhenRule& rule) {
    constexpr unsigned kEveryDay = 0x7F;
    constexpr unsigned kWeekdays = 0x3E;
    constexpr unsigned kWeekend = 0x41;
    if (rule.weekdays == kEveryDay)
        return QStringLiteral("毎日");
    if (rule.weekdays == kWeekdays)
        return QStringLiteral("平日");
    if (rule.weekdays == kWeekend)
        return QStringLiteral("土日");
    QString days;
    int count = 0;
    for (int digit = 1; digit <= 7; ++digit) {
        if (rule.onWeekday(digit)) {
            days += kWeekdayInitials.at(digit - 1);
            if (++count == 1 && !rule.weekdaySet)
                days = text::weekdayNames().at(digit - 1);
        }
    }
    return QStringLiteral("毎週 ") + days;
}

bool passed(const WhenRule& rule, const QDateTime& now) {
    return !rule.weekly() &&
           text::WallMinute(rule.date, rule.minuteOfDay) < text::WallMinute::of(now);
}

QString whenInWords(const QString& whenText, const QDateTime& now) {
    const auto rule = parseWhenText(whenText);
    if (!rule)
        return whenText + QStringLiteral("（この日時では実行されません）");
    const QString time = text::hourMinuteText(rule->minuteOfDay);
    if (rule->weekly())
        return daysInWords(*rule) + u' ' + time;
    QString date = text::dateText(rule->date) + u' ' + time;
    if (passed(*rule, now))
        return date + QStringLiteral("（時刻を過ぎたため実行されません）");
    // Whole minutes left, as the countdown that would make this entry now was chosen; no
    // state needed, and it stays true while it counts down.
    const qint64 left =
        (text::WallMinute(rule->date, rule->minuteOfDay).count() * 60 - text::wallSecond(now)) / 60;
    if (left >= 1 && left <= countdownMinutes().last())
        return QString::number(left) + QStringLiteral("分後（") + time + QStringLiteral("）");
    return date;
}

QString actionInWords(const QString& actionWord) {
    // Only an exact word leads to a power request.
    if (actionFor(actionWord))
        return actionWord;
    return QStringLiteral("なし（電源操作は行いません）");
}

QString optionsInWords(const QString& optionsText) {
    QStringList words;
    if (optionsText.contains(kSendMailToken))
        words << QStringLiteral("メール送信");
    if (optionsText.contains(kSaveLogToken))
        words << QStringLiteral("ログ保存");
    return words.isEmpty() ? QStringLiteral("なし") : words.join(QStringLiteral("、"));
}

} // namespace

QString entryDescription(const QString& whenText, const QString& actionWord,
                         const QString& optionsText, const QDateTime& now) {
    return QStringLiteral("実行日: ") + whenInWords(whenText, now) + QStringLiteral("\n行動: ") +
           actionInWords(actionWord) + QStringLiteral("\nオプション: ") +
           optionsInWords(optionsText);
}

bool hasPassed(const QString& whenText, const QDateTime& now) {
    const auto rule = parseWhenText(whenText);
    return rule && passed(*rule, now);
}

} // namespace tovik::schedule
