// DoExitWindows and the backend seam: what reaches the backend, and that nothing escapes.
#include "power/power.h"
#include "power/recordingbackend.h"

#include <QTest>

#include <stdexcept>

using tovik::power::RecordingBackend;

namespace {

class ThrowingBackend final : public tovik::power::PowerBackend {
public:
    tovik::power::Outcome request(int) override { throw std::runtime_error("backend failure"); }
};

} // namespace

class TestPower : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { tovik::power::setBackendForTesting(nullptr); }

    void passesCodesUnchangedAndInOrder_data() {
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("log off") << QList<int>{0};
        QTest::newRow("shut down") << QList<int>{1};
        QTest::newRow("restart") << QList<int>{2};
        // The tick repeats its request on every tick of the due minute.
        QTest::newRow("repeated within a minute") << QList<int>{1, 1, 1};
        QTest::newRow("mixed") << QList<int>{2, 0, 1};
    }
    void passesCodesUnchangedAndInOrder() {
        QFETCH(QList<int>, codes);
        RecordingBackend& recorder = RecordingBackend::install();
        for (const int& code : codes)
            win32::DoExitWindows(code);
        QCOMPARE(recorder.codes(), codes);
    }

    void nullptrRestoresThePlatformBackend() {
        tovik::power::PowerBackend& platform = tovik::power::currentBackend();
        RecordingBackend& recorder = RecordingBackend::install();
        QCOMPARE(&tovik::power::currentBackend(), &recorder);
        tovik::power::setBackendForTesting(nullptr);
        QCOMPARE(&tovik::power::currentBackend(), &platform);
        QVERIFY(dynamic_cast<RecordingBackend*>(&tovik::power::currentBackend()) == nullptr);
    }

    void failuresStaySilent() {
        tovik::power::setBackendForTesting(std::make_unique<ThrowingBackend>());
        tovik::power::Outcome outcome;
        QVERIFY_THROWS_NO_EXCEPTION(outcome = win32::DoExitWindows(1));
        QVERIFY(!outcome.done());
    }
};

QTEST_GUILESS_MAIN(TestPower)
#include "tst_power.moc"
