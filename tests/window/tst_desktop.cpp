// The window with its additions: warnings before a run, "今回は中止" from every place, the
// tray's menu, start at login and the list's tooltips. Clock and channel come from the test.
#include "app/appfolder.h"
#include "app/loginstart.h"
#include "scheduler/runner.h"
#include "support/recordingchannel.h"
#include "support/windowfixture.h"
#include "ui/desktop.h"
#include "ui/form1.h"
#include "ui/trayicon.h"
#include "ui/views.h"
#include "ui/warningwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>

using namespace tovik;
using tovik::testing::RecordingChannel;

namespace {

// Monday 2026/12/07.
const QDate kMonday(2026, 12, 7);

QAction* trayAction(const ui::Desktop& desktop, const QString& name) {
    if (desktop.tray == nullptr)
        return nullptr;
    return desktop.tray->menu()->findChild<QAction*>(name);
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void warnedAtFiveAndOneMinute();
    void cancelFromEachPlace_data();
    void cancelFromEachPlace();
    void cancelStaysWithItsEntryWhenARowAboveIsDeleted();
    void popupItemOnlyForEntriesThatWillRun();
    void listChangesReachTheWarningsAtOnce();
    void trayTooltipAndMenu();
    void closedFromTheTrayWhileHidden();
    void loginStartOnlyWhenTicked();
    void rowTooltip();

private:
    void setClock(const QDateTime& now) { m_fx->clock.value = now; }
    void addEntry(const QString& when, const QString& action, const QString& options = {});
    // A tick as TIM_MAIN runs it, at this time.
    void tickAt(const QDateTime& now);
    QStringList logLines() const;
    void startUpcoming(std::unique_ptr<notify::WarningChannel> channel, bool withTray);

    std::unique_ptr<testing::WindowFixture> m_fx;
    std::unique_ptr<ui::Form1> m_form;
    std::unique_ptr<ui::Desktop> m_desktop;
    RecordingChannel* m_channel = nullptr;
    testing::RecordingBackend* m_power = nullptr;
};

void TestDesktop::init() {
    m_fx = std::make_unique<testing::WindowFixture>(QDateTime(kMonday, QTime(21, 0)));
    m_power = &m_fx->power;
    m_form = m_fx->start();
}

void TestDesktop::cleanup() {
    m_desktop.reset();
    m_form.reset();
    m_channel = nullptr;
    m_fx.reset();
}

void TestDesktop::addEntry(const QString& when, const QString& action, const QString& options) {
    ui::ScheduleList rows(m_form->LVW1);
    rows.append(QString::number(rows.count() + 1));
    rows.setText(rows.count(), schedule::Column::When, when);
    rows.setText(rows.count(), schedule::Column::Action, action);
    rows.setText(rows.count(), schedule::Column::Options, options);
}

void TestDesktop::tickAt(const QDateTime& now) {
    setClock(now);
    m_form->TIM_MAIN_Timer();
}

QStringList TestDesktop::logLines() const {
    return m_form->TXT_LOG->toPlainText().split(u'\n');
}

void TestDesktop::startUpcoming(std::unique_ptr<notify::WarningChannel> channel, bool withTray) {
    m_desktop = std::make_unique<ui::Desktop>();
    ui::connectDesktop(*m_desktop, *m_form, std::move(channel),
                       std::make_unique<app::XdgAutostart>(m_fx->file(u"config"_qs)), withTray);
}

void TestDesktop::warnedAtFiveAndOneMinute() {
    addEntry(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    auto channel = std::make_unique<RecordingChannel>();
    m_channel = channel.get();
    setClock(QDateTime(kMonday, QTime(21, 54)));
    startUpcoming(std::move(channel), false);
    // The clock runs in steps of ten seconds past both warnings; the timer's work is done
    // by hand.
    for (QDateTime t = m_fx->clock.value; t < QDateTime(kMonday, QTime(22, 0)); t = t.addSecs(10)) {
        setClock(t);
        m_form->runner().check();
    }
    const QStringList expected{u"5分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs,
                               u"1分後にシャットダウンします（2026/12/07 22:00、項目番号=1）"_qs};
    QCOMPARE(m_channel->texts(), expected);
    // The same texts reach the log.
    QCOMPARE(logLines().filter(u"分後に"_qs).size(), 2);
    QVERIFY(logLines().filter(u"分後に"_qs).at(0).startsWith(expected.at(0) + u" - "_qs));
    QVERIFY(logLines().filter(u"分後に"_qs).at(1).startsWith(expected.at(1) + u" - "_qs));
    QCOMPARE(m_channel->warnings.front().start, QDateTime(kMonday, QTime(22, 0)));

    // Nothing was cancelled: the tick does what it always did.
    tickAt(QDateTime(kMonday, QTime(22, 0, 5)));
    QCOMPARE(m_power->codes(), QList<int>{1});
}

void TestDesktop::cancelFromEachPlace_data() {
    QTest::addColumn<QString>("place");
    QTest::newRow("notification") << u"notification"_qs;
    QTest::newRow("warning window") << u"window"_qs;
    QTest::newRow("pop-up menu") << u"popup"_qs;
    QTest::newRow("tray menu") << u"tray"_qs;
}

void TestDesktop::cancelFromEachPlace() {
    QFETCH(QString, place);
    addEntry(u"2026/12/08 22:00:00"_qs, u"再起動"_qs);
    addEntry(u"毎週：2(月曜日) 2026/11/30 22:00:00"_qs, u"シャットダウン"_qs);
    addEntry(u"2026/12/07 22:00:00"_qs, u"ログオフ"_qs);
    setClock(QDateTime(kMonday, QTime(21, 55)));

    std::unique_ptr<notify::WarningChannel> channel;
    ui::WarningWindow* window = nullptr;
    if (place == u"window"_qs) {
        auto own = std::make_unique<ui::WarningWindow>(m_fx->clock);
        window = own.get();
        channel = std::move(own);
    } else {
        auto recording = std::make_unique<RecordingChannel>();
        m_channel = recording.get();
        channel = std::move(recording);
    }
    startUpcoming(std::move(channel), place == u"tray"_qs);

    if (place == u"notification"_qs) {
        QCOMPARE(m_channel->texts(),
                 QStringList{u"5分後にシャットダウンします（2026/12/07 22:00、項目番号=2）"_qs});
        m_channel->chooseCancel();
    } else if (place == u"window"_qs) {
        QVERIFY(window->isVisible());
        QCOMPARE(window->textLabel()->text(),
                 u"5分後にシャットダウンします（2026/12/07 22:00、項目番号=2）"_qs);
        QCOMPARE(window->countdownLabel()->text(), u"実行まで あと 5:00"_qs);
        QVERIFY(QApplication::focusWidget() != window->cancelButton());
        QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    } else if (place == u"popup"_qs) {
        m_form->LVW1->setCurrentItem(m_form->LVW1->topLevelItem(1));
        QAction* item = m_form->MNU_POPUP_SELECTITEM_CANCEL;
        QVERIFY(m_form->MNU_POPUP->actions().contains(item));
        QCOMPARE(item->text(), u"今回の実行を中止"_qs);
        item->trigger();
        // The warning of the cancelled run is taken back.
        QCOMPARE(m_channel->withdrawn, QList<quintptr>{ui::ScheduleList(m_form->LVW1).rowKey(2)});
    } else {
        QAction* item = trayAction(*m_desktop, u"TRAY_CANCEL_NEXT"_qs);
        QVERIFY(item != nullptr);
        QCOMPARE(item->text(), u"次回の実行を中止"_qs);
        item->trigger();
    }
    QVERIFY(logLines()
                .filter(u"中止"_qs)
                .last()
                .startsWith(u"項目番号=2 の今回の実行を中止しました - "_qs));

    // The entry behind it in the same minute is warned instead, and carried out.
    const QString next = u"5分後にログオフします（2026/12/07 22:00、項目番号=3）"_qs;
    QVERIFY(logLines().last().startsWith(next));
    if (window != nullptr)
        QCOMPARE(window->textLabel()->text(), next);
    else
        QCOMPARE(m_channel->warnings.back().text, next);
    tickAt(QDateTime(kMonday, QTime(22, 0, 0)));
    tickAt(QDateTime(kMonday, QTime(22, 0, 55)));
    QCOMPARE(m_power->codes(), (QList<int>{0, 0}));
    QVERIFY(logLines()
                .filter(u"実行条件が見つかりました"_qs)
                .last()
                .startsWith(u"実行条件が見つかりました。項目番号=3 - "_qs));
    tickAt(QDateTime(kMonday, QTime(22, 1, 0)));
    QCOMPARE(m_power->codes().size(), 2);

    // The entry stays, and next Monday it runs as always.
    QCOMPARE(m_form->LVW1->topLevelItemCount(), 3);
    tickAt(QDateTime(kMonday.addDays(7), QTime(22, 0, 10)));
    QCOMPARE(m_power->codes(), (QList<int>{0, 0, 1}));
}

void TestDesktop::cancelStaysWithItsEntryWhenARowAboveIsDeleted() {
    addEntry(u"2026/12/07 21:30:00"_qs, u"再起動"_qs);
    addEntry(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    addEntry(u"2026/12/07 22:00:00"_qs, u"ログオフ"_qs);
    auto channel = std::make_unique<RecordingChannel>();
    m_channel = channel.get();
    startUpcoming(std::move(channel), false);

    m_form->LVW1->setCurrentItem(m_form->LVW1->topLevelItem(2));
    m_form->MNU_POPUP_SELECTITEM_CANCEL->trigger();
    QVERIFY(logLines().last().startsWith(u"項目番号=3 の今回の実行を中止しました - "_qs));
    m_form->LVW1->setCurrentItem(m_form->LVW1->topLevelItem(0));
    m_form->MNU_POPUP_SELECTITEM_DELETE_Click();
    QCOMPARE(m_form->LVW1->topLevelItemCount(), 2);

    // The shutdown moved up to 1 and was never cancelled; the log-off at 2 still is.
    tickAt(QDateTime(kMonday, QTime(22, 0, 5)));
    QCOMPARE(m_power->codes(), QList<int>{1});
    m_power->clear();
    m_form->LVW1->setCurrentItem(m_form->LVW1->topLevelItem(0));
    m_form->MNU_POPUP_SELECTITEM_CANCEL->trigger();
    tickAt(QDateTime(kMonday, QTime(22, 0, 30)));
    QCOMPARE(m_power->codes(), QList<int>{});
}

void TestDesktop::popupItemOnlyForEntriesThatWillRun() {
    addEntry(u"2026/12/07 20:59:00"_qs, u"シャットダウン"_qs);
    addEntry(u"2026/12/07 7:30:00"_qs, u"シャットダウン"_qs);
    addEntry(u"2026/12/07 21:01:00"_qs, u"シャットダウン"_qs);
    startUpcoming(std::make_unique<RecordingChannel>(), false);
    QAction* item = m_form->MNU_POPUP_SELECTITEM_CANCEL;
    const auto enabledFor = [&](int row) {
        if (row >= 0)
            m_form->LVW1->setCurrentItem(m_form->LVW1->topLevelItem(row));
        else
            m_form->LVW1->clearSelection();
        emit m_form->MNU_POPUP->aboutToShow();
        return item->isEnabled();
    };
    QVERIFY(!enabledFor(0)); // passed
    QVERIFY(!enabledFor(1)); // a time the tick never matches
    QVERIFY(enabledFor(2));
    QVERIFY(!enabledFor(-1));
    // Choosing it with nothing selected does nothing.
    const QString log = m_form->TXT_LOG->toPlainText();
    item->trigger();
    QCOMPARE(m_form->TXT_LOG->toPlainText(), log);
}

void TestDesktop::listChangesReachTheWarningsAtOnce() {
    addEntry(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    auto channel = std::make_unique<RecordingChannel>();
    m_channel = channel.get();
    setClock(QDateTime(kMonday, QTime(21, 56)));
    startUpcoming(std::move(channel), false);
    QCOMPARE(m_channel->texts().size(), 1);

    m_form->LVW1->setCurrentItem(m_form->LVW1->topLevelItem(0));
    m_form->MNU_POPUP_SELECTITEM_DELETE_Click();
    QCOMPARE(m_channel->withdrawn.size(), 1);
    // The editor adds an entry for the same minute: warned on the next look at the clock,
    // as a new entry (whatever key the window gives it).
    m_form->COM_DATE[1]->setCurrentText(u"22"_qs);
    m_form->COM_DATE[2]->setCurrentText(u"00"_qs);
    m_form->OP_SHUTDOWN[1]->setChecked(true);
    m_form->CMD_SET_Click();
    m_form->runner().check();
    QCOMPARE(m_channel->texts().size(), 2);
    QCOMPARE(m_channel->texts().last(), u"4分後に再起動します（2026/12/07 22:00、項目番号=1）"_qs);
}

void TestDesktop::trayTooltipAndMenu() {
    auto channel = std::make_unique<RecordingChannel>();
    m_channel = channel.get();
    startUpcoming(std::move(channel), true);
    QVERIFY(m_desktop->tray->icon() != nullptr);
    QCOMPARE(m_desktop->tray->icon()->toolTip(), u"Tovik\n予定なし"_qs);
    QStringList captions;
    for (const QAction* action : m_desktop->tray->menu()->actions())
        captions << action->text();
    QCOMPARE(captions, (QStringList{u"ウィンドウを表示"_qs, u"次回の実行を中止"_qs, u"15分延期"_qs,
                                    u"ログイン時に起動"_qs, QString(), u"終了"_qs}));

    // The tooltip follows the list at once.
    addEntry(u"毎週：2(月曜日) 2026/11/30 08:00:00"_qs, u"再起動"_qs);
    addEntry(u"2026/12/07 22:00:00"_qs, u"シャットダウン"_qs);
    QTRY_COMPARE(m_desktop->tray->icon()->toolTip(),
                 u"Tovik\n次回: 2026/12/07 22:00 シャットダウン"_qs);
    m_form->LVW1->setCurrentItem(m_form->LVW1->topLevelItem(1));
    m_form->MNU_POPUP_SELECTITEM_DELETE_Click();
    QTRY_COMPARE(m_desktop->tray->icon()->toolTip(), u"Tovik\n次回: 2026/12/14 08:00 再起動"_qs);

    // 終了 closes the window the ordinary way, which saves the list.
    m_form->show();
    trayAction(*m_desktop, u"TRAY_EXIT"_qs)->trigger();
    QVERIFY(!m_form->isVisible());
    QVERIFY(QFile::exists(m_fx->file(u"schedule.ini"_qs)));
    // It does not end the restart left without a word.
    QCOMPARE(m_channel->told,
             QStringList{u"予定が残っています。Tovik を終了したため実行されません"_qs});
}

// Waiting in the tray the window is hidden, and closing a hidden window would leave the
// program running with no window at all.
void TestDesktop::closedFromTheTrayWhileHidden() {
    addEntry(u"2026/12/08 22:00:00"_qs, u"再起動"_qs);
    startUpcoming(std::make_unique<RecordingChannel>(), true);
    m_form->show();
    m_form->hide();
    QEventLoop loop; // the program's own loop
    QTimer::singleShot(0, [this] { trayAction(*m_desktop, u"TRAY_EXIT"_qs)->trigger(); });
    QTimer::singleShot(3000, &loop, [&loop] { loop.exit(7); });
    QCOMPARE(loop.exec(), 0);
    QVERIFY(QFile::exists(m_fx->file(u"schedule.ini"_qs)));
}

void TestDesktop::loginStartOnlyWhenTicked() {
    const QString path = m_fx->file(u"config/autostart/tovik.desktop"_qs);
    startUpcoming(std::make_unique<RecordingChannel>(), true);
    QAction* item = trayAction(*m_desktop, u"TRAY_LOGIN_START"_qs);
    QVERIFY(item != nullptr && item->isCheckable());
    QVERIFY(!item->isChecked());
    QVERIFY(!QFile::exists(path));

    item->trigger();
    QVERIFY(item->isChecked());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().split('\n').contains(
        (u"Exec="_qs + QCoreApplication::applicationFilePath()).toUtf8()));
    file.close();
    QVERIFY(logLines().last().startsWith(u"ログイン時に起動するように設定しました - "_qs));

    item->trigger();
    QVERIFY(!item->isChecked());
    QVERIFY(!QFile::exists(path));
}

void TestDesktop::rowTooltip() {
    addEntry(u"2026/12/07 07:05:00"_qs, u"ログオフ"_qs);
    addEntry(u"毎週：4(水曜日) 2026/12/07 22:30:00"_qs, u"シャットダウン"_qs,
             u"+SENDMAIL+SAVELOG"_qs);
    startUpcoming(std::make_unique<RecordingChannel>(), false);
    m_form->show();
    m_form->TAB1->setCurrentIndex(1);
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));

    QWidget* viewport = m_form->LVW1->viewport();
    const QPoint pos = m_form->LVW1->visualItemRect(m_form->LVW1->topLevelItem(1)).center();
    QHelpEvent help(QEvent::ToolTip, pos, viewport->mapToGlobal(pos));
    QApplication::sendEvent(viewport, &help);
    QTRY_COMPARE(
        QToolTip::text(),
        u"実行日: 毎週 水曜日 22:30\n行動: シャットダウン\nオプション: メール送信、ログ保存"_qs);
    // The columns keep the widths they had.
    QCOMPARE(m_form->LVW1->columnWidth(1), 133);
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
