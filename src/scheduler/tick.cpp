#include "tick.h"

#include "schedule/entrytext.h"
#include "scheduler/funcs.h"
#include "text/clock.h"
#include "text/dateforms.h"

namespace tovik::scheduler {

using schedule::Column;

bool isDue(const QString& whenText) {
    if (whenText.contains(schedule::kWeeklyMark)) {
        if (whenText.size() < 4)
            return false;
        const char16_t digit = whenText.at(3).unicode();
        if (digit < u'0' || digit > u'9')
            return false;
        if (!Funcs::IsTodayWeekday(digit - u'0'))
            return false;
        const QStringList fields = whenText.split(u' ');
        return fields.size() > 2 && Funcs::IsNowTime(fields.at(2));
    }
    const QStringList fields = whenText.split(u' ');
    const auto date = text::parseDateText(fields.at(0));
    if (!date || !Funcs::IsToday(*date))
        return false;
    return fields.size() > 1 && Funcs::IsNowTime(fields.at(1));
}

int runTick(const schedule::ScheduleRows& rows, TickActions& actions) {
    // Entries added during the walk wait for the next tick.
    const int end = std::min(rows.count(), schedule::kMaxEntries);
    int found = 0;
    for (int i = 1; i <= end; ++i) {
        actions.yield();
        // An entry deleted during the yield shortens the list under the walk.
        if (i > rows.count())
            break;
        if (isDue(rows.text(i, Column::When)) && !actions.isCancelled(i, text::now())) {
            found = i;
            break;
        }
    }
    if (found == 0)
        return 0;

    actions.writeLog(QStringLiteral("実行条件が見つかりました。項目番号=") +
                     QString::number(found));
    // Each read re-checks the position: the mail send and the log line run no events,
    // but stay safe should that change.
    auto field = [&](Column c) { return found <= rows.count() ? rows.text(found, c) : QString(); };
    if (field(Column::Options).contains(schedule::kSendMailToken))
        actions.sendNotificationMail();
    if (field(Column::Options).contains(schedule::kSaveLogToken)) {
        if (const text::FileError e = actions.saveLogFile(); e.failed()) {
            actions.writeLog(QStringLiteral("ログファイルを保存できませんでした::") +
                             QString::number(e.number) + QStringLiteral("::") + e.description);
            return found;
        }
    }
    if (const auto action = schedule::actionFor(field(Column::Action))) {
        actions.writeLog(action->line);
        actions.doExitWindows(action->code);
    }
    return found;
}

} // namespace tovik::scheduler
