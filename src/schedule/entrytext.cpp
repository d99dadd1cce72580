#include "entrytext.h"

#include "text/dateforms.h"

#include <QStringList>

namespace tovik::schedule {

QString oneOffWhenText(const QString& date, const QString& hour, const QString& minute) {
    return date + u' ' + hour + u':' + minute + QStringLiteral(":00");
}

QString weeklyWhenText(int weekdayDigit, const QString& weekdayName, const QString& date,
                       const QString& hour, const QString& minute) {
    return QStringLiteral("毎週：") + QString::number(weekdayDigit) + u'(' + weekdayName +
           QStringLiteral(") ") + oneOffWhenText(date, hour, minute);
}

QString optionsText(bool sendMail, bool saveLog) {
    QString text;
    if (sendMail)
        text += kSendMailToken;
    if (saveLog)
        text += kSaveLogToken;
    return text;
}

std::optional<WhenText> parseWhenText(const QString& whenText) {
    const QStringList fields = whenText.split(u' ');
    WhenText when;
    // The full-width colon anywhere makes a weekly text; its digit stands right after it.
    if (whenText.contains(kWeeklyMark)) {
        if (whenText.size() < 4)
            return std::nullopt;
        const char16_t digit = whenText.at(3).unicode();
        if (digit < u'0' || digit > u'9')
            return std::nullopt;
        when.weekly = true;
        when.weekdayDigit = digit - u'0';
        if (fields.size() > 2)
            when.time = fields.at(2);
        return when;
    }
    const auto date = text::parseDateText(fields.at(0));
    if (!date)
        return std::nullopt;
    when.date = *date;
    if (fields.size() > 1)
        when.time = fields.at(1);
    return when;
}

std::optional<PowerAction> actionFor(const QString& actionWord) {
    if (actionWord == kShutdownWord)
        return PowerAction{kShutdownCode, kShutdownWord, kShutdownWord + u"を実行します。"_qs};
    if (actionWord == kRebootWord)
        return PowerAction{kRebootCode, kRebootWord, kRebootWord + u"を実行します。"_qs};
    if (actionWord == kLogoffWord)
        return PowerAction{kLogoffCode, kLogoffWord, kLogoffWord + u"を実行します。"_qs};
    return std::nullopt;
}

QString refusalLine(const PowerAction& action, const QString& why) {
    return action.word + QStringLiteral("できませんでした::") + why;
}

} // namespace tovik::schedule
