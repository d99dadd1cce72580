// Warnings as desktop notifications, against dbusmock's notification daemon on a private bus.
#include "notify/desktopnotifications.h"
#include "support/dbusrig.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

#include <memory>

using namespace tovik;
using tovik::testing::DBusRig;

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

    std::unique_ptr<notify::DesktopNotifications> channel() {
        auto n = std::make_unique<notify::DesktopNotifications>(m_bus);
        n->setCancelHandler([this](quintptr key, qint64 minute) {
            m_cancels.append({key, minute});
        });
        return n;
    }
    QStringList notifyCalls() {
        if (!m_rig->sync(kMock))
            return {};
        return m_rig->calls(kMock).filter(QRegularExpression(u"^Notify "_qs));
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

    void availableOnlyWhereAServiceRuns() {
        QVERIFY(!notify::DesktopNotifications::available(m_bus));
        QVERIFY(!notify::DesktopNotifications::notice(m_bus, u"none"_qs, 500));
        QVERIFY(m_rig->startNotificationDaemon());
        QVERIFY(notify::DesktopNotifications::available(m_bus));
        // A notice is taken before the call returns: the program may end right after it.
        QVERIFY(notify::DesktopNotifications::notice(m_bus, u"保存できませんでした"_qs, 500));
        QCOMPARE(notifyCalls().filter(u"保存できませんでした"_qs).size(), 1);
        QVERIFY(!notify::DesktopNotifications::available(
            QDBusConnection::connectToBus(m_rig->missingBusAddress(), u"tovik-missing"_qs)));
        QDBusConnection::disconnectFromBus(u"tovik-missing"_qs);
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

        // A cancel from elsewhere closes the first run's notification only.
        QTest::qWait(100);
        n->withdraw(11);
        QTRY_VERIFY(m_rig->sync(kMock) &&
                    !m_rig->calls(kMock).filter(u"CloseNotification"_qs).isEmpty());
        QCOMPARE(m_rig->calls(kMock).filter(u"CloseNotification"_qs),
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
