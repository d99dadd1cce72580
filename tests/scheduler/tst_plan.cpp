// The plan of coming runs, the cancels and postponements of single runs and the warnings
// drawn from the plan.
#include "scheduler/plan.h"
#include "scheduler/tick.h"
#include "scheduler/warnings.h"
#include "support/fakerows.h"
#include "support/fixedclock.h"
#include "support/recordingactions.h"
#include "text/dateforms.h"

#include <QTest>

using namespace tovik;
using tovik::testing::FakeRows;

namespace {

// Monday 2026/12/07.
const QDate kMonday(2026, 12, 7);

QDateTime at(const QDate& day, int hour, int minute, int second = 0) {
    return QDateTime(day, QTime(hour, minute, second));
}

// "2026/12/07 22:00 #3" for each planned run, the first few only.
QStringList shown(const std::vector<scheduler::PlannedRun>& runs, int first = 4) {
    QStringList out;
    for (const auto& run : runs) {
        if (out.size() == first)
            break;
        out << text::wallMinuteText(run.minute) + QStringLiteral(" #") +
                   QString::number(run.position);
    }
    return out;
}

QStringList texts(const std::vector<scheduler::Warning>& warnings) {
    QStringList out;
    for (const auto& w : warnings)
        out << w.text;
    return out;
}

text::WallMinute wm(const QDate& day, int hour, int minute) {
    return text::WallMinute(day, hour * 60 + minute);
}

} // namespace

class TestPlan : public QObject {
    Q_OBJECT
private slots:
    void plan_data();
    void plan();
    void planAgreesWithTheTick_data();
    void planAgreesWithTheTick();
    void cancelledRunGivesWayToTheNext();
    void cancelFollowsTheEntryWhenRowsAboveGo();
    void cancelSkipsOneMinuteOnly();
    void postponed_data();
    void postponed();
    void warnings();
    void entryAddedCloseToItsMinute();
    void cancelledWarningMovesToTheNextEntry();
    void keyOfADeletedRowComesBack();
};

void TestPlan::plan_data() {
    QTest::addColumn<QStringList>("whens");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one-off later today")
        << QStringList{u"2026/12/07 22:00:00"_qs} << at(kMonday, 9, 0)
        << QStringList{u"2026/12/07 22:00 #1"_qs};
    QTest::newRow("one-off passed")
        << QStringList{u"2026/12/07 08:59:00"_qs} << at(kMonday, 9, 0) << QStringList{};
    QTest::newRow("one-off in the current minute")
        << QStringList{u"2026/12/07 09:00:00"_qs} << at(kMonday, 9, 0, 59)
        << QStringList{u"2026/12/07 09:00 #1"_qs};
    QTest::newRow("weekly, later this week")
        << QStringList{u"毎週：4(水曜日) 2020/01/01 22:30:00"_qs} << at(kMonday, 9, 0)
        << QStringList{u"2026/12/09 22:30 #1"_qs};
    QTest::newRow("weekly, today but passed: next week")
        << QStringList{u"毎週：2(月曜日) 2026/12/07 08:00:00"_qs} << at(kMonday, 9, 0)
        << QStringList{u"2026/12/14 08:00 #1"_qs};
    QTest::newRow("in time order, not list order")
        << QStringList{u"2026/12/08 00:01:00"_qs, u"毎週：2(月曜日) 2026/12/07 23:59:00"_qs,
                       u"2026/12/07 23:58:00"_qs}
        << at(kMonday, 23, 57, 30)
        << QStringList{u"2026/12/07 23:58 #3"_qs, u"2026/12/07 23:59 #2"_qs,
                       u"2026/12/08 00:01 #1"_qs};
    QTest::newRow("week roll-over: Saturday night to Sunday")
        << QStringList{u"毎週：1(日曜日) 2026/12/07 00:00:00"_qs,
                       u"毎週：7(土曜日) 2026/12/07 23:58:00"_qs}
        << at(QDate(2026, 12, 12), 23, 59, 10)
        << QStringList{u"2026/12/13 00:00 #1"_qs, u"2026/12/19 23:58 #2"_qs};
    QTest::newRow("two entries in one minute: the first in the list")
        << QStringList{u"2026/12/07 12:00:00"_qs, u"毎週：2(月曜日) 2026/12/01 12:00:00"_qs,
                       u"2026/12/07 12:00:30"_qs}
        << at(kMonday, 9, 0) << QStringList{u"2026/12/07 12:00 #1"_qs};
    QTest::newRow("texts the tick never finds due")
        << QStringList{u"毎週：8(日曜日) 2026/12/07 12:00:00"_qs,
                       u"2026/12/07 9:30:00"_qs,
                       u"2026/12/32 12:00:00"_qs,
                       u"2026/12/07"_qs,
                       u"毎週：2(月曜日) 12:00:00"_qs,
                       u"2026/12/07 24:00:00"_qs,
                       u""_qs,
                       u"2026/12/07 12:00:00 ："_qs}
        << at(kMonday, 9, 0) << QStringList{};
}

void TestPlan::plan() {
    QFETCH(QStringList, whens);
    QFETCH(QDateTime, now);
    QFETCH(QStringList, expected);
    FakeRows rows;
    for (const QString& when : whens)
        rows.add(when, u"シャットダウン"_qs);
    QCOMPARE(shown(scheduler::planRuns(rows, now, {})), expected);
}

// Wherever the plan says a run falls in the current minute, the tick finds that entry due,
// and the other way round.
void TestPlan::planAgreesWithTheTick_data() {
    QTest::addColumn<QString>("when");
    const QStringList whens = {u"2026/12/07 09:00:00"_qs,
                               u"2026/12/7 09:00:59"_qs,
                               u"2026/12/07 09:00"_qs,
                               u"2026/12/07 09:0"_qs,
                               u"2026/12/07  09:00:00"_qs,
                               u"毎週：2(月曜日) 2026/12/07 09:00:00"_qs,
                               u"毎週：2 x 09:00:00"_qs,
                               u"毎週：1(日曜日) 2026/12/07 09:00:00"_qs,
                               u"毎週：0(日曜日) 2026/12/07 09:00:00"_qs,
                               u"毎週：2(月曜日)  09:00:00"_qs,
                               u"2026/12/07 09:00:00 extra"_qs,
                               u"2026-12-07 09:00:00"_qs,
                               u"2026/12/07 0900:00"_qs,
                               u"毎週："_qs};
    for (const QString& when : whens)
        QTest::newRow(qPrintable(when)) << when;
}

void TestPlan::planAgreesWithTheTick() {
    QFETCH(QString, when);
    FakeRows rows;
    rows.add(when, u"シャットダウン"_qs);
    for (const QDateTime& now : {at(kMonday, 9, 0, 0), at(kMonday, 9, 0, 59), at(kMonday, 9, 1)}) {
        const auto runs = scheduler::planRuns(rows, now, {});
        const bool plannedNow = !runs.empty() && runs.front().minute == text::WallMinute::of(now);
        QCOMPARE(plannedNow, scheduler::isDue(when, now));
    }
}

void TestPlan::cancelledRunGivesWayToTheNext() {
    FakeRows rows;
    rows.add(u"毎週：2(月曜日) 2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    rows.add(u"2026/12/07 22:00:00"_qs, u"再起動"_qs);
    const QDateTime now = at(kMonday, 21, 0);
    scheduler::RunRecord cancels;
    cancels.cancel({rows.rowKey(1), wm(kMonday, 22, 0)});
    QCOMPARE(shown(scheduler::planRuns(rows, now, cancels)),
             (QStringList{u"2026/12/07 22:00 #2"_qs, u"2026/12/14 22:00 #1"_qs}));
}

void TestPlan::cancelFollowsTheEntryWhenRowsAboveGo() {
    FakeRows rows;
    rows.add(u"2026/12/07 21:30:00"_qs, u"ログオフ"_qs);
    rows.add(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    rows.add(u"2026/12/07 22:00:00"_qs, u"再起動"_qs);
    scheduler::RunRecord cancels;
    cancels.cancel({rows.rowKey(3), wm(kMonday, 22, 0)});
    rows.remove(1);
    // The shutdown, now at position 1, is not the one cancelled; the restart now at 2 is.
    const auto runs = scheduler::planRuns(rows, at(kMonday, 21, 0), cancels);
    QCOMPARE(shown(runs), QStringList{u"2026/12/07 22:00 #1"_qs});
    cancels.cancel({rows.rowKey(1), wm(kMonday, 22, 0)});
    QCOMPARE(shown(scheduler::planRuns(rows, at(kMonday, 21, 0), cancels)), QStringList{});
}

void TestPlan::cancelSkipsOneMinuteOnly() {
    FakeRows rows;
    rows.add(u"毎週：2(月曜日) 2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    scheduler::RunRecord record;
    record.cancel({rows.rowKey(1), wm(kMonday, 22, 0)});
    testing::RecordingActions actions;
    scheduler::TickMemory memory;
    for (const QDateTime& now : {at(kMonday, 21, 59, 58), at(kMonday, 22, 0, 0),
                                 at(kMonday, 22, 0, 55), at(kMonday.addDays(7), 22, 0, 5)}) {
        scheduler::runTick(rows, actions, memory, testing::FixedClock(now), record);
    }
    // Nothing in the cancelled minute; next Monday as always.
    QCOMPARE(actions.requests(), QStringList{u"power:1"_qs});
}

// "15分延期": the run moves by 15 minutes each time, three times at most, and happens once
// at its new minute; the other entries keep theirs. A row deleted or edited forgets it.
void TestPlan::postponed_data() {
    QTest::addColumn<int>("times");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("plan");
    QTest::addColumn<QString>("ranAt");
    QTest::newRow("postponed once")
        << 1 << QString() << QStringList{u"2026/12/07 22:10 #3"_qs, u"2026/12/07 22:15 #2"_qs}
        << u"22:15"_qs;
    QTest::newRow("postponed thrice, and no more")
        << 4 << QString() << QStringList{u"2026/12/07 22:10 #3"_qs, u"2026/12/07 22:45 #2"_qs}
        << u"22:45"_qs;
    QTest::newRow("a row above deleted: it stays with its entry")
        << 1 << u"delete above"_qs
        << QStringList{u"2026/12/07 22:10 #2"_qs, u"2026/12/07 22:15 #1"_qs} << u"22:15"_qs;
    QTest::newRow("the entry replaced: forgotten")
        << 2 << u"forget"_qs << QStringList{u"2026/12/07 22:00 #2"_qs, u"2026/12/07 22:10 #3"_qs}
        << u"22:00"_qs;
}

void TestPlan::postponed() {
    QFETCH(int, times);
    QFETCH(QString, change);
    QFETCH(QStringList, plan);
    QFETCH(QString, ranAt);
    FakeRows rows;
    rows.add(u"2026/12/07 21:30:00"_qs, u"ログオフ"_qs);
    rows.add(u"毎週：2(月曜日) 2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    rows.add(u"2026/12/07 22:10:00"_qs, u"再起動"_qs);
    const quintptr key = rows.rowKey(2);
    scheduler::RunRecord record;
    for (int i = 0; i < times; ++i)
        static_cast<void>(record.postpone({key, wm(kMonday, 22, 0)}));
    if (change == u"delete above"_qs)
        rows.remove(1);
    if (change == u"forget"_qs)
        record.forget(key);
    QCOMPARE(shown(scheduler::planRuns(rows, at(kMonday, 21, 56), record), 2), plan);
    testing::RecordingActions actions;
    scheduler::TickMemory memory;
    QStringList ran;
    for (QDateTime now = at(kMonday, 21, 59); now < at(kMonday, 23, 0); now = now.addSecs(5)) {
        actions.calls.clear();
        static_cast<void>(
            scheduler::runTick(rows, actions, memory, testing::FixedClock(now), record));
        if (actions.calls.contains(u"log:シャットダウンを実行します。"_qs))
            ran << now.time().toString(u"HH:mm"_qs);
    }
    QCOMPARE(ran, QStringList{ranAt});
}

void TestPlan::warnings() {
    FakeRows rows;
    rows.add(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    rows.add(u"2026/12/07 22:10:00"_qs, u"なにもしない"_qs);
    rows.add(u"毎週：2(月曜日) 2026/12/07 22:00:00"_qs, u"再起動"_qs);
    scheduler::WarningSchedule schedule;
    QStringList seen;
    // Every second from 6 minutes before the minute to well into it.
    for (QDateTime now = at(kMonday, 21, 54); now <= at(kMonday, 22, 12); now = now.addSecs(1)) {
        const auto due = schedule.take(scheduler::planRuns(rows, now, {}), rows, now);
        for (const auto& w : due)
            seen << now.time().toString(u"HH:mm:ss"_qs) + u' ' + w.text;
    }
    QCOMPARE(
        seen,
        (QStringList{u"21:55:00 5分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs,
                     u"21:59:00 1分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs}));
}

void TestPlan::entryAddedCloseToItsMinute() {
    FakeRows rows;
    scheduler::WarningSchedule schedule;
    const QDateTime now = at(kMonday, 21, 57, 40);
    QVERIFY(schedule.take(scheduler::planRuns(rows, now, {}), rows, now).empty());
    rows.add(u"2026/12/07 22:00:00"_qs, u"ログオフ"_qs);
    QCOMPARE(texts(schedule.take(scheduler::planRuns(rows, now, {}), rows, now)),
             QStringList{u"3分後にログオフします（2026/12/07 22:00、項目番号=1）"_qs});
    const QDateTime later = now.addSecs(20);
    QVERIFY(schedule.take(scheduler::planRuns(rows, later, {}), rows, later).empty());
    const QDateTime last = at(kMonday, 21, 59, 30);
    QCOMPARE(texts(schedule.take(scheduler::planRuns(rows, last, {}), rows, last)),
             QStringList{u"1分後にログオフします（2026/12/07 22:00、項目番号=1）"_qs});
}

void TestPlan::cancelledWarningMovesToTheNextEntry() {
    FakeRows rows;
    rows.add(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    rows.add(u"2026/12/07 22:00:00"_qs, u"再起動"_qs);
    scheduler::RunRecord cancels;
    scheduler::WarningSchedule schedule;
    QDateTime now = at(kMonday, 21, 55);
    QCOMPARE(texts(schedule.take(scheduler::planRuns(rows, now, cancels), rows, now)),
             QStringList{u"5分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs});
    now = now.addSecs(30);
    cancels.cancel({rows.rowKey(1), wm(kMonday, 22, 0)});
    QCOMPARE(texts(schedule.take(scheduler::planRuns(rows, now, cancels), rows, now)),
             QStringList{u"5分後に再起動します（2026/12/07 22:00、項目番号=2）"_qs});
}

// The window's keys are item addresses, which a new row may get again after a delete.
void TestPlan::keyOfADeletedRowComesBack() {
    FakeRows rows;
    rows.add(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    scheduler::WarningSchedule schedule;
    const QDateTime now = at(kMonday, 21, 56);
    const std::vector<scheduler::PlannedRun> plan{{wm(kMonday, 22, 0), 1, 42, wm(kMonday, 22, 0)}};
    QCOMPARE(schedule.take(plan, rows, now).size(), std::size_t{1});
    QVERIFY(schedule.take(plan, rows, now).empty());
    schedule.forget(42);
    QCOMPARE(texts(schedule.take(plan, rows, now)),
             QStringList{u"4分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs});
}

QTEST_GUILESS_MAIN(TestPlan)
#include "tst_plan.moc"
