// The one place that decides and acts: the tick, the plan of coming runs, the warnings
// before them, and the cancels and postponements of single runs. No widgets: it reads the
// list through ScheduleRows, acts through TickActions and warns through a WarningChannel.
#pragma once

#include "notify/warningchannel.h"
#include "schedule/schedulerows.h"
#include "scheduler/plan.h"
#include "scheduler/runrecord.h"
#include "scheduler/tick.h"
#include "scheduler/warnings.h"
#include "text/clock.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

namespace tovik::scheduler {

class Runner final : public QObject {
    Q_OBJECT

public:
    // All three outlive the runner.
    Runner(const schedule::ScheduleRows& rows, TickActions& actions, const text::Clock& clock);
    ~Runner() override;

    // The plan and the warnings begin here, once the window is on the screen; until then
    // the tick alone runs, as a start-up loading a long list must not replan each row.
    void start(std::unique_ptr<notify::WarningChannel> channel);
    bool started() const { return m_started; }

    // TIM_MAIN's tick.
    void tick();
    // The list changed; the plan follows at most ten times a second.
    void listChanged();
    // The entry with this key is being removed or replaced: nothing of its runs carries
    // over to a row that gets the key later.
    void rowGoing(quintptr key);

    // "今回は中止" and "15分延期" of the run of the entry with this key at this minute;
    // nothing when it has been carried out already.
    void cancel(quintptr key, WallMinute at);
    void postpone(quintptr key, WallMinute at);
    // The same for an entry's next run (the list's pop-up menu) and for the first planned
    // run with a power action (the tray).
    void cancelAt(int position);
    void postponeAt(int position);
    void cancelNext();
    void postponeNext();

    // The entry's next run, if it has one.
    std::optional<PlannedRun> nextRunAt(int position) const;
    std::optional<PlannedRun> nextPowerRun() const;
    bool canPostpone(const PlannedRun& run) const;
    // "次回: 2026/12/07 22:00 シャットダウン", or "予定なし".
    QString nextRunText() const;

    const std::vector<PlannedRun>& plan() const { return m_plan; }
    const RunRecord& record() const { return m_record; }
    // Replans from the list and the clock and gives the warnings due now.
    void refreshPlan();
    // Gives the warnings due now; a timer calls it every second.
    void check();

signals:
    void logLine(const QString& line);
    void planChanged();
    void warningShown(const notify::RunWarning& warning);
    void warningWithdrawn(quintptr key);
    // Something about a run the person at the screen should learn at once (the log could
    // not be saved, so the action went ahead without it).
    void notice(const QString& text);

private:
    int positionOf(quintptr key) const;
    std::optional<PlannedRun> runOf(quintptr key, WallMinute at) const;
    void withdraw(quintptr key);
    void giveWarnings(const QDateTime& now);
    void passOverSkippedRuns();

    const schedule::ScheduleRows& m_rows;
    TickActions& m_actions;
    const text::Clock& m_clock;
    std::unique_ptr<notify::WarningChannel> m_channel;
    RunRecord m_record;
    TickMemory m_memory;
    WarningSchedule m_warnings;
    std::vector<PlannedRun> m_plan;
    WallMinute m_plannedAt{-1};
    // The warnings go by the wall clock, which may be put back or forward, change with
    // summer time or stand still while the computer sleeps: a timer set for a moment on it
    // would miss. A look each second costs a few microseconds when nothing is due.
    QTimer m_clockTimer;
    QTimer m_listChanged;
    bool m_started = false;
    bool m_planStale = false;
    bool m_ticking = false;
};

} // namespace tovik::scheduler
