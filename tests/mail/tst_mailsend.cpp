// Sending the notification to a real SMTP server on loopback, and every way it can fail.
#include "notify/mail/mail.h"
#include "notify/mail/sender.h"
#include "support/fakesecretstore.h"
#include "support/smtprig.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QTimeZone>

using namespace tovik::mail;
using namespace std::chrono_literals;
using tovik::testsupport::FakeSecretStore;
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

const QString kUser = u"tovik@example.jp"_qs;
const QString kPassword = u"pässwort 秘密"_qs;

// "smtp://user@localhost:port": the rig's certificate is made out to "localhost".
QString loginField(const QString& scheme, const SmtpRig& rig) {
    return scheme + u"://"_qs + kUser + u"@localhost:"_qs + QString::number(rig.port());
}

// Every send of these tests is dated kNow; the log message of its outcome.
QString send(const Message& message, const SendOptions& options = {}) {
    return logMessage(sendNotification(message, kNow, options));
}

// What a case expects: a kind of failure, or nullopt for a mail the server took.
using Expected = std::optional<FailureKind>;

} // namespace

Q_DECLARE_METATYPE(Expected)

class TestMailSend final : public QObject {
    Q_OBJECT

private slots:
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
    void tlsLogin_data();
    void tlsLogin();
    void tlsRefused_data();
    void tlsRefused();
    void passwordSources_data();
    void passwordSources();
    void oneSendAtATime();
    void addresses_data();
    void addresses();
};

void TestMailSend::sendsEveryField() {
    SmtpRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    const QString subject = u"【Tovik】定時シャットダウンのお知らせ（サーバー室 ３階）"_qs;
    const QString body = u"お疲れさまです。\n17:50 にシャットダウンします。\n.\n..二つ\n"
                         u".\r\nMAIL FROM:<x@y>\n\n以上"_qs;
    QCOMPARE(send({rig.serverField(), kTo, kFrom, subject, body}), kSentText);

    // The window passes the fields anew on every call: a changed subject is used at once.
    QCOMPARE(send({rig.serverField(), kTo, kFrom, u"二通目"_qs, body}), kSentText);

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
    QCOMPARE(send({rig.serverField(), kTo, kFrom, QString(), QString()}), kSentText);
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
    QCOMPARE(send({server, kTo, kFrom, u"s"_qs, u"b"_qs}), kSentText);
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
    QCOMPARE(send(m), kMissingFieldsText);
    QCOMPARE(rig.connectionCount(), 0);
}

void TestMailSend::rejectedInput_data() {
    QTest::addColumn<QString>("server"); // "%1" stands for the rig's "127.0.0.1:port"
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("subject");

    QStringList many;
    for (int i = 0; i <= 100; ++i)
        many += u"user%1@example.jp"_qs.arg(i);
    const QString s = u"%1"_qs;
    QTest::newRow("server CR LF") << u"%1\r\nRCPT TO:<x@example.jp>"_qs << kTo << kFrom
                                  << QString();
    QTest::newRow("server LF") << u"%1\n"_qs << kTo << kFrom << QString();
    QTest::newRow("server user info") << u"user:pw@%1"_qs << kTo << kFrom << QString();
    QTest::newRow("server other scheme") << u"http://%1"_qs << kTo << kFrom << QString();
    QTest::newRow("server password in line")
        << u"smtp://user:pw@%1"_qs << kTo << kFrom << QString();
    QTest::newRow("server path") << u"%1/x"_qs << kTo << kFrom << QString();
    QTest::newRow("server blank") << u" %1"_qs << kTo << kFrom << QString();
    QTest::newRow("recipient CR LF")
        << s << u"a@example.jp>\r\nRCPT TO:<b@example.jp"_qs << kFrom << QString();
    QTest::newRow("recipient empty member") << s << u"a@b, , c@d"_qs << kFrom << QString();
    QTest::newRow("recipient trailing comma") << s << u"a@b,"_qs << kFrom << QString();
    QTest::newRow("recipient malformed member") << s << u"a@b, c"_qs << kFrom << QString();
    QTest::newRow("recipient unclosed bracket") << s << u"太郎 <a@b"_qs << kFrom << QString();
    QTest::newRow("recipient name with LF")
        << s << u"\"Taro\nBcc: x@y\" <a@b>"_qs << kFrom << QString();
    QTest::newRow("recipient tab in list") << s << u"a@b,\tc@d"_qs << kFrom << QString();
    QTest::newRow("101 recipients") << s << many.join(u", "_qs) << kFrom << QString();
    QTest::newRow("sender list") << s << kTo << u"a@b, c@d"_qs << QString();
    QTest::newRow("recipient blank") << s << u" "_qs << kFrom << QString();
    QTest::newRow("sender CR LF") << s << kTo << u"a@b\r\nDATA"_qs << QString();
    QTest::newRow("sender user info") << s << kTo << u"user:pw@host"_qs << QString();
    QTest::newRow("subject CR LF") << s << kTo << kFrom << u"hi\r\nBcc: victim@example.jp"_qs;
    QTest::newRow("subject LF") << s << kTo << kFrom << u"hi\nthere"_qs;
}

void TestMailSend::rejectedInput() {
    QFETCH(QString, server);
    QFETCH(QString, to);
    QFETCH(QString, from);
    QFETCH(QString, subject);
    SmtpRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    const Outcome outcome =
        sendNotification({server.arg(rig.serverField()), to, from, subject, u"本文"_qs}, kNow);
    QVERIFY(outcome && outcome->kind == FailureKind::Input);
    const QString line = logMessage(outcome);
    const FailureLine failure = parseFailure(line);
    // The program's own finding, numbered apart from libcurl's codes and the server's.
    QVERIFY2(failure.code < 0, qPrintable(line));
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
    const QString line = send({server, kTo, kFrom, u"s"_qs, u"b"_qs});
    const FailureLine failure = parseFailure(line);
    QCOMPARE(failure.code, 7); // CURLE_COULDNT_CONNECT
    QVERIFY2(failure.description.contains(u"127.0.0.1"_qs), qPrintable(line));
}

void TestMailSend::refused_data() {
    QTest::addColumn<SmtpRig::Mode>("mode");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("told"); // what the line must tell the person reading it
    QTest::addColumn<SmtpRig::Tls>("tls");
    QTest::addColumn<QString>("words"); // the server's own words; empty: the rig's refusal
    const auto row = [](const char* tag, SmtpRig::Mode mode, int code, const QString& told,
                        SmtpRig::Tls tls = SmtpRig::Tls::None, const QString& words = {}) {
        QTest::newRow(tag) << mode << code << told << tls << words;
    };
    row("recipient", SmtpRig::Mode::RefuseRecipient, 550, u"宛先"_qs);
    row("sender", SmtpRig::Mode::RefuseSender, 550, u"送信元"_qs);
    // Temporary refusals (greylisting, a full mailbox) matter as much to the reader.
    row("recipient 450", SmtpRig::Mode::RefuseRecipient, 450, u"宛先"_qs);
    row("recipient 451", SmtpRig::Mode::RefuseRecipient, 451, u"宛先"_qs);
    row("recipient 452", SmtpRig::Mode::RefuseRecipient, 452, u"宛先"_qs);
    row("sender 451", SmtpRig::Mode::RefuseSender, 451, u"送信元"_qs);
    // Refused before any mail command: the server's code, not libcurl's 8 or 9.
    row("greeting 554", SmtpRig::Mode::RefuseGreeting, 554, u"接続"_qs);
    row("EHLO and HELO", SmtpRig::Mode::RefuseHello, 550, u"EHLO"_qs);
    // A plain field for a server that insists on STARTTLS: the way out is smtp://.
    row("STARTTLS required", SmtpRig::Mode::Accept, 530, u"smtp://"_qs, SmtpRig::Tls::StartTls,
        u"Must issue a STARTTLS command first"_qs);
}

void TestMailSend::refused() {
    QFETCH(SmtpRig::Mode, mode);
    QFETCH(int, code);
    QFETCH(QString, told);
    QFETCH(SmtpRig::Tls, tls);
    QFETCH(QString, words);
    SmtpRig rig(mode);
    rig.setRefusalCode(code);
    rig.setTls(tls);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    const QString line = send({rig.serverField(), kTo, kFrom, u"s"_qs, u"b"_qs});
    const FailureLine failure = parseFailure(line);
    QCOMPARE(failure.code, code);
    // What was refused, in Japanese, then the server's own words.
    QVERIFY2(failure.description.contains(told), qPrintable(line));
    QVERIFY2(failure.description.endsWith(u": "_qs + (words.isEmpty() ? rig.refusalText() : words)),
             qPrintable(line));
    QCOMPARE(rig.connectionCount(), 1);
    QCOMPARE(rig.messages().size(), 0);
}

void TestMailSend::silentServerIsBounded() {
    SmtpRig rig(SmtpRig::Mode::Silent);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    SendOptions options;
    options.timeouts = Timeouts{1s, 1s, 2s};
    QElapsedTimer clock;
    clock.start();
    const QString line = send({rig.serverField(), kTo, kFrom, u"s"_qs, u"b"_qs}, options);
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
    SendOptions options;
    options.timeouts = Timeouts{5s, 1s, 2500ms};
    QElapsedTimer clock;
    clock.start();
    const QString line = send({rig.serverField(), kTo, kFrom, u"s"_qs, u"b"_qs}, options);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(parseFailure(line).code == 28, qPrintable(line)); // CURLE_OPERATION_TIMEDOUT
    // Greeting, EHLO, MAIL, RCPT and DATA take 3.5 s; the unanswered end one more second.
    QVERIFY2(elapsed >= 2400 && elapsed < 3300, qPrintable(QString::number(elapsed)));
    QCOMPARE(rig.messages().size(), 0);
}

void TestMailSend::unresolvableName() {
    const QString line = send({u"smtp.tovik.invalid:25"_qs, kTo, kFrom, u"s"_qs, u"b"_qs});
    const FailureLine failure = parseFailure(line);
    QVERIFY2(failure.code < 0, qPrintable(line)); // answered here, not by libcurl
    QCOMPARE(failure.description, u"SMTPサーバー名を解決できません: smtp.tovik.invalid"_qs);
}

void TestMailSend::productionBudget() {
    const Timeouts t = productionTimeouts();
    QCOMPARE(t.connect, std::chrono::milliseconds(30s));
    QVERIFY(t.connect <= t.total);
    // The transfer, then the QUIT reply that cleanup waits for, in under a minute.
    QVERIFY(t.total + t.serverResponse < 60s);
}

void TestMailSend::tlsLogin_data() {
    QTest::addColumn<SmtpRig::Tls>("tls");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QStringList>("mechanisms");
    QTest::newRow("STARTTLS, PLAIN")
        << SmtpRig::Tls::StartTls << u"smtp"_qs << QStringList{u"PLAIN"_qs};
    QTest::newRow("STARTTLS, LOGIN")
        << SmtpRig::Tls::StartTls << u"smtp"_qs << QStringList{u"LOGIN"_qs};
    QTest::newRow("implicit TLS") << SmtpRig::Tls::Implicit << u"smtps"_qs
                                  << QStringList{u"PLAIN"_qs};
}

void TestMailSend::tlsLogin() {
    QFETCH(SmtpRig::Tls, tls);
    QFETCH(QString, scheme);
    QFETCH(QStringList, mechanisms);
    SmtpRig rig;
    rig.setTls(tls);
    rig.setLogin(kUser, kPassword, mechanisms);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    FakeSecretStore store;
    store.secrets.insert(secretKey(kUser, u"localhost"_qs), kPassword);
    SendOptions options;
    options.caFile = rig.caFile();
    options.secrets = &store;
    const QString subject = u"【Tovik】定時シャットダウンのお知らせ"_qs;
    QCOMPARE(send({loginField(scheme, rig), kTo, kFrom, subject, u"本文\n二行目"_qs}, options),
             kSentText);
    const auto received = rig.messages();
    QCOMPARE(received.size(), 1);
    QVERIFY(received[0].tls);
    QCOMPARE(received[0].login, kUser);
    QCOMPARE(rig.authAttempts(), QStringList{mechanisms[0] + u' ' + kUser + u" ok"_qs});
    const QJsonObject json = SmtpRig::decode(received[0].raw);
    QCOMPARE(json.value(u"subject"_qs).toString(), subject);
    QCOMPARE(json.value(u"body"_qs).toString(), u"本文\r\n二行目"_qs);
}

void TestMailSend::tlsRefused_data() {
    QTest::addColumn<SmtpRig::Tls>("tls");
    QTest::addColumn<QStringList>("certNames");
    QTest::addColumn<bool>("trustedIssuer");
    QTest::addColumn<QString>("serverPassword");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("phrase"); // what the person reading the log must be told

    const QStringList localhost{u"localhost"_qs};
    QTest::newRow("wrong password") << SmtpRig::Tls::StartTls << localhost << true << u"anders"_qs
                                    << 67 << u"認証が拒否されました"_qs;
    // The server offers AUTH in the clear: the password must not go out all the same.
    QTest::newRow("no STARTTLS") << SmtpRig::Tls::None << localhost << true << kPassword << 64
                                 << u"SMTPサーバーが暗号化（STARTTLS）に対応していません"_qs;
    QTest::newRow("certificate for another name")
        << SmtpRig::Tls::StartTls << QStringList{u"mail.example.jp"_qs} << true << kPassword << 60
        << u"サーバー証明書が SMTPサーバー名と一致しません"_qs;
    QTest::newRow("untrusted CA") << SmtpRig::Tls::StartTls << localhost << false << kPassword << 60
                                  << u"サーバー証明書を信頼できません"_qs;
    QTest::newRow("implicit TLS, untrusted CA")
        << SmtpRig::Tls::Implicit << localhost << false << kPassword << 60
        << u"サーバー証明書を信頼できません"_qs;
}

void TestMailSend::tlsRefused() {
    QFETCH(SmtpRig::Tls, tls);
    QFETCH(QStringList, certNames);
    QFETCH(bool, trustedIssuer);
    QFETCH(QString, serverPassword);
    QFETCH(int, code);
    QFETCH(QString, phrase);
    SmtpRig rig;
    rig.setTls(tls, certNames, trustedIssuer);
    rig.setLogin(kUser, serverPassword, {}, tls == SmtpRig::Tls::None);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    FakeSecretStore store;
    store.secrets.insert(secretKey(kUser, u"localhost"_qs), kPassword);
    SendOptions options;
    options.caFile = rig.caFile();
    options.secrets = &store;
    const QString scheme = tls == SmtpRig::Tls::Implicit ? u"smtps"_qs : u"smtp"_qs;
    const QString line = send({loginField(scheme, rig), kTo, kFrom, u"s"_qs, u"b"_qs}, options);
    const FailureLine failure = parseFailure(line);
    QCOMPARE(failure.code, code);
    QVERIFY2(failure.description.startsWith(phrase), qPrintable(line));
    QCOMPARE(rig.messages().size(), 0);
    if (code != 67)
        QCOMPARE(rig.authAttempts(), QStringList());
    // A scheduled send keeps the stored password: the next one may meet the right server.
    QCOMPARE(store.secrets.size(), 1);
}

void TestMailSend::passwordSources_data() {
    QTest::addColumn<QString>("stored"); // empty: nothing stored
    QTest::addColumn<bool>("unavailable");
    QTest::addColumn<int>("ask"); // 0: a scheduled send (nobody to ask), 1: cancelled, 2: typed
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Expected>("expected");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QString>("storedAfter");

    QTest::newRow("stored, scheduled")
        << kPassword << false << 0 << QString() << Expected() << QString() << kPassword;
    QTest::newRow("stored, test button never asks")
        << kPassword << false << 2 << u"unused"_qs << Expected() << QString() << kPassword;
    QTest::newRow("missing, scheduled")
        << QString() << false << 0 << QString() << Expected(FailureKind::Password)
        << u"パスワードが保存されていません"_qs << QString();
    QTest::newRow("missing, typed at the test button")
        << QString() << false << 2 << kPassword << Expected() << QString() << kPassword;
    QTest::newRow("missing, cancelled")
        << QString() << false << 1 << QString() << Expected(FailureKind::Password)
        << u"パスワードが入力されなかった"_qs << QString();
    QTest::newRow("wrong password typed is not kept")
        << QString() << false << 2 << u"anders"_qs << Expected(FailureKind::Transfer)
        << u"認証が拒否されました"_qs << QString();
    QTest::newRow("store locked") << kPassword << true << 2 << kPassword
                                  << Expected(FailureKind::Password)
                                  << u"パスワードの保管場所（キーリング）を利用できません"_qs
                                  << kPassword;
}

void TestMailSend::passwordSources() {
    QFETCH(QString, stored);
    QFETCH(bool, unavailable);
    QFETCH(int, ask);
    QFETCH(QString, typed);
    QFETCH(Expected, expected);
    QFETCH(QString, phrase);
    QFETCH(QString, storedAfter);
    SmtpRig rig;
    rig.setTls(SmtpRig::Tls::StartTls);
    rig.setLogin(kUser, kPassword);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    const QString key = secretKey(kUser, u"localhost"_qs);
    FakeSecretStore store;
    if (!stored.isEmpty())
        store.secrets.insert(key, stored);
    store.unavailable = unavailable;
    QStringList asked;
    SendOptions options;
    options.caFile = rig.caFile();
    options.secrets = &store;
    if (ask != 0) {
        options.askPassword = [&](const QString& user, const QString& host) {
            asked += user + u'@' + host;
            return ask == 2 ? std::optional(typed) : std::nullopt;
        };
    }
    const Outcome outcome = sendNotification(
        {loginField(u"smtp"_qs, rig), kTo, kFrom, u"s"_qs, u"b"_qs}, kNow, options);
    if (!expected) {
        QCOMPARE(logMessage(outcome), kSentText);
        QCOMPARE(rig.messages().size(), 1);
    } else {
        QVERIFY(outcome);
        QCOMPARE(outcome->kind, *expected);
        QVERIFY2(outcome->description.startsWith(phrase), qPrintable(outcome->description));
        QCOMPARE(rig.messages().size(), 0);
        if (*expected == FailureKind::Password)
            QCOMPARE(rig.connectionCount(), 0);
    }
    const bool shouldAsk = stored.isEmpty() && !unavailable && ask != 0;
    QCOMPARE(asked, shouldAsk ? QStringList{u"tovik@example.jp@localhost"_qs} : QStringList());
    QCOMPARE(store.secrets.value(key), storedAfter);
}

// The tick comes while the test button's password box waits for the person: the scheduled
// mail goes out after the test mail, and with the password just typed.
void TestMailSend::oneSendAtATime() {
    SmtpRig rig;
    rig.setTls(SmtpRig::Tls::StartTls);
    rig.setLogin(kUser, kPassword);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    FakeSecretStore store;
    SendOptions scheduled;
    scheduled.caFile = rig.caFile();
    scheduled.secrets = &store;
    Sender sender;
    QStringList events;
    const auto mail = [&](const QString& subject, const SendOptions& options) {
        sender.send({loginField(u"smtp"_qs, rig), kTo, kFrom, subject, u"b"_qs}, kNow, options,
                    [&events, subject](const Outcome& o) { events += subject + logMessage(o); });
    };
    SendOptions atScreen = scheduled;
    atScreen.askPassword = [&](const QString&, const QString&) {
        mail(u"予定"_qs, scheduled);
        events += u"box answered"_qs;
        return std::optional(kPassword);
    };
    mail(u"テスト"_qs, atScreen);
    QCOMPARE(events,
             QStringList({u"box answered"_qs, u"テスト"_qs + kSentText, u"予定"_qs + kSentText}));
    QCOMPARE(rig.messages().size(), 2);
}

void TestMailSend::addresses_data() {
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QStringList>("envelopeTo");
    QTest::addColumn<QString>("envelopeFrom");
    // "name|address" as the email package reads them; empty: the strict decoder's text of the
    // header must be the field as typed.
    QTest::addColumn<QStringList>("headerTo");
    QTest::addColumn<QString>("headerFrom");

    QTest::newRow("Japanese display names")
        << u"山田 太郎 <taro@example.jp>"_qs << u"Tovik 通知 <tovik@example.jp>"_qs
        << QStringList{u"taro@example.jp"_qs} << u"tovik@example.jp"_qs
        << QStringList{u"山田 太郎|taro@example.jp"_qs} << u"Tovik 通知|tovik@example.jp"_qs;
    QTest::newRow("list with quoted comma")
        << u"a@example.jp,\"Yamada, Hanako\" <hanako@example.jp> ,  <b@example.jp>"_qs << kFrom
        << QStringList{u"a@example.jp"_qs, u"hanako@example.jp"_qs, u"b@example.jp"_qs} << kFrom
        << QStringList{u"|a@example.jp"_qs, u"Yamada, Hanako|hanako@example.jp"_qs,
                       u"|b@example.jp"_qs}
        << u"|"_qs + kFrom;
    QTest::newRow("internationalised domains")
        << u"花子 <hanako@例え.jp>"_qs << u"tovik@メール.example.jp"_qs
        << QStringList{u"hanako@xn--r8jz45g.jp"_qs} << u"tovik@xn--4dkua4c.example.jp"_qs
        << QStringList{u"花子|hanako@xn--r8jz45g.jp"_qs} << u"|tovik@xn--4dkua4c.example.jp"_qs;
    const QString longName = QString(40, u'長') + u" 部長"_qs;
    QStringList many;
    QStringList manyHeader;
    for (int i = 0; i < 100; ++i) {
        many += u"user%1@example.jp"_qs.arg(i);
        manyHeader += u"|user%1@example.jp"_qs.arg(i);
    }
    QTest::newRow("100 recipients")
        << many.join(u", "_qs) << kFrom << many << kFrom << manyHeader << u"|"_qs + kFrom;
    // Python's address parser keeps the blanks between encoded words: the header's text is
    // read by the strict decoder instead.
    QTest::newRow("long name over several encoded words")
        << longName + u" <boss@example.jp>"_qs << kFrom << QStringList{u"boss@example.jp"_qs}
        << kFrom << QStringList() << u"|"_qs + kFrom;
    // A name of 2,000 plain characters has no blank to fold at: it goes out as encoded words.
    const QString hugeName = u"Tovik-"_qs.repeated(334).left(2000);
    QTest::newRow("2,000-character sender name")
        << kTo << hugeName + u" <"_qs + kFrom + u'>' << QStringList{kTo} << kFrom
        << QStringList{u"|"_qs + kTo} << QString();
}

void TestMailSend::addresses() {
    QFETCH(QString, to);
    QFETCH(QString, from);
    QFETCH(QStringList, envelopeTo);
    QFETCH(QString, envelopeFrom);
    QFETCH(QStringList, headerTo);
    QFETCH(QString, headerFrom);
    SmtpRig rig;
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    QCOMPARE(send({rig.serverField(), to, from, u"s"_qs, u"b"_qs}), kSentText);
    const auto received = rig.messages();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0].recipients, envelopeTo);
    QCOMPARE(received[0].mailFrom, envelopeFrom);
    const QJsonObject json = SmtpRig::decode(received[0].raw);
    QCOMPARE(json.value(u"defects"_qs).toArray(), QJsonArray());
    const auto pairs = [](const QJsonValue& value) {
        QStringList out;
        for (const auto& pair : value.toArray())
            out += pair.toArray()[0].toString() + u'|' + pair.toArray()[1].toString();
        return out;
    };
    if (headerTo.isEmpty())
        QCOMPARE(json.value(u"to_text"_qs).toString(), to);
    else
        QCOMPARE(pairs(json.value(u"to_addresses"_qs)), headerTo);
    if (headerFrom.isEmpty())
        QCOMPARE(json.value(u"from_text"_qs).toString(), from);
    else
        QCOMPARE(pairs(json.value(u"from_addresses"_qs)), QStringList{headerFrom});
    // Folded: no header line grows past the 78 characters every reader takes.
    const QByteArray head = received[0].raw.left(received[0].raw.indexOf("\r\n\r\n"));
    for (const QByteArray& line : head.split('\n'))
        QVERIFY2(line.size() <= 79, line.constData());
}

QTEST_GUILESS_MAIN(TestMailSend)
#include "tst_mailsend.moc"
