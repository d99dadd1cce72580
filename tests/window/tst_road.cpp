// A scheduled shutdown carried out on its own: found line, mail to a real SMTP server on
// loopback, the day's log file, then the action line and the power request.
#include "power/power.h"
#include "support/smtprig.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "text/cp932.h"
#include "ui/form1.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace tovik;
using tovik::testing::readBytes;
using tovik::testing::writeBytes;

namespace {

// Records each request together with what the log and the list held at that moment.
class SnapshotBackend final : public power::PowerBackend {
public:
    explicit SnapshotBackend(ui::Form1*& form) : m_form(form) {}
    power::Outcome request(power::PowerAction action) override {
        codes << static_cast<int>(action);
        lastLogLine = m_form->TXT_LOG->toPlainText().section(u'\n', -1);
        listSize = m_form->LVW1->topLevelItemCount();
        return outcome;
    }
    power::Outcome outcome;
    QList<int> codes;
    QString lastLogLine;
    int listSize = 0;

private:
    ui::Form1*& m_form;
};

} // namespace

class TestRoad : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void scheduledShutdownWithBothOptions();
    void failedLogSaveStopsBeforeThePowerRequest();
    void refusedShutdownSaysWhyOnce();
    void tickWhileTheScheduleLoads();

private:
    void writeSchedule(const QString& text);
    std::unique_ptr<ui::Form1> start();

    std::unique_ptr<testing::WindowFixture> m_fx;
    ui::Form1* m_form = nullptr;
    std::unique_ptr<SnapshotBackend> m_power;
};

void TestRoad::init() {
    m_fx = std::make_unique<testing::WindowFixture>();
    m_power = std::make_unique<SnapshotBackend>(m_form);
}

void TestRoad::cleanup() {
    m_form = nullptr;
    m_power.reset();
    m_fx.reset();
}

void TestRoad::writeSchedule(const QString& text) {
    QFile f(m_fx->file(u"schedule.ini"_qs));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text::encodeCp932(text));
}

std::unique_ptr<ui::Form1> TestRoad::start() {
    auto form = m_fx->create(m_power.get());
    m_form = form.get();
    form->TIM_MAIN->stop();
    form->Form_Load();
    return form;
}

void TestRoad::scheduledShutdownWithBothOptions() {
    testsupport::SmtpRig smtp;
    QVERIFY2(smtp.start(), qPrintable(smtp.errorString()));
    writeSchedule(u"2026/12/06 12:31:00,再起動,+SENDMAIL\r\n"
                  u"2026/12/06 12:30:00,シャットダウン,+SENDMAIL+SAVELOG\r\n"_qs);
    auto form = start();
    form->setMailText(notify::MailField::Server, smtp.serverField());
    form->setMailText(notify::MailField::To, u"admin@example.jp"_qs);
    form->setMailText(notify::MailField::From, u"tovik@example.jp"_qs);
    form->setMailText(notify::MailField::Subject, u"シャットダウン通知"_qs);
    form->setMailText(notify::MailField::Body, u"まもなく停止します。\n.\n..以上"_qs);

    form->TIM_MAIN_Timer();

    const QString t = u" - 2026/12/06 12:30:15"_qs;
    const QStringList lines = form->TXT_LOG->toPlainText().split(u'\n');
    QCOMPARE(lines.mid(3), (QStringList{u"実行条件が見つかりました。項目番号=2"_qs + t,
                                        u"メールを正常送信しました"_qs + t,
                                        u"シャットダウンを実行します。"_qs + t}));
    QCOMPARE(smtp.messages().size(), 1);
    const QJsonObject mail = testsupport::SmtpRig::decode(smtp.messages().first().raw);
    QCOMPARE(mail.value(u"subject"_qs).toString(), u"シャットダウン通知"_qs);
    QCOMPARE(mail.value(u"body"_qs).toString(), u"まもなく停止します。\r\n.\r\n..以上"_qs);

    // The day's file holds the found line and the mail line, not the action line.
    const QByteArray logFile = readBytes(m_fx->file(u"log/2026_12_06.log"_qs));
    QCOMPARE(logFile,
             text::encodeCp932(QStringList(lines.mid(0, 5)).join(u"\r\n"_qs) + u"\r\n"_qs));
    QCOMPARE(m_power->codes, QList<int>{1});
    QCOMPARE(m_power->lastLogLine, u"シャットダウンを実行します。"_qs + t);

    // The rest of the minute only asks again: one mail, one log save, no new lines.
    const QString logText = form->TXT_LOG->toPlainText();
    m_fx->clock.value = m_fx->clock.value.addSecs(40);
    form->TIM_MAIN_Timer();
    QCOMPARE(m_power->codes, (QList<int>{1, 1}));
    QCOMPARE(smtp.messages().size(), 1);
    QCOMPARE(readBytes(m_fx->file(u"log/2026_12_06.log"_qs)), logFile);
    QCOMPARE(form->TXT_LOG->toPlainText(), logText);
    m_fx->clock.value = m_fx->clock.value.addSecs(10); // 12:31:05: the other entry now
    form->TIM_MAIN_Timer();
    QCOMPARE(m_power->codes, (QList<int>{1, 1, 2}));
}

void TestRoad::failedLogSaveStopsBeforeThePowerRequest() {
    writeSchedule(u"2026/12/06 12:30:00,シャットダウン,+SAVELOG\r\n"_qs);
    auto form = start();
    QVERIFY(QDir(m_fx->file(u"log"_qs)).removeRecursively());
    form->TIM_MAIN_Timer();
    QVERIFY(m_power->codes.isEmpty());
    QCOMPARE(
        form->TXT_LOG->toPlainText().section(u'\n', -1),
        u"ログファイルを保存できませんでした::76::パスが見つかりません。 - 2026/12/06 12:30:15"_qs);
    // The program goes on: with the folder back, the next tick saves the log and carries
    // the entry out, without a second found line.
    QVERIFY(QDir(m_fx->folder()).mkdir(u"log"_qs));
    form->TIM_MAIN_Timer();
    QCOMPARE(m_power->codes, QList<int>{1});
    QCOMPARE(form->TXT_LOG->toPlainText().count(u"実行条件が見つかりました"_qs), 1);
    QVERIFY(readBytes(m_fx->file(u"log/2026_12_06.log"_qs)).contains("12:30:15"));
}

// A refused shutdown: one log save, one line saying why nothing happened, and a second mail
// that says so to whoever got the first.
void TestRoad::refusedShutdownSaysWhyOnce() {
    testsupport::SmtpRig smtp;
    QVERIFY2(smtp.start(), qPrintable(smtp.errorString()));
    writeSchedule(u"2026/12/06 12:30:00,シャットダウン,+SENDMAIL+SAVELOG\r\n"_qs);
    auto form = start();
    form->setMailText(notify::MailField::Server, smtp.serverField());
    form->setMailText(notify::MailField::To, u"admin@example.jp"_qs);
    form->setMailText(notify::MailField::From, u"tovik@example.jp"_qs);
    m_power->outcome = power::Outcome::notDone(power::Outcome::Reason::Refused);
    for (int second = 15; second < 60; second += 5) {
        m_fx->clock.value.setTime(QTime(12, 30, second));
        form->TIM_MAIN_Timer();
    }
    QCOMPARE(m_power->codes.size(), 9);
    QCOMPARE(smtp.messages().size(), 2);
    const QJsonObject second = testsupport::SmtpRig::decode(smtp.messages().at(1).raw);
    QCOMPARE(second[u"subject"_qs].toString(),
             u"【未実行】"_qs + form->mailText(notify::MailField::Subject));
    QVERIFY(
        second[u"body"_qs]
            .toString()
            .replace(u"\r\n"_qs, u"\n"_qs)
            .startsWith(u"シャットダウンできませんでした::システムが許可しませんでした\n\n"_qs));
    const QString log = form->TXT_LOG->toPlainText();
    QCOMPARE(log.count(u"シャットダウンを実行します。"_qs), 1);
    QCOMPARE(
        log.section(u'\n', -2, -2),
        u"シャットダウンできませんでした::システムが許可しませんでした - 2026/12/06 12:30:15"_qs);
    const QByteArray logFile = readBytes(m_fx->file(u"log/2026_12_06.log"_qs));
    // Saved once, before the action line, the refusal and the second mail.
    QCOMPARE(logFile.count("\r\n"), log.count(u'\n') - 2);
}

void TestRoad::tickWhileTheScheduleLoads() {
    QString text;
    for (int i = 1; i <= 300; ++i)
        text +=
            (i == 100 ? u"2026/12/06 12:30:00,ログオフ,"_qs : u"2026/12/06 08:00:00,再起動,"_qs) +
            u"\r\n"_qs;
    writeSchedule(text);
    auto form = m_fx->create(m_power.get());
    m_form = form.get();
    form->TIM_MAIN->setInterval(0); // a tick at every yield of the load
    form->Form_Load();
    form->TIM_MAIN->stop();
    QCOMPARE(form->LVW1->topLevelItemCount(), 300);
    QVERIFY(!m_power->codes.isEmpty());
    QCOMPARE(m_power->codes.first(), 0);
    QVERIFY(m_power->listSize >= 100 && m_power->listSize < 300);
}

QTEST_MAIN(TestRoad)
#include "tst_road.moc"
