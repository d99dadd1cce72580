#include "tick.h"

#include "plan.h"
#include "power/reasontext.h"
#include "schedule/entrytext.h"

namespace tovik::scheduler {

using schedule::Column;

namespace {

// The tick's work on the run it found, once the walk has ended.
class CarryOut {
public:
    CarryOut(const schedule::ScheduleRows& rows, TickActions& actions, TickMemory& memory,
             int position)
        : m_rows(rows), m_actions(actions), m_memory(memory), m_position(position),
          m_action(schedule::actionFor(field(Column::Action))) {}

    // Each read re-checks the position: the mail send and the log line run no events, but
    // stay safe should that change.
    QString field(Column c) const {
        return m_position <= m_rows.count() ? m_rows.text(m_position, c) : QString();
    }

    // A fresh run: the found line, the mail, the log save, the action.
    void start(bool lastTick) {
        m_actions.writeLog(QStringLiteral("実行条件が見つかりました。項目番号=") +
                           QString::number(m_position));
        if (field(Column::Options).contains(schedule::kSendMailToken)) {
            m_actions.sendNotificationMail();
            m_memory.mailed = true;
        }
        if (field(Column::Options).contains(schedule::kSaveLogToken)) {
            if (const text::FileError e = m_actions.saveLogFile(); e.failed()) {
                m_memory.saveFailed = true;
                m_actions.writeLog(QStringLiteral("ログファイルを保存できませんでした::") +
                                   QString::number(e.number) + QStringLiteral("::") +
                                   e.description);
                if (lastTick)
                    requestWithoutTheLog();
                return;
            }
        }
        request();
    }

    // A later tick of the same minute: the system did not end the program (an inhibitor, a
    // refusal, a password prompt), so only the request is tried again, silently, and not
    // while the person is still being asked. A log save that failed is tried again first;
    // at the minute's last tick the action goes ahead without it, since the user asked for
    // the action and the log save must not silently cancel it.
    void repeat(bool lastTick) {
        if (m_memory.saveFailed) {
            if (!m_actions.saveLogFile().failed()) {
                m_memory.saveFailed = false;
                request();
            } else if (lastTick) {
                requestWithoutTheLog();
            }
            return;
        }
        if (m_action && !m_actions.powerRequestAwaitingAnswer())
            static_cast<void>(m_actions.doExitWindows(actionOf(*m_action)));
    }

    QString notice;

private:
    static power::PowerAction actionOf(const schedule::PowerAction& action) {
        return static_cast<power::PowerAction>(action.code);
    }

    void requestWithoutTheLog() {
        m_memory.saveFailed = false;
        if (!m_action)
            return;
        const QString line = QStringLiteral("ログファイルを保存できないまま") + m_action->word +
                             QStringLiteral("を実行します");
        m_actions.writeLog(line);
        notice = line;
        notDone(line);
        request();
    }

    void request() {
        if (!m_action)
            return;
        m_actions.writeLog(m_action->line);
        const power::Outcome outcome = m_actions.doExitWindows(actionOf(*m_action));
        if (outcome.done())
            return;
        const QString line = schedule::refusalLine(*m_action, power::reasonText(outcome.reason));
        m_actions.writeLog(line);
        notDone(line);
    }

    // The notification mail promised the action: a second one says it did not happen.
    void notDone(const QString& line) {
        if (!m_memory.mailed || m_memory.notDoneMailed)
            return;
        m_memory.notDoneMailed = true;
        m_actions.sendNotDoneMail(line);
    }

    const schedule::ScheduleRows& m_rows;
    TickActions& m_actions;
    TickMemory& m_memory;
    int m_position;
    std::optional<schedule::PowerAction> m_action;
};

} // namespace

TickResult runTick(const schedule::ScheduleRows& rows, TickActions& actions, TickMemory& memory,
                   const text::Clock& clock, RunRecord& record) {
    // The run carried out in the last tick's minute stays due for the rest of that minute.
    const std::optional<RunId> stillRunning = memory.runningAt(memory.currentAt, record);

    // Entries added during the walk wait for the next tick.
    const int end = std::min(rows.count(), schedule::kMaxEntries);
    int found = 0;
    RunId run;
    QDateTime now = clock.now();
    WallMinute minute = WallMinute::of(now);
    for (int i = 1; i <= end; ++i) {
        actions.yield();
        // An entry deleted during the yield shortens the list under the walk.
        if (i > rows.count())
            break;
        now = clock.now();
        minute = WallMinute::of(now);
        const auto rule = schedule::parseWhenText(rows.text(i, Column::When));
        if (!rule)
            continue;
        const quintptr key = rows.rowKey(i);
        const auto next = nextRun(*rule, key, minute, record, stillRunning);
        if (next && next->at == minute) {
            found = i;
            run = {key, next->due};
            break;
        }
    }
    memory.lastMinute = minute;
    if (found == 0)
        return {};

    CarryOut carry(rows, actions, memory, found);
    const bool lastTick = now.time().second() >= 60 - kTickSeconds;
    const QString entry = carry.field(Column::When) + u',' + carry.field(Column::Action) + u',' +
                          carry.field(Column::Options);
    if (stillRunning == run && memory.currentAt == minute && memory.entry == entry) {
        carry.repeat(lastTick);
        return {found, std::nullopt, carry.notice};
    }
    memory.current = run;
    memory.currentAt = minute;
    memory.entry = entry;
    memory.saveFailed = false;
    memory.mailed = false;
    memory.notDoneMailed = false;
    record.finish(run);
    carry.start(lastTick);
    return {found, run, carry.notice};
}

} // namespace tovik::scheduler
