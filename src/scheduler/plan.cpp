#include "plan.h"

#include <algorithm>

namespace tovik::scheduler {

namespace {
constexpr qint64 kWeek = 7 * 1440;
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
    // Minute and position packed in one number sort in time order and, within a minute,
    // in list order: the first there is the one the tick carries out.
    std::vector<quint64> order;
    order.reserve(static_cast<std::size_t>(end));
    for (int i = 1; i <= end; ++i) {
        const auto rule = schedule::whenRule(rows.text(i, schedule::Column::When));
        if (!rule)
            continue;
        const quintptr key = anyCancel ? rows.rowKey(i) : 0;
        if (const auto minute = nextDueMinute(*rule, from, key, cancels))
            order.push_back(static_cast<quint64>(*minute) << 16 | static_cast<quint64>(i));
    }
    std::sort(order.begin(), order.end());
    std::vector<PlannedRun> runs;
    for (const quint64 packed : order) {
        const auto minute = static_cast<qint64>(packed >> 16);
        if (!runs.empty() && runs.back().minute == minute)
            continue;
        const auto position = static_cast<int>(packed & 0xFFFF);
        runs.push_back({minute, position, rows.rowKey(position)});
    }
    return runs;
}

} // namespace tovik::scheduler
