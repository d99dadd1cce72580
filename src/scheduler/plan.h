// The plan of coming runs: which entry the tick would carry out in each coming minute,
// computed from the list, the clock and this session's record of runs alone.
#pragma once

#include "schedule/entrytext.h"
#include "schedule/schedulerows.h"
#include "scheduler/due.h"
#include "scheduler/runrecord.h"

#include <QDateTime>
#include <optional>
#include <vector>

namespace tovik::scheduler {

struct PlannedRun {
    WallMinute minute; // when it happens: its due minute, or later when postponed
    int position = 0;  // 1-based, as the tick counts
    quintptr key = 0;  // the row's key
    WallMinute due;    // the due minute that names the run

    RunId id() const { return {key, due}; }
};

struct NextRun {
    WallMinute due;
    WallMinute at;
};

// The entry's next run from `from` on: its first due minute that was not cancelled,
// postponed or finished, or one of its postponed runs, whichever comes first. stillRunning
// is the run being carried out in this minute, which is due for the rest of it.
std::optional<NextRun> nextRun(const schedule::WhenRule& rule, quintptr key, WallMinute from,
                               const RunRecord& record,
                               const std::optional<RunId>& stillRunning = std::nullopt);

// One run per coming minute (the current one included), in time order: the first entry in
// list order whose next run falls in it. Each entry counts with its next run only, which
// is all that matters for the coming week.
std::vector<PlannedRun> planRuns(const schedule::ScheduleRows& rows, const QDateTime& now,
                                 const RunRecord& record);

} // namespace tovik::scheduler
