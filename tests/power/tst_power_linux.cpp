// The Linux backend against a private bus: dbusmock's logind and mocked session managers.
#include "power/power.h"
#include "power/reasontext.h"
#include "support/busguard.h"
#include "support/dbusrig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using tovik::testing::DBusRig;
using SessionManager = DBusRig::SessionManager;

Q_DECLARE_METATYPE(SessionManager)

namespace {

// Generous against a loaded machine, still far below the bus's own 25 s default.
constexpr qint64 kPromptMs = 5000;

const QString kLogind = QStringLiteral("logind");

// Shut down and restart are never requested without their Can* question first.
bool requestedNothing(const QStringList& calls) {
    for (const QString& call : calls) {
        if (call.startsWith(QLatin1String("PowerOff")) || call.startsWith(QLatin1String("Reboot")))
            return false;
    }
    return true;
}

} // namespace

class TestPowerLinux : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DBusRig> m_rig;

    tovik::power::Outcome m_outcome;
    std::unique_ptr<tovik::testing::GuardedBackend> m_backend;

    // Runs the request, keeps its outcome and returns how long it took.
    qint64 timedRequest(int code) {
        QElapsedTimer timer;
        timer.start();
        m_outcome = win32::DoExitWindows(*m_backend, code);
        return timer.elapsed();
    }

private slots:
    void init() {
        m_backend = std::make_unique<tovik::testing::GuardedBackend>();
        m_rig = std::make_unique<DBusRig>();
        QVERIFY2(m_rig->isReady(), qPrintable(m_rig->errorString()));
    }
    void cleanup() {
        m_rig.reset();
        m_backend.reset();
    }

    void logindActions_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("refusal"); // what the log will say, empty when asked
        const QString offQuery = QStringLiteral("CanPowerOff");
        const QString rebootQuery = QStringLiteral("CanReboot");
        const QString sleepQuery = QStringLiteral("CanSuspend");
        const QString hibernateQuery = QStringLiteral("CanHibernate");
        const QString refused = u"システムが許可しませんでした"_qs;
        QTest::newRow("shut down, yes")
            << 1 << "yes" << QStringList{offQuery, QStringLiteral("PowerOff False")} << QString();
        QTest::newRow("shut down, challenge")
            << 1 << "challenge" << QStringList{offQuery, QStringLiteral("PowerOff True")}
            << QString();
        QTest::newRow("shut down, no") << 1 << "no" << QStringList{offQuery} << refused;
        QTest::newRow("shut down, na") << 1 << "na" << QStringList{offQuery} << refused;
        QTest::newRow("shut down, unknown answer")
            << 1 << "maybe" << QStringList{offQuery} << refused;
        QTest::newRow("restart, yes")
            << 2 << "yes" << QStringList{rebootQuery, QStringLiteral("Reboot False")} << QString();
        QTest::newRow("restart, challenge")
            << 2 << "challenge" << QStringList{rebootQuery, QStringLiteral("Reboot True")}
            << QString();
        QTest::newRow("restart, no") << 2 << "no" << QStringList{rebootQuery} << refused;
        QTest::newRow("restart, na") << 2 << "na" << QStringList{rebootQuery} << refused;
        QTest::newRow("sleep, yes")
            << 3 << "yes" << QStringList{sleepQuery, QStringLiteral("Suspend False")} << QString();
        QTest::newRow("sleep, challenge")
            << 3 << "challenge" << QStringList{sleepQuery, QStringLiteral("Suspend True")}
            << QString();
        QTest::newRow("sleep, no") << 3 << "no" << QStringList{sleepQuery} << refused;
        QTest::newRow("hibernate, challenge")
            << 4 << "challenge" << QStringList{hibernateQuery, QStringLiteral("Hibernate True")}
            << QString();
        QTest::newRow("hibernate, no") << 4 << "no" << QStringList{hibernateQuery} << refused;
    }
    void logindActions() {
        QFETCH(int, code);
        QFETCH(QString, answer);
        QFETCH(QStringList, expected);
        QFETCH(QString, refusal);
        // Every other question answered too, so asking the wrong one would still find a
        // "yes" or "challenge" and show up as the wrong call.
        const QString other =
            answer == QLatin1String("yes") ? QStringLiteral("challenge") : QStringLiteral("yes");
        const QStringList queries{QString(), QStringLiteral("CanPowerOff"),
                                  QStringLiteral("CanReboot"), QStringLiteral("CanSuspend"),
                                  QStringLiteral("CanHibernate")};
        QVariantMap answers;
        for (int i = 1; i < queries.size(); ++i)
            answers[queries[i]] = i == code ? answer : other;
        QVERIFY(m_rig->startLogind(answers));

        QVERIFY(timedRequest(code) < kPromptMs);
        // Sent before DoExitWindows returned: no waiting needed, only the mock's own turn.
        QVERIFY(m_rig->sync(kLogind));
        QCOMPARE(m_rig->calls(kLogind), expected);
        QCOMPARE(m_outcome.done(), refusal.isEmpty());
        QCOMPARE(tovik::power::reasonText(m_outcome.reason), refusal);
    }

    // While polkit asks the person for a password, later ticks must not ask again; once
    // the answer is in, they may.
    void interactiveRequestIsAwaited() {
        QVERIFY(m_rig->startLogind({{QStringLiteral("CanPowerOff"), QStringLiteral("challenge")}}));
        QVERIFY(m_rig->addMethod(kLogind, QStringLiteral("org.freedesktop.login1.Manager"),
                                 QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
                                 QStringLiteral("import time; time.sleep(2)")));
        QVERIFY(timedRequest(1) < kPromptMs);
        QVERIFY(m_outcome.done());
        QVERIFY(m_backend->awaitingAnswer());
        QTRY_VERIFY_WITH_TIMEOUT(!m_backend->awaitingAnswer(), 10000);
    }

    void canQueryFails_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("query");
        QTest::newRow("shut down") << 1 << "CanPowerOff";
        QTest::newRow("restart") << 2 << "CanReboot";
    }
    void canQueryFails() {
        QFETCH(int, code);
        QFETCH(QString, query);
        QVERIFY(m_rig->startLogind());
        QVERIFY(
            m_rig->addMethod(kLogind, QStringLiteral("org.freedesktop.login1.Manager"), query,
                             QString(), QStringLiteral("s"),
                             QStringLiteral("raise dbus.exceptions.DBusException('refused', "
                                            "name='org.freedesktop.DBus.Error.AccessDenied')")));

        QVERIFY(timedRequest(code) < kPromptMs);
        QCOMPARE(tovik::power::reasonText(m_outcome.reason),
                 u"システムから応答がありませんでした"_qs);
        QVERIFY(m_rig->sync(kLogind));
        const QStringList calls = m_rig->calls(kLogind);
        QVERIFY2(calls.contains(query), qPrintable(calls.join(QLatin1Char('|'))));
        QVERIFY2(requestedNothing(calls), qPrintable(calls.join(QLatin1Char('|'))));
    }

    // A logind that takes the question and never answers in time.
    void silentLogindIsBounded() {
        QVERIFY(m_rig->startLogind());
        QVERIFY(m_rig->addMethod(kLogind, QStringLiteral("org.freedesktop.login1.Manager"),
                                 QStringLiteral("CanPowerOff"), QString(), QStringLiteral("s"),
                                 QStringLiteral("import time; time.sleep(8); ret = 'yes'")));
        QVERIFY(timedRequest(1) < kPromptMs);
        // The mock is still asleep; its log only shows the question by now.
        QCOMPARE(m_rig->calls(kLogind), QStringList{QStringLiteral("CanPowerOff")});
    }

    void noBusAtAll_data() {
        QTest::addColumn<int>("code");
        QTest::newRow("log off") << 0;
        QTest::newRow("shut down") << 1;
        QTest::newRow("restart") << 2;
    }
    void noBusAtAll() {
        QFETCH(int, code);
        m_rig->setProcessAddresses(m_rig->missingBusAddress(), m_rig->missingBusAddress());
        QVERIFY(timedRequest(code) < kPromptMs);
        QCOMPARE(tovik::power::reasonText(m_outcome.reason),
                 code == 0 ? u"セッションバスに接続できませんでした"_qs
                           : u"システムバスに接続できませんでした"_qs);
    }

    void logOff_data() {
        QTest::addColumn<SessionManager>("desktop");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("GNOME") << SessionManager::Gnome << QStringList{QStringLiteral("Logout 1")};
        QTest::newRow("KDE Plasma")
            << SessionManager::KdeShutdown << QStringList{QStringLiteral("logout")};
        QTest::newRow("older KDE Plasma")
            << SessionManager::KdeKsmserver << QStringList{QStringLiteral("logout 0 0 0")};
        QTest::newRow("Xfce") << SessionManager::Xfce
                              << QStringList{QStringLiteral("Logout False True")};
    }
    void logOff() {
        QFETCH(SessionManager, desktop);
        QFETCH(QStringList, expected);
        QVERIFY(m_rig->startLogind());
        QVERIFY2(m_rig->startSessionManager(desktop), qPrintable(m_rig->errorString()));
        const QString id = DBusRig::sessionManagerId(desktop);

        QVERIFY(timedRequest(0) < kPromptMs);
        QVERIFY(m_rig->sync(id));
        QVERIFY(m_rig->sync(kLogind));
        QCOMPARE(m_rig->calls(id), expected);
        // Log off never goes to logind, whose TerminateSession would be forced.
        QCOMPARE(m_rig->calls(kLogind), QStringList());
    }

    void logOffWithoutSessionManagerRequestsNothing() {
        QVERIFY(m_rig->startLogind());
        QVERIFY(timedRequest(0) < kPromptMs);
        QCOMPARE(tovik::power::reasonText(m_outcome.reason),
                 u"ログオフを受け付けるセッションマネージャーが見つかりませんでした"_qs);
        QVERIFY(m_rig->sync(kLogind));
        QCOMPARE(m_rig->calls(kLogind), QStringList());
    }

    // Two desktops' managers on one bus: exactly one log off, to the first in the table.
    void logOffWithTwoSessionManagers() {
        QVERIFY(m_rig->startLogind());
        QVERIFY(m_rig->startSessionManager(SessionManager::Xfce));
        QVERIFY(m_rig->startSessionManager(SessionManager::Gnome));
        QVERIFY(timedRequest(0) < kPromptMs);
        QVERIFY(m_outcome.done());
        const QString gnome = DBusRig::sessionManagerId(SessionManager::Gnome);
        const QString xfce = DBusRig::sessionManagerId(SessionManager::Xfce);
        QVERIFY(m_rig->sync(gnome));
        QVERIFY(m_rig->sync(xfce));
        QCOMPARE(m_rig->calls(gnome), QStringList{QStringLiteral("Logout 1")});
        QCOMPARE(m_rig->calls(xfce), QStringList());
    }

    void shutDownNeverGoesToTheSessionManager() {
        QVERIFY(m_rig->startLogind({{QStringLiteral("CanPowerOff"), QStringLiteral("no")}}));
        QVERIFY(m_rig->startSessionManager(SessionManager::Gnome));
        win32::DoExitWindows(*m_backend, 1);
        const QString gnome = DBusRig::sessionManagerId(SessionManager::Gnome);
        QVERIFY(m_rig->sync(gnome));
        QCOMPARE(m_rig->calls(gnome), QStringList());
    }

    // The guard: a bus outside the rig's folder is refused before anything is asked,
    // even when it would lead to a live logind.
    void guardRefusesForeignBuses_data() {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("session");
        QTest::newRow("session bus elsewhere")
            << "rig" << QStringLiteral("unix:path=/nonexistent/tovik-test-bus");
        QTest::newRow("session bus unset") << "rig" << QString();
        QTest::newRow("system bus through a link outside") << "link"
                                                           << "rig";
        QTest::newRow("abstract socket") << "unix:abstract=tovik"
                                         << "rig";
    }
    void guardRefusesForeignBuses() {
        QFETCH(QString, system);
        QFETCH(QString, session);
        QVERIFY(m_rig->startLogind());

        QTemporaryDir outside;
        QVERIFY(outside.isValid());
        const QString link = outside.filePath(QStringLiteral("bus"));
        QVERIFY(QFile::link(m_rig->folder() + QStringLiteral("/bus"), link));
        const auto resolve = [&](const QString& value) {
            if (value == QLatin1String("rig"))
                return m_rig->address();
            if (value == QLatin1String("link"))
                return QStringLiteral("unix:path=") + link;
            return value;
        };
        m_rig->setProcessAddresses(resolve(system), resolve(session));

        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^tovik test bus guard")));
        QVERIFY(!win32::DoExitWindows(*m_backend, 1).done());
        QVERIFY(m_rig->sync(kLogind));
        QCOMPARE(m_rig->calls(kLogind), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPowerLinux)
#include "tst_power_linux.moc"
