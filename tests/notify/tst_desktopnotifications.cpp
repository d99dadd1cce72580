// Warnings as desktop notifications, against dbusmock's notification daemon on a private bus,
// and the own window taking over while the service is away.
#include "notify/desktopnotifications.h"
#include "notify/fallbackchannel.h"
#include "support/dbusrig.h"
#include "support/recordingchannel.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

#include <memory>

using namespace tovik;
using tovik::testing::DBusRig;
using tovik::testing::RecordingChannel;

namespace {

const QString kMock = QStringLiteral("notifications");

// What the service does when the user clicks an action button.
bool clickAction(const QDBusConnection& bus, uint id, const QString& actionKey) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("EmitSignal"));
    message << QStringLiteral("org.freedesktop.Notifications") << QStringLiteral("ActionInvoked")
            << QStringLiteral("us") << QVariantList{QVariant::fromValue(id), actionKey};
    return bus.call(message).type() == QDBusMessage::ReplyMessage;
}

} // namespace

class TestDesktopNotifications : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DBusRig> m_rig;
    QDBusConnection m_bus{QString()};
    QList<std::pair<quintptr, qint64>> m_cancels;

    template <class Channel> Channel& handled(Channel& channel) {
        channel.setCancelHandler([this](quintptr key, qint64 minute) {
            m_cancels.append({key, minute});
        });
        return channel;
    }
    std::unique_ptr<notify::DesktopNotifications> channel() {
        auto n = std::make_unique<notify::DesktopNotifications>(m_bus);
        handled(*n);
        return n;
    }
    QStringList notifyCalls() { return callsOf(u"^Notify "_qs); }
    QStringList callsOf(const QString& pattern) {
        if (!m_rig->sync(kMock))
            return {};
        return m_rig->calls(kMock).filter(QRegularExpression(pattern));
    }

private slots:
    void init() {
        m_cancels.clear();
        m_rig = std::make_unique<DBusRig>();
        QVERIFY2(m_rig->isReady(), qPrintable(m_rig->errorString()));
        m_bus = QDBusConnection::connectToBus(m_rig->address(), u"tovik-test"_qs);
        QVERIFY(m_bus.isConnected());
    }
    void cleanup() {
        QDBusConnection::disconnectFromBus(u"tovik-test"_qs);
        m_rig.reset();
    }

    void noticeOnlyWhereAServiceRuns() {
        QVERIFY(!notify::DesktopNotifications::notice(m_bus, u"none"_qs, 500));
        QVERIFY(m_rig->startNotificationDaemon());
        // A notice is taken before the call returns: the program may end right after it.
        QVERIFY(notify::DesktopNotifications::notice(m_bus, u"保存できませんでした"_qs, 500));
        QCOMPARE(notifyCalls().filter(u"保存できませんでした"_qs).size(), 1);
    }

    void notifyWithTextAndCancelAction() {
        QVERIFY(m_rig->startNotificationDaemon());
        auto n = channel();
        const QString text = u"5分後にシャットダウンします（2026/12/07 22:00、項目番号=3）"_qs;
        n->warn({11, 2000, text, {}});
        QTRY_COMPARE(notifyCalls().size(), 1);
        const QString call = notifyCalls().first();
        QVERIFY2(call.contains(text), qPrintable(call));
        QVERIFY2(call.contains(u"今回は中止"_qs), qPrintable(call));
        QVERIFY2(call.startsWith(u"Notify \"Tovik\" 0 "_qs), qPrintable(call));
        QTest::qWait(100); // the id comes back asynchronously

        // The 1-minute warning of the same run takes the place of the 5-minute one (id 1).
        n->warn({11, 2000, u"1分後にシャットダウンします（2026/12/07 22:00、項目番号=3）"_qs, {}});
        QTRY_COMPARE(notifyCalls().size(), 2);
        QVERIFY2(notifyCalls().last().startsWith(u"Notify \"Tovik\" 1 "_qs),
                 qPrintable(notifyCalls().last()));
        // Another run gets a notification of its own.
        n->warn({12, 2001, u"5分後に再起動します（2026/12/07 22:01、項目番号=4）"_qs, {}});
        QTRY_COMPARE(notifyCalls().size(), 3);
        QVERIFY(notifyCalls().last().startsWith(u"Notify \"Tovik\" 0 "_qs));

        // A cancel from elsewhere closes the first entry's notifications only, also that of
        // its postponed run whose id is still on its way.
        QTest::qWait(100);
        n->warn({11, 2015, u"5分後にシャットダウンします（22:15）"_qs, {}});
        n->withdraw(11);
        QTRY_COMPARE(callsOf(u"^CloseNotification "_qs),
                     (QStringList{u"CloseNotification 1"_qs, u"CloseNotification 3"_qs}));

        // The word at the program's end asks nothing.
        n->tell(u"予定が残っています。Tovik を終了したため実行されません"_qs);
        QVERIFY2(notifyCalls().last().contains(
                     u"\"予定が残っています。Tovik を終了したため実行されません\" [] "_qs),
                 qPrintable(notifyCalls().last()));
    }

    void fallsBackWhileTheServiceIsAway_data() {
        QTest::addColumn<QString>("away");
        QTest::newRow("no service at start") << u"none"_qs;
        QTest::newRow("service stopped") << u"stopped"_qs;
        QTest::newRow("service silent") << u"silent"_qs;
    }
    void fallsBackWhileTheServiceIsAway() {
        QFETCH(QString, away);
        auto window = std::make_unique<RecordingChannel>();
        RecordingChannel& own = *window;
        notify::FallbackChannel warnings(channel(), std::move(window));
        handled(warnings);
        if (away != u"none"_qs) {
            QVERIFY(m_rig->startNotificationDaemon());
            warnings.warn({11, 2000, u"5分後にシャットダウンします"_qs, {}});
            QTRY_COMPARE(notifyCalls().size(), 1);
            QTest::qWait(100); // the id comes back asynchronously
            if (away == u"stopped"_qs)
                m_rig->stopMock(kMock);
            else
                QVERIFY(m_rig->pauseMock(kMock, true));
        }
        warnings.warn({11, 2000, u"1分後にシャットダウンします"_qs, {}});
        QTRY_COMPARE_WITH_TIMEOUT(own.texts(), QStringList{u"1分後にシャットダウンします"_qs},
                                  3000);
        own.chooseCancel();
        QCOMPARE(m_cancels, (QList<std::pair<quintptr, qint64>>{{11, 2000}}));

        // The service is back: the next warning is a notification, and the window goes.
        QVERIFY(away == u"silent"_qs ? m_rig->pauseMock(kMock, false)
                                     : m_rig->startNotificationDaemon());
        warnings.warn({11, 2015, u"5分後にシャットダウンします（22:15）"_qs, {}});
        QTRY_COMPARE(notifyCalls().filter(u"22:15"_qs).size(), 1);
        QTRY_VERIFY(own.withdrawn.contains(11));
        QCOMPARE(own.warnings.size(), 1U);
        // A late answer is not left on the screen beside the window's warning.
        if (away == u"silent"_qs)
            QTRY_COMPARE(callsOf(u"^CloseNotification "_qs),
                         QStringList{u"CloseNotification 1"_qs});
    }

    void actionInvokedCancelsThatRun() {
        QVERIFY(m_rig->startNotificationDaemon());
        auto n = channel();
        n->warn({11, 2000, u"5分後にシャットダウンします"_qs, {}});
        n->warn({12, 2001, u"5分後に再起動します"_qs, {}});
        QTRY_COMPARE(notifyCalls().size(), 2);
        QTest::qWait(50); // the ids come back asynchronously

        // The body's default action and unknown ids cancel nothing.
        QVERIFY(clickAction(m_bus, 2, u"default"_qs));
        QVERIFY(clickAction(m_bus, 99, u"cancel"_qs));
        QVERIFY(clickAction(m_bus, 2, u"cancel"_qs));
        QTRY_COMPARE(m_cancels.size(), 1);
        QTest::qWait(100);
        QCOMPARE(m_cancels, (QList<std::pair<quintptr, qint64>>{{12, 2001}}));
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifications)
#include "tst_desktopnotifications.moc"
