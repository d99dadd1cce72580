#include "entrytext.h"

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
