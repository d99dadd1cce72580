// schedule.ini: loading, saving, the error box's numbers, and keeping unread lines.
#include "schedule/entrydescription.h"
#include "schedule/entrytext.h"
#include "schedule/schedulefile.h"
#include "support/faildevice.h"
#include "support/fakerows.h"
#include "support/testfiles.h"
#include "text/cp932.h"
#include "text/fileio.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tovik;
using tovik::testing::FailingDevices;
using tovik::testing::FakeRows;
using tovik::testing::readBytes;
using tovik::testing::RecordingReporter;
using tovik::testing::sj;
using tovik::testing::writeBytes;

namespace {

const QString kOneOff = QStringLiteral("2026/12/06 23:30:00");
const QString kWeekly = QStringLiteral("毎週：6(金曜日) 2026/12/06 18:00:00");
const QString kWeekdays = QStringLiteral("毎週：0(月火水木金) 2026/12/10 18:00:00");

} // namespace

class TestScheduleFile : public QObject {
    Q_OBJECT
private slots:
    void description_data();
    void description();
    void init() { QVERIFY(m_dir.isValid()); }
    void exampleFileLoadsAndRoundTrips();
    void lineEndsAndEncodings_data();
    void lineEndsAndEncodings();
    void faultyLines_data();
    void faultyLines();
    void tooManyLines();
    void yieldsBeforeEachLine();
    void backupKeepsUnreadLines();
    void invalidBytesAreKeptInBackup();
    void saveOfEmptyListLeavesFile();
    void failedSaveKeepsOldFile();
    void textCp932CannotHoldIsKept();
    void removeKeepsNumbers();
    void editorForms_data();
    void editorForms();
    void countdown_data();
    void countdown();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("schedule.ini")); }
    schedule::LoadResult load(FakeRows& rows, RecordingReporter& reporter) const {
        return schedule::LoadSchedule(
            path(), rows, [] {}, reporter);
    }
    QTemporaryDir m_dir;
};

void TestScheduleFile::exampleFileLoadsAndRoundTrips() {
    const QByteArray file = sj(kOneOff + u",シャットダウン,+SENDMAIL+SAVELOG\r\n"_qs + kWeekly +
                               u",ログオフ,\r\n"_qs + kWeekdays + u",再起動,\r\n"_qs);
    writeBytes(path(), file);
    FakeRows rows;
    RecordingReporter reporter;
    const auto result = load(rows, reporter);
    QVERIFY(result.complete);
    QVERIFY(reporter.errors.isEmpty());
    QCOMPARE(rows.dump(), (QStringList{u"1|"_qs + kOneOff + u"|シャットダウン|+SENDMAIL+SAVELOG"_qs,
                                       u"2|"_qs + kWeekly + u"|ログオフ|"_qs,
                                       u"3|"_qs + kWeekdays + u"|再起動|"_qs}));
    // Saved again byte for byte; "ログオフ" takes eight bytes.
    QVERIFY(QFile::remove(path()));
    bool keep = false;
    schedule::SaveSchedule(path(), rows, reporter, keep);
    QCOMPARE(readBytes(path()), file);
    QVERIFY(file.contains(QByteArray("\x83\x8D\x83\x4F\x83\x49\x83\x74,\r\n")));
}

void TestScheduleFile::lineEndsAndEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    const QString a = u"1|"_qs + kOneOff + u"|再起動|"_qs;
    const QString b = u"2|"_qs + kWeekly + u"|ログオフ|+SAVELOG"_qs;
    const QString la = kOneOff + u",再起動,"_qs;
    const QString lb = kWeekly + u",ログオフ,+SAVELOG"_qs;
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("last line without CR LF") << sj(la + u"\r\n"_qs + lb) << QStringList{a, b};
    QTest::newRow("LF only") << sj(la + u"\n"_qs + lb + u"\n"_qs) << QStringList{a, b};
    QTest::newRow("lone CR") << sj(la + u"\r"_qs + lb + u"\r"_qs) << QStringList{a, b};
    QTest::newRow("UTF-8 with BOM")
        << QByteArray("\xEF\xBB\xBF") + (la + u"\r\n"_qs + lb).toUtf8() << QStringList{a, b};
}

void TestScheduleFile::lineEndsAndEncodings() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    writeBytes(path(), bytes);
    FakeRows rows;
    RecordingReporter reporter;
    QVERIFY(load(rows, reporter).complete);
    QVERIFY(reporter.errors.isEmpty());
    QCOMPARE(rows.dump(), expected);
}

void TestScheduleFile::faultyLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("error");
    QTest::newRow("four fields load three")
        << sj(u"w,a,o,extra\r\n"_qs) << QStringList{u"1|w|a|o"_qs} << 0;
    QTest::newRow("two fields stop the load") << sj(u"w1,a1,o1\r\nw,a\r\nw3,a3,o3\r\n"_qs)
                                              << QStringList{u"1|w1|a1|o1"_qs, u"2|w|a|"_qs} << 9;
    QTest::newRow("one field") << sj(u"just text\r\n"_qs) << QStringList{u"1|just text||"_qs} << 9;
    QTest::newRow("empty line") << sj(u"w1,a1,\r\n\r\nw3,a3,\r\n"_qs)
                                << QStringList{u"1|w1|a1|"_qs, u"2|||"_qs} << 9;
    QTest::newRow("binary") << QByteArray("\x00\x01\x02\xFF\xFE", 5)
                            << QStringList{u"1|\u0000\u0001\u0002\uFFFD\uFFFD||"_qs} << 9;
    QTest::newRow("a 1 MB line") << QByteArray(1 << 20, 'x') + ",a,o\r\n"
                                 << QStringList{u"1|"_qs + QString(1 << 20, u'x') + u"|a|o"_qs}
                                 << 0;
}

void TestScheduleFile::faultyLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QFETCH(int, error);
    writeBytes(path(), bytes);
    FakeRows rows;
    RecordingReporter reporter;
    const auto result = load(rows, reporter);
    QCOMPARE(rows.dump(), expected);
    QCOMPARE(reporter.errors.size(), error ? 1 : 0);
    if (error) {
        QCOMPARE(reporter.errors.first().number, error);
        QVERIFY(!result.complete);
        QCOMPARE(schedule::fileErrorMessage(reporter.errors.first()),
                 QStringLiteral("エラーが生じました。\r\nエラー番号:9\r\n内容:"
                                "インデックスが有効範囲にありません。"));
    }
}

void TestScheduleFile::tooManyLines() {
    QByteArray bytes;
    for (int i = 1; i <= 32768; ++i)
        bytes += "w" + QByteArray::number(i) + ",a,\r\n";
    writeBytes(path(), bytes);
    FakeRows rows;
    RecordingReporter reporter;
    const auto result = load(rows, reporter);
    QCOMPARE(rows.count(), 32767);
    QCOMPARE(rows.text(32767, schedule::Column::When), u"w32767"_qs);
    QCOMPARE(reporter.errors.size(), 1);
    QCOMPARE(reporter.errors.first().number, 6);
    QVERIFY(!result.complete);

    // Exactly 32767 lines is no error.
    bytes.truncate(bytes.lastIndexOf("w32768"));
    writeBytes(path(), bytes);
    FakeRows full;
    RecordingReporter quiet;
    QVERIFY(load(full, quiet).complete);
    QCOMPARE(full.count(), 32767);
    QVERIFY(quiet.errors.isEmpty());
}

void TestScheduleFile::yieldsBeforeEachLine() {
    writeBytes(path(), "a,b,c\r\nd,e,f\r\ng,h,i\r\n");
    FakeRows rows;
    RecordingReporter reporter;
    QList<int> seen;
    // What a handler running in the yield sees: the entries loaded so far, complete.
    schedule::LoadSchedule(
        path(), rows, [&] { seen << rows.count(); }, reporter);
    QCOMPARE(seen, (QList<int>{0, 1, 2}));
}

void TestScheduleFile::backupKeepsUnreadLines() {
    const QByteArray original = "a,b,c\r\nbroken\r\nd,e,f\r\n";
    writeBytes(path(), original);
    FakeRows rows;
    RecordingReporter reporter;
    bool keep = !load(rows, reporter).complete;
    QVERIFY(keep);
    rows.add(u"x"_qs, u"y"_qs);
    schedule::SaveSchedule(path(), rows, reporter, keep);
    QVERIFY(!keep);
    QCOMPARE(readBytes(path() + u".bak"_qs), original);
    QCOMPARE(readBytes(path()), QByteArray("a,b,c\r\nbroken,,\r\nx,y,\r\n"));
    // A second save does not overwrite the kept original.
    rows.add(u"z"_qs, u"z"_qs);
    schedule::SaveSchedule(path(), rows, reporter, keep);
    QCOMPARE(readBytes(path() + u".bak"_qs), original);
}

void TestScheduleFile::invalidBytesAreKeptInBackup() {
    const QByteArray original = "a\xA0,b,c\r\n";
    writeBytes(path(), original);
    FakeRows rows;
    RecordingReporter reporter;
    bool keep = !load(rows, reporter).complete;
    QVERIFY(reporter.errors.isEmpty());
    QVERIFY(keep);
    schedule::SaveSchedule(path(), rows, reporter, keep);
    QCOMPARE(readBytes(path() + u".bak"_qs), original);
}

void TestScheduleFile::saveOfEmptyListLeavesFile() {
    writeBytes(path(), "old,entries,\r\n");
    FakeRows rows;
    RecordingReporter reporter;
    bool keep = false;
    schedule::SaveSchedule(path(), rows, reporter, keep);
    QCOMPARE(readBytes(path()), QByteArray("old,entries,\r\n"));
    QFile::remove(path());
    schedule::SaveSchedule(path(), rows, reporter, keep);
    QVERIFY(!QFile::exists(path()));
    QVERIFY(reporter.errors.isEmpty());
}

void TestScheduleFile::failedSaveKeepsOldFile() {
    writeBytes(path(), "old,entries,\r\n");
    FakeRows rows;
    rows.add(kOneOff, u"再起動"_qs);
    RecordingReporter reporter;
    bool keep = false;
    schedule::SaveSchedule(path(), rows, reporter, keep, false,
                           FailingDevices(FailingDevices::Failure::Write, ENOSPC));
    QCOMPARE(reporter.errors.size(), 1);
    QCOMPARE(reporter.errors.first().number, 61);
    QCOMPARE(readBytes(path()), QByteArray("old,entries,\r\n"));

    // A backup that cannot be made stops the save: the unread lines stay in the file.
    keep = true;
    schedule::SaveSchedule(path(), rows, reporter, keep, false,
                           FailingDevices(FailingDevices::Failure::OpenWrite, EACCES, u".bak"_qs));
    QCOMPARE(reporter.errors.size(), 2);
    QCOMPARE(reporter.errors.last().number, 70);
    QCOMPARE(readBytes(path()), QByteArray("old,entries,\r\n"));
}

void TestScheduleFile::textCp932CannotHoldIsKept() {
    FakeRows rows;
    rows.add(u"w😀"_qs, u"ログオフ"_qs, u"+SAVELOG"_qs);
    RecordingReporter reporter;
    bool keep = false;
    schedule::SaveSchedule(path(), rows, reporter, keep);
    QVERIFY(readBytes(path()).startsWith("\xEF\xBB\xBF"));
    FakeRows back;
    QVERIFY(load(back, reporter).complete);
    QCOMPARE(back.dump(), rows.dump());
}

void TestScheduleFile::removeKeepsNumbers() {
    FakeRows rows;
    rows.add(u"a"_qs, u"x"_qs);
    rows.add(u"b"_qs, u"x"_qs);
    rows.add(u"c"_qs, u"x"_qs);
    schedule::RemoveScheduleItem(rows, 2);
    QCOMPARE(rows.dump(), (QStringList{u"1|a|x|"_qs, u"3|c|x|"_qs}));
}

// The editor writes each form and reads back only what it wrote: a hand-edited text would
// otherwise be "repaired" by the next confirm.
void TestScheduleFile::editorForms_data() {
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("options");
    QTest::addColumn<bool>("editable");
    QTest::newRow("one-off") << kOneOff << u"+SENDMAIL+SAVELOG"_qs << true;
    QTest::newRow("weekly") << kWeekly << u""_qs << true;
    QTest::newRow("weekdays") << kWeekdays << u"+SAVELOG"_qs << true;
    QTest::newRow("every day") << u"毎週：0(日月火水木金土) 2026/12/10 22:00:00"_qs << u""_qs
                               << true;
    QTest::newRow("one-digit day") << u"2026/12/6 23:30:00"_qs << u""_qs << false;
    QTest::newRow("seconds") << u"2026/12/06 23:30:15"_qs << u""_qs << false;
    QTest::newRow("name of another day")
        << u"毎週：6(月曜日) 2026/12/06 18:00:00"_qs << u""_qs << false;
    QTest::newRow("set out of order") << u"毎週：0(水月) 2026/12/06 18:00:00"_qs << u""_qs << false;
    QTest::newRow("options reversed") << kOneOff << u"+SAVELOG+SENDMAIL"_qs << false;
}

void TestScheduleFile::editorForms() {
    QFETCH(QString, when);
    QFETCH(QString, options);
    QFETCH(bool, editable);
    QCOMPARE(schedule::editorEntry(when, u"ログオフ"_qs, options).has_value(), editable);
    QVERIFY(!schedule::editorEntry(kOneOff, u"シャットダウン "_qs, QString()));
    QCOMPARE(schedule::weekdaySetWhenText(0x3E, u"2026/12/10"_qs, u"18"_qs, u"00"_qs), kWeekdays);
    QCOMPARE(schedule::oneOffWhenText(u"2026/12/06"_qs, u"23"_qs, u"30"_qs), kOneOff);
    QCOMPARE(schedule::weeklyWhenText(6, u"金曜日"_qs, u"2026/12/06"_qs, u"18"_qs, u"00"_qs),
             kWeekly);
    QCOMPARE(schedule::optionsText(true, true), u"+SENDMAIL+SAVELOG"_qs);
    QCOMPARE(schedule::optionsText(false, true), u"+SAVELOG"_qs);
    QCOMPARE(schedule::optionsText(false, false), QString());
    QVERIFY(!schedule::actionFor(u"シャットダウン "_qs));
    QCOMPARE(schedule::actionFor(u"ログオフ"_qs)->action, power::PowerAction::LogOff);
    const auto hibernate = schedule::actionFor(u"休止状態"_qs);
    QCOMPARE(hibernate->action, power::PowerAction::Hibernate);
    QCOMPARE(hibernate->line, u"休止状態を実行します。"_qs);
    QCOMPARE(schedule::refusalLine(*hibernate, u"x"_qs), u"休止状態にできませんでした::x"_qs);
    QCOMPARE(schedule::actionFor(u"スリープ"_qs)->action, power::PowerAction::Sleep);
}

void TestScheduleFile::countdown_data() {
    QTest::addColumn<QDateTime>("press");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("when");
    const QDate day(2026, 12, 10);
    QTest::newRow("into the next whole minute")
        << QDateTime(day, QTime(21, 40, 50)) << 30 << u"2026/12/10 22:11:00"_qs;
    QTest::newRow("on a minute's start")
        << QDateTime(day, QTime(21, 40, 0)) << 1 << u"2026/12/10 21:41:00"_qs;
    QTest::newRow("past midnight")
        << QDateTime(day, QTime(23, 50, 0)) << 30 << u"2026/12/11 00:20:00"_qs;
    QTest::newRow("twelve hours, past the year")
        << QDateTime(QDate(2026, 12, 31), QTime(12, 0, 1)) << 720 << u"2027/01/01 00:01:00"_qs;
}

void TestScheduleFile::countdown() {
    QFETCH(QDateTime, press);
    QFETCH(int, minutes);
    QFETCH(QString, when);
    QCOMPARE(schedule::countdownWhenText(press, minutes), when);
    // Right after, the row's tooltip counts down from the chosen minutes.
    QVERIFY(schedule::entryDescription(when, u"再起動"_qs, QString(), press)
                .startsWith(u"実行日: "_qs + QString::number(minutes) + u"分後（"_qs +
                            when.mid(11, 5) + u"）\n"_qs));
}

void TestScheduleFile::description_data() {
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QDateTime>("now");
    const QDateTime kBefore(QDate(2026, 12, 1), QTime(9, 0));
    const QDate day(2026, 12, 7);
    QTest::newRow("weekly with both options")
        << u"毎週：4(水曜日) 2026/12/07 22:30:00"_qs << u"シャットダウン"_qs
        << u"+SENDMAIL+SAVELOG"_qs
        << u"実行日: 毎週 水曜日 22:30\n行動: シャットダウン\nオプション: メール送信、ログ保存"_qs
        << kBefore;
    QTest::newRow("one-off, no options")
        << u"2026/12/7 07:05:00"_qs << u"再起動"_qs << u""_qs
        << u"実行日: 2026/12/07 07:05\n行動: 再起動\nオプション: なし"_qs << kBefore;
    QTest::newRow("log save only, weekday from the digit")
        << u"毎週：1(月曜日) 2026/12/07 00:00:00"_qs << u"ログオフ"_qs << u"+SAVELOG"_qs
        << u"実行日: 毎週 日曜日 00:00\n行動: ログオフ\nオプション: ログ保存"_qs << kBefore;
    QTest::newRow("never due, unknown action")
        << u"2026/12/07 7:05:00"_qs << u"シャットダウン "_qs << u"+sendmail"_qs
        << u"実行日: 2026/12/07 7:05:00（この日時では実行されません）\n"
           u"行動: なし（電源操作は行いません）\nオプション: なし"_qs
        << kBefore;
    QTest::newRow("one-off whose minute has passed")
        << u"2026/12/07 07:05:00"_qs << u"再起動"_qs << u""_qs
        << u"実行日: 2026/12/07 07:05（時刻を過ぎたため実行されません）\n行動: 再起動\n"
           u"オプション: なし"_qs
        << QDateTime(day, QTime(7, 6));
    QTest::newRow("one-off in its minute")
        << u"2026/12/07 07:05:00"_qs << u"再起動"_qs << u""_qs
        << u"実行日: 2026/12/07 07:05\n行動: 再起動\nオプション: なし"_qs
        << QDateTime(day, QTime(7, 5, 59));
    QTest::newRow("countdown, counting down")
        << u"2026/12/08 07:05:00"_qs << u"再起動"_qs << u""_qs
        << u"実行日: 719分後（07:05）\n行動: 再起動\nオプション: なし"_qs
        << QDateTime(day, QTime(19, 5, 59));
    QTest::newRow("further than a countdown offers")
        << u"2026/12/08 07:05:00"_qs << u"再起動"_qs << u""_qs
        << u"実行日: 2026/12/08 07:05\n行動: 再起動\nオプション: なし"_qs
        << QDateTime(day, QTime(19, 3, 59));
    QTest::newRow("weekday sets") << u"毎週：0(月火水木金) 2026/12/07 18:00:00"_qs << u"再起動"_qs
                                  << u""_qs
                                  << u"実行日: 平日 18:00\n行動: 再起動\nオプション: なし"_qs
                                  << kBefore;
    QTest::newRow("every day") << u"毎週：0(日月火水木金土) 2026/12/07 22:00:00"_qs << u"再起動"_qs
                               << u""_qs << u"実行日: 毎日 22:00\n行動: 再起動\nオプション: なし"_qs
                               << kBefore;
    QTest::newRow("other set") << u"毎週：0(月水金) 2026/12/07 22:00:00"_qs << u"再起動"_qs
                               << u""_qs
                               << u"実行日: 毎週 月水金 22:00\n行動: 再起動\nオプション: なし"_qs
                               << kBefore;
}

void TestScheduleFile::description() {
    QFETCH(QString, when);
    QFETCH(QString, action);
    QFETCH(QString, options);
    QFETCH(QString, expected);
    QFETCH(QDateTime, now);
    QCOMPARE(schedule::entryDescription(when, action, options, now), expected);
}

QTEST_GUILESS_MAIN(TestScheduleFile)
#include "tst_schedulefile.moc"
