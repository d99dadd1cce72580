// The notification as RFC 5322 / MIME text, read back by Python's email package as a peer.
#include "notify/mail/mail.h"
#include "notify/mail/mimemessage.h"
#include "support/smtprig.h"
#include "text/dateforms.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>
#include <QTimeZone>

using namespace tovik::mail;
using tovik::testsupport::SmtpRig;

namespace {

const QDateTime kDate(QDate(2024, 1, 2), QTime(9, 5, 7), QTimeZone(9 * 3600));

QByteArray build(const QString& subject, const QString& body) {
    return buildMessage(
        {u"127.0.0.1"_qs, u"to@example.jp"_qs, u"from@example.jp"_qs, subject, body}, kDate,
        u"abc.123@example.jp"_qs);
}

QJsonObject decoded(const QByteArray& raw) {
    QString error;
    const QJsonObject json = SmtpRig::decode(raw, &error);
    if (json.isEmpty())
        qWarning() << "decoder failed:" << error;
    return json;
}

QStringList defects(const QJsonObject& json) {
    QStringList out;
    for (const auto& d : json.value(u"defects"_qs).toArray())
        out += d.toString();
    return out;
}

// Line ends and lengths that every receiving MTA insists on.
void verifyWireForm(const QByteArray& raw) {
    QVERIFY2(raw.endsWith("\r\n"), raw.right(20).constData());
    const QList<QByteArray> lines = raw.chopped(2).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        QVERIFY2(line.endsWith('\r') || (i == lines.size() - 1), line.constData());
        if (line.endsWith('\r'))
            line.chop(1);
        QVERIFY2(!line.contains('\r'), "bare CR");
        // 78 characters a line at most; 76 where an encoded word stands.
        QVERIFY2(line.size() <= (line.contains("=?") ? 76 : 78), line.constData());
        for (const char c : line)
            QVERIFY2(static_cast<unsigned char>(c) < 0x80, "8-bit byte on the wire");
    }
}

} // namespace

class TestMailMessage final : public QObject {
    Q_OBJECT

private slots:
    void headers();
    void date_data();
    void date();
    void subject_data();
    void subject();
    void body_data();
    void body();
    void messageIdsDiffer();
};

void TestMailMessage::headers() {
    const QByteArray raw = build(u"Tovik"_qs, u"x"_qs);
    verifyWireForm(raw);
    const qsizetype end = raw.indexOf("\r\n\r\n");
    QVERIFY(end > 0);
    const QList<QByteArray> headers = raw.left(end).split('\n');
    QStringList names;
    for (const QByteArray& h : headers)
        names += QString::fromLatin1(h.left(h.indexOf(':')));
    QCOMPARE(names, QStringList({u"Date"_qs, u"From"_qs, u"To"_qs, u"Subject"_qs, u"Message-ID"_qs,
                                 u"MIME-Version"_qs, u"Content-Type"_qs,
                                 u"Content-Transfer-Encoding"_qs}));
    // Plain addresses go out as typed, byte for byte as stored settings always sent them.
    QVERIFY(raw.contains("\r\nFrom: from@example.jp\r\nTo: to@example.jp\r\nSubject: Tovik\r\n"));

    const QJsonObject json = decoded(raw);
    QCOMPARE(json.value(u"from"_qs).toString(), u"from@example.jp"_qs);
    QCOMPARE(json.value(u"to"_qs).toString(), u"to@example.jp"_qs);
    QCOMPARE(json.value(u"message_id"_qs).toString(), u"<abc.123@example.jp>"_qs);
    QCOMPARE(json.value(u"date"_qs).toString(), u"2024-01-02T09:05:07+09:00"_qs);
    QCOMPARE(json.value(u"content_type"_qs).toString(), u"text/plain"_qs);
    QCOMPARE(json.value(u"charset"_qs).toString(), u"utf-8"_qs);
    QCOMPARE(json.value(u"transfer_encoding"_qs).toString(), u"base64"_qs);
    QCOMPARE(defects(json), QStringList());
}

void TestMailMessage::date_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");

    QTest::newRow("Japan") << kDate << u"Tue, 02 Jan 2024 09:05:07 +0900"_qs;
    QTest::newRow("UTC, Sunday, year end")
        << QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59), QTimeZone::utc())
        << u"Sun, 31 Dec 2023 23:59:59 +0000"_qs;
    QTest::newRow("negative half hour")
        << QDateTime(QDate(2024, 7, 1), QTime(0, 0), QTimeZone(-(3 * 3600 + 1800)))
        << u"Mon, 01 Jul 2024 00:00:00 -0330"_qs;
    QTest::newRow("positive quarter hour, leap day")
        << QDateTime(QDate(2024, 2, 29), QTime(12, 30, 1), QTimeZone(5 * 3600 + 45 * 60))
        << u"Thu, 29 Feb 2024 12:30:01 +0545"_qs;
    QTest::newRow("offset with seconds written as UTC")
        << QDateTime(QDate(1880, 5, 1), QTime(9, 18, 59), QTimeZone(9 * 3600 + 18 * 60 + 59))
        << u"Sat, 01 May 1880 00:00:00 +0000"_qs;
}

void TestMailMessage::date() {
    QFETCH(QDateTime, when);
    QFETCH(QString, text);
    QCOMPARE(QString::fromLatin1(tovik::text::rfc5322Date(when)), text);
}

void TestMailMessage::subject_data() {
    QTest::addColumn<QString>("subject");

    QTest::newRow("empty") << QString();
    QTest::newRow("short ascii") << u"From Tovik"_qs;
    QTest::newRow("long ascii")
        << u"Scheduled shutdown of the office file server in five minutes, please save"_qs;
    // "Subject: " and the text fill a 78-character line exactly at 69.
    for (const int length : {68, 69, 70}) {
        const QByteArray tag = "plain ascii of " + QByteArray::number(length);
        QTest::newRow(tag.constData()) << u"Tovik shutdown notice "_qs.repeated(4).left(length);
    }
    QTest::newRow("looks like an encoded word") << u"=?UTF-8?B?5L2V?="_qs;
    QTest::newRow("leading and trailing blanks") << u"  a  b  "_qs;
    QTest::newRow("only blanks") << u"   "_qs;
    QTest::newRow("japanese") << u"シャットダウンのお知らせ"_qs;
    QTest::newRow("cp932 specials") << u"～①ｱ＼￥"_qs;
    QTest::newRow("long japanese")
        << QString(u"本日の定時シャットダウンを実行します。作業中のファイルを保存してください。"_qs)
               .repeated(3);
    QTest::newRow("emoji") << u"😀🎌🗾"_qs.repeated(20);
    QTest::newRow("combining marks") << u"か\u3099き\u3099く\u3099"_qs.repeated(15);
    QTest::newRow("non-BMP kanji") << u"𠮷野家𩸽"_qs.repeated(12);
    // Every alignment of multi-byte characters against the word boundaries.
    for (int shift = 0; shift < 4; ++shift) {
        const QByteArray tag = "alignment " + QByteArray::number(shift);
        QTest::newRow(tag.constData())
            << QString(shift, u'x') + u"日本語😀"_qs.repeated(12) + u" end"_qs;
    }
}

void TestMailMessage::subject() {
    QFETCH(QString, subject);
    const QByteArray header = subjectHeader(subject);
    verifyWireForm(header);
    // Plain ASCII that fits one 78-character line travels as it is, readable everywhere
    // (unless it would read as an encoded word).
    const QByteArray plain = "Subject: " + subject.toLatin1() + "\r\n";
    static const QRegularExpression printable(u"^[!-~]([ -~]*[!-~])?$"_qs);
    if (printable.match(subject).hasMatch() && !subject.contains(u"=?"_qs) &&
        plain.size() - 2 <= 78)
        QCOMPARE(header, plain);

    // Each encoded word stands alone: at most 75 characters, whole UTF-8 characters.
    static const QRegularExpression word(u"=\\?UTF-8\\?B\\?([A-Za-z0-9+/=]*)\\?="_qs);
    auto it = word.globalMatch(QString::fromLatin1(header));
    while (it.hasNext()) {
        const auto m = it.next();
        QVERIFY2(m.capturedLength() <= kMaxEncodedWordLength, qPrintable(m.captured()));
        const QByteArray bytes = QByteArray::fromBase64(m.captured(1).toLatin1());
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(bytes);
        QVERIFY2(!utf8.hasError(), qPrintable(m.captured()));
    }

    const QJsonObject json = decoded(build(subject, QString()));
    QCOMPARE(json.value(u"subject"_qs).toString(), subject);
    QCOMPARE(defects(json), QStringList());
}

void TestMailMessage::body_data() {
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("LF") << u"一行目\n二行目"_qs << u"一行目\r\n二行目"_qs;
    QTest::newRow("CR LF kept") << u"一行目\r\n二行目\r\n"_qs << u"一行目\r\n二行目\r\n"_qs;
    QTest::newRow("lone CR") << u"a\rb\r"_qs << u"a\r\nb\r\n"_qs;
    QTest::newRow("LF CR is two ends") << u"a\n\rb"_qs << u"a\r\n\r\nb"_qs;
    QTest::newRow("blank lines") << u"\n\n"_qs << u"\r\n\r\n"_qs;
    QTest::newRow("dot lines") << u".\n..\n...x\n."_qs << u".\r\n..\r\n...x\r\n."_qs;
    QTest::newRow("end of data look-alike") << u"a\r\n.\r\nb"_qs << u"a\r\n.\r\nb"_qs;
    QTest::newRow("emoji and controls") << u"😀\tタブ\u0001"_qs << u"😀\tタブ\u0001"_qs;
    QTest::newRow("long line") << u"長"_qs.repeated(1000) << u"長"_qs.repeated(1000);
}

void TestMailMessage::body() {
    QFETCH(QString, body);
    QFETCH(QString, expected);
    const QByteArray raw = build(u"s"_qs, body);
    verifyWireForm(raw);
    const QJsonObject json = decoded(raw);
    QCOMPARE(json.value(u"body"_qs).toString(), expected);
    QCOMPARE(defects(json), QStringList());
}

void TestMailMessage::messageIdsDiffer() {
    const QString a = newMessageId(u"from@example.jp"_qs, kDate);
    const QString b = newMessageId(u"from@example.jp"_qs, kDate);
    QVERIFY(a != b);
    QVERIFY2(a.endsWith(u"@example.jp"_qs), qPrintable(a));
    QVERIFY(!a.contains(u'<') && !a.contains(u' '));
}

QTEST_GUILESS_MAIN(TestMailMessage)
#include "tst_mailmessage.moc"
