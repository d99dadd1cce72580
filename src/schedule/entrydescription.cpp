#include "entrydescription.h"

#include "schedule/entrytext.h"
#include "text/dateforms.h"

#include <QStringList>

namespace tovik::schedule {

namespace {

QString clockOf(int minuteOfDay) {
    return text::twoDigits(minuteOfDay / 60) + u':' + text::twoDigits(minuteOfDay % 60);
}

QString whenInWords(const QString& whenText) {
    const auto rule = parseWhenText(whenText);
    if (!rule)
        return whenText + QStringLiteral("（この日時では実行されません）");
    if (rule->weekly())
        return QStringLiteral("毎週 ") + text::weekdayNames().at(rule->weekday - 1) + u' ' +
               clockOf(rule->minuteOfDay);
    return text::dateText(rule->date) + u' ' + clockOf(rule->minuteOfDay);
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
