// The text forms of a schedule entry's fields: when-texts, action words, option tokens.
#pragma once

#include "power/poweraction.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace tovik::schedule {

inline const QString kShutdownWord = QStringLiteral("シャットダウン");
inline const QString kRebootWord = QStringLiteral("再起動");
inline const QString kLogoffWord = QStringLiteral("ログオフ");
inline const QString kSleepWord = QStringLiteral("スリープ");
inline const QString kHibernateWord = QStringLiteral("休止状態");
inline const QString kSendMailToken = QStringLiteral("+SENDMAIL");
inline const QString kSaveLogToken = QStringLiteral("+SAVELOG");
inline const QString kWeeklyMark = QStringLiteral("：");
// A weekly entry for a set of days writes their initials, Sunday first, after the digit 0,
// which no weekday has: a reader that knows only single days never finds it due.
inline const QString kWeekdayInitials = QStringLiteral("日月火水木金土");

// "yyyy/MM/dd HH:MM:00"
QString oneOffWhenText(const QString& date, const QString& hour, const QString& minute);
// "毎週：d(name) yyyy/MM/dd HH:MM:00"; digit 1 is Sunday.
QString weeklyWhenText(int weekdayDigit, const QString& weekdayName, const QString& date,
                       const QString& hour, const QString& minute);
// "毎週：0(月火水木金) yyyy/MM/dd HH:MM:00" for a set of weekdays (bit d-1 for digit d).
QString weekdaySetWhenText(unsigned weekdays, const QString& date, const QString& hour,
                           const QString& minute);
QString optionsText(bool sendMail, bool saveLog);

// The minutes a countdown offers: 1 to 10, then steps of 5 to 60, of 15 to 240, of 30 to 720.
const QList<int>& countdownMinutes();
// The one-off text of the first whole minute that starts at least `minutes` after press.
QString countdownWhenText(const QDateTime& press, int minutes);

// A when-text read back: the minute it stands for, by the rules of the tick's due test.
struct WhenRule {
    // Bit d-1 for each weekday digit d (1 Sunday .. 7 Saturday) of a weekly entry; 0 for a
    // one-off entry.
    unsigned weekdays = 0;
    QDate date; // the day of a one-off entry
    int minuteOfDay = 0;
    bool weekdaySet = false; // written with initials rather than one digit

    bool weekly() const { return weekdays != 0; }
    bool onWeekday(int digit) const { return (weekdays >> (digit - 1) & 1U) != 0; }
};
// nullopt for a text the tick would never find due, whatever the clock says: a weekly text
// without its digit 1 to 7 or 0 with initials in order, a one-off text whose first field is no
// date, or a time field that does not start with a two-digit hour and minute.
std::optional<WhenRule> parseWhenText(const QString& whenText);

// An entry as the editor shows it. Only texts exactly as the editor writes them come back:
// confirming an edit must not silently rewrite a line edited by hand.
struct EditorEntry {
    WhenRule rule;
    QDate date; // the written date, also of a weekly entry
    bool sendMail = false;
    bool saveLog = false;
};
std::optional<EditorEntry> editorEntry(const QString& whenText, const QString& actionWord,
                                       const QString& optionsText);

// One row of the action-word table.
struct ActionWord {
    power::PowerAction action;
    QString word; // the action word, as the entry holds it
    QString line; // the action line written before the request
    QString verb; // the word as it takes する or できる: "休止状態に"
};
// The row of an exactly matching action word; nullopt for any other text.
std::optional<ActionWord> actionFor(const QString& actionWord);

// The line written when the system refused the action or could not be asked:
// "再起動できませんでした::<why>", "休止状態にできませんでした::<why>".
QString refusalLine(const ActionWord& action, const QString& why);

} // namespace tovik::schedule
