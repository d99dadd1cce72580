#include "entrydescription.h"

#include "schedule/entrytext.h"
#include "text/dateforms.h"

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

QString whenInWords(const QString& whenText) {
    const auto rule = parseWhenText(whenText);
    if (!rule)
        return whenText + QStringLiteral("（この日時では実行されません）");
    if (rule->weekly())
        return daysInWords(*rule) + u' ' + text::hourMinuteText(rule->minuteOfDay);
    return text::dateText(rule->date) + u' ' + text::hourMinuteText(rule->minuteOfDay);
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
                         const QString& optionsText) {
    return QStringLiteral("実行日: ") + whenInWords(whenText) + QStringLiteral("\n行動: ") +
           actionInWords(actionWord) + QStringLiteral("\nオプション: ") +
           optionsInWords(optionsText);
}

} // namespace tovik::schedule
