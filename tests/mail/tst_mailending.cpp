// A close requested by the system (SIGTERM) while a mail waits for a silent server.
#include "app/closesignals.h"
#include "notify/mail/mail.h"
#include "support/smtprig.h"

#include <QElapsedTimer>
#include <QTest>
#include <csignal>
#include <thread>
#include <unistd.h>

using namespace tovik::mail;
using namespace std::chrono_literals;
using tovik::testsupport::SmtpRig;

class TestMailEnding final : public QObject {
    Q_OBJECT

private slots:
    void signalCutsTheSendShort();
};

// The send blocks the event loop for up to its bound; the close must not wait for that.
void TestMailEnding::signalCutsTheSendShort() {
    SmtpRig rig(SmtpRig::Mode::Silent);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    const tovik::app::CloseSignals closeSignals;
    const Message message{rig.serverField(), u"kanri@example.jp"_qs, u"tovik@example.jp"_qs,
                          u"s"_qs, u"b"_qs};
    std::thread system([] {
        std::this_thread::sleep_for(300ms);
        ::kill(::getpid(), SIGTERM);
    });
    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = sendNotification(message, QDateTime::currentDateTime());
    const qint64 elapsed = clock.elapsed();
    system.join();
    QVERIFY(outcome && outcome->kind == FailureKind::Ended);
    QVERIFY2(elapsed < 2500, qPrintable(QString::number(elapsed)));
    // Nor does a later send start.
    const Outcome later = sendNotification(message, QDateTime::currentDateTime());
    QVERIFY(later && later->kind == FailureKind::Ended);
    QCOMPARE(rig.connectionCount(), 1);
}

QTEST_GUILESS_MAIN(TestMailEnding)
#include "tst_mailending.moc"
