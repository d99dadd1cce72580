// The shipped executable from the outside: a copy in a fresh folder under its own Xvfb, a
// private D-Bus with mocked logind and session manager, and an SMTP server on loopback.
#include "app/appfolder.h"
#include "e2e/e2erig.h"
#include "support/dbusrig.h"
#include "support/fixedclock.h"
#include "support/smtprig.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "text/cp932.h"
#include "ui/form1.h"
#include "ui/warningwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

using namespace tovik;
using tovik::testing::sj;

namespace {

const QString kTitle = QStringLiteral("Tovik");
// Two ticks of five seconds, start-up and a mail on loopback.
constexpr int kTwoTicksMs = 12500;
constexpr int kWindowWaitMs = 15000;

// Pictures go beside the test unless TOVIK_SCREENSHOT_DIR names another folder
// (scripts/update-screenshots.sh points it at docs/screenshots).
QString shotDir() {
    QString dir = qEnvironmentVariable("TOVIK_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath() + u"/screenshots"_qs;
    QDir().mkpath(dir);
    return dir + u'/';
}

QString dateText(const QDate& d) {
    return d.toString(QStringLiteral("yyyy/MM/dd"));
}

// The minute the first ticks fall in. Too close to its end, the test waits for the next
// one, so that two ticks and the checks fit into a single minute.
QDateTime dueMinute() {
    QDateTime now = QDateTime::currentDateTime();
    if (now.time().second() >= 45) {
        const QDateTime next = now.addSecs(60 - now.time().second());
        QThread::msleep(static_cast<unsigned long>(now.msecsTo(next) + 300));
        now = QDateTime::currentDateTime();
    }
    return QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()));
}

QString whenText(const QDateTime& minute) {
    return dateText(minute.date()) + minute.toString(QStringLiteral(" HH:mm:00"));
}

// "毎週：d(name) yyyy/MM/dd HH:MM:00", d = 1 Sunday .. 7 Saturday.
QString weeklyWhenText(int digit, const QDateTime& minute) {
    static const QStringList names = {u"日曜日"_qs, u"月曜日"_qs, u"火曜日"_qs, u"水曜日"_qs,
                                      u"木曜日"_qs, u"金曜日"_qs, u"土曜日"_qs};
    return u"毎週："_qs + QString::number(digit) + u'(' + names.at(digit - 1) + u") "_qs +
           whenText(minute);
}

int weekdayDigit(const QDate& d) {
    return d.dayOfWeek() % 7 + 1;
}

// "message - yyyy/MM/dd H:mm:ss" split into its two parts.
struct LogLine {
    QString message;
    QString stamp;
};

QList<LogLine> logLines(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral(R"(^(.*) - (\d{4}/\d{2}/\d{2}(?: \d{1,2}:\d{2}:\d{2})?)$)"));
    QList<LogLine> lines;
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const auto m = form.match(line);
        lines += m.hasMatch() ? LogLine{m.captured(1), m.captured(2)} : LogLine{line, QString()};
    }
    return lines;
}

const QString kFaketime = QStringLiteral("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1");

// The program's clock starts at start ("2026-12-07 21:59:20", optionally " x10" to run it
// faster); its timers keep real time. Its home is a temporary folder.
QProcessEnvironment fakedClock(const QString& start, const QTemporaryDir& home) {
    QProcessEnvironment extra;
    extra.insert(u"LD_PRELOAD"_qs, kFaketime);
    extra.insert(u"FAKETIME"_qs, u'@' + start);
    extra.insert(u"FAKETIME_DONT_FAKE_MONOTONIC"_qs, u"1"_qs);
    // A sanitizer build wants its runtime first; the preloaded clock comes before it.
    const QString asan = qEnvironmentVariable("ASAN_OPTIONS");
    extra.insert(u"ASAN_OPTIONS"_qs,
                 (asan.isEmpty() ? QString() : asan + u':') + u"verify_asan_link_order=0"_qs);
    extra.insert(u"HOME"_qs, home.path());
    extra.insert(u"XDG_CONFIG_HOME"_qs, home.filePath(u"config"_qs));
    return extra;
}

bool hasCall(const QStringList& calls, const QString& prefix) {
    return std::any_of(calls.begin(), calls.end(),
                       [&](const QString& c) { return c.startsWith(prefix); });
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void busAddressGuard_data();
    void busAddressGuard();
    void refusesToStartOnForeignBuses();
    void scheduledShutdownWithMailAndLog();
    void weeklyEntryOfToday_data();
    void weeklyEntryOfToday();
    void firstStartInEmptyFolder();
    void faultyScheduleIsKeptAsBackup();
    void terminatedWhileTheErrorBoxIsOpen();
    void editTheListLikeAPerson();
    void boxLeftOpenThroughTheDueMinute();
    void twoCopiesInOneFolder();
    void displayLostAfterAnEdit();
    void warnedThenCancelled();
    void notifiedThenCancelledFromTheNotification_data();
    void notifiedThenCancelledFromTheNotification();

private:
    // Everything one run needs. Members end in reverse order: the program (SIGKILL if still
    // running), then its X server, then the bus and its mocks.
    struct Run {
        testing::DBusRig bus;
        e2e::XServer x;
        std::unique_ptr<e2e::TovikRun> tovik;
    };
    std::unique_ptr<Run> makeRun();
    std::unique_ptr<ui::Form1> probeWindow();
    bool startTovik(Run& run);
    QString waitForMainWindow(const Run& run, int count = 1);

    testing::WindowFixture m_probeFixture;
    QString m_executable;
    QSize m_windowSize;
};

void TestEndToEnd::initTestCase() {
    m_executable = QStringLiteral(TOVIK_EXECUTABLE);
    QVERIFY2(QFileInfo(m_executable).isExecutable(), qPrintable(m_executable));
    for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/xdotool", "/usr/bin/import"})
        QVERIFY2(QFileInfo::exists(QLatin1String(tool)), tool);

    const auto probe = probeWindow();
    QVERIFY(probe);
    m_windowSize = probe->size();
}

// The window is laid out at fixed positions: the same code in this process, offscreen,
// gives the size the real one must have and where its controls are.
std::unique_ptr<ui::Form1> TestEndToEnd::probeWindow() {
    auto form = m_probeFixture.start();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

std::unique_ptr<TestEndToEnd::Run> TestEndToEnd::makeRun() {
    auto run = std::make_unique<Run>();
    if (!run->bus.isReady()) {
        qWarning() << run->bus.errorString();
        return nullptr;
    }
    if (!run->x.start()) {
        qWarning() << run->x.errorString();
        return nullptr;
    }
    run->tovik = std::make_unique<e2e::TovikRun>(m_executable);
    return run;
}

bool TestEndToEnd::startTovik(Run& run) {
    // Belt and braces: the addresses must lie in the rig's own folder before anything starts.
    if (!e2e::addressInside(run.bus.address(), run.bus.folder()))
        return false;
    if (!run.tovik->start(run.x.display(), run.bus.address(), run.bus.folder())) {
        qWarning() << run.tovik->errorString();
        return false;
    }
    return true;
}

QString TestEndToEnd::waitForMainWindow(const Run& run, int count) {
    const QStringList windows = run.x.waitForWindows(kTitle, count, kWindowWaitMs);
    if (windows.size() != count)
        return {};
    const QString window = windows.last();
    return run.x.geometry(window).size() == m_windowSize ? window : QString();
}

// ---- the guard that keeps the program off the machine's own buses ----

void TestEndToEnd::busAddressGuard_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("inside");
    QTest::newRow("socket in the folder") << u"unix:path=/tmp/tovik-rig-abc/bus"_qs << true;
    QTest::newRow("machine's system bus") << u"unix:path=/run/dbus/system_bus_socket"_qs << false;
    QTest::newRow("folder name as prefix") << u"unix:path=/tmp/tovik-rig-abcd/bus"_qs << false;
    QTest::newRow("climbing out") << u"unix:path=/tmp/tovik-rig-abc/../bus"_qs << false;
    QTest::newRow("second address") << u"unix:path=/tmp/tovik-rig-abc/bus;unix:path=/x"_qs << false;
    QTest::newRow("abstract socket") << u"unix:abstract=/tmp/tovik-rig-abc/bus"_qs << false;
    QTest::newRow("tcp") << u"tcp:host=127.0.0.1,port=1"_qs << false;
    QTest::newRow("empty") << QString() << false;
}

void TestEndToEnd::busAddressGuard() {
    QFETCH(QString, address);
    QFETCH(bool, inside);
    QCOMPARE(e2e::addressInside(address, u"/tmp/tovik-rig-abc"_qs), inside);
}

void TestEndToEnd::refusesToStartOnForeignBuses() {
    QTemporaryDir folder;
    e2e::TovikRun run(m_executable);
    QVERIFY(run.isReady());
    // No display either: were the guard to fail, the program would still end at once.
    QVERIFY(!run.start(u":9999"_qs, u"unix:path=/run/dbus/system_bus_socket"_qs, folder.path()));
    QVERIFY(!run.isRunning());
    QVERIFY(run.errorString().startsWith(u"refusing"_qs));
}

// ---- a scheduled shutdown with both options ----

void TestEndToEnd::scheduledShutdownWithMailAndLog() {
    testsupport::SmtpRig smtp;
    QVERIFY2(smtp.start(), qPrintable(smtp.errorString()));
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind({{u"CanPowerOff"_qs, u"yes"_qs}, {u"CanReboot"_qs, u"yes"_qs}}),
             qPrintable(run->bus.errorString()));

    const QDateTime minute = dueMinute();
    // The first entry is long past: the walk must go on to the second.
    const QByteArray schedule = sj(u"2001/01/01 00:00:00,再起動,\r\n"_qs + whenText(minute) +
                                   u",シャットダウン,+SENDMAIL+SAVELOG\r\n"_qs);
    const QByteArray mailSettings =
        sj(smtp.serverField() + u"\r\nadmin@example.jp\r\ntovik@example.jp\r\n"_qs +
           u"シャットダウン通知\r\nまもなく停止します。\r\n.\r\n..以上\r\n"_qs);
    run->tovik->writeFile(u"schedule.ini"_qs, schedule);
    run->tovik->writeFile(u"e-mail.ini"_qs, mailSettings);
    QVERIFY(startTovik(*run));
    const QString window = waitForMainWindow(*run);
    QVERIFY2(!window.isEmpty(), "the main window did not appear at its fixed size");

    const QString logName = u"log/"_qs + minute.date().toString(u"yyyy_MM_dd"_qs) + u".log"_qs;
    QTRY_VERIFY_WITH_TIMEOUT(run->bus.sync(u"logind"_qs) &&
                                 run->bus.calls(u"logind"_qs).contains(u"PowerOff False"_qs),
                             kTwoTicksMs);
    // Mail and log file come before the request.
    QVERIFY(!smtp.messages().isEmpty());
    QVERIFY(run->tovik->exists(logName));

    const testsupport::SmtpRig::Received mail = smtp.messages().first();
    QCOMPARE(mail.mailFrom, u"tovik@example.jp"_qs);
    QCOMPARE(mail.recipients, QStringList{u"admin@example.jp"_qs});
    QString error;
    const QJsonObject decoded = testsupport::SmtpRig::decode(mail.raw, &error);
    QVERIFY2(!decoded.isEmpty(), qPrintable(error));
    QCOMPARE(decoded.value(u"subject"_qs).toString(), u"シャットダウン通知"_qs);
    QCOMPARE(decoded.value(u"from"_qs).toString(), u"tovik@example.jp"_qs);
    QCOMPARE(decoded.value(u"to"_qs).toString(), u"admin@example.jp"_qs);
    QCOMPARE(decoded.value(u"body"_qs).toString(), u"まもなく停止します。\r\n.\r\n..以上"_qs);

    // The day's file: CP932 with CR LF, the log as it stood before the action line.
    const QByteArray logBytes = run->tovik->readFile(logName);
    bool clean = false;
    const QString logText = text::decodeCp932(logBytes, &clean);
    QVERIFY(clean);
    QCOMPARE(sj(logText), logBytes);
    QVERIFY(logBytes.endsWith("\r\n"));
    QCOMPARE(logBytes.count('\n'), logBytes.count("\r\n"));
    const QList<LogLine> lines = logLines(logText);
    QVERIFY2(lines.size() >= 5, qPrintable(logText));
    QCOMPARE(lines.at(0).message, u"アプリケーションを起動しました"_qs);
    QCOMPARE(lines.at(1).message, u"スケジュールファイルが存在しました。→"_qs +
                                      run->tovik->filePath(u"schedule.ini"_qs));
    QCOMPARE(lines.at(2).message, u"メール設定ファイル読み込み成功"_qs);
    QCOMPARE(lines.at(3).message, u"実行条件が見つかりました。項目番号=2"_qs);
    QCOMPARE(lines.at(4).message, u"メールを正常送信しました"_qs);
    const QString minuteStamp = dateText(minute.date()) + u' ' +
                                QString::number(minute.time().hour()) + u':' +
                                minute.toString(u"mm"_qs) + u':';
    QVERIFY2(lines.at(3).stamp.startsWith(minuteStamp), qPrintable(lines.at(3).stamp));
    if (lines.size() > 5) // a later tick appends the whole log again
        QCOMPARE(lines.at(5).message, u"アプリケーションを起動しました"_qs);

    const QStringList calls = run->bus.calls(u"logind"_qs);
    QVERIFY2(!hasCall(calls, u"PowerOff True"_qs) && !hasCall(calls, u"Reboot"_qs),
             qPrintable(calls.join(u" | "_qs)));

    // The log tab shows the whole road.
    const QRect frame = run->x.geometry(window);
    const auto probe = probeWindow();
    QVERIFY(probe);
    QTabBar* bar = probe->TAB1->tabBar();
    const QPoint tabCentre = bar->mapTo(probe.get(), bar->tabRect(3).center());
    QVERIFY(run->x.focus(window));
    QVERIFY(run->x.click(frame.topLeft() + tabCentre));
    QTest::qWait(400);
    QVERIFY(run->x.screenshot(shotDir() + u"e2e-running.png"_qs, frame));

    QVERIFY2(run->tovik->terminate(), qPrintable(run->tovik->output()));
    QCOMPARE(run->tovik->readFile(u"schedule.ini"_qs), schedule);
    QCOMPARE(run->tovik->readFile(u"e-mail.ini"_qs), mailSettings);
}

// ---- weekly entries ----

void TestEndToEnd::weeklyEntryOfToday_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("mock");
    QTest::addColumn<QString>("call");
    QTest::addColumn<bool>("weekdaySet");
    QTest::newRow("restart") << u"再起動"_qs << u"logind"_qs << u"Reboot False"_qs << false;
    QTest::newRow("log off") << u"ログオフ"_qs
                             << testing::DBusRig::sessionManagerId(
                                    testing::DBusRig::SessionManager::Gnome)
                             << u"Logout 1"_qs << false;
    // On a Monday: the weekend set comes first and is passed over.
    QTest::newRow("平日, restart") << u"再起動"_qs << u"logind"_qs << u"Reboot False"_qs << true;
}

void TestEndToEnd::weeklyEntryOfToday() {
    QFETCH(QString, action);
    QFETCH(QString, mock);
    QFETCH(QString, call);
    QFETCH(bool, weekdaySet);
    if (weekdaySet && !QFileInfo::exists(kFaketime))
        QSKIP("libfaketime is missing (scripts/install-deps.sh installs it)");
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind({{u"CanPowerOff"_qs, u"yes"_qs}, {u"CanReboot"_qs, u"yes"_qs}}),
             qPrintable(run->bus.errorString()));
    QVERIFY2(run->bus.startSessionManager(testing::DBusRig::SessionManager::Gnome),
             qPrintable(run->bus.errorString()));
    const QString gnome =
        testing::DBusRig::sessionManagerId(testing::DBusRig::SessionManager::Gnome);

    QByteArray schedule;
    QTemporaryDir home;
    if (weekdaySet) {
        schedule = sj(u"毎週：0(日土) 2026/12/07 22:00:00,シャットダウン,\r\n"
                      u"毎週：0(月火水木金) 2026/12/07 22:00:00,"_qs +
                      action + u",\r\n"_qs);
        run->tovik->setExtraEnvironment(fakedClock(u"2026-12-07 21:59:57"_qs, home));
    } else {
        const QDateTime minute = dueMinute();
        const int today = weekdayDigit(minute.date());
        const int otherDay = today % 7 + 1;
        // Same time on another weekday comes first and must be passed over.
        schedule = sj(weeklyWhenText(otherDay, minute) + u",シャットダウン,\r\n"_qs +
                      weeklyWhenText(today, minute) + u',' + action + u",\r\n"_qs);
    }
    run->tovik->writeFile(u"schedule.ini"_qs, schedule);
    QVERIFY(startTovik(*run));
    QVERIFY(!waitForMainWindow(*run).isEmpty());

    QTRY_VERIFY_WITH_TIMEOUT(run->bus.sync(mock) && run->bus.calls(mock).contains(call),
                             kTwoTicksMs);
    QVERIFY(run->bus.sync(u"logind"_qs) && run->bus.sync(gnome));
    const QStringList logind = run->bus.calls(u"logind"_qs);
    QVERIFY2(!hasCall(logind, u"PowerOff"_qs), qPrintable(logind.join(u" | "_qs)));
    if (mock != u"logind"_qs)
        QVERIFY2(!hasCall(logind, u"Reboot"_qs), qPrintable(logind.join(u" | "_qs)));
    else
        QVERIFY(run->bus.calls(gnome).isEmpty());

    QVERIFY2(run->tovik->terminate(), qPrintable(run->tovik->output()));
    QCOMPARE(run->tovik->readFile(u"schedule.ini"_qs), schedule);
    // Nothing was typed into the mail settings: nothing to write.
    QVERIFY(!run->tovik->exists(u"e-mail.ini"_qs));
}

// ---- first start ----

void TestEndToEnd::firstStartInEmptyFolder() {
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind({{u"CanPowerOff"_qs, u"yes"_qs}}),
             qPrintable(run->bus.errorString()));
    QVERIFY(startTovik(*run));
    QVERIFY(!waitForMainWindow(*run).isEmpty());

    const QDir folder(run->tovik->folder());
    QVERIFY(QFileInfo(folder.filePath(u"log"_qs)).isDir());
    QVERIFY(QDir(folder.filePath(u"log"_qs)).isEmpty());
    // While it runs, its lock lies beside it, where only who may change the folder can make it.
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{u"log"_qs, u"tovik"_qs, u"tovik.lock"_qs}));

    QVERIFY2(run->tovik->terminate(), qPrintable(run->tovik->output()));
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{u"log"_qs, u"tovik"_qs}));
    QVERIFY(run->bus.sync(u"logind"_qs));
    QVERIFY(run->bus.calls(u"logind"_qs).isEmpty());
}

// ---- a faulty schedule file ----

void TestEndToEnd::faultyScheduleIsKeptAsBackup() {
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind({{u"CanPowerOff"_qs, u"yes"_qs}, {u"CanReboot"_qs, u"yes"_qs}}),
             qPrintable(run->bus.errorString()));
    const QByteArray original = sj(u"2001/01/01 00:00:00,再起動,\r\n"
                                   u"2001/01/02 00:00:00,シャットダウン\r\n"
                                   u"2001/01/03 00:00:00,ログオフ,+SAVELOG\r\n"_qs);
    run->tovik->writeFile(u"schedule.ini"_qs, original);
    QVERIFY(startTovik(*run));

    // The error box comes up during the load, before the main window.
    const QStringList boxes = run->x.waitForWindows(kTitle, 1, kWindowWaitMs);
    QCOMPARE(boxes.size(), 1);
    const QString box = boxes.first();
    const QRect boxFrame = run->x.geometry(box);
    QVERIFY2(boxFrame.size() != m_windowSize, "the main window came before the error box");
    QTest::qWait(300); // let it paint
    QVERIFY(run->x.screenshot(shotDir() + u"e2e-error-box.png"_qs, boxFrame));
    QVERIFY(run->x.focus(box));
    QVERIFY(run->x.key(u"Return"_qs));

    const QString window = waitForMainWindow(*run);
    QVERIFY2(!window.isEmpty(), "no main window after the error box");
    QVERIFY(window != box);
    // A tick later it still runs, with nothing asked of logind.
    QTest::qWait(6000);
    QVERIFY(run->tovik->isRunning());
    QCOMPARE(run->x.visibleWindows(kTitle), QStringList{window});

    QVERIFY2(run->tovik->terminate(), qPrintable(run->tovik->output()));
    QCOMPARE(run->tovik->readFile(u"schedule.ini.bak"_qs), original);
    // What was read before the faulty line is written back.
    QCOMPARE(run->tovik->readFile(u"schedule.ini"_qs),
             sj(u"2001/01/01 00:00:00,再起動,\r\n2001/01/02 00:00:00,シャットダウン,\r\n"_qs));
    QVERIFY(run->bus.sync(u"logind"_qs));
    QVERIFY(run->bus.calls(u"logind"_qs).isEmpty());
}

void TestEndToEnd::terminatedWhileTheErrorBoxIsOpen() {
    // A signal that comes while start-up waits on the error box still closes the normal way:
    // the box goes, the load ends, the backup is kept and the rows read are written back.
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind({{u"CanPowerOff"_qs, u"yes"_qs}}),
             qPrintable(run->bus.errorString()));
    const QByteArray original = sj(u"2001/01/01 00:00:00,再起動,\r\nbroken\r\n"
                                   u"2001/01/03 00:00:00,ログオフ,\r\n"_qs);
    run->tovik->writeFile(u"schedule.ini"_qs, original);
    QVERIFY(startTovik(*run));
    QCOMPARE(run->x.waitForWindows(kTitle, 1, kWindowWaitMs).size(), 1);

    QVERIFY2(run->tovik->terminate(), qPrintable(run->tovik->output()));
    QCOMPARE(run->tovik->readFile(u"schedule.ini.bak"_qs), original);
    QCOMPARE(run->tovik->readFile(u"schedule.ini"_qs),
             sj(u"2001/01/01 00:00:00,再起動,\r\nbroken,,\r\n"_qs));
}

// ---- editing the list with mouse and keyboard ----

void TestEndToEnd::editTheListLikeAPerson() {
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind({{u"CanPowerOff"_qs, u"yes"_qs}, {u"CanReboot"_qs, u"yes"_qs}}),
             qPrintable(run->bus.errorString()));
    QVERIFY(startTovik(*run));
    const QString window = waitForMainWindow(*run);
    QVERIFY(!window.isEmpty());
    const QRect frame = run->x.geometry(window);
    QVERIFY(run->x.focus(window));

    // Where the controls are, from the same layout code.
    const auto probeOwner = probeWindow();
    QVERIFY(probeOwner);
    ui::Form1& probe = *probeOwner;
    const auto at = [&](QWidget* w) {
        return frame.topLeft() + w->mapTo(&probe, w->rect().center());
    };
    const auto tab = [&](int i) {
        QTabBar* bar = probe.TAB1->tabBar();
        return frame.topLeft() + bar->mapTo(&probe, bar->tabRect(i).center());
    };
    const auto pick = [&](QComboBox* combo, int steps) {
        // Opening the list, moving down and taking the item, as with a real combo box.
        QVERIFY(run->x.click(at(combo)));
        QTest::qWait(300);
        for (int i = 0; i < steps; ++i)
            QVERIFY(run->x.key(u"Down"_qs));
        QVERIFY(run->x.key(u"Return"_qs));
        QTest::qWait(200);
    };

    // Two days ahead at 00:00, so that neither entry falls due while the test runs, even
    // across midnight.
    const QDate today = QDate::currentDate();
    const QDate chosenDate = today.addDays(2);
    pick(probe.COM_DATE[0], 2);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(run->x.click(at(probe.CHK_SHUTDOWN[0])));
    QVERIFY(run->x.click(at(probe.CMD_SET)));
    QTest::qWait(300);

    // Back to the editor: a weekly restart on the weekday two days after today's.
    QVERIFY(run->x.click(tab(0)));
    QTest::qWait(300);
    QVERIFY(run->x.click(at(probe.OP_SHUTDOWN[1])));
    QVERIFY(run->x.click(at(probe.CHK_SHUTDOWN[0]))); // off again
    QVERIFY(run->x.click(at(probe.OP_PATTERN[1])));
    const int weeklyDigit = (weekdayDigit(today) + 1) % 7 + 1;
    pick(probe.COM_DATE[3], weeklyDigit - 1);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(run->x.click(at(probe.CMD_SET)));
    QTest::qWait(500);
    QVERIFY(run->x.screenshot(shotDir() + u"list-both-kinds.png"_qs, frame));

    // Right click on the first entry and "選択項目を削除(&D)" from the pop-up menu.
    probe.TAB1->setCurrentIndex(1);
    auto* row = new QTreeWidgetItem(probe.LVW1, QStringList{u"1"_qs, u"x"_qs});
    QTest::qWait(100);
    const QRect rowRect = probe.LVW1->visualItemRect(row);
    QVERIFY(rowRect.isValid());
    const QPoint rowPoint =
        frame.topLeft() + probe.LVW1->viewport()->mapTo(&probe, rowRect.center());
    QVERIFY(run->x.click(rowPoint, 3));
    QTest::qWait(500);
    QVERIFY(run->x.screenshot(shotDir() + u"e2e-popup.png"_qs,
                              QRect(frame.topLeft(), frame.size() + QSize(200, 60))));
    QVERIFY(run->x.key(u"d"_qs));
    QTest::qWait(300);

    // The version box from the Help menu, and closed again.
    QVERIFY(run->x.focus(window));
    QVERIFY(run->x.key(u"alt+h"_qs));
    QTest::qWait(300);
    QVERIFY(run->x.key(u"v"_qs));
    const QStringList both = run->x.waitForWindows(kTitle, 2, kWindowWaitMs);
    QCOMPARE(both.size(), 2);
    const QString versionBox = both.first() == window ? both.last() : both.first();
    QVERIFY(versionBox != window);
    QTest::qWait(300);
    QVERIFY(run->x.screenshot(shotDir() + u"e2e-version-box.png"_qs, run->x.geometry(versionBox)));
    QVERIFY(run->x.focus(versionBox));
    QVERIFY(run->x.key(u"Return"_qs));
    QCOMPARE(run->x.waitForWindows(kTitle, 1, kWindowWaitMs), QStringList{window});

    // What is left in the list is what the file gets.
    QVERIFY2(run->tovik->terminate(), qPrintable(run->tovik->output()));
    const QString weekly = u"毎週："_qs + QString::number(weeklyDigit) + u'(' +
                           probe.COM_DATE[3]->itemText(weeklyDigit - 1) + u") "_qs +
                           dateText(chosenDate) + u" 00:00:00"_qs;
    QCOMPARE(text::decodeCp932(run->tovik->readFile(u"schedule.ini"_qs)),
             weekly + u",再起動,\r\n"_qs);
    QVERIFY(run->bus.sync(u"logind"_qs));
    QVERIFY(run->bus.calls(u"logind"_qs).isEmpty());
}

// ---- what a person meets when things go wrong ----

// Unattended start with a faulty file: its error box stays open, and the entry read before
// the faulty line is still carried out at its minute.
void TestEndToEnd::boxLeftOpenThroughTheDueMinute() {
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind({{u"CanPowerOff"_qs, u"yes"_qs}, {u"CanReboot"_qs, u"yes"_qs}}),
             qPrintable(run->bus.errorString()));
    const QDateTime minute = dueMinute();
    run->tovik->writeFile(u"schedule.ini"_qs, sj(whenText(minute) + u",再起動,\r\nbroken\r\n"_qs));
    QVERIFY(startTovik(*run));
    const QStringList boxes = run->x.waitForWindows(kTitle, 1, kWindowWaitMs);
    QCOMPARE(boxes.size(), 1);
    QVERIFY(run->x.geometry(boxes.first()).size() != m_windowSize);
    QTRY_VERIFY_WITH_TIMEOUT(run->bus.sync(u"logind"_qs) &&
                                 run->bus.calls(u"logind"_qs).contains(u"Reboot False"_qs),
                             kTwoTicksMs);
    QCOMPARE(run->x.visibleWindows(kTitle), boxes); // nobody answered it
    QVERIFY2(run->tovik->terminate(), qPrintable(run->tovik->output()));
}

// One copy per folder: a second start shows the first and ends without touching a file;
// a killed copy's lock does not block the next start; another folder is independent.
void TestEndToEnd::twoCopiesInOneFolder() {
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind(), qPrintable(run->bus.errorString()));
    const QByteArray schedule = sj(u"2001/01/01 00:00:00,再起動,\r\n"_qs);
    run->tovik->writeFile(u"schedule.ini"_qs, schedule);
    QVERIFY(startTovik(*run));
    QVERIFY(!waitForMainWindow(*run).isEmpty());
    const QDateTime written = QFileInfo(run->tovik->filePath(u"schedule.ini"_qs)).lastModified();

    QFile::remove(run->tovik->filePath(u"log"_qs));
    QDir(run->tovik->filePath(u"log"_qs)).removeRecursively();
    const e2e::RunResult second =
        run->tovik->runAnother(run->x.display(), run->bus.address(), run->bus.folder());
    QVERIFY(second.finished);
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(run->x.visibleWindows(kTitle).size(), 1);
    QVERIFY(run->tovik->isRunning());
    QVERIFY(!run->tovik->exists(u"log"_qs)); // the second start made nothing
    QCOMPARE(QFileInfo(run->tovik->filePath(u"schedule.ini"_qs)).lastModified(), written);

    // A copy in another folder runs beside it.
    e2e::TovikRun other(m_executable);
    QVERIFY(other.isReady());
    QVERIFY(other.start(run->x.display(), run->bus.address(), run->bus.folder()));
    QVERIFY(!waitForMainWindow(*run, 2).isEmpty());
    QVERIFY2(other.terminate(), qPrintable(other.output()));

    // Killed, it leaves its lock; the next start takes it over.
    run->tovik->kill();
    QTRY_VERIFY(run->x.visibleWindows(kTitle).isEmpty());
    QVERIFY(startTovik(*run));
    QVERIFY2(!waitForMainWindow(*run).isEmpty(),
             qPrintable(run->tovik->output() + run->x.visibleWindows(kTitle).join(u' ')));
    QVERIFY2(run->tovik->terminate(), qPrintable(run->tovik->output()));
    QCOMPARE(run->tovik->readFile(u"schedule.ini"_qs), schedule);
}

// The X server goes away right after an edit: the program dies, the entry does not.
void TestEndToEnd::displayLostAfterAnEdit() {
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind(), qPrintable(run->bus.errorString()));
    QVERIFY(startTovik(*run));
    const QString window = waitForMainWindow(*run);
    QVERIFY(!window.isEmpty());
    const QRect frame = run->x.geometry(window);
    const auto probe = probeWindow();
    QVERIFY(probe);
    QVERIFY(run->x.focus(window));
    QVERIFY(run->x.click(frame.topLeft() +
                         probe->CMD_SET->mapTo(probe.get(), probe->CMD_SET->rect().center())));
    QTRY_VERIFY_WITH_TIMEOUT(run->tovik->exists(u"schedule.ini"_qs), 5000);

    run->x.kill();
    QVERIFY(run->tovik->waitForExit() != 0); // "The X11 connection broke"
    QCOMPARE(run->tovik->readFile(u"schedule.ini"_qs),
             sj(dateText(QDate::currentDate()) + u" 00:00:00,シャットダウン,\r\n"_qs));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"

// ---- a warning ahead of a run, and "今回は中止" ----

void TestEndToEnd::warnedThenCancelled() {
    if (!QFileInfo::exists(kFaketime))
        QSKIP("libfaketime is missing (scripts/install-deps.sh installs it)");
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind({{u"CanPowerOff"_qs, u"yes"_qs}}),
             qPrintable(run->bus.errorString()));
    // A shutdown at 22:00 and, in the same minute, an entry that only saves the log, so
    // the log file shows what happened.
    const QByteArray schedule = sj(u"2026/12/07 22:00:00,シャットダウン,\r\n"_qs
                                   u"2026/12/07 22:00:00,保存のみ,+SAVELOG\r\n"_qs);
    run->tovik->writeFile(u"schedule.ini"_qs, schedule);
    QTemporaryDir home;
    // 40 seconds before the minute.
    run->tovik->setExtraEnvironment(fakedClock(u"2026-12-07 21:59:20"_qs, home));
    QVERIFY(startTovik(*run));
    QVERIFY2(!waitForMainWindow(*run).isEmpty(), qPrintable(run->tovik->output()));

    // No notification service on the bus: our own window, at once (less than a minute left).
    const auto warningWindows = [&run] {
        const e2e::RunResult r =
            run->x.xdotool({u"search"_qs, u"--onlyvisible"_qs, u"--name"_qs, u"^Tovik - "_qs});
        return QString::fromLatin1(r.out).split(u'\n', Qt::SkipEmptyParts);
    };
    QTRY_VERIFY_WITH_TIMEOUT(warningWindows().size() == 1, kWindowWaitMs);
    const QString window = warningWindows().first();
    const QRect frame = run->x.geometry(window);

    // Where its button is: the same window laid out in this process.
    const QString text = u"1分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs;
    const testing::FixedClock probeClock(QDateTime(QDate(2026, 12, 7), QTime(21, 59, 30)));
    ui::WarningWindow probe(probeClock);
    probe.warn({1, 0, text, QDateTime(QDate(2026, 12, 7), QTime(22, 0))});
    QCOMPARE(frame.size(), probe.size());
    QVERIFY(run->x.screenshot(shotDir() + u"e2e-warning.png"_qs, frame));
    QVERIFY(run->x.click(frame.topLeft() + probe.cancelButton()->geometry().center()));
    QTRY_VERIFY_WITH_TIMEOUT(warningWindows().isEmpty(), 5000);

    // Past the minute, the second entry saves the log: the warning, the cancel, and the
    // tick going on to entry 2.
    const QString logName = u"log/2026_12_07.log"_qs;
    QTRY_VERIFY_WITH_TIMEOUT(run->tovik->exists(logName), 60000);
    QStringList messages;
    for (const LogLine& line : logLines(text::decodeCp932(run->tovik->readFile(logName))))
        messages << line.message;
    QVERIFY2(messages.contains(text), qPrintable(messages.join(u" | "_qs)));
    QVERIFY2(messages.contains(u"項目番号=1 の今回の実行を中止しました"_qs),
             qPrintable(messages.join(u" | "_qs)));
    QVERIFY2(messages.contains(u"実行条件が見つかりました。項目番号=2"_qs),
             qPrintable(messages.join(u" | "_qs)));
    QVERIFY(!messages.contains(u"実行条件が見つかりました。項目番号=1"_qs));

    // Nothing asked logind for anything.
    QTest::qWait(5500);
    QVERIFY(run->bus.sync(u"logind"_qs));
    const QStringList calls = run->bus.calls(u"logind"_qs);
    QVERIFY2(!hasCall(calls, u"CanPowerOff"_qs) && !hasCall(calls, u"PowerOff"_qs),
             qPrintable(calls.join(u" | "_qs)));
    QVERIFY2(run->tovik->terminate(), qPrintable(run->tovik->output()));
    QVERIFY(QDir(home.path()).isEmpty());
}

void TestEndToEnd::notifiedThenCancelledFromTheNotification_data() {
    QTest::addColumn<QString>("actionKey");
    QTest::addColumn<QString>("logged");
    QTest::newRow("cancel") << u"cancel"_qs << u"項目番号=1 の今回の実行を中止しました"_qs;
    QTest::newRow("postpone") << u"postpone"_qs << u"項目番号=1 の実行を 22:15 に延期しました"_qs;
}

void TestEndToEnd::notifiedThenCancelledFromTheNotification() {
    QFETCH(QString, actionKey);
    QFETCH(QString, logged);
    if (!QFileInfo::exists(kFaketime))
        QSKIP("libfaketime is missing (scripts/install-deps.sh installs it)");
    auto run = makeRun();
    QVERIFY(run);
    QVERIFY2(run->bus.startLogind({{u"CanPowerOff"_qs, u"yes"_qs}}),
             qPrintable(run->bus.errorString()));
    QVERIFY2(run->bus.startNotificationDaemon(), qPrintable(run->bus.errorString()));
    const QString notifications = u"notifications"_qs;
    run->tovik->writeFile(u"schedule.ini"_qs, sj(u"2026/12/07 22:00:00,シャットダウン,\r\n"_qs
                                                 u"2026/12/07 22:00:00,保存のみ,+SAVELOG\r\n"_qs));
    QTemporaryDir home;
    // Five minutes and 40 seconds before the minute, the clock ten times as fast: the
    // warnings come about 4 and 28 seconds after the start, the minute after 40.
    run->tovik->setExtraEnvironment(fakedClock(u"2026-12-07 21:54:20 x10"_qs, home));
    QVERIFY(startTovik(*run));
    QVERIFY2(!waitForMainWindow(*run).isEmpty(), qPrintable(run->tovik->output()));

    const auto notifyCalls = [&] {
        if (!run->bus.sync(notifications))
            return QStringList{};
        return run->bus.calls(notifications).filter(QRegularExpression(u"^Notify "_qs));
    };
    QTRY_VERIFY_WITH_TIMEOUT(notifyCalls().size() == 2, 45000);
    const QStringList calls = notifyCalls();
    QVERIFY2(
        calls.at(0).contains(u"\"5分後にシャットダウンします（2026/12/07 22:00、項目番号=1）\""_qs),
        qPrintable(calls.at(0)));
    QVERIFY2(
        calls.at(1).contains(u"\"1分後にシャットダウンします（2026/12/07 22:00、項目番号=1）\""_qs),
        qPrintable(calls.at(1)));
    for (const QString& call : calls)
        QVERIFY2(call.contains(u"[\"cancel\", \"今回は中止\", \"postpone\", \"15分延期\"]"_qs),
                 qPrintable(call));
    // The second replaced the first: both are notification 1.
    QVERIFY2(calls.at(1).startsWith(u"Notify \"Tovik\" 1 "_qs), qPrintable(calls.at(1)));

    // The user presses "今回は中止" or "15分延期" on it.
    {
        QDBusConnection bus = QDBusConnection::connectToBus(run->bus.address(), u"e2e-user"_qs);
        QDBusMessage press = QDBusMessage::createMethodCall(
            u"org.freedesktop.Notifications"_qs, u"/org/freedesktop/Notifications"_qs,
            u"org.freedesktop.DBus.Mock"_qs, u"EmitSignal"_qs);
        press << u"org.freedesktop.Notifications"_qs << u"ActionInvoked"_qs << u"us"_qs
              << QVariantList{QVariant::fromValue(1U), actionKey};
        QCOMPARE(bus.call(press).type(), QDBusMessage::ReplyMessage);
    }
    QDBusConnection::disconnectFromBus(u"e2e-user"_qs);
    // The notification of the run is closed.
    QTRY_VERIFY_WITH_TIMEOUT(run->bus.sync(notifications) &&
                                 run->bus.calls(notifications).contains(u"CloseNotification 1"_qs),
                             5000);

    const QString logName = u"log/2026_12_07.log"_qs;
    QTRY_VERIFY_WITH_TIMEOUT(run->tovik->exists(logName), 30000);
    QStringList messages;
    for (const LogLine& line : logLines(text::decodeCp932(run->tovik->readFile(logName))))
        messages << line.message;
    const QString all = messages.join(u" | "_qs);
    QVERIFY2(messages.contains(u"5分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs),
             qPrintable(all));
    QVERIFY2(messages.contains(u"1分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs),
             qPrintable(all));
    QVERIFY2(messages.contains(logged), qPrintable(all));
    QVERIFY2(messages.contains(u"実行条件が見つかりました。項目番号=2"_qs), qPrintable(all));
    QVERIFY(!messages.contains(u"実行条件が見つかりました。項目番号=1"_qs));

    QVERIFY(run->bus.sync(u"logind"_qs));
    const QStringList logind = run->bus.calls(u"logind"_qs);
    QVERIFY2(!hasCall(logind, u"PowerOff"_qs), qPrintable(logind.join(u" | "_qs)));
    QVERIFY2(run->tovik->terminate(), qPrintable(run->tovik->output()));
    // The postponed run is left: the end says it will not happen.
    if (actionKey == u"postpone"_qs)
        QVERIFY2(notifyCalls().last().contains(u"予定が残っています"_qs),
                 qPrintable(notifyCalls().last()));
}
