// The log line's form and the daily log file.
#include "notify/logline.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tovik;

class TestLogFile : public QObject {
    Q_OBJECT
private slots:
    void lineForm();
    void appendsBlocks();
    void missingFolderIsAnError();

private:
    const QDateTime m_now{QDate(2026, 12, 6), QTime(7, 5, 9)};
};

void TestLogFile::lineForm() {
    QCOMPARE(notify::logLine(u"X"_qs, m_now), u"X - 2026/12/06 7:05:09"_qs);
    QCOMPARE(notify::logLine(QString(), m_now), u" - 2026/12/06 7:05:09"_qs);
    QCOMPARE(notify::logLine(u"midnight"_qs, QDateTime(QDate(2026, 12, 7), QTime(0, 0))),
             u"midnight - 2026/12/07"_qs);
}

void TestLogFile::appendsBlocks() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"log"_qs) + QDir::separator();
    QVERIFY(QDir(dir.path()).mkdir(u"log"_qs));
    QVERIFY(!notify::SaveLogFile(folder, u"a - t1\r\nログオフ①～😀"_qs, m_now.date()).failed());
    QVERIFY(!notify::SaveLogFile(folder, u"a - t1\r\nb - t2"_qs, m_now.date()).failed());
    QFile f(dir.filePath(u"log/2026_12_06.log"_qs));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(),
             QByteArray("a - t1\r\n\x83\x8D\x83\x4F\x83\x49\x83\x74\x87\x40\x81\x60?\r\n"
                        "a - t1\r\nb - t2\r\n"));
}

void TestLogFile::missingFolderIsAnError() {
    QTemporaryDir dir;
    const auto error =
        notify::SaveLogFile(dir.filePath(u"log"_qs) + QDir::separator(), u"x"_qs, m_now.date());
    QCOMPARE(error.number, 76);
    QVERIFY(!QDir(dir.filePath(u"log"_qs)).exists());
}

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_logfile.moc"
