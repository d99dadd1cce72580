// This run's cancelled (entry, due minute) pairs: "今回は中止" skips one minute, nothing is stored.
#pragma once

#include <QDateTime>
#include <QtGlobal>
#include <set>
#include <utility>

namespace tovik::scheduler {

// Minutes on the local wall clock, counted from the start of the Julian calendar: the tick
// compares wall-clock texts, so the plan counts the same way and never asks a time zone.
qint64 wallMinute(const QDate& date, int minuteOfDay);
qint64 wallMinute(const QDateTime& localTime);
// Seconds on the same scale, for counting down to the start of a minute.
qint64 wallSecond(const QDateTime& localTime);
QDateTime wallMinuteStart(qint64 minute);
// "2026/12/07 22:00"
QString wallMinuteText(qint64 minute);

class RunCancels final {
public:
    // key: the row's key (ScheduleRows::rowKey); minute: the due minute being skipped.
    void add(quintptr key, qint64 minute) { m_pairs.emplace(key, minute); }
    bool contains(quintptr key, qint64 minute) const { return m_pairs.count({key, minute}) > 0; }
    // Whether a tick at localTime skips the entry. The tick read the clock for its due test
    // a moment earlier, possibly in the minute before: an entry is due in one minute a week
    // at most, so a cancel of the minute before still names this very run.
    bool skips(quintptr key, const QDateTime& localTime) const;
    // The row is gone; its key may come back for a new row.
    void forget(quintptr key);
    // Cancels of minutes that have passed can never matter again.
    void dropBefore(qint64 minute);
    bool empty() const { return m_pairs.empty(); }

private:
    std::set<std::pair<quintptr, qint64>> m_pairs;
};

} // namespace tovik::scheduler
