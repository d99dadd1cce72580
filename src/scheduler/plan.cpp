#include "plan.h"

#include <algorithm>

namespace tovik::scheduler {

namespace {
constexpr qint64 kWeek = qint64{7} * 1440;
}

std::optional<qint64> nextDueMinute(const schedule::WhenRule& rule, qint64 fromMinute, quintptr key,
                                    const RunCancels& cancels) {
    if (!rule.weekly()) {
        const qint64 minute = wallMinute(rule.date, rule.minuteOfDay);
        if (minute < fromMinute || cancels.contains(key, minute))
            return std::nullopt;
        return minute;
    }
    const qint64 day = fromMinute / 1440;
    // Julian day 0 was a Monday; weekday 1 is Sunday.
    const auto today = static_cast<int>((day + 1) % 7) + 1;
    qint64 minute = (day + (rule.weekday - today + 7) % 7) * 1440 + rule.minuteOfDay;
    if (minute < fromMinute)
        minute += kWeek;
    if (cancels.contains(key, minute))
        minute += kWeek;
    return minute;
}

std::vector<PlannedRun> planRuns(const schedule::ScheduleRows& rows, const QDateTime& now,
                                 const RunCancels& cancels) {
    const qint64 from = wallMinute(now);
    const int end = std::min(rows.count(), schedule::kMaxEntries);
    const bool anyCancel = !cancels.empty();
    // Walking in list order, the first entry seen for a minute is the one the tick carries
    // out there. The minutes already taken go into an open-addressing table, so only one
    // run per minute is kept and sorted: a full list has far fewer minutes than entries.
    std::size_t tableSize = 16;
    while (tableSize < 2 * static_cast<std::size_t>(end))
        tableSize *= 2;
    std::vector<qint64> taken(tableSize, -1);
    std::vector<PlannedRun> runs;
    for (int i = 1; i <= end; ++i) {
        const auto rule = schedule::parseWhenText(rows.text(i, schedule::Column::When));
        if (!rule)
            continue;
        const quintptr key = anyCancel ? rows.rowKey(i) : 0;
        const auto minute = nextDueMinute(*rule, from, key, cancels);
        if (!minute)
            continue;
        std::size_t slot =
            static_cast<std::size_t>(static_cast<quint64>(*minute) * 0x9E3779B97F4A7C15ULL >> 32) &
            (tableSize - 1);
        while (taken[slot] != -1 && taken[slot] != *minute)
            slot = (slot + 1) & (tableSize - 1);
        if (taken[slot] == *minute)
            continue;
        taken[slot] = *minute;
        runs.push_back({*minute, i, key});
    }
    std::sort(runs.begin(), runs.end(),
              [](const PlannedRun& a, const PlannedRun& b) { return a.minute < b.minute; });
    if (!anyCancel) {
        for (PlannedRun& run : runs)
            run.key = rows.rowKey(run.position);
    }
    return runs;
}

} // namespace tovik::scheduler
