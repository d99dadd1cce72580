// The Runner over a list, a set clock and recorded actions: what it does when the clock
// jumps, and a run postponed from its warning.
#include "scheduler/runner.h"
#include "support/fakerows.h"
#include "support/fixedclock.h"
#include "support/recordingactions.h"
#include "support/recordingchannel.h"

#include <QTest>

using namespace tovik;

namespace {

const QDate kMonday(2026, 12, 7);

QDateTime at(int hour, int minute, int second = 0, int day = 0) {
    return QDateTime(kMonday.addDays(day), QTime(hour, minute, second));
}

struct Rig {
    testing::FakeRows rows;
    testing::RecordingActions actions;
    testing::FixedClock clock;
    testing::RecordingChannel* channel = nullptr;
    QStringList lines; // the runner's own log lines
    std::unique_ptr<scheduler::Runner> runner;

    void start(const QDateTime& now) {
        clock.value = now;
        runner = std::make_unique<scheduler::Runner>(rows, actions, clock);
        QObject::connect(runner.get(), &scheduler::Runner::logLine,
                         [this](const QString& line) { lines << line; });
        auto recording = std::make_unique<testing::RecordingChannel>();
        channel = recording.get();
        runner->start(std::move(recording));
    }
    // The clock runs from..to in steps, with the timer's work done by hand.
    void run(const QDateTime& from, const QDateTime& to, int step = 5) {
        for (QDateTime t = from; t <= to; t = t.addSecs(step)) {
            clock.value = t;
            runner->check();
            runner->tick();
        }
    }
};

} // namespace

class TestRunner : public QObject {
    Q_OBJECT
private slots:
    void clockJumps_data();
    void clockJumps();
    void postponedFromTheWarning();
};

// A run carried out is never carried out again when its wall-clock minute comes back; runs
// jumped over are logged as not carried out, and never carried out late.
void TestRunner::clockJumps_data() {
    QTest::addColumn<QDateTime>("jumpFrom");
    QTest::addColumn<QDateTime>("jumpTo");
    QTest::addColumn<int>("foundLines");
    QTest::addColumn<QStringList>("skipped");
    QTest::newRow("put back 10 minutes after both runs")
        << at(22, 2) << at(21, 52) << 2 << QStringList();
    QTest::newRow("the autumn hour again") << at(22, 2) << at(21, 2) << 2 << QStringList();
    QTest::newRow("forward over both runs")
        << at(21, 59, 50) << at(22, 2, 30) << 0
        << QStringList{
               u"項目番号=1（2026/12/07 22:00）は時刻が変わったため実行されませんでした"_qs,
               u"項目番号=2（2026/12/07 22:01）は時刻が変わったため実行されませんでした"_qs};
    QTest::newRow("forward into the second run's minute")
        << at(21, 59, 55) << at(22, 1, 5) << 1
        << QStringList{
               u"項目番号=1（2026/12/07 22:00）は時刻が変わったため実行されませんでした"_qs};
}

void TestRunner::clockJumps() {
    QFETCH(QDateTime, jumpFrom);
    QFETCH(QDateTime, jumpTo);
    QFETCH(int, foundLines);
    QFETCH(QStringList, skipped);
    Rig rig;
    rig.rows.add(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs, u"+SENDMAIL"_qs);
    rig.rows.add(u"毎週：2(月曜日) 2026/12/07 22:01:00"_qs, u"再起動"_qs, u"+SENDMAIL"_qs);
    rig.start(at(21, 50));
    rig.run(at(21, 50), jumpFrom);
    rig.run(jumpTo, at(22, 5));
    QCOMPARE(rig.actions.calls.filter(u"実行条件が見つかりました"_qs).size(), foundLines);
    QCOMPARE(rig.actions.calls.count(u"mail"_qs), foundLines);
    QCOMPARE(rig.lines.filter(u"時刻が変わったため"_qs), skipped);
    // A warning of a run jumped over is taken back.
    if (!skipped.isEmpty())
        QVERIFY(rig.channel->withdrawn.contains(rig.rows.rowKey(1)));
}

// "15分延期" moves the run by 15 minutes, with fresh warnings, at most three times; the run
// is carried out once, at its new minute, and a postpone after that does nothing.
void TestRunner::postponedFromTheWarning() {
    Rig rig;
    rig.rows.add(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    rig.start(at(21, 55));
    QCOMPARE(rig.channel->texts(),
             QStringList{u"5分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs});
    rig.channel->choosePostpone();
    QCOMPARE(rig.lines.last(), u"項目番号=1 の実行を 22:15 に延期しました"_qs);
    QCOMPARE(rig.channel->withdrawn.size(), 1);
    rig.run(at(21, 55, 5), at(22, 14, 30));
    QVERIFY(rig.actions.requests().isEmpty());
    QCOMPARE(rig.channel->texts().mid(1),
             (QStringList{u"5分後にシャットダウンします（2026/12/07 22:15、項目番号=1）"_qs,
                          u"1分後にシャットダウンします（2026/12/07 22:15、項目番号=1）"_qs}));
    // Twice more, from the tray; the third postponement is the last the warning offers.
    rig.runner->postponeNext();
    rig.runner->postponeNext();
    QCOMPARE(rig.lines.last(), u"項目番号=1 の実行を 22:45 に延期しました"_qs);
    rig.run(at(22, 14, 35), at(22, 40, 0));
    QVERIFY(!rig.channel->warnings.back().canPostpone);
    const int before = rig.lines.size();
    rig.channel->choosePostpone();
    QCOMPARE(rig.lines.size(), before);
    rig.run(at(22, 40, 5), at(22, 47));
    QCOMPARE(rig.actions.calls.filter(u"実行条件が見つかりました"_qs).size(), 1);
    QCOMPARE(rig.actions.requests().size(), 12); // the whole minute 22:45
    const int lines = rig.lines.size();
    rig.runner->postpone(rig.rows.rowKey(1), text::WallMinute(kMonday, 22 * 60 + 45));
    QCOMPARE(rig.lines.size(), lines);
}

QTEST_GUILESS_MAIN(TestRunner)
#include "tst_runner.moc"
