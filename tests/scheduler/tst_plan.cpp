// The plan of coming runs, the cancels of this run and the warnings drawn from the plan.
#include "schedule/entrydescription.h"
#include "scheduler/plan.h"
#include "scheduler/runcancels.h"
#include "scheduler/tick.h"
#include "scheduler/warnings.h"
#include "support/fakerows.h"
#include "support/fixedclock.h"

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
        out << scheduler::wallMinuteText(run.minute) + QStringLiteral(" #") +
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

// The tick's calls, with the cancels the window would consult.
class CancellingActions final : public scheduler::TickActions {
public:
    CancellingActions(const FakeRows& rows, const scheduler::RunCancels& cancels)
        : m_rows(rows), m_cancels(cancels) {}
    void yield() override {}
    void writeLog(const QString&) override {}
    void sendNotificationMail() override {}
    text::FileError saveLogFile() override { return {}; }
    QString doExitWindows(int code) override {
        requests << code;
        return {};
    }
    bool powerRequestAwaitingAnswer() override { return false; }
    bool isCancelled(int position, const QDateTime& now) override {
        return m_cancels.skips(m_rows.rowKey(position), now);
    }
    QList<int> requests;

private:
    const FakeRows& m_rows;
    const scheduler::RunCancels& m_cancels;
};

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
    void cancelSeenAcrossTheMinuteEdge();
    void warnings();
    void entryAddedCloseToItsMinute();
    void cancelledWarningMovesToTheNextEntry();
    void keyOfADeletedRowComesBack();
    void description_data();
    void description();
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
        const bool plannedNow = !runs.empty() && runs.front().minute == scheduler::wallMinute(now);
        QCOMPARE(plannedNow, scheduler::isDue(when, now));
    }
}

void TestPlan::cancelledRunGivesWayToTheNext() {
    FakeRows rows;
    rows.add(u"毎週：2(月曜日) 2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    rows.add(u"2026/12/07 22:00:00"_qs, u"再起動"_qs);
    const QDateTime now = at(kMonday, 21, 0);
    scheduler::RunCancels cancels;
    cancels.add(rows.rowKey(1), scheduler::wallMinute(at(kMonday, 22, 0)));
    QCOMPARE(shown(scheduler::planRuns(rows, now, cancels)),
             (QStringList{u"2026/12/07 22:00 #2"_qs, u"2026/12/14 22:00 #1"_qs}));
}

void TestPlan::cancelFollowsTheEntryWhenRowsAboveGo() {
    FakeRows rows;
    rows.add(u"2026/12/07 21:30:00"_qs, u"ログオフ"_qs);
    rows.add(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    rows.add(u"2026/12/07 22:00:00"_qs, u"再起動"_qs);
    scheduler::RunCancels cancels;
    cancels.add(rows.rowKey(3), scheduler::wallMinute(at(kMonday, 22, 0)));
    rows.remove(1);
    // The shutdown, now at position 1, is not the one cancelled; the restart now at 2 is.
    const auto runs = scheduler::planRuns(rows, at(kMonday, 21, 0), cancels);
    QCOMPARE(shown(runs), QStringList{u"2026/12/07 22:00 #1"_qs});
    cancels.add(rows.rowKey(1), scheduler::wallMinute(at(kMonday, 22, 0)));
    QCOMPARE(shown(scheduler::planRuns(rows, at(kMonday, 21, 0), cancels)), QStringList{});
}

void TestPlan::cancelSkipsOneMinuteOnly() {
    FakeRows rows;
    rows.add(u"毎週：2(月曜日) 2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    scheduler::RunCancels cancels;
    cancels.add(rows.rowKey(1), scheduler::wallMinute(at(kMonday, 22, 0)));
    CancellingActions actions(rows, cancels);
    scheduler::TickMemory memory;
    for (const QDateTime& now :
         {at(kMonday, 22, 0, 0), at(kMonday, 22, 0, 55), at(kMonday.addDays(7), 22, 0, 5)}) {
        scheduler::runTick(rows, actions, memory, testing::FixedClock(now));
    }
    // Nothing in the cancelled minute; next Monday as always.
    QCOMPARE(actions.requests, QList<int>{1});
}

void TestPlan::cancelSeenAcrossTheMinuteEdge() {
    scheduler::RunCancels cancels;
    cancels.add(7, scheduler::wallMinute(at(kMonday, 22, 0)));
    QVERIFY(cancels.skips(7, at(kMonday, 22, 0, 30)));
    QVERIFY(cancels.skips(7, at(kMonday, 22, 1, 0)));
    QVERIFY(!cancels.skips(7, at(kMonday, 22, 2, 0)));
    QVERIFY(!cancels.skips(7, at(kMonday, 21, 59, 59)));
    QVERIFY(!cancels.skips(8, at(kMonday, 22, 0, 30)));
    cancels.dropBefore(scheduler::wallMinute(at(kMonday, 22, 1)));
    QVERIFY(cancels.skips(7, at(kMonday, 22, 1, 0)));
    cancels.forget(7);
    QVERIFY(cancels.empty());
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
    scheduler::RunCancels cancels;
    scheduler::WarningSchedule schedule;
    QDateTime now = at(kMonday, 21, 55);
    QCOMPARE(texts(schedule.take(scheduler::planRuns(rows, now, cancels), rows, now)),
             QStringList{u"5分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs});
    now = now.addSecs(30);
    cancels.add(rows.rowKey(1), scheduler::wallMinute(at(kMonday, 22, 0)));
    QCOMPARE(texts(schedule.take(scheduler::planRuns(rows, now, cancels), rows, now)),
             QStringList{u"5分後に再起動します（2026/12/07 22:00、項目番号=2）"_qs});
}

// The window's keys are item addresses, which a new row may get again after a delete.
void TestPlan::keyOfADeletedRowComesBack() {
    FakeRows rows;
    rows.add(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    scheduler::WarningSchedule schedule;
    const QDateTime now = at(kMonday, 21, 56);
    const std::vector<scheduler::PlannedRun> plan{
        {scheduler::wallMinute(at(kMonday, 22, 0)), 1, 42}};
    QCOMPARE(schedule.take(plan, rows, now).size(), std::size_t{1});
    QVERIFY(schedule.take(plan, rows, now).empty());
    schedule.forget(42);
    QCOMPARE(texts(schedule.take(plan, rows, now)),
             QStringList{u"4分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs});
}

void TestPlan::description_data() {
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("expected");
    QTest::newRow("weekly with both options")
        << u"毎週：4(水曜日) 2026/12/07 22:30:00"_qs << u"シャットダウン"_qs
        << u"+SENDMAIL+SAVELOG"_qs
        << u"実行日: 毎週 水曜日 22:30\n行動: シャットダウン\nオプション: メール送信、ログ保存"_qs;
    QTest::newRow("one-off, no options")
        << u"2026/12/7 07:05:00"_qs << u"再起動"_qs << u""_qs
        << u"実行日: 2026/12/07 07:05\n行動: 再起動\nオプション: なし"_qs;
    QTest::newRow("log save only, weekday from the digit")
        << u"毎週：1(月曜日) 2026/12/07 00:00:00"_qs << u"ログオフ"_qs << u"+SAVELOG"_qs
        << u"実行日: 毎週 日曜日 00:00\n行動: ログオフ\nオプション: ログ保存"_qs;
    QTest::newRow("never due, unknown action")
        << u"2026/12/07 7:05:00"_qs << u"シャットダウン "_qs << u"+sendmail"_qs
        << u"実行日: 2026/12/07 7:05:00（この日時では実行されません）\n"
           u"行動: なし（電源操作は行いません）\nオプション: なし"_qs;
}

void TestPlan::description() {
    QFETCH(QString, when);
    QFETCH(QString, action);
    QFETCH(QString, options);
    QFETCH(QString, expected);
    QCOMPARE(schedule::entryDescription(when, action, options), expected);
}

QTEST_GUILESS_MAIN(TestPlan)
#include "tst_plan.moc"
