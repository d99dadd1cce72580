// Sending the notification to a real SMTP server on loopback, and every way it can fail.
#include "notify/mail/mail.h"
#include "support/smtprig.h"
#include "text/clock.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QTest>
#include <QTimeZone>

using namespace tovik::mail;
using namespace std::chrono_literals;
using tovik::testsupport::SmtpRig;

namespace {

const QDateTime kNow(QDate(2024, 3, 15), QTime(17, 45, 0), QTimeZone(9 * 3600));
const QString kTo = u"kanri@example.jp"_qs;
const QString kFrom = u"tovik@example.jp"_qs;

struct FailureLine {
    int code = 0;
    QString description;
};

// "メールを送信できませんでした::<number>::<description>", read back; code 0 if not that form.
FailureLine parseFailure(const QString& line) {
    if (!line.startsWith(kFailurePrefix))
        return {};
    const QString rest = line.mid(kFailurePrefix.size());
    const qsizetype sep = rest.indexOf(u"::");
    bool ok = false;
    const int code = rest.left(sep).toInt(&ok);
    return sep > 0 && ok ? FailureLine{code, rest.mid(sep + 2)} : FailureLine{};
}

} // namespace

class TestMailSend final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sendsEveryField();
    void sendsEmptySubjectAndBody();
    void serverForms_data();
    void serverForms();
    void missingField_data();
    void missingField();
    void rejectedInput_data();
    void rejectedInput();
    void nothingListening();
    void refused_data();
    void refused();
    void silentServerIsBounded();
    void slowServerStopsAtTotal();
    void unresolvableName();
    void productionBudget();
};

void TestMailSend::init() {
    tovik::text::setClockForTesting([] { return kNow; });
    setTimeoutsForTesting(std::nullopt);
}

void TestMailSend::cleanup() {
    tovik::text::setClockForTesting({});
    setTimeoutsForTesting(std::nullopt);
}

void TestMailSend::sendsEveryField() {
    SmtpRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    const QString subject = u"【Tovik】定時シャットダウンのお知らせ（サーバー室 ３階）"_qs;
    const QString body = u"お疲れさまです。\n17:50 にシャットダウンします。\n.\n..二つ\n"
                         u".\r\nMAIL FROM:<x@y>\n\n以上"_qs;
    QCOMPARE(sendNotification({rig.serverField(), kTo, kFrom, subject, body}), kSentText);

    // The window passes the fields anew on every call: a changed subject is used at once.
    QCOMPARE(sendNotification({rig.serverField(), kTo, kFrom, u"二通目"_qs, body}), kSentText);

    const auto received = rig.messages();
    QCOMPARE(received.size(), 2);
    QCOMPARE(received[0].mailFrom, kFrom);
    QCOMPARE(received[0].recipients, QStringList{kTo});
    QVERIFY(!received[0].helo.isEmpty());

    const QJsonObject first = SmtpRig::decode(received[0].raw);
    QCOMPARE(first.value(u"subject"_qs).toString(), subject);
    QCOMPARE(first.value(u"body"_qs).toString(),
             u"お疲れさまです。\r\n17:50 にシャットダウンします。\r\n.\r\n..二つ\r\n"
             u".\r\nMAIL FROM:<x@y>\r\n\r\n以上"_qs);
    QCOMPARE(first.value(u"from"_qs).toString(), kFrom);
    QCOMPARE(first.value(u"to"_qs).toString(), kTo);
    QCOMPARE(first.value(u"date"_qs).toString(), u"2024-03-15T17:45:00+09:00"_qs);

    const QJsonObject second = SmtpRig::decode(received[1].raw);
    QCOMPARE(second.value(u"subject"_qs).toString(), u"二通目"_qs);
    QVERIFY(!first.value(u"message_id"_qs).toString().isEmpty());
    QVERIFY(first.value(u"message_id"_qs) != second.value(u"message_id"_qs));
    QCOMPARE(rig.connectionCount(), 2);
}

void TestMailSend::sendsEmptySubjectAndBody() {
    SmtpRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    QCOMPARE(sendNotification({rig.serverField(), kTo, kFrom, QString(), QString()}), kSentText);
    const auto received = rig.messages();
    QCOMPARE(received.size(), 1);
    const QJsonObject json = SmtpRig::decode(received[0].raw);
    QCOMPARE(json.value(u"subject"_qs).toString(u"(no subject header)"_qs), QString());
    QCOMPARE(json.value(u"body"_qs).toString(u"(no body)"_qs), QString());
}

void TestMailSend::serverForms_data() {
    QTest::addColumn<QString>("listenOn");
    QTest::addColumn<QString>("hostInField");

    QTest::newRow("ipv4") << u"127.0.0.1"_qs << u"127.0.0.1"_qs;
    QTest::newRow("localhost") << u"127.0.0.1"_qs << u"localhost"_qs;
    QTest::newRow("bracketed ipv6") << u"::1"_qs << u"[::1]"_qs;
}

void TestMailSend::serverForms() {
    QFETCH(QString, listenOn);
    QFETCH(QString, hostInField);
    SmtpRig rig(SmtpRig::Mode::Accept, listenOn);
    if (!rig.start())
        QSKIP(qPrintable(u"cannot listen on "_qs + listenOn + u": "_qs + rig.errorString()));
    const QString server = hostInField + u':' + QString::number(rig.port());
    QCOMPARE(sendNotification({server, kTo, kFrom, u"s"_qs, u"b"_qs}), kSentText);
    QCOMPARE(rig.messages().size(), 1);
}

void TestMailSend::missingField_data() {
    QTest::addColumn<int>("emptyField");
    QTest::newRow("server") << 0;
    QTest::newRow("recipient") << 1;
    QTest::newRow("sender") << 2;
    QTest::newRow("all three") << -1;
}

void TestMailSend::missingField() {
    QFETCH(int, emptyField);
    SmtpRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    Message m{rig.serverField(), kTo, kFrom, u"件名"_qs, u"本文"_qs};
    QString* fields[] = {&m.server, &m.to, &m.from};
    for (int i = 0; i < 3; ++i) {
        if (emptyField == i || emptyField < 0)
            fields[i]->clear();
    }
    QCOMPARE(sendNotification(m), kMissingFieldsText);
    QCOMPARE(rig.connectionCount(), 0);
}

void TestMailSend::rejectedInput_data() {
    QTest::addColumn<QString>("server"); // "%1" stands for the rig's "127.0.0.1:port"
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<int>("code");

    const QString s = u"%1"_qs;
    QTest::newRow("server CR LF") << u"%1\r\nRCPT TO:<x@example.jp>"_qs << kTo << kFrom << QString()
                                  << 3;
    QTest::newRow("server LF") << u"%1\n"_qs << kTo << kFrom << QString() << 3;
    QTest::newRow("server user info") << u"user:pw@%1"_qs << kTo << kFrom << QString() << 3;
    QTest::newRow("server scheme") << u"smtp://%1"_qs << kTo << kFrom << QString() << 3;
    QTest::newRow("server path") << u"%1/x"_qs << kTo << kFrom << QString() << 3;
    QTest::newRow("server blank") << u" %1"_qs << kTo << kFrom << QString() << 3;
    QTest::newRow("recipient CR LF")
        << s << u"a@example.jp>\r\nRCPT TO:<b@example.jp"_qs << kFrom << QString() << 43;
    QTest::newRow("recipient list") << s << u"a@b, c@d"_qs << kFrom << QString() << 43;
    QTest::newRow("recipient brackets") << s << u"<a@b>"_qs << kFrom << QString() << 43;
    QTest::newRow("recipient blank") << s << u" "_qs << kFrom << QString() << 43;
    QTest::newRow("sender CR LF") << s << kTo << u"a@b\r\nDATA"_qs << QString() << 43;
    QTest::newRow("sender user info") << s << kTo << u"user:pw@host"_qs << QString() << 43;
    QTest::newRow("subject CR LF") << s << kTo << kFrom << u"hi\r\nBcc: victim@example.jp"_qs << 43;
    QTest::newRow("subject LF") << s << kTo << kFrom << u"hi\nthere"_qs << 43;
}

void TestMailSend::rejectedInput() {
    QFETCH(QString, server);
    QFETCH(QString, to);
    QFETCH(QString, from);
    QFETCH(QString, subject);
    QFETCH(int, code);
    SmtpRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    const QString line =
        sendNotification({server.arg(rig.serverField()), to, from, subject, u"本文"_qs});
    const FailureLine failure = parseFailure(line);
    QCOMPARE(failure.code, code);
    QVERIFY2(!failure.description.isEmpty(), qPrintable(line));
    QVERIFY2(!line.contains(u'\n') && !line.contains(u'\r'), qPrintable(line));
    QCOMPARE(rig.connectionCount(), 0);
    QCOMPARE(rig.messages().size(), 0);
}

void TestMailSend::nothingListening() {
    SmtpRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    const QString server = rig.serverField();
    rig.stop();
    const QString line = sendNotification({server, kTo, kFrom, u"s"_qs, u"b"_qs});
    const FailureLine failure = parseFailure(line);
    QCOMPARE(failure.code, 7); // CURLE_COULDNT_CONNECT
    QVERIFY2(failure.description.contains(u"127.0.0.1"_qs), qPrintable(line));
}

void TestMailSend::refused_data() {
    QTest::addColumn<SmtpRig::Mode>("mode");
    QTest::addColumn<int>("code");
    QTest::newRow("recipient") << SmtpRig::Mode::RefuseRecipient << 550;
    QTest::newRow("sender") << SmtpRig::Mode::RefuseSender << 550;
    // Temporary refusals (greylisting, a full mailbox) matter as much to the reader.
    QTest::newRow("recipient 450") << SmtpRig::Mode::RefuseRecipient << 450;
    QTest::newRow("recipient 451") << SmtpRig::Mode::RefuseRecipient << 451;
    QTest::newRow("recipient 452") << SmtpRig::Mode::RefuseRecipient << 452;
    QTest::newRow("sender 451") << SmtpRig::Mode::RefuseSender << 451;
}

void TestMailSend::refused() {
    QFETCH(SmtpRig::Mode, mode);
    QFETCH(int, code);
    SmtpRig rig(mode);
    rig.setRefusalCode(code);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    const QString line = sendNotification({rig.serverField(), kTo, kFrom, u"s"_qs, u"b"_qs});
    QCOMPARE(line, kFailurePrefix + QString::number(code) + u"::"_qs + rig.refusalText());
    QCOMPARE(rig.connectionCount(), 1);
    QCOMPARE(rig.messages().size(), 0);
}

void TestMailSend::silentServerIsBounded() {
    SmtpRig rig(SmtpRig::Mode::Silent);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    setTimeoutsForTesting(Timeouts{1s, 1s, 2s});
    QElapsedTimer clock;
    clock.start();
    const QString line = sendNotification({rig.serverField(), kTo, kFrom, u"s"_qs, u"b"_qs});
    const qint64 elapsed = clock.elapsed();
    const FailureLine failure = parseFailure(line);
    QCOMPARE(failure.code, 28); // CURLE_OPERATION_TIMEDOUT, not a stale reply code
    QVERIFY2(!failure.description.isEmpty(), qPrintable(line));
    QVERIFY2(elapsed < 4000, qPrintable(QString::number(elapsed)));
    QCOMPARE(rig.connectionCount(), 1);
}

// Each reply comes just inside the per-reply limit and the message is never answered: only
// the total limit, in milliseconds, ends the send before the per-reply one would.
void TestMailSend::slowServerStopsAtTotal() {
    SmtpRig rig(SmtpRig::Mode::Slow);
    rig.setReplyDelay(700ms);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    // The connect limit covers greeting and EHLO too, so it must not be the one that ends it.
    setTimeoutsForTesting(Timeouts{5s, 1s, 2500ms});
    QElapsedTimer clock;
    clock.start();
    const QString line = sendNotification({rig.serverField(), kTo, kFrom, u"s"_qs, u"b"_qs});
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(parseFailure(line).code == 28, qPrintable(line)); // CURLE_OPERATION_TIMEDOUT
    // Greeting, EHLO, MAIL, RCPT and DATA take 3.5 s; the unanswered end one more second.
    QVERIFY2(elapsed >= 2400 && elapsed < 3300, qPrintable(QString::number(elapsed)));
    QCOMPARE(rig.messages().size(), 0);
}

void TestMailSend::unresolvableName() {
    const QString line =
        sendNotification({u"smtp.tovik.invalid:25"_qs, kTo, kFrom, u"s"_qs, u"b"_qs});
    QCOMPARE(line, kFailurePrefix + u"6::SMTPサーバー名を解決できません: smtp.tovik.invalid"_qs);
}

void TestMailSend::productionBudget() {
    const Timeouts t = productionTimeouts();
    QCOMPARE(t.connect, std::chrono::milliseconds(30s));
    QVERIFY(t.connect <= t.total);
    // The transfer, then the QUIT reply that cleanup waits for, in under a minute.
    QVERIFY(t.total + t.serverResponse < 60s);
}

QTEST_GUILESS_MAIN(TestMailSend)
#include "tst_mailsend.moc"
