// e-mail.ini: the five fields, the multi-line body, the status codes, nothing lost.
#include "notify/mailsettings.h"
#include "support/faildevice.h"
#include "support/fakerows.h"
#include "support/testfiles.h"
#include "text/cp932.h"
#include "text/fileio.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tovik;
using tovik::testing::FailingDevices;
using tovik::testing::readBytes;
using tovik::testing::writeBytes;

namespace {

class Fields final : public notify::MailFields {
public:
    Fields() : values{QString(), QString(), QString(), QStringLiteral("From Tovik"), QString()} {}
    QString text(notify::MailField f) const override { return values.at(static_cast<int>(f)); }
    void setText(notify::MailField f, const QString& t) override {
        values[static_cast<int>(f)] = t;
    }
    QStringList values;
};

} // namespace

class TestMailSettings : public QObject {
    Q_OBJECT
private slots:
    void load_data();
    void load();
    void bodyRoundTrips_data();
    void bodyRoundTrips();
    void saveRules();
    void invalidBytesKeepOriginal_data();
    void invalidBytesKeepOriginal();
    void unreadableFile();
    void failedSaveKeepsOldFile();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("e-mail.ini")); }
    QTemporaryDir m_dir;
};

void TestMailSettings::load_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("status");
    const QString subject = QStringLiteral("From Tovik");
    QTest::newRow("five lines")
        << text::encodeCp932(u"smtp.example.jp\r\nto@x.jp\r\nfrom@x.jp\r\n件名\r\n本文\r\n"_qs)
        << QStringList{u"smtp.example.jp"_qs, u"to@x.jp"_qs, u"from@x.jp"_qs, u"件名"_qs,
                       u"本文"_qs}
        << 0;
    QTest::newRow("three lines keep subject and body")
        << QByteArray("s\r\nt\r\nf\r\n")
        << QStringList{u"s"_qs, u"t"_qs, u"f"_qs, subject, QString()} << 0;
    QTest::newRow("empty file changes nothing")
        << QByteArray() << QStringList{QString(), QString(), QString(), subject, QString()} << 0;
    QTest::newRow("lines after the fifth join the body")
        << QByteArray("s\r\nt\r\nf\r\nsub\r\nb1\r\nb2\r\n")
        << QStringList{u"s"_qs, u"t"_qs, u"f"_qs, u"sub"_qs, u"b1\r\nb2"_qs} << 0;
    QTest::newRow("LF only") << QByteArray("s\nt\nf\nsub\nbody")
                             << QStringList{u"s"_qs, u"t"_qs, u"f"_qs, u"sub"_qs, u"body"_qs} << 0;
    QTest::newRow("CR only") << QByteArray("s\rt\rf\rsub\rbody\r")
                             << QStringList{u"s"_qs, u"t"_qs, u"f"_qs, u"sub"_qs, u"body"_qs} << 0;
    QTest::newRow("UTF-8 with BOM")
        << QByteArray("\xEF\xBB\xBF") + u"s\r\nt\r\nf\r\n件名😀\r\n"_qs.toUtf8()
        << QStringList{u"s"_qs, u"t"_qs, u"f"_qs, u"件名😀"_qs, QString()} << 0;
    QTest::newRow("a 1 MB line") << QByteArray(1 << 20, 's') + "\r\n"
                                 << QStringList{QString(1 << 20, u's'), QString(), QString(),
                                                subject, QString()}
                                 << 0;
}

void TestMailSettings::load() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    QFETCH(int, status);
    writeBytes(path(), bytes);
    Fields f;
    int yields = 0;
    const auto result = notify::LoadMailSettings(path(), f, [&] { ++yields; });
    QCOMPARE(result.status, status);
    QCOMPARE(f.values, fields);
    QVERIFY(!result.keepBackup);
}

void TestMailSettings::bodyRoundTrips_data() {
    QTest::addColumn<QString>("body");
    QTest::addColumn<QByteArray>("tail"); // what follows the subject line in the file
    QTest::newRow("empty") << QString() << QByteArray("\r\n");
    QTest::newRow("one line") << u"body"_qs << QByteArray("body\r\n");
    QTest::newRow("several lines") << u"a\nb\nc"_qs << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("ends with a line break") << u"a\n"_qs << QByteArray("a\r\n\r\n");
    QTest::newRow("blank lines inside") << u"a\n\n\nb"_qs << QByteArray("a\r\n\r\n\r\nb\r\n");
}

void TestMailSettings::bodyRoundTrips() {
    QFETCH(QString, body);
    QFETCH(QByteArray, tail);
    Fields f;
    f.values = {u"s"_qs, u"t"_qs, u"f"_qs, u"sub"_qs, body};
    bool keep = false;
    QCOMPARE(notify::SaveMailSettings(path(), f, keep), 0);
    QCOMPARE(readBytes(path()), QByteArray("s\r\nt\r\nf\r\nsub\r\n") + tail);
    Fields back;
    QCOMPARE(notify::LoadMailSettings(path(), back, [] {}).status, 0);
    // The window's body box uses LF; the file's CR LF comes back as the same lines.
    QString read = back.values.at(4);
    QCOMPARE(read.replace(u"\r\n"_qs, u"\n"_qs), body);
}

void TestMailSettings::saveRules() {
    writeBytes(path(), "old\r\n");
    Fields f;
    f.values = {QString(), QString(), QString(), u"changed"_qs, u"body"_qs};
    bool keep = false;
    QCOMPARE(notify::SaveMailSettings(path(), f, keep), -10);
    QCOMPARE(readBytes(path()), QByteArray("old\r\n"));
    QFile::remove(path());
    QCOMPARE(notify::SaveMailSettings(path(), f, keep), -10);
    QVERIFY(!QFile::exists(path()));
    // A blank counts as text; only the sender filled still writes all five lines.
    f.values = {QString(), QString(), u"from@x.jp"_qs, u"From Tovik"_qs, QString()};
    QCOMPARE(notify::SaveMailSettings(path(), f, keep), 0);
    QCOMPARE(readBytes(path()), QByteArray("\r\n\r\nfrom@x.jp\r\nFrom Tovik\r\n\r\n"));
    f.values[2] = u" "_qs;
    QCOMPARE(notify::SaveMailSettings(path(), f, keep), 0);
}

void TestMailSettings::invalidBytesKeepOriginal_data() {
    QTest::addColumn<QByteArray>("original");
    QTest::newRow("bytes that cannot be decoded") << QByteArray("s\xA0\r\nt\r\nf\r\n");
    // The load stops at the line limit; the save would cut the rest.
    QByteArray longBody = "s\r\nt\r\nf\r\nsub\r\n";
    for (int i = 5; i <= 32768; ++i)
        longBody += "line\r\n";
    QTest::newRow("more lines than the limit") << longBody;
}

void TestMailSettings::invalidBytesKeepOriginal() {
    QFETCH(QByteArray, original);
    writeBytes(path(), original);
    Fields f;
    const auto result = notify::LoadMailSettings(path(), f, [] {});
    QCOMPARE(result.status, -1);
    QVERIFY(result.keepBackup);
    bool keep = result.keepBackup;
    QCOMPARE(notify::SaveMailSettings(path(), f, keep), 0);
    QCOMPARE(readBytes(path() + u".bak"_qs), original);
}

void TestMailSettings::unreadableFile() {
    writeBytes(path(), "s\r\nt\r\n");
    Fields f;
    notify::MailLoadResult result;
    result = notify::LoadMailSettings(
        path(), f, [] {}, FailingDevices(FailingDevices::Failure::OpenRead, EACCES));
    QCOMPARE(result.status, -1);
    QCOMPARE(f.values.at(0), QString());
}

void TestMailSettings::failedSaveKeepsOldFile() {
    writeBytes(path(), "old\r\n");
    Fields f;
    f.values = {u"s"_qs, u"t"_qs, u"f"_qs, u"x"_qs, u"y"_qs};
    bool keep = false;
    QCOMPARE(notify::SaveMailSettings(path(), f, keep, nullptr,
                                      FailingDevices(FailingDevices::Failure::Write, ENOSPC)),
             -1);
    QCOMPARE(readBytes(path()), QByteArray("old\r\n"));
    // Unlike the others, a refusal to replace what is no file is reported.
    QVERIFY(QDir().mkdir(m_dir.filePath(u"folder.ini"_qs)));
    testing::RecordingReporter refusals;
    QCOMPARE(notify::SaveMailSettings(m_dir.filePath(u"folder.ini"_qs), f, keep, &refusals), -1);
    QCOMPARE(refusals.errors.size(), 1);
}

QTEST_GUILESS_MAIN(TestMailSettings)
#include "tst_mailsettings.moc"
