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
        return PowerAction{kShutdownCode, QStringLiteral("シャットダウンを実行します。")};
    if (actionWord == kRebootWord)
        return PowerAction{kRebootCode, QStringLiteral("再起動を実行します。")};
    if (actionWord == kLogoffWord)
        return PowerAction{kLogoffCode, QStringLiteral("ログオフを実行します。")};
    return std::nullopt;
}

} // namespace tovik::schedule
