// The window's side of the notification mail: the password box of the test button, a
// scheduled send that never asks, and the status strip's tooltip for a cut line.
#include "notify/mail/mail.h"
#include "support/fakesecretstore.h"
#include "support/smtprig.h"
#include "support/windowfixture.h"
#include "ui/form1.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tovik;
using tovik::testsupport::FakeSecretStore;
using tovik::testsupport::SmtpRig;

namespace {

const QString kUser = u"tovik@example.jp"_qs;
const QString kPassword = u"Pass word-42"_qs; // keyClicks types ASCII only

} // namespace

class TestForm1Mail final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void testButtonAsksOnceAndStores();
    void cancelledBoxSendsNothing();
    void scheduledSendNeverAsks();
    void statusLineShowsWholeLine();

private:
    // Answers the next password box (typing `answer`, or cancelling when it is null) and
    // counts the boxes; a box the test did not expect is cancelled too.
    void answerBoxes(const std::optional<QString>& answer);

    testing::WindowFixture m_fixture;
    std::unique_ptr<ui::Form1> m_form;
    std::shared_ptr<FakeSecretStore> m_store;
    std::unique_ptr<SmtpRig> m_rig;
    QTimer m_answerer;
    QStringList m_boxes;
};

void TestForm1Mail::init() {
    m_rig = std::make_unique<SmtpRig>();
    m_rig->setTls(SmtpRig::Tls::StartTls);
    m_rig->setLogin(kUser, kPassword);
    QVERIFY2(m_rig->start(), qPrintable(m_rig->errorString()));
    m_store = std::make_shared<FakeSecretStore>();
    m_form = m_fixture.create();
    m_form->setPresenter(nullptr);
    m_form->TIM_MAIN->stop();
    mail::SendOptions options;
    options.caFile = m_rig->caFile();
    m_form->setMailOptions(options, m_store);
    m_form->setMailText(notify::MailField::Server,
                        u"smtp://"_qs + kUser + u"@localhost:"_qs + QString::number(m_rig->port()));
    m_form->setMailText(notify::MailField::To, u"管理者 <kanri@example.jp>"_qs);
    m_form->setMailText(notify::MailField::From, kUser);
    m_boxes.clear();
}

void TestForm1Mail::cleanup() {
    m_answerer.stop();
    m_answerer.disconnect();
    m_form.reset();
    m_rig.reset();
}

void TestForm1Mail::answerBoxes(const std::optional<QString>& answer) {
    m_answerer.setInterval(20);
    connect(&m_answerer, &QTimer::timeout, this, [this, answer] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box)
            return;
        m_boxes += box->windowTitle();
        auto* field = box->findChild<QLineEdit*>(u"TXT_PASSWORD"_qs);
        if (answer && field && field->echoMode() == QLineEdit::Password) {
            QTest::keyClicks(field, *answer);
            box->accept();
        } else {
            box->reject();
        }
    });
    m_answerer.start();
}

void TestForm1Mail::testButtonAsksOnceAndStores() {
    answerBoxes(kPassword);
    m_form->CMD_TEST_SEND_Click();
    QVERIFY2(m_form->LB_STATUS->text().startsWith(mail::kSentText + u" - "_qs),
             qPrintable(m_form->LB_STATUS->text()));
    QCOMPARE(m_boxes, QStringList{u"SMTPサーバーのパスワード"_qs});
    QCOMPARE(m_store->secrets.value(mail::secretKey(kUser, u"localhost"_qs)), kPassword);

    // Stored now: neither the button nor the schedule asks again.
    m_form->CMD_TEST_SEND_Click();
    m_form->SendNotificationMail();
    QCOMPARE(m_boxes.size(), 1);
    const auto received = m_rig->messages();
    QCOMPARE(received.size(), 3);
    QCOMPARE(received[2].login, kUser);
    QVERIFY(received[2].tls);
    QVERIFY(m_form->CMD_TEST_SEND->isEnabled());
}

void TestForm1Mail::cancelledBoxSendsNothing() {
    answerBoxes(std::nullopt);
    m_form->CMD_TEST_SEND_Click();
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_form->LB_STATUS->text().startsWith(mail::kFailurePrefix),
             qPrintable(m_form->LB_STATUS->text()));
    QVERIFY(m_store->secrets.isEmpty());
    QCOMPARE(m_rig->connectionCount(), 0);
    QVERIFY(m_form->CMD_TEST_SEND->isEnabled());
}

void TestForm1Mail::scheduledSendNeverAsks() {
    answerBoxes(kPassword);
    m_form->SendNotificationMail();
    QCOMPARE(m_boxes, QStringList());
    const QString line = m_form->TXT_LOG->toPlainText().split(u'\n').last();
    QVERIFY2(line.startsWith(mail::kFailurePrefix) &&
                 line.contains(u"パスワードが保存されていません"_qs),
             qPrintable(line));
    QCOMPARE(m_rig->connectionCount(), 0);
}

void TestForm1Mail::statusLineShowsWholeLine() {
    m_form->show();
    const QString longLine = mail::kFailurePrefix +
                             u"60::サーバー証明書が SMTPサーバー名と一致しません（SSL: no "
                             u"alternative certificate subject name matches target host name "
                             u"'mail.example.jp'）"_qs;
    m_form->WriteLog(longLine);
    QVERIFY(m_form->LB_STATUS->text().startsWith(longLine));
    QVERIFY(m_form->LB_STATUS->toolTip().startsWith(longLine));
    m_form->WriteLog(mail::kSentText);
    QVERIFY(m_form->LB_STATUS->text().startsWith(mail::kSentText));
    QCOMPARE(m_form->LB_STATUS->toolTip(), QString());
}

QTEST_MAIN(TestForm1Mail)
#include "tst_form1_mail.moc"
