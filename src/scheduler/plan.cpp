#include "plan.h"

#include <algorithm>
#include <unordered_set>

namespace tovik::scheduler {

std::optional<NextRun> nextRun(const schedule::WhenRule& rule, quintptr key, WallMinute from,
                               const RunRecord& record, const std::optional<RunId>& stillRunning) {
    std::optional<NextRun> best;
    auto due = nextDueMinute(rule, from);
    if (record.empty())
        return due ? std::optional(NextRun{*due, *due}) : std::nullopt;

    record.forEachPostponed(key, stillRunning, [&](const RunId& run, WallMinute at) {
        if (at >= from && (!best || at < best->at))
            best = NextRun{run.due, at};
    });
    // A run that was cancelled, postponed or carried out gives way to the entry's next one;
    // a weekly entry has at most seven in a week, so the search ends soon.
    for (int tries = 0; due; ++tries) {
        const RunId run{key, *due};
        if (record.untouched(run) || run == stillRunning)
            break;
        due = tries < 64 ? nextDueMinute(rule, due->plus(1)) : std::nullopt;
    }
    if (due && (!best || *due < best->at))
        best = NextRun{*due, *due};
    return best;
}

std::vector<PlannedRun> planRuns(const schedule::ScheduleRows& rows, const QDateTime& now,
                                 const RunRecord& record) {
    const WallMinute from = WallMinute::of(now);
    const int end = std::min(rows.count(), schedule::kMaxEntries);
    const bool anyRecord = !record.empty();
    // Walking in list order, the first entry seen for a minute is the one the tick carries
    // out there, so only one run per minute is kept and sorted: a full list has far fewer
    // minutes than entries.
    std::unordered_set<qint64> taken;
    taken.reserve(static_cast<std::size_t>(end));
    std::vector<PlannedRun> runs;
    for (int i = 1; i <= end; ++i) {
        const auto rule = schedule::parseWhenText(rows.text(i, schedule::Column::When));
        if (!rule)
            continue;
        // Keys cost a lookup in the list: without a record they are fetched for the few
        // runs kept.
        const quintptr key = anyRecord ? rows.rowKey(i) : 0;
        const auto run = nextRun(*rule, key, from, record);
        if (!run || !taken.insert(run->at.count()).second)
            continue;
        runs.push_back({run->at, i, key, run->due});
    }
    std::sort(runs.begin(), runs.end(),
              [](const PlannedRun& a, const PlannedRun& b) { return a.minute < b.minute; });
    if (!anyRecord) {
        for (PlannedRun& run : runs)
            run.key = rows.rowKey(run.position);
    }
    return runs;
}

} // namespace tovik::scheduler
