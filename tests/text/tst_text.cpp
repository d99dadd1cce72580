// CP932, line ends, the fixed date forms and the file error numbers.
#include "support/faildevice.h"
#include "support/testfiles.h"
#include "text/cp932.h"
#include "text/dateforms.h"
#include "text/fileio.h"
#include "text/textlines.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tovik::text;

class TestText : public QObject {
    Q_OBJECT
private slots:
    void cp932_data();
    void cp932();
    void cp932InvalidBytes_data();
    void cp932InvalidBytes();
    void cp932Unencodable();
    void settingsEncoding();
    void splitLines_data();
    void splitLines();
    void dateForms();
    void parseDate_data();
    void parseDate();
    void fileErrors();
    void replaceTargets_data();
    void replaceTargets();
};

void TestText::cp932_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("logoff is eight bytes")
        << QStringLiteral("ログオフ") << QByteArray("\x83\x8D\x83\x4F\x83\x49\x83\x74");
    QTest::newRow("backslash stays 5C") << QStringLiteral("a\\b") << QByteArray("a\\b");
    QTest::newRow("tilde stays 7E") << QStringLiteral("~") << QByteArray("~");
    QTest::newRow("wave dash is 81 60") << QStringLiteral("～") << QByteArray("\x81\x60");
    QTest::newRow("circled one is 87 40") << QStringLiteral("①") << QByteArray("\x87\x40");
    QTest::newRow("full-width colon")
        << QStringLiteral("毎週：") << QByteArray("\x96\x88\x8F\x54\x81\x46");
    QTest::newRow("half-width kana") << QStringLiteral("ｱ") << QByteArray("\xB1");
}

void TestText::cp932() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    bool ok = false;
    QCOMPARE(encodeCp932(text, &ok), bytes);
    QVERIFY(ok);
    QCOMPARE(decodeCp932(bytes, &ok), text);
    QVERIFY(ok);
}

void TestText::cp932InvalidBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("lone lead byte at the end")
        << QByteArray("ab\x83") << QStringLiteral("ab\uFFFD");
    QTest::newRow("undefined byte") << QByteArray("a\xA0z") << QStringLiteral("a\uFFFDz");
    QTest::newRow("bad trail byte") << QByteArray("\x83\x20x") << QStringLiteral("\uFFFD x");
}

void TestText::cp932InvalidBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    bool ok = true;
    QCOMPARE(decodeCp932(bytes, &ok), text);
    QVERIFY(!ok);
}

void TestText::cp932Unencodable() {
    bool ok = true;
    QCOMPARE(encodeCp932(QStringLiteral("a😀b€"), &ok), QByteArray("a?b?"));
    QVERIFY(!ok);
    QVERIFY(!fitsCp932(QStringLiteral("😀")));
    QVERIFY(fitsCp932(QStringLiteral("シャットダウン")));
}

void TestText::settingsEncoding() {
    // What CP932 holds is written as CP932; anything else as UTF-8 with a BOM, read back whole.
    QCOMPARE(encodeSettingsText(QStringLiteral("再起動")), QByteArray("\x8D\xC4\x8B\x4E\x93\xAE"));
    const QString emoji = QStringLiteral("本文😀");
    const QByteArray bytes = encodeSettingsText(emoji);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    bool ok = false;
    QCOMPARE(decodeFileText(bytes, &ok), emoji);
    QVERIFY(ok);

    // An invalid byte is reported even beside a genuine U+FFFD, so the original is kept.
    QCOMPARE(decodeFileText("\xEF\xBB\xBF\xEF\xBF\xBD"
                            "a\xFF",
                            &ok),
             u"\uFFFDa\uFFFD"_qs);
    QVERIFY(!ok);
    // Only the first byte-order mark is the file's; a second one is text.
    QCOMPARE(decodeFileText("\xEF\xBB\xBF\xEF\xBB\xBFx", &ok), u"\uFEFFx"_qs);
    QVERIFY(ok);
}

void TestText::splitLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("crlf") << QStringLiteral("a\r\nb\r\n") << QStringList{u"a"_qs, u"b"_qs};
    QTest::newRow("no end on last") << QStringLiteral("a\r\nb") << QStringList{u"a"_qs, u"b"_qs};
    QTest::newRow("lf") << QStringLiteral("a\nb\n") << QStringList{u"a"_qs, u"b"_qs};
    QTest::newRow("lone cr") << QStringLiteral("a\rb\r") << QStringList{u"a"_qs, u"b"_qs};
    QTest::newRow("blank lines kept")
        << QStringLiteral("a\r\n\r\nb") << QStringList{u"a"_qs, u""_qs, u"b"_qs};
    QTest::newRow("cr cr lf") << QStringLiteral("a\r\r\nb")
                              << QStringList{u"a"_qs, u""_qs, u"b"_qs};
    QTest::newRow("only line end") << QStringLiteral("\r\n") << QStringList{u""_qs};
}

void TestText::splitLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(tovik::text::splitLines(text), lines);
}

void TestText::dateForms() {
    const QDate d(2026, 12, 6);
    QCOMPARE(dateText(d), QStringLiteral("2026/12/06"));
    QCOMPARE(generalDateText(QDateTime(d, QTime(7, 5, 9))), QStringLiteral("2026/12/06 7:05:09"));
    QCOMPARE(generalDateText(QDateTime(d, QTime(23, 59, 59))),
             QStringLiteral("2026/12/06 23:59:59"));
    QCOMPARE(generalDateText(QDateTime(d, QTime(0, 0, 0))), QStringLiteral("2026/12/06"));
    QCOMPARE(generalDateText(QDateTime(d, QTime(0, 0, 1))), QStringLiteral("2026/12/06 0:00:01"));
    QCOMPARE(clockText(QTime(7, 5, 9)), QStringLiteral("07:05:09"));
    QCOMPARE(dateText(QDate(987, 1, 2)), QStringLiteral("0987/01/02"));
}

void TestText::parseDate_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("editor form") << u"2026/12/06"_qs << QDate(2026, 12, 6);
    QTest::newRow("one-digit month and day") << u"2027/1/5"_qs << QDate(2027, 1, 5);
    QTest::newRow("leap day") << u"2028/02/29"_qs << QDate(2028, 2, 29);
    QTest::newRow("no leap day") << u"2027/02/29"_qs << QDate();
    QTest::newRow("month 13") << u"2026/13/01"_qs << QDate();
    QTest::newRow("hyphens") << u"2026-12-06"_qs << QDate();
    QTest::newRow("two-digit year") << u"26/12/06"_qs << QDate();
    QTest::newRow("three-digit day") << u"2026/12/006"_qs << QDate();
    QTest::newRow("trailing text") << u"2026/12/06x"_qs << QDate();
    QTest::newRow("empty") << QString() << QDate();
    QTest::newRow("full-width digits") << u"２０２６/12/06"_qs << QDate();
}

void TestText::parseDate() {
    QFETCH(QString, text);
    QFETCH(QDate, date);
    const auto parsed = parseDateText(text);
    QCOMPARE(parsed.has_value(), date.isValid());
    if (parsed)
        QCOMPARE(*parsed, date);
}

void TestText::fileErrors() {
    QTemporaryDir dir;
    QByteArray bytes;
    QCOMPARE(readWholeFile(dir.filePath(u"none.ini"_qs), bytes).number, errors::kFileNotFound);
    QCOMPARE(appendToFile(dir.filePath(u"gone/x.log"_qs), "x").number, errors::kPathNotFound);
    QCOMPARE(replaceFile(dir.filePath(u"gone/x.ini"_qs), "x").number, errors::kPathNotFound);
    QCOMPARE(errorFor(errors::kSubscriptOutOfRange).description,
             QStringLiteral("インデックスが有効範囲にありません。"));
    QCOMPARE(errorFor(errors::kOverflow).description, QStringLiteral("オーバーフローしました。"));

    // A replace that fails leaves the old file whole.
    const QString path = dir.filePath(u"keep.ini"_qs);
    QCOMPARE(replaceFile(path, "old\r\n").number, 0);
    QVERIFY(QDir().mkdir(path + u".tmpdir"_qs));
    // The write fails at the flush, as on a full disk: what QSaveFile would still commit.
    using tovik::testing::FailingDevices;
    QCOMPARE(
        replaceFile(path, "new", FailingDevices(FailingDevices::Failure::Write, ENOSPC)).number,
        61);
    QCOMPARE(replaceFile(path, "new", FailingDevices(FailingDevices::Failure::Write, EIO)).number,
             57);
    QVERIFY(readWholeFile(path, bytes).number == 0);
    QCOMPARE(bytes, QByteArray("old\r\n"));
    // A file that may not be read says so, not that it cannot be written.
    const FileError denied =
        readWholeFile(path, bytes, FailingDevices(FailingDevices::Failure::OpenRead, EACCES));
    QCOMPARE(denied.number, 70);
    QVERIFY2(denied.description.contains(u"読み"_qs), qPrintable(denied.description));
}

// A save replaces a regular file (fileErrors) or a link to one; it refuses, naming the file,
// to turn a FIFO, a folder or a dangling link into a file.
void TestText::replaceTargets_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("link");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("link to a regular file") << u"file"_qs << true << true;
    QTest::newRow("FIFO") << u"fifo"_qs << false << false;
    QTest::newRow("link to a FIFO") << u"fifo"_qs << true << false;
    QTest::newRow("link to nothing") << u"none"_qs << true << false;
    QTest::newRow("link to a folder") << u"folder"_qs << true << false;
}

void TestText::replaceTargets() {
    QFETCH(QString, target);
    QFETCH(bool, link);
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    const QString real = dir.filePath(u"real"_qs);
    const QString path = link ? dir.filePath(u"schedule.ini"_qs) : real;
    if ((target == u"file" && !tovik::testing::writeBytes(real, "old")) ||
        (target == u"folder" && !QDir().mkdir(real)) ||
        (target == u"fifo" && QProcess::execute(u"mkfifo"_qs, {real}) != 0) ||
        (link && !(QFile::link(real, path) && QFileInfo(path).isSymbolicLink())))
        QSKIP("no FIFOs or symbolic links here");
    const FileError e = replaceFile(path, "new");
    QCOMPARE(e.failed(), !replaced);
    QCOMPARE(QFileInfo(path).isSymbolicLink(), link);
    QCOMPARE(QFileInfo::exists(real), replaced || target != u"none");
    QCOMPARE(QFileInfo(real).isFile(), replaced);
    if (replaced)
        QCOMPARE(tovik::testing::readBytes(real), QByteArray("new"));
    else
        QVERIFY2(e.description.contains(QDir::toNativeSeparators(path)), qPrintable(e.description));
}

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
