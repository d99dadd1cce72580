#include "runner.h"

#include "schedule/entrytext.h"
#include "text/dateforms.h"

#include <QScopeGuard>
#include <unordered_set>

namespace tovik::scheduler {

using schedule::Column;

Runner::Runner(const schedule::ScheduleRows& rows, TickActions& actions, const text::Clock& clock)
    : m_rows(rows), m_actions(actions), m_clock(clock) {
    m_listChanged.setSingleShot(true);
    m_listChanged.setInterval(100);
    connect(&m_listChanged, &QTimer::timeout, this, &Runner::refreshPlan);
    m_clockTimer.setInterval(1000);
    connect(&m_clockTimer, &QTimer::timeout, this, &Runner::check);
}

Runner::~Runner() = default;

void Runner::start(std::unique_ptr<notify::WarningChannel> channel) {
    if (m_started)
        return;
    m_started = true;
    m_channel = std::move(channel);
    if (m_channel) {
        m_channel->setCancelHandler(
            [this](quintptr key, qint64 minute) { cancel(key, WallMinute(minute)); });
        m_channel->setPostponeHandler(
            [this](quintptr key, qint64 minute) { postpone(key, WallMinute(minute)); });
    }
    m_clockTimer.start();
    refreshPlan();
}

void Runner::tick() {
    // One walk at a time: the walk lets events run, and a timer event among them must not
    // start a second one.
    if (m_ticking)
        return;
    m_ticking = true;
    const auto done = qScopeGuard([this] { m_ticking = false; });
    passOverSkippedRuns();
    const TickResult result = runTick(m_rows, m_actions, m_memory, m_clock, m_record);
    if (result.carriedOut) {
        withdraw(result.carriedOut->key);
        refreshPlan();
    }
    if (!result.notice.isEmpty() && m_memory.current) {
        if (m_channel) {
            const RunId run = *m_memory.current;
            m_channel->warn({run.key, m_memory.currentAt.count(), result.notice,
                             m_memory.currentAt.start(), false});
        }
        emit notice(result.notice);
    }
}

// The clock jumped forward (put forward, the spring's summer time, a computer that slept):
// the runs in the minutes it jumped over are not carried out late, since their minute is
// their condition, but the log says so.
void Runner::passOverSkippedRuns() {
    if (!m_memory.lastMinute)
        return;
    const WallMinute from = m_memory.lastMinute->plus(1);
    const WallMinute to = WallMinute::of(m_clock.now());
    if (to <= from)
        return;
    std::unordered_set<qint64> taken;
    const int end = std::min(m_rows.count(), schedule::kMaxEntries);
    for (int i = 1; i <= end; ++i) {
        const auto rule = schedule::parseWhenText(m_rows.text(i, Column::When));
        if (!rule)
            continue;
        const quintptr key = m_rows.rowKey(i);
        auto run = nextRun(*rule, key, from, m_record);
        for (int n = 0; run && run->at < to && n < 64; ++n) {
            m_record.finish({key, run->due});
            // Two entries in one minute: only the first would have run.
            if (taken.insert(run->at.count()).second) {
                withdraw(key);
                emit logLine(skippedText(i, run->at));
            }
            run = nextRun(*rule, key, run->at.plus(1), m_record);
        }
    }
    m_memory.lastMinute = to.plus(-1);
    refreshPlan();
}

void Runner::listChanged() {
    m_planStale = true;
    if (m_started && !m_listChanged.isActive())
        m_listChanged.start();
}

void Runner::rowGoing(quintptr key) {
    m_record.forget(key);
    m_warnings.forget(key);
    withdraw(key);
    listChanged();
}

void Runner::refreshPlan() {
    if (!m_started)
        return;
    const QDateTime now = m_clock.now();
    m_planStale = false;
    m_plannedAt = WallMinute::of(now);
    m_record.dropBefore(m_plannedAt);
    m_plan = planRuns(m_rows, now, m_record);
    emit planChanged();
    giveWarnings(now);
}

void Runner::check() {
    if (!m_started)
        return;
    const QDateTime now = m_clock.now();
    // Each new minute moves runs that have passed out of the plan; positions in a plan
    // made before the list changed may name other entries.
    if (m_planStale || WallMinute::of(now) != m_plannedAt) {
        refreshPlan();
        return;
    }
    giveWarnings(now);
}

void Runner::giveWarnings(const QDateTime& now) {
    if (!m_channel)
        return;
    for (const Warning& warning : m_warnings.take(m_plan, m_rows, now)) {
        emit logLine(warning.text);
        const notify::RunWarning shown{warning.run.key, warning.run.minute.count(), warning.text,
                                       warning.run.minute.start(), canPostpone(warning.run)};
        m_channel->warn(shown);
        emit warningShown(shown);
    }
}

void Runner::withdraw(quintptr key) {
    if (m_channel)
        m_channel->withdraw(key);
    emit warningWithdrawn(key);
}

int Runner::positionOf(quintptr key) const {
    for (int i = 1; i <= m_rows.count(); ++i) {
        if (m_rows.rowKey(i) == key)
            return i;
    }
    return 0;
}

std::optional<PlannedRun> Runner::runOf(quintptr key, WallMinute at) const {
    const int position = positionOf(key);
    if (position == 0)
        return std::nullopt;
    const auto rule = schedule::parseWhenText(m_rows.text(position, Column::When));
    if (!rule)
        return std::nullopt;
    const auto next = nextRun(*rule, key, at, m_record, m_memory.runningAt(at, m_record));
    if (!next || next->at != at)
        return std::nullopt;
    return PlannedRun{at, position, key, next->due};
}

std::optional<PlannedRun> Runner::nextRunAt(int position) const {
    if (position < 1 || position > m_rows.count())
        return std::nullopt;
    const auto rule = schedule::parseWhenText(m_rows.text(position, Column::When));
    if (!rule)
        return std::nullopt;
    const quintptr key = m_rows.rowKey(position);
    const WallMinute now = WallMinute::of(m_clock.now());
    // A run being carried out can still be cancelled: its requests stop.
    const auto next = nextRun(*rule, key, now, m_record, m_memory.runningAt(now, m_record));
    if (!next)
        return std::nullopt;
    return PlannedRun{next->at, position, key, next->due};
}

void Runner::cancel(quintptr key, WallMinute at) {
    const auto run = runOf(key, at);
    if (!run)
        return;
    m_record.cancel(run->id());
    withdraw(key);
    emit logLine(cancelText(run->position));
    refreshPlan();
}

void Runner::postpone(quintptr key, WallMinute at) {
    const auto run = runOf(key, at);
    if (!run)
        return;
    // Postponing a run being carried out would carry it out twice.
    if (m_record.finished(run->id()))
        return;
    const auto to = m_record.postpone(run->id());
    if (!to)
        return;
    withdraw(key);
    emit logLine(postponeText(run->position, *to));
    refreshPlan();
}

void Runner::cancelAt(int position) {
    if (const auto run = nextRunAt(position))
        cancel(run->key, run->minute);
}

void Runner::postponeAt(int position) {
    if (const auto run = nextRunAt(position))
        postpone(run->key, run->minute);
}

void Runner::cancelNext() {
    if (const auto run = nextPowerRun())
        cancel(run->key, run->minute);
}

void Runner::postponeNext() {
    if (const auto run = nextPowerRun())
        postpone(run->key, run->minute);
}

bool Runner::canPostpone(const PlannedRun& run) const {
    return m_record.postponements(run.id()) < RunRecord::kMaxPostponements;
}

std::optional<PlannedRun> Runner::nextPowerRun() const {
    for (const PlannedRun& run : m_plan) {
        if (run.position <= m_rows.count() &&
            schedule::actionFor(m_rows.text(run.position, Column::Action)))
            return run;
    }
    return std::nullopt;
}

QString Runner::nextRunText() const {
    const auto run = nextPowerRun();
    if (!run)
        return QStringLiteral("予定なし");
    return QStringLiteral("次回: ") + text::wallMinuteText(run->minute) + u' ' +
           m_rows.text(run->position, Column::Action);
}

} // namespace tovik::scheduler
