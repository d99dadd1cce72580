#include "tick.h"

#include "schedule/entrytext.h"
#include "scheduler/funcs.h"

namespace tovik::scheduler {

using schedule::Column;

bool isDue(const QString& whenText, const QDateTime& now) {
    const auto when = schedule::parseWhenText(whenText);
    if (!when)
        return false;
    const bool day = when->weekly() ? Funcs::IsTodayWeekday(when->weekday, now)
                                    : Funcs::IsToday(when->date, now);
    return day && Funcs::IsNowTime(when->minuteOfDay, now);
}

int runTick(const schedule::ScheduleRows& rows, TickActions& actions, TickMemory& memory,
            const text::Clock& clock) {
    // Entries added during the walk wait for the next tick.
    const int end = std::min(rows.count(), schedule::kMaxEntries);
    int found = 0;
    for (int i = 1; i <= end; ++i) {
        actions.yield();
        // An entry deleted during the yield shortens the list under the walk.
        if (i > rows.count())
            break;
        const QDateTime now = clock.now();
        if (isDue(rows.text(i, Column::When), now) && !actions.isCancelled(i, now)) {
            found = i;
            break;
        }
    }
    if (found == 0)
        return 0;

    // Each read re-checks the position: the mail send and the log line run no events,
    // but stay safe should that change.
    auto field = [&](Column c) { return found <= rows.count() ? rows.text(found, c) : QString(); };
    const QDateTime now = clock.now();
    const QDateTime minute(now.date(), QTime(now.time().hour(), now.time().minute()));
    const QString entry =
        field(Column::When) + u',' + field(Column::Action) + u',' + field(Column::Options);
    const auto action = schedule::actionFor(field(Column::Action));

    const auto request = [&] {
        if (!action)
            return;
        actions.writeLog(action->line);
        if (const QString why = actions.doExitWindows(power::codeOf(action->action));
            !why.isEmpty())
            actions.writeLog(schedule::refusalLine(*action, why));
    };

    // The system did not end the program at once (an inhibitor, a refusal, a password
    // prompt): within the minute only the request is tried again, silently, and not while
    // the person is still being asked. A log save that failed is tried again first, since
    // the power request must not go out without it.
    if (memory.minute == minute && memory.entry == entry) {
        if (memory.saveFailed) {
            if (actions.saveLogFile().failed())
                return found;
            memory.saveFailed = false;
            request();
        } else if (action && !actions.powerRequestAwaitingAnswer()) {
            actions.doExitWindows(power::codeOf(action->action));
        }
        return found;
    }
    memory = {minute, entry, false};

    actions.writeLog(QStringLiteral("実行条件が見つかりました。項目番号=") +
                     QString::number(found));
    if (field(Column::Options).contains(schedule::kSendMailToken))
        actions.sendNotificationMail();
    if (field(Column::Options).contains(schedule::kSaveLogToken)) {
        if (const text::FileError e = actions.saveLogFile(); e.failed()) {
            actions.writeLog(QStringLiteral("ログファイルを保存できませんでした::") +
                             QString::number(e.number) + QStringLiteral("::") + e.description);
            memory.saveFailed = true;
            return found;
        }
    }
    request();
    return found;
}

} // namespace tovik::scheduler
