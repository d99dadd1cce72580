// The plan of coming due minutes: which entry the tick would carry out in each, computed
// from the list and the clock alone.
#pragma once

#include "schedule/entrytext.h"
#include "schedule/schedulerows.h"
#include "scheduler/runcancels.h"

#include <QDateTime>
#include <optional>
#include <vector>

namespace tovik::scheduler {

struct PlannedRun {
    qint64 minute = 0; // wallMinute() of the due minute
    int position = 0;  // 1-based, as the tick counts
    quintptr key = 0;  // the row's key
};

// The entry's next due minute from fromMinute on, skipping a cancelled one; nullopt when
// it is never due again.
std::optional<qint64> nextDueMinute(const schedule::WhenRule& rule, qint64 fromMinute, quintptr key,
                                    const RunCancels& cancels);

// One run per coming minute (the current one included), in time order: the first entry in
// list order that is due then and not cancelled. Each entry counts with its next run only,
// which is all that matters for the coming week.
std::vector<PlannedRun> planRuns(const schedule::ScheduleRows& rows, const QDateTime& now,
                                 const RunCancels& cancels);

} // namespace tovik::scheduler
