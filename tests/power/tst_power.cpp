// DoExitWindows at the boundary: codes reach the backend as actions, unknown codes and
// failures stay silent.
#include "power/power.h"
#include "support/recordingbackend.h"

#include <QTest>

#include <stdexcept>

using tovik::testing::RecordingBackend;

namespace {

class ThrowingBackend final : public tovik::power::PowerBackend {
public:
    tovik::power::Outcome request(tovik::power::PowerAction) override {
        throw std::runtime_error("backend failure");
    }
};

} // namespace

class TestPower : public QObject {
    Q_OBJECT

private slots:
    void passesCodesUnchangedAndInOrder_data() {
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QList<int>>("requested");
        QTest::newRow("log off") << QList<int>{0} << QList<int>{0};
        QTest::newRow("shut down") << QList<int>{1} << QList<int>{1};
        QTest::newRow("restart") << QList<int>{2} << QList<int>{2};
        QTest::newRow("sleep, hibernate") << QList<int>{3, 4} << QList<int>{3, 4};
        // The tick repeats its request on every tick of the due minute.
        QTest::newRow("repeated within a minute") << QList<int>{1, 1, 1} << QList<int>{1, 1, 1};
        QTest::newRow("mixed") << QList<int>{2, 0, 1} << QList<int>{2, 0, 1};
        QTest::newRow("no such action") << QList<int>{5, -1, 0x10} << QList<int>{};
    }
    void passesCodesUnchangedAndInOrder() {
        QFETCH(QList<int>, codes);
        QFETCH(QList<int>, requested);
        RecordingBackend recorder;
        for (const int& code : codes)
            win32::DoExitWindows(recorder, code);
        QCOMPARE(recorder.codes(), requested);
    }

    void failuresStaySilent() {
        ThrowingBackend backend;
        tovik::power::Outcome outcome;
        QVERIFY_THROWS_NO_EXCEPTION(outcome = win32::DoExitWindows(backend, 1));
        QVERIFY(!outcome.done());
    }
};

QTEST_GUILESS_MAIN(TestPower)
#include "tst_power.moc"
