// The QtKeychain store against a real Secret Service (gnome-keyring on a private session bus),
// and a send whose password comes from it.
#include "notify/mail/keychainstore.h"
#include "notify/mail/mail.h"
#include "support/dbusrig.h"
#include "support/smtprig.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace tovik::mail;
using namespace std::chrono_literals;
using tovik::testing::DBusRig;
using tovik::testsupport::SmtpRig;

namespace {

const QString kKeyring = QStringLiteral("/usr/bin/gnome-keyring-daemon");
const QString kUser = u"tovik@example.jp"_qs;
const QString kPassword = u"pässwort 秘密"_qs;

// gnome-keyring with a fresh, unlocked login keyring in a temporary home, on the rig's bus.
class KeyringDaemon final {
public:
    explicit KeyringDaemon(const DBusRig& bus) {
        const QString home = bus.folder() + u"/home"_qs;
        const QString runtime = bus.folder() + u"/run"_qs;
        QDir().mkpath(home);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_qs, home);
        env.insert(u"XDG_DATA_HOME"_qs, home + u"/.local/share"_qs);
        env.insert(u"XDG_RUNTIME_DIR"_qs, runtime);
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_qs, bus.address());
        env.remove(u"DISPLAY"_qs);
        m_process.setProcessEnvironment(env);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(bus.folder() + u"/keyring.err"_qs);
        m_process.start(kKeyring, {u"--foreground"_qs, u"--components=secrets"_qs, u"--unlock"_qs});
        if (!m_process.waitForStarted(10000))
            return;
        m_process.write("keyring-password");
        m_process.closeWriteChannel();
        QDBusConnection connection =
            QDBusConnection::connectToBus(bus.address(), u"tovik-keyring-wait"_qs);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000 && m_process.state() == QProcess::Running) {
            if (connection.interface()->isServiceRegistered(u"org.freedesktop.secrets"_qs)) {
                m_ready = true;
                break;
            }
            QTest::qWait(50);
        }
        QDBusConnection::disconnectFromBus(u"tovik-keyring-wait"_qs);
    }
    ~KeyringDaemon() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate(); // by its PID
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }
    KeyringDaemon(const KeyringDaemon&) = delete;
    KeyringDaemon& operator=(const KeyringDaemon&) = delete;
    bool isReady() const { return m_ready; }

private:
    QProcess m_process;
    bool m_ready = false;
};

} // namespace

class TestKeychainStore final : public QObject {
    Q_OBJECT

private slots:
    // First: GLib keeps the first session bus it reaches for the rest of the process.
    void missingStoreIsBounded();
    void realSecretService();
};

void TestKeychainStore::missingStoreIsBounded() {
    DBusRig bus;
    QVERIFY2(bus.isReady(), qPrintable(bus.errorString()));
    bus.setProcessAddresses(bus.missingBusAddress(), bus.missingBusAddress());
    KeychainStore store(u"Tovik test"_qs, 2s);
    QElapsedTimer clock;
    clock.start();
    const auto lookup = store.read(secretKey(kUser, u"localhost"_qs));
    QCOMPARE(lookup.status, SecretStore::Status::Unavailable);
    QVERIFY(!lookup.detail.isEmpty());
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));

    // A scheduled send says so in its line and does not go on the wire.
    SmtpRig rig;
    rig.setTls(SmtpRig::Tls::StartTls);
    rig.setLogin(kUser, kPassword);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    SendOptions options;
    options.caFile = rig.caFile();
    options.secrets = &store;
    const Outcome outcome =
        sendNotification({u"smtp://"_qs + kUser + u"@localhost:"_qs + QString::number(rig.port()),
                          u"kanri@example.jp"_qs, kUser, u"s"_qs, u"b"_qs},
                         QDateTime::currentDateTime(), options);
    QVERIFY(outcome && outcome->kind == FailureKind::Password);
    QVERIFY2(outcome->description.startsWith(u"パスワードの保管場所"_qs),
             qPrintable(outcome->description));
    QCOMPARE(rig.connectionCount(), 0);
}

void TestKeychainStore::realSecretService() {
    if (!QFile::exists(kKeyring))
        QSKIP("gnome-keyring is not installed (scripts/install-deps.sh)");
    DBusRig bus;
    QVERIFY2(bus.isReady(), qPrintable(bus.errorString()));
    KeyringDaemon keyring(bus);
    QVERIFY2(keyring.isReady(), "gnome-keyring-daemon did not come up on the private bus");

    SmtpRig rig;
    rig.setTls(SmtpRig::Tls::StartTls);
    rig.setLogin(kUser, kPassword);
    QVERIFY2(rig.start(), qPrintable(rig.errorString()));
    const QString key = secretKey(kUser, u"localhost"_qs);
    KeychainStore store(u"Tovik test"_qs, 10s);
    QCOMPARE(store.read(key).status, SecretStore::Status::NotFound);

    // The test button: asked once, stored in the keyring, sent.
    SendOptions options;
    options.caFile = rig.caFile();
    options.secrets = &store;
    int asked = 0;
    options.askPassword = [&asked](const QString&, const QString&) {
        ++asked;
        return std::optional(kPassword);
    };
    const Message message{u"smtp://"_qs + kUser + u"@localhost:"_qs + QString::number(rig.port()),
                          u"kanri@example.jp"_qs, kUser, u"件名"_qs, u"本文"_qs};
    QCOMPARE(logMessage(sendNotification(message, QDateTime::currentDateTime(), options)),
             kSentText);
    QCOMPARE(asked, 1);

    // A scheduled send, with a store of its own as after a restart, finds it there.
    KeychainStore later(u"Tovik test"_qs, 10s);
    const auto lookup = later.read(key);
    QCOMPARE(lookup.status, SecretStore::Status::Found);
    QCOMPARE(lookup.password, kPassword);
    SendOptions scheduled;
    scheduled.caFile = rig.caFile();
    scheduled.secrets = &later;
    QCOMPARE(logMessage(sendNotification(message, QDateTime::currentDateTime(), scheduled)),
             kSentText);
    const auto received = rig.messages();
    QCOMPARE(received.size(), 2);
    QCOMPARE(received[1].login, kUser);

    // Locked again (as after a screen lock), nobody there to type the keyring's password:
    // the scheduled send gives up in bounded time and says why, and sends nothing.
    {
        QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), u"lock"_qs);
        QDBusMessage lock = QDBusMessage::createMethodCall(
            u"org.freedesktop.secrets"_qs, u"/org/freedesktop/secrets"_qs,
            u"org.freedesktop.Secret.Service"_qs, u"Lock"_qs);
        lock << QVariant::fromValue(QList<QDBusObjectPath>{
            QDBusObjectPath(u"/org/freedesktop/secrets/collection/login"_qs)});
        const QDBusMessage reply = connection.call(lock);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    }
    QDBusConnection::disconnectFromBus(u"lock"_qs);
    KeychainStore locked(u"Tovik test"_qs, 2s);
    scheduled.secrets = &locked;
    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = sendNotification(message, QDateTime::currentDateTime(), scheduled);
    QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(outcome && outcome->kind == FailureKind::Password);
    QVERIFY2(outcome->description.contains(u"ロック"_qs), qPrintable(outcome->description));
    QCOMPARE(rig.messages().size(), 2);
}

QTEST_GUILESS_MAIN(TestKeychainStore)
#include "tst_keychainstore.moc"
