#include "entrytext.h"

#include "text/dateforms.h"
#include "text/wallminute.h"

#include <bit>

namespace tovik::schedule {

namespace {

int digit(QChar c) {
    const char16_t u = c.unicode();
    return u >= u'0' && u <= u'9' ? u - u'0' : -1;
}

// The due test compares the first five characters with the clock's "hh:mm", so only a
// two-digit hour 00-23, a colon and a two-digit minute 00-59 can ever match.
std::optional<int> minuteOfDay(QStringView timeText) {
    if (timeText.size() < 5 || timeText.at(2) != u':')
        return std::nullopt;
    const int h1 = digit(timeText.at(0));
    const int h2 = digit(timeText.at(1));
    const int m1 = digit(timeText.at(3));
    const int m2 = digit(timeText.at(4));
    if (h1 < 0 || h2 < 0 || m1 < 0 || m2 < 0)
        return std::nullopt;
    const int hour = h1 * 10 + h2;
    const int minute = m1 * 10 + m2;
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return hour * 60 + minute;
}

// Field n of the text cut at every single space, as QString::split would give it.
std::optional<QStringView> field(QStringView text, int n) {
    qsizetype start = 0;
    for (int i = 0; i < n; ++i) {
        const qsizetype space = text.indexOf(u' ', start);
        if (space < 0)
            return std::nullopt;
        start = space + 1;
    }
    const qsizetype end = text.indexOf(u' ', start);
    return text.mid(start, end < 0 ? text.size() - start : end - start);
}

// The set written after "毎週：0": "(月火水木金)", initials in Sunday-first order, each once.
// Anything else (out of order, repeated, empty, unknown) is no set at all.
unsigned weekdaySet(QStringView text) {
    if (text.size() < 3 || text.front() != u'(')
        return 0;
    const qsizetype close = text.indexOf(u')');
    if (close < 2 || close + 1 >= text.size() || text.at(close + 1) != u' ')
        return 0;
    unsigned set = 0;
    int last = -1;
    for (const QChar c : text.sliced(1, close - 1)) {
        const auto index = static_cast<int>(kWeekdayInitials.indexOf(c));
        if (index <= last)
            return 0;
        last = index;
        set |= 1U << index;
    }
    return set;
}

} // namespace

QString weekdaySetWhenText(unsigned weekdays, const QString& date, const QString& hour,
                           const QString& minute) {
    QString initials;
    for (int i = 0; i < 7; ++i) {
        if ((weekdays >> i & 1U) != 0)
            initials += kWeekdayInitials.at(i);
    }
    return QStringLiteral("毎週：0(") + initials + QStringLiteral(") ") +
           oneOffWhenText(date, hour, minute);
}

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

std::optional<WhenRule> parseWhenText(const QString& whenText) {
    WhenRule rule;
    std::optional<QStringView> timeText;
    // The mark is one character: a character search is several times quicker than a
    // text search, and the lists run to 32 767 entries.
    if (whenText.contains(kWeeklyMark.front())) {
        if (whenText.size() < 4)
            return std::nullopt;
        const int weekday = digit(whenText.at(3));
        if (weekday == 0 && whenText.startsWith(QStringLiteral("毎週：0("))) {
            rule.weekdays = weekdaySet(QStringView(whenText).sliced(4));
            rule.weekdaySet = true;
        } else if (weekday >= 1 && weekday <= 7) {
            rule.weekdays = 1U << (weekday - 1);
        }
        if (rule.weekdays == 0)
            return std::nullopt;
        timeText = field(whenText, 2);
    } else {
        const auto date = text::parseDateText(*field(whenText, 0));
        if (!date)
            return std::nullopt;
        rule.date = *date;
        timeText = field(whenText, 1);
    }
    const auto minute = timeText ? minuteOfDay(*timeText) : std::nullopt;
    if (!minute)
        return std::nullopt;
    rule.minuteOfDay = *minute;
    return rule;
}

const QList<int>& countdownMinutes() {
    static const QList<int> minutes = [] {
        QList<int> list;
        for (int m = 1; m <= 720; m += m < 10 ? 1 : m < 60 ? 5 : m < 240 ? 15 : 30)
            list << m;
        return list;
    }();
    return minutes;
}

QString countdownWhenText(const QDateTime& press, int minutes) {
    // Whole seconds on the wall clock, rounded up to the next minute's start.
    const qint64 second = text::wallSecond(press) + qint64{minutes} * 60;
    const text::WallMinute minute((second + 59) / 60);
    return oneOffWhenText(text::dateText(minute.date()), text::twoDigits(minute.minuteOfDay() / 60),
                          text::twoDigits(minute.minuteOfDay() % 60));
}

std::optional<EditorEntry> editorEntry(const QString& whenText, const QString& actionWord,
                                       const QString& optionsText) {
    const auto rule = parseWhenText(whenText);
    if (!rule || !actionFor(actionWord))
        return std::nullopt;
    EditorEntry entry{*rule, rule->date, optionsText.contains(kSendMailToken),
                      optionsText.contains(kSaveLogToken)};
    if (rule->weekly()) {
        const auto date = field(whenText, 1);
        const auto parsed = date ? text::parseDateText(*date) : std::nullopt;
        if (!parsed)
            return std::nullopt;
        entry.date = *parsed;
    }
    const QString date = text::dateText(entry.date);
    const QString hour = text::twoDigits(rule->minuteOfDay / 60);
    const QString minute = text::twoDigits(rule->minuteOfDay % 60);
    QString written = oneOffWhenText(date, hour, minute);
    if (rule->weekdaySet) {
        written = weekdaySetWhenText(rule->weekdays, date, hour, minute);
    } else if (rule->weekly()) {
        const int digit = std::countr_zero(rule->weekdays) + 1;
        written = weeklyWhenText(digit, text::weekdayNames().at(digit - 1), date, hour, minute);
    }
    if (written != whenText || optionsText != schedule::optionsText(entry.sendMail, entry.saveLog))
        return std::nullopt;
    return entry;
}

std::optional<ActionWord> actionFor(const QString& actionWord) {
    using power::PowerAction;
    const auto row = [](PowerAction action, const QString& word, const QString& verb) {
        return ActionWord{action, word, word + u"を実行します。"_qs, verb};
    };
    if (actionWord == kShutdownWord)
        return row(PowerAction::ShutDown, kShutdownWord, kShutdownWord);
    if (actionWord == kRebootWord)
        return row(PowerAction::Restart, kRebootWord, kRebootWord);
    if (actionWord == kLogoffWord)
        return row(PowerAction::LogOff, kLogoffWord, kLogoffWord);
    if (actionWord == kSleepWord)
        return row(PowerAction::Sleep, kSleepWord, kSleepWord);
    // A state, not an act: "休止状態にする", "休止状態にできませんでした".
    if (actionWord == kHibernateWord)
        return row(PowerAction::Hibernate, kHibernateWord, kHibernateWord + u'に');
    return std::nullopt;
}

QString refusalLine(const ActionWord& action, const QString& why) {
    return action.verb + QStringLiteral("できませんでした::") + why;
}

} // namespace tovik::schedule
