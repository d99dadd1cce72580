// Which warnings are due: 5 minutes and 1 minute before each planned run's minute begins.
#pragma once

#include "schedule/schedulerows.h"
#include "scheduler/plan.h"

#include <QString>
#include <set>
#include <tuple>
#include <vector>

namespace tovik::scheduler {

struct Warning {
    PlannedRun run;
    int minutesLeft = 0; // rounded up: "5分後", "1分後"
    QString text;
};

// "5分後にシャットダウンします（2026/12/07 22:00、項目番号=3）"
QString warningText(int minutesLeft, const QString& verb, WallMinute minute, int position);
// The log lines of a cancel and of a postponement.
QString cancelText(int position);
QString postponeText(int position, WallMinute to);
// A run the clock jumped over.
QString skippedText(int position, WallMinute minute);

class WarningSchedule final {
public:
    // The warnings to give now. A run that comes into the plan closer than 5 minutes (or
    // 1 minute) away is warned at once; each run gets each warning once. Runs without a
    // power action bring no surprise and are not warned.
    std::vector<Warning> take(const std::vector<PlannedRun>& plan,
                              const schedule::ScheduleRows& rows, const QDateTime& now);
    // The row is gone; a new row may get its key and must be warned afresh.
    void forget(quintptr key);

private:
    std::set<std::tuple<quintptr, qint64, int>> m_given; // key, minute, 5 or 1
};

} // namespace tovik::scheduler
