// The due test and one tick's walk, with a settable clock and recorded actions.
#include "scheduler/funcs.h"
#include "scheduler/tick.h"
#include "support/fakerows.h"
#include "support/fixedclock.h"
#include "support/recordingactions.h"

#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace tovik;
using tovik::testing::FakeRows;

namespace {

// The tick's calls, and what one tick leaves for the next.
struct Recorder : testing::RecordingActions {
    scheduler::TickMemory memory;
    scheduler::RunRecord record;
};

power::Outcome refused() {
    return power::Outcome::notDone(power::Outcome::Reason::Refused);
}

} // namespace

class TestTick : public QObject {
    Q_OBJECT
private slots:
    void init() {
        // Sunday 2026/12/06 12:30:45.
        m_now = QDateTime(QDate(2026, 12, 6), QTime(12, 30, 45));
    }
    void isDue_data();
    void isDue();
    void minuteBoundaries();
    void theRoad();
    void oncePerDueMinute_data();
    void oncePerDueMinute();
    void optionsAndActions_data();
    void optionsAndActions();
    void firstDueWins();
    void failedLogSave();
    void listChangesDuringTheWalk();
    void midnight();
    void fileStatus();

private:
    int tick(const FakeRows& rows, Recorder& r) {
        return scheduler::runTick(rows, r, r.memory, m_clock, r.record).position;
    }

    testing::FixedClock m_clock;
    QDateTime& m_now = m_clock.value;
};

void TestTick::isDue_data() {
    QTest::addColumn<QString>("when");
    QTest::addColumn<bool>("due");
    QTest::newRow("one-off now") << u"2026/12/06 12:30:00"_qs << true;
    QTest::newRow("one-off seconds not compared") << u"2026/12/06 12:30:59"_qs << true;
    QTest::newRow("one-off minute passed") << u"2026/12/06 12:29:00"_qs << false;
    QTest::newRow("one-off other day") << u"2026/12/07 12:30:00"_qs << false;
    QTest::newRow("one-off one-digit month and day") << u"2026/12/6 12:30:00"_qs << true;
    QTest::newRow("weekly Sunday, any date") << u"毎週：1(日曜日) 1999/01/01 12:30:00"_qs << true;
    QTest::newRow("weekly Saturday") << u"毎週：7(土曜日) 2026/12/06 12:30:00"_qs << false;
    QTest::newRow("weekly wrong minute") << u"毎週：1(日曜日) 2026/12/06 12:31:00"_qs << false;
    QTest::newRow("weekly digit 0") << u"毎週：0(日曜日) 2026/12/06 12:30:00"_qs << false;
    QTest::newRow("weekly digit 8") << u"毎週：8(日曜日) 2026/12/06 12:30:00"_qs << false;
    QTest::newRow("weekly digit 9") << u"毎週：9(日曜日) 2026/12/06 12:30:00"_qs << false;
    QTest::newRow("weekly not a digit") << u"毎週：X(日曜日) 2026/12/06 12:30:00"_qs << false;
    QTest::newRow("full-width colon forces weekly") << u"2026/12/06 12:30:00 ："_qs << false;
    QTest::newRow("ASCII colon is not weekly") << u"毎週:1(日曜日) 2026/12/06 12:30:00"_qs << false;
    QTest::newRow("two blanks shift the fields") << u"2026/12/06  12:30:00"_qs << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("date only") << u"2026/12/06"_qs << false;
    QTest::newRow("short time") << u"2026/12/06 12:3"_qs << false;
    QTest::newRow("bad date") << u"2026/02/30 12:30:00"_qs << false;
    QTest::newRow("weekly too short") << u"毎週："_qs << false;
    QTest::newRow("weekly without time field") << u"毎週：1(日曜日) 2026/12/06"_qs << false;
    QTest::newRow("three-character weekly") << u"ab："_qs << false;
    QTest::newRow("set: weekdays, on a Sunday")
        << u"毎週：0(月火水木金) 2026/12/06 12:30:00"_qs << false;
    QTest::newRow("set: Sunday and Wednesday") << u"毎週：0(日水) 2026/12/01 12:30:00"_qs << true;
    QTest::newRow("set: every day") << u"毎週：0(日月火水木金土) 2026/12/01 12:30:00"_qs << true;
    QTest::newRow("set out of order") << u"毎週：0(月日) 2026/12/06 12:30:00"_qs << false;
    QTest::newRow("set repeated") << u"毎週：0(日日) 2026/12/06 12:30:00"_qs << false;
    QTest::newRow("set empty") << u"毎週：0() 2026/12/06 12:30:00"_qs << false;
    QTest::newRow("set glued to its date") << u"毎週：0(日)2026/12/06 12:30:00 x"_qs << false;
}

void TestTick::isDue() {
    QFETCH(QString, when);
    QFETCH(bool, due);
    QCOMPARE(scheduler::isDue(when, m_now), due);
}

void TestTick::minuteBoundaries() {
    const QString when = u"2026/12/06 12:30:00"_qs;
    m_now.setTime(QTime(12, 30, 0));
    QVERIFY(scheduler::isDue(when, m_now));
    m_now.setTime(QTime(12, 30, 59));
    QVERIFY(scheduler::isDue(when, m_now));
    m_now.setTime(QTime(12, 31, 0));
    QVERIFY(!scheduler::isDue(when, m_now));
    m_now.setTime(QTime(12, 29, 59));
    QVERIFY(!scheduler::isDue(when, m_now));
}

void TestTick::theRoad() {
    FakeRows rows;
    rows.add(u"2026/12/06 11:00:00"_qs, u"再起動"_qs);
    rows.add(u"2026/12/06 12:30:00"_qs, u"シャットダウン"_qs, u"+SENDMAIL+SAVELOG"_qs);
    Recorder r;
    QCOMPARE(tick(rows, r), 2);
    QCOMPARE(r.calls,
             (QStringList{u"log:実行条件が見つかりました。項目番号=2"_qs, u"mail"_qs, u"savelog"_qs,
                          u"log:シャットダウンを実行します。"_qs, u"power:1"_qs}));
    QCOMPARE(r.yields, 2);
}

// The system did not end the program at once: the rest of the minute repeats only the
// request, and nothing at all while a password prompt waits. A log save that fails is tried
// again, and at the minute's last tick the action goes ahead without it. A mail promised the
// action: when it does not happen, a second mail says why, once.
void TestTick::oncePerDueMinute_data() {
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<bool>("awaiting");
    QTest::addColumn<int>("saveError");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("later");
    QTest::addColumn<QStringList>("last");
    const QStringList found{u"mail"_qs, u"savelog"_qs};
    const QString line = u"log:再起動を実行します。"_qs;
    const QStringList power{u"power:2"_qs};
    QTest::newRow("accepted") << false << false << 0 << found + QStringList{line, u"power:2"_qs}
                              << power << power;
    const QString why = u"再起動できませんでした::システムが許可しませんでした"_qs;
    QTest::newRow("refused: one line saying why, one mail")
        << true << false << 0
        << found + QStringList{line, u"power:2"_qs, u"log:"_qs + why, u"notdone:"_qs + why} << power
        << power;
    QTest::newRow("password prompt open")
        << false << true << 0 << found + QStringList{line, u"power:2"_qs} << QStringList()
        << QStringList();
    const QString without = u"ログファイルを保存できないまま再起動を実行します"_qs;
    QTest::newRow("log save failing: tried again, then done without it")
        << false << false << 61
        << QStringList{u"mail"_qs, u"savelog"_qs,
                       u"log:ログファイルを保存できませんでした::61::"
                       u"ディスクの空き容量が不足しています。"_qs}
        << QStringList{u"savelog"_qs}
        << QStringList{u"savelog"_qs, u"log:"_qs + without, u"notdone:"_qs + without, line,
                       u"power:2"_qs};
}

void TestTick::oncePerDueMinute() {
    QFETCH(bool, refuse);
    QFETCH(bool, awaiting);
    QFETCH(int, saveError);
    QFETCH(QStringList, first);
    QFETCH(QStringList, later);
    QFETCH(QStringList, last);
    const auto foundAt = [](int position) {
        return u"log:実行条件が見つかりました。項目番号="_qs + QString::number(position);
    };
    FakeRows rows;
    rows.add(u"2026/12/06 09:00:00"_qs, u"ログオフ"_qs);
    rows.add(u"毎週：1(日曜日) 2026/12/06 12:30:00"_qs, u"再起動"_qs, u"+SENDMAIL+SAVELOG"_qs);
    Recorder r;
    if (refuse)
        r.outcome = refused();
    r.saveError = text::errorFor(saveError);
    m_now.setTime(QTime(12, 30, 1));
    QCOMPARE(tick(rows, r), 2);
    QCOMPARE(r.calls, QStringList{foundAt(2)} + first);
    r.awaiting = awaiting;
    for (int second : {6, 11}) {
        r.calls.clear();
        m_now.setTime(QTime(12, 30, second));
        QCOMPARE(tick(rows, r), 2);
        QCOMPARE(r.calls, later);
    }
    // A row deleted above it moves the entry, but it is still the one carried out.
    rows.remove(1);
    r.calls.clear();
    QCOMPARE(tick(rows, r), 1);
    QCOMPARE(r.calls, later);
    r.calls.clear();
    m_now.setTime(QTime(12, 30, 56));
    QCOMPARE(tick(rows, r), 1);
    QCOMPARE(r.calls, last);
    // The clock put back over the minute: it is not carried out again.
    r.calls.clear();
    m_now.setTime(QTime(12, 20, 0));
    tick(rows, r);
    m_now.setTime(QTime(12, 30, 20));
    QCOMPARE(tick(rows, r), 0);
    QVERIFY(r.calls.isEmpty());
    // Its next due minute, a week on, does all of it again.
    r.calls.clear();
    r.awaiting = false;
    m_now = m_now.addDays(7);
    QCOMPARE(tick(rows, r), 1);
    QCOMPARE(r.calls, QStringList{foundAt(1)} + first);
}

void TestTick::optionsAndActions_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("tokens reversed: mail still first")
        << u"再起動"_qs << u"+SAVELOG+SENDMAIL"_qs
        << QStringList{u"mail"_qs, u"savelog"_qs, u"log:再起動を実行します。"_qs, u"power:2"_qs};
    QTest::newRow("lower-case token is no token")
        << u"ログオフ"_qs << u"+sendmail"_qs
        << QStringList{u"log:ログオフを実行します。"_qs, u"power:0"_qs};
    QTest::newRow("unknown action word")
        << u"シャットダウン "_qs << u"+SENDMAIL"_qs << QStringList{u"mail"_qs};
    QTest::newRow("no options") << u"シャットダウン"_qs << QString()
                                << QStringList{u"log:シャットダウンを実行します。"_qs,
                                               u"power:1"_qs};
}

void TestTick::optionsAndActions() {
    QFETCH(QString, action);
    QFETCH(QString, options);
    QFETCH(QStringList, after);
    FakeRows rows;
    rows.add(u"毎週：1(日曜日) 2020/01/01 12:30:00"_qs, action, options);
    Recorder r;
    tick(rows, r);
    QCOMPARE(r.calls, QStringList{u"log:実行条件が見つかりました。項目番号=1"_qs} + after);
}

void TestTick::firstDueWins() {
    FakeRows rows;
    rows.add(u"2026/12/06 12:30:00"_qs, u"再起動"_qs);
    rows.add(u"2026/12/06 12:30:00"_qs, u"シャットダウン"_qs);
    rows.remove(1); // the found line names the position, not the number column ("2")
    rows.add(u"2026/12/06 12:30:00"_qs, u"ログオフ"_qs);
    Recorder r;
    QCOMPARE(tick(rows, r), 1);
    QCOMPARE(r.calls.first(), u"log:実行条件が見つかりました。項目番号=1"_qs);
    QCOMPARE(r.calls.last(), u"power:1"_qs);

    FakeRows none;
    none.add(u"2026/12/06 12:31:00"_qs, u"再起動"_qs);
    Recorder quiet;
    QCOMPARE(tick(none, quiet), 0);
    QVERIFY(quiet.calls.isEmpty());
    FakeRows empty;
    QCOMPARE(tick(empty, quiet), 0);
    QCOMPARE(quiet.yields, 1);
}

void TestTick::failedLogSave() {
    FakeRows rows;
    rows.add(u"2026/12/06 12:30:00"_qs, u"シャットダウン"_qs, u"+SAVELOG"_qs);
    Recorder r;
    r.saveError = text::errorFor(76);
    tick(rows, r);
    QCOMPARE(
        r.calls,
        (QStringList{u"log:実行条件が見つかりました。項目番号=1"_qs, u"savelog"_qs,
                     u"log:ログファイルを保存できませんでした::76::パスが見つかりません。"_qs}));
}

void TestTick::listChangesDuringTheWalk() {
    // Deleted during a yield: the walk stops at the new end instead of reading past it.
    FakeRows rows;
    for (int i = 0; i < 3; ++i)
        rows.add(u"2026/12/06 09:00:00"_qs, u"再起動"_qs);
    Recorder r;
    r.onYield = [&] {
        if (r.yields == 2) {
            rows.remove(3);
            rows.remove(2);
        }
    };
    QCOMPARE(tick(rows, r), 0);
    QCOMPARE(r.yields, 2);

    // Added during the walk: left for the next tick.
    FakeRows grow;
    grow.add(u"2026/12/06 09:00:00"_qs, u"再起動"_qs);
    Recorder g;
    g.onYield = [&] { grow.add(u"2026/12/06 12:30:00"_qs, u"再起動"_qs); };
    QCOMPARE(tick(grow, g), 0);
    Recorder next;
    QCOMPARE(tick(grow, next), 2);
}

void TestTick::midnight() {
    FakeRows rows;
    rows.add(u"2026/12/07 00:00:00"_qs, u"再起動"_qs);
    rows.add(u"毎週：2(月曜日) 2026/12/06 00:00:00"_qs, u"ログオフ"_qs);
    m_now = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 58));
    Recorder before;
    QCOMPARE(tick(rows, before), 0);
    m_now = QDateTime(QDate(2026, 12, 7), QTime(0, 0, 3));
    Recorder after;
    QCOMPARE(tick(rows, after), 1);
    rows.remove(1);
    Recorder weekly;
    QCOMPARE(tick(rows, weekly), 1);
    QCOMPARE(weekly.calls.last(), u"power:0"_qs);
}

void TestTick::fileStatus() {
    QTemporaryDir dir;
    QCOMPARE(Funcs::FileStatus(dir.filePath(u"schedule.ini"_qs)), 10);
    QVERIFY(QDir(dir.path()).mkdir(u"schedule.ini"_qs));
    QCOMPARE(Funcs::FileStatus(dir.filePath(u"schedule.ini"_qs)), 10);
    QFile f(dir.filePath(u"e-mail.ini"_qs));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QCOMPARE(Funcs::FileStatus(dir.filePath(u"e-mail.ini"_qs)), 0);
}

QTEST_GUILESS_MAIN(TestTick)
#include "tst_tick.moc"
