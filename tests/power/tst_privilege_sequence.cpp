// The Windows privilege sequence against fake operations: order, give-up, handle release.
#include "power/privilegesequence.h"

#include <QStringList>
#include <QTest>

using tovik::power::PrivilegeId;
using tovik::power::PrivilegeOps;
using tovik::power::TokenHandle;
using Reason = tovik::power::Outcome::Reason;

namespace {

// Records every operation with the values it saw, so a wrong handle or identifier
// passed between steps shows up as a wrong line.
struct FakeWindows {
    QStringList trace;
    QString failAt;
    int token = 0;
    const PrivilegeId luid{0x1234u, 7};

    TokenHandle handle() { return &token; }

    PrivilegeOps ops() {
        return {
            [this](TokenHandle& out) {
                trace << QStringLiteral("open");
                if (failAt == QLatin1String("open"))
                    return false;
                out = handle();
                return true;
            },
            [this](PrivilegeId& id) {
                trace << QStringLiteral("lookup");
                if (failAt == QLatin1String("lookup"))
                    return false;
                id = luid;
                return true;
            },
            [this](TokenHandle token, const PrivilegeId& id) {
                trace << QStringLiteral("adjust %1 %2:%3")
                             .arg(describe(token))
                             .arg(id.lowPart)
                             .arg(id.highPart);
                return failAt != QLatin1String("adjust");
            },
            [this](std::uint32_t flags, std::uint32_t reason) {
                trace << QStringLiteral("exit %1 %2").arg(flags).arg(reason);
                return failAt != QLatin1String("exit");
            },
            [this](TokenHandle token) { trace << QStringLiteral("close ") + describe(token); },
            [this](bool hibernate) {
                trace << QStringLiteral("suspend %1").arg(hibernate);
                return failAt != QLatin1String("suspend");
            },
        };
    }

    // Sleep and hibernate go to SetSuspendState, the others to ExitWindowsEx.
    static QString request(int code) {
        return code < 3 ? QStringLiteral("exit %1 0").arg(code)
                        : QStringLiteral("suspend %1").arg(code == 4);
    }

    QString describe(TokenHandle token) {
        return token == handle() ? QStringLiteral("token") : QStringLiteral("other");
    }
};

} // namespace

class TestPrivilegeSequence : public QObject {
    Q_OBJECT

private slots:
    void requestsAfterEnablingThePrivilege_data() {
        QTest::addColumn<int>("code");
        QTest::newRow("log off") << 0;
        QTest::newRow("shut down") << 1;
        QTest::newRow("restart") << 2;
        QTest::newRow("sleep") << 3;
        QTest::newRow("hibernate") << 4;
    }
    void requestsAfterEnablingThePrivilege() {
        QFETCH(int, code);
        FakeWindows windows;
        QVERIFY(tovik::power::requestWithShutdownPrivilege(windows.ops(),
                                                           tovik::power::PowerAction(code))
                    .done());
        const QStringList expected{
            QStringLiteral("open"),
            QStringLiteral("lookup"),
            QStringLiteral("adjust token 4660:7"),
            FakeWindows::request(code),
            QStringLiteral("close token"),
        };
        QCOMPARE(windows.trace, expected);
    }

    // Log off included: once a privilege step fails nothing at all is requested, and a
    // token that was opened is still closed. The caller learns why nothing happened.
    void givesUpAtTheFirstFailure_data() {
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<Reason>("reason");
        const Reason noPrivilege = Reason::NoPrivilege;
        const QString adjust = QStringLiteral("adjust token 4660:7");
        for (const int code : {0, 1, 2, 3, 4}) {
            const QByteArray suffix = " code " + QByteArray::number(code);
            QTest::newRow(("open fails" + suffix).constData())
                << QStringLiteral("open") << code << QStringList{QStringLiteral("open")}
                << noPrivilege;
            QTest::newRow(("lookup fails" + suffix).constData())
                << QStringLiteral("lookup") << code
                << QStringList{QStringLiteral("open"), QStringLiteral("lookup"),
                               QStringLiteral("close token")}
                << noPrivilege;
            QTest::newRow(("adjust fails" + suffix).constData())
                << QStringLiteral("adjust") << code
                << QStringList{QStringLiteral("open"), QStringLiteral("lookup"), adjust,
                               QStringLiteral("close token")}
                << noPrivilege;
            // For hibernate also: hibernation switched off.
            QTest::newRow(("Windows refuses" + suffix).constData())
                << FakeWindows::request(code).section(u' ', 0, 0) << code
                << QStringList{QStringLiteral("open"), QStringLiteral("lookup"), adjust,
                               FakeWindows::request(code), QStringLiteral("close token")}
                << Reason::Refused;
        }
    }
    void givesUpAtTheFirstFailure() {
        QFETCH(QString, failAt);
        QFETCH(int, code);
        QFETCH(QStringList, expected);
        QFETCH(Reason, reason);
        FakeWindows windows;
        windows.failAt = failAt;
        const auto outcome = tovik::power::requestWithShutdownPrivilege(
            windows.ops(), tovik::power::PowerAction(code));
        QCOMPARE(windows.trace, expected);
        QVERIFY(!outcome.done());
        QCOMPARE(outcome.reason, reason);
    }
};

QTEST_GUILESS_MAIN(TestPrivilegeSequence)
#include "tst_privilege_sequence.moc"
