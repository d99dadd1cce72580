// The real window, headless: start-up, close, log, pop-up menu, shortcuts, power commands,
// the editor and the version box.
#include "scheduler/runner.h"
#include "support/fulldisk.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "text/cp932.h"
#include "ui/form1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace tovik;
using tovik::testing::readBytes;
using tovik::testing::writeBytes;

namespace {

QStringList rowsOf(const QTreeWidget* tree) {
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const auto* item = tree->topLevelItem(i);
        out << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join(u'|');
    }
    return out;
}

const QString kSep = QDir::separator();

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstStart();
    void dateChoicesRollOver_data();
    void dateChoicesRollOver();
    void startWithBothFiles();
    void logFolderThatCannotBeMade();
    void faultyScheduleIsKept();
    void everyCloseSaves_data();
    void everyCloseSaves();
    void closeWithNothingToSave();
    void closeRequestedDuringStartUp();

    void writeLogForms();
    void popupOnRightRelease();
    void shortcutsOnEveryTab();
    void powerCommands_data();
    void powerCommands();

    void editorDefaultEntry();
    void editorWeeklyEntries();
    void editorOptionsAndRepeats();
    void editorDeleteAndNumbers();
    void editorReset();
    void editorRefusesPastTheLimit();
    void editorCountdownAndSets();
    void editReplacesInPlace();
    void dateChoicesFollowMidnight();
    void editedEntryIsDueAndSurvivesReload();
    void versionBox();
    void testSendWithMissingFields();
    void tickWhileBusy();
    void tickRunsWhileABoxIsOpen_data();
    void tickRunsWhileABoxIsOpen();
    void editsAreSavedAtOnce();
    void fullDisk();
    void closeRequestedWhileLoading();
    void lookAlikeFilesSurvive();

private:
    std::unique_ptr<ui::Form1> start(const QString& folder = {}) {
        return m_fx->start(nullptr, folder);
    }
    QString file(const QString& name) const { return m_fx->file(name); }

    std::unique_ptr<testing::WindowFixture> m_fx;
};

void TestForm1::init() {
    m_fx = std::make_unique<testing::WindowFixture>(); // 2026/12/06 12:30:15, a Sunday
}

void TestForm1::cleanup() {
    m_fx.reset();
}

void TestForm1::firstStart() {
    auto form = start();
    QVERIFY(QFileInfo(file(u"log"_qs)).isDir());
    const QString t = u" - 2026/12/06 12:30:15"_qs;
    QCOMPARE(form->TXT_LOG->toPlainText(), u"アプリケーションを起動しました"_qs + t +
                                               u"\nスケジュールファイルは有りませんでした"_qs + t +
                                               u"\nメール設定ファイルは有りませんでした"_qs + t);
    QCOMPARE(form->LB_STATUS->text(), u"メール設定ファイルは有りませんでした"_qs + t);
    QCOMPARE(form->LVW1->topLevelItemCount(), 0);
    QCOMPARE(form->mailText(notify::MailField::Subject), u"From Tovik"_qs);
    QCOMPARE(form->TAB1->currentIndex(), 0);
    QCOMPARE(form->COM_DATE[1]->count(), 24);
    QCOMPARE(form->COM_DATE[1]->itemText(23), u"23"_qs);
    QCOMPARE(form->COM_DATE[2]->count(), 60);
    QCOMPARE(form->COM_DATE[2]->itemText(5), u"05"_qs);
    QCOMPARE(form->COM_DATE[3]->itemText(0), u"日曜日"_qs);
    QCOMPARE(form->COM_DATE[3]->itemText(6), u"土曜日"_qs);
    QStringList minutes;
    for (int i = 0; i < form->COM_DATE[4]->count(); ++i)
        minutes << form->COM_DATE[4]->itemText(i);
    QCOMPARE(minutes.join(u' '),
             u"1 2 3 4 5 6 7 8 9 10 15 20 25 30 35 40 45 50 55 60 75 90 105 120 135 150 165 180 "
             u"195 210 225 240 270 300 330 360 390 420 450 480 510 540 570 600 630 660 690 720"_qs);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(form->COM_DATE[i]->currentIndex(), 0);
    QCOMPARE(form->COM_DATE[0]->currentText(), u"2026/12/06"_qs);
}

void TestForm1::dateChoicesRollOver_data() {
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("some");
    QTest::newRow("month and year")
        << QDate(2026, 12, 28)
        << QStringList{u"2026/12/28"_qs, u"2026/12/31"_qs, u"2027/01/01"_qs, u"2027/01/07"_qs};
    QTest::newRow("leap year end")
        << QDate(2027, 12, 31)
        << QStringList{u"2027/12/31"_qs, u"2028/01/03"_qs, u"2028/01/04"_qs, u"2028/01/10"_qs};
}

void TestForm1::dateChoicesRollOver() {
    QFETCH(QDate, today);
    QFETCH(QStringList, some);
    m_fx->clock.value = QDateTime(today, QTime(9, 0));
    auto form = start();
    QCOMPARE(form->COM_DATE[0]->count(), 11);
    QCOMPARE(form->COM_DATE[0]->itemText(0), some.at(0));
    QCOMPARE(form->COM_DATE[0]->itemText(3), some.at(1));
    QCOMPARE(form->COM_DATE[0]->itemText(4), some.at(2));
    QCOMPARE(form->COM_DATE[0]->itemText(10), some.at(3));
}

void TestForm1::startWithBothFiles() {
    QVERIFY(QDir(m_fx->folder()).mkdir(u"log"_qs));
    writeBytes(file(u"log/old.log"_qs), "keep");
    writeBytes(file(u"schedule.ini"_qs),
               text::encodeCp932(u"2026/12/06 23:30:00,シャットダウン,+SENDMAIL+SAVELOG\r\n"
                                 u"毎週：6(金曜日) 2026/12/06 18:00:00,ログオフ,\r\n"_qs));
    writeBytes(file(u"e-mail.ini"_qs),
               text::encodeCp932(u"mail.example.jp\r\nto@example.jp\r\n"
                                 u"from@example.jp\r\n件名\r\n一行目\r\n二行目\r\n"_qs));
    auto form = start();
    const QString t = u" - 2026/12/06 12:30:15"_qs;
    QCOMPARE(form->TXT_LOG->toPlainText(), u"アプリケーションを起動しました"_qs + t +
                                               u"\nスケジュールファイルが存在しました。→"_qs +
                                               QDir::toNativeSeparators(m_fx->folder()) + kSep +
                                               u"schedule.ini"_qs + t +
                                               u"\nメール設定ファイル読み込み成功"_qs + t);
    QCOMPARE(rowsOf(form->LVW1),
             (QStringList{u"1|2026/12/06 23:30:00|シャットダウン|+SENDMAIL+SAVELOG"_qs,
                          u"2|毎週：6(金曜日) 2026/12/06 18:00:00|ログオフ|"_qs}));
    QCOMPARE(form->mailText(notify::MailField::Server), u"mail.example.jp"_qs);
    QCOMPARE(form->mailText(notify::MailField::Body), u"一行目\n二行目"_qs);
    QCOMPARE(readBytes(file(u"log/old.log"_qs)), QByteArray("keep"));
    QVERIFY(m_fx->presenter->boxes.isEmpty());
}

void TestForm1::logFolderThatCannotBeMade() {
    writeBytes(file(u"log"_qs), "a file where the folder should be");
    auto form = start();
    QVERIFY(form->TXT_LOG->toPlainText().contains(u"ログフォルダを作成できませんでした。→"_qs +
                                                  QDir::toNativeSeparators(m_fx->folder()) + kSep +
                                                  u"log"_qs + kSep + u" - "_qs));
    QVERIFY(form->LB_STATUS->text().startsWith(u"メール設定ファイルは有りませんでした"_qs));
}

void TestForm1::faultyScheduleIsKept() {
    const QByteArray original = "a,b,c\r\nbroken\r\nd,e,f\r\n";
    writeBytes(file(u"schedule.ini"_qs), original);
    {
        auto form = start();
        QCOMPARE(
            m_fx->presenter->boxes,
            QStringList{
                u"message|エラーが生じました。\r\nエラー番号:9\r\n内容:インデックスが有効範囲にありません。"_qs});
        QCOMPARE(form->LVW1->topLevelItemCount(), 2);
        form->close();
    }
    QCOMPARE(readBytes(file(u"schedule.ini.bak"_qs)), original);
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)), QByteArray("a,b,c\r\nbroken,,\r\n"));
}

void TestForm1::everyCloseSaves_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("close control") << 0;
    QTest::newRow("終了 button") << 1;
    QTest::newRow("File menu 終了") << 2;
}

void TestForm1::everyCloseSaves() {
    QFETCH(int, way);
    auto form = start();
    form->show();
    form->setMailText(notify::MailField::Server, u"smtp.example.jp"_qs);
    form->setMailText(notify::MailField::To, u"to@example.jp"_qs);
    form->setMailText(notify::MailField::Body, u"本文\n二行目"_qs);
    form->COM_DATE[1]->setCurrentIndex(7);
    form->OP_SHUTDOWN[2]->setChecked(true);
    form->CMD_SET_Click();
    if (way == 0)
        form->close();
    else if (way == 1)
        QTest::mouseClick(form->CMD_EXIT, Qt::LeftButton); // on the first tab, shown
    else
        form->MNU_FILE_EXIT->trigger();
    QVERIFY(!form->isVisible());
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)),
             text::encodeCp932(u"2026/12/06 07:00:00,ログオフ,\r\n"_qs));
    QCOMPARE(readBytes(file(u"e-mail.ini"_qs)),
             text::encodeCp932(
                 u"smtp.example.jp\r\nto@example.jp\r\n\r\nFrom Tovik\r\n本文\r\n二行目\r\n"_qs));
    // The files are written once, however the window is closed afterwards.
    QFile::remove(file(u"schedule.ini"_qs));
    form->close();
    QVERIFY(!QFile::exists(file(u"schedule.ini"_qs)));
}

void TestForm1::closeWithNothingToSave() {
    writeBytes(file(u"e-mail.ini"_qs), "\r\n\r\n\r\nsubject\r\n");
    auto form = start();
    form->setMailText(notify::MailField::Subject, u"changed"_qs);
    form->close();
    QVERIFY(!QFile::exists(file(u"schedule.ini"_qs)));
    QCOMPARE(readBytes(file(u"e-mail.ini"_qs)), QByteArray("\r\n\r\n\r\nsubject\r\n"));
}

void TestForm1::closeRequestedDuringStartUp() {
    // A signal arrives while the load's error box is open: the box goes, the load ends,
    // and only then does the window close, keeping the unread lines in the backup.
    const QByteArray original = "a,b,c\r\nbroken\r\nd,e,f\r\n";
    writeBytes(file(u"schedule.ini"_qs), original);
    auto form = m_fx->create();
    form->setPresenter(nullptr); // a real box
    form->TIM_MAIN->stop();
    QTimer::singleShot(100, form.get(), [&] {
        QVERIFY(QApplication::activeModalWidget() != nullptr);
        form->requestClose();
    });
    form->Form_Load();
    QVERIFY(form->TXT_LOG->toPlainText().contains(u"メール設定ファイルは有りませんでした"_qs));
    QVERIFY(!QFile::exists(file(u"schedule.ini.bak"_qs)));
    QTRY_COMPARE(readBytes(file(u"schedule.ini.bak"_qs)), original);
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)), QByteArray("a,b,c\r\nbroken,,\r\n"));
}

void TestForm1::writeLogForms() {
    auto form = start();
    form->TXT_LOG->setPlainText(QString());
    form->WriteLog(u"X"_qs);
    QCOMPARE(form->TXT_LOG->toPlainText(), u"\nX - 2026/12/06 12:30:15"_qs);
    form->WriteLog(u"a\r\nb"_qs);
    QCOMPARE(form->TXT_LOG->toPlainText(),
             u"\nX - 2026/12/06 12:30:15\na\nb - 2026/12/06 12:30:15"_qs);
    QCOMPARE(form->LB_STATUS->text(), u"a\r\nb - 2026/12/06 12:30:15"_qs);
    form->WriteLog(QString());
    QVERIFY(form->TXT_LOG->toPlainText().endsWith(u"\n - 2026/12/06 12:30:15"_qs));

    // The newest line stays in view.
    form->TAB1->setCurrentIndex(3);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    for (int i = 0; i < 200; ++i)
        form->WriteLog(u"line "_qs + QString::number(i));
    QCoreApplication::processEvents();
    QScrollBar* bar = form->TXT_LOG->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
}

void TestForm1::popupOnRightRelease() {
    auto form = start();
    form->TAB1->setCurrentIndex(1);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QSignalSpy shown(form->MNU_POPUP, &QMenu::aboutToShow);
    connect(form->MNU_POPUP, &QMenu::aboutToShow, form->MNU_POPUP,
            [menu = form->MNU_POPUP] { QTimer::singleShot(0, menu, &QMenu::close); });
    QWidget* viewport = form->LVW1->viewport();
    // An empty list still gets the menu; left and middle buttons get nothing.
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(viewport, Qt::MiddleButton, {}, QPoint(20, 20));
    QCOMPARE(shown.count(), 0);
    QTest::mouseRelease(viewport, Qt::RightButton, {}, QPoint(20, 20));
    QCOMPARE(shown.count(), 1);
    // With nothing selected the edit item does nothing.
    form->CMD_SET_Click();
    form->MNU_POPUP_SELECTITEM_EDIT->trigger();
    QCOMPARE(form->LVW1->topLevelItemCount(), 1);
}

void TestForm1::shortcutsOnEveryTab() {
    auto form = start();
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    m_fx->presenter->answerYes = false;
    for (int tab = 0; tab < 4; ++tab) {
        form->TAB1->setCurrentIndex(tab);
        m_fx->presenter->boxes.clear();
        QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
        QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(m_fx->presenter->boxes.size(), 3);
        QVERIFY2(m_fx->presenter->boxes.at(0).startsWith(u"question|シャットダウン確認|"_qs),
                 qPrintable(QString::number(tab)));
        QVERIFY(m_fx->presenter->boxes.at(1).startsWith(u"question|再起動確認|"_qs));
        QVERIFY(m_fx->presenter->boxes.at(2).startsWith(u"question|ログオフ確認|"_qs));
    }
    QVERIFY(m_fx->power.codes().isEmpty());
}

void TestForm1::powerCommands_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("code");
    const QString s =
        u"question|シャットダウン確認|シャットダウンを実行します。よろしいですか？"_qs;
    const QString r = u"question|再起動確認|再起動を実行します。よろしいですか？"_qs;
    const QString l = u"question|ログオフ確認|ログオフを実行します。よろしいですか？"_qs;
    const QString p = u"question|スリープ確認|スリープを実行します。よろしいですか？"_qs;
    const QString h = u"question|休止状態確認|休止状態を実行します。よろしいですか？"_qs;
    QTest::newRow("shut down, yes") << 0 << true << s << u"シャットダウンを実行します。"_qs << 1;
    QTest::newRow("restart, yes") << 1 << true << r << u"再起動を実行します。"_qs << 2;
    QTest::newRow("log off, yes") << 2 << true << l << u"ログオフを実行します。"_qs << 0;
    QTest::newRow("sleep, yes") << 3 << true << p << u"スリープを実行します。"_qs << 3;
    QTest::newRow("hibernate, yes") << 4 << true << h << u"休止状態を実行します。"_qs << 4;
    QTest::newRow("shut down, no") << 0 << false << s << QString() << -1;
    QTest::newRow("restart, no") << 1 << false << r << QString() << -1;
    QTest::newRow("log off, no") << 2 << false << l << QString() << -1;
    QTest::newRow("hibernate, no") << 4 << false << h << QString() << -1;
}

void TestForm1::powerCommands() {
    QFETCH(int, which);
    QFETCH(bool, yes);
    QFETCH(QString, box);
    QFETCH(QString, line);
    QFETCH(int, code);
    auto form = start();
    const QString logBefore = form->TXT_LOG->toPlainText();
    m_fx->presenter->answerYes = yes;
    QAction* actions[] = {form->MNU_FILE_SHUTSOWN, form->MNU_FILE_REBOOT, form->MNU_FILE_LOGOFF,
                          form->MNU_FILE_SLEEP, form->MNU_FILE_HIBERNATE};
    actions[which]->trigger();
    QCOMPARE(m_fx->presenter->boxes, QStringList{box});
    if (yes) {
        QCOMPARE(form->TXT_LOG->toPlainText(),
                 logBefore + u'\n' + line + u" - 2026/12/06 12:30:15"_qs);
        QCOMPARE(m_fx->power.codes(), QList<int>{code});
    } else {
        QCOMPARE(form->TXT_LOG->toPlainText(), logBefore);
        QVERIFY(m_fx->power.codes().isEmpty());
    }
}

void TestForm1::editorDefaultEntry() {
    auto form = start();
    QTest::mouseClick(form->CMD_SET, Qt::LeftButton);
    QCOMPARE(form->TAB1->currentIndex(), 1);
    QCOMPARE(rowsOf(form->LVW1), QStringList{u"1|2026/12/06 00:00:00|シャットダウン|"_qs});
}

void TestForm1::editorWeeklyEntries() {
    auto form = start();
    form->OP_PATTERN[1]->setChecked(true);
    QVERIFY(!form->OP_PATTERN[0]->isChecked());
    QVERIFY(form->OP_SHUTDOWN[0]->isChecked());
    form->COM_DATE[3]->setCurrentIndex(5);
    form->COM_DATE[1]->setCurrentIndex(18);
    form->OP_SHUTDOWN[2]->setChecked(true);
    form->CHK_SHUTDOWN[0]->setChecked(true);
    form->CHK_SHUTDOWN[1]->setChecked(true);
    form->CMD_SET_Click();
    form->COM_DATE[3]->setCurrentIndex(0);
    form->CMD_SET_Click();
    form->COM_DATE[3]->setCurrentIndex(6);
    form->OP_SHUTDOWN[1]->setChecked(true);
    form->CMD_SET_Click();
    form->OP_SHUTDOWN[3]->setChecked(true);
    form->CMD_SET_Click();
    form->OP_SHUTDOWN[4]->setChecked(true);
    form->CMD_SET_Click();
    QCOMPARE(rowsOf(form->LVW1),
             (QStringList{u"1|毎週：6(金曜日) 2026/12/06 18:00:00|ログオフ|+SENDMAIL+SAVELOG"_qs,
                          u"2|毎週：1(日曜日) 2026/12/06 18:00:00|ログオフ|+SENDMAIL+SAVELOG"_qs,
                          u"3|毎週：7(土曜日) 2026/12/06 18:00:00|再起動|+SENDMAIL+SAVELOG"_qs,
                          u"4|毎週：7(土曜日) 2026/12/06 18:00:00|スリープ|+SENDMAIL+SAVELOG"_qs,
                          u"5|毎週：7(土曜日) 2026/12/06 18:00:00|休止状態|+SENDMAIL+SAVELOG"_qs}));
}

void TestForm1::editorOptionsAndRepeats() {
    auto form = start();
    form->CHK_SHUTDOWN[1]->setChecked(true);
    form->CMD_SET_Click();
    form->CHK_SHUTDOWN[1]->setChecked(false);
    form->CHK_SHUTDOWN[0]->setChecked(true);
    form->COM_DATE[0]->setCurrentIndex(10);
    form->COM_DATE[2]->setCurrentIndex(59);
    form->CMD_SET_Click();
    form->CMD_SET_Click();
    QCOMPARE(rowsOf(form->LVW1),
             (QStringList{u"1|2026/12/06 00:00:00|シャットダウン|+SAVELOG"_qs,
                          u"2|2026/12/16 00:59:00|シャットダウン|+SENDMAIL"_qs,
                          u"3|2026/12/16 00:59:00|シャットダウン|+SENDMAIL"_qs}));
}

void TestForm1::editorDeleteAndNumbers() {
    auto form = start();
    // Nothing to delete, and nothing selected: no change.
    form->MNU_POPUP_SELECTITEM_DELETE->trigger();
    for (int i = 0; i < 3; ++i)
        form->CMD_SET_Click();
    form->LVW1->clearSelection();
    form->LVW1->setCurrentItem(nullptr);
    form->MNU_POPUP_SELECTITEM_DELETE->trigger();
    QCOMPARE(form->LVW1->topLevelItemCount(), 3);

    form->LVW1->setCurrentItem(form->LVW1->topLevelItem(1));
    form->MNU_POPUP_SELECTITEM_DELETE->trigger();
    form->CMD_SET_Click();
    QStringList numbers;
    for (const QString& row : rowsOf(form->LVW1))
        numbers << row.section(u'|', 0, 0);
    QCOMPARE(numbers, (QStringList{u"1"_qs, u"3"_qs, u"3"_qs}));

    // Deleting every entry empties the file: the deleted entries must not come back at
    // the next start.
    while (form->LVW1->topLevelItemCount() > 0) {
        form->LVW1->setCurrentItem(form->LVW1->topLevelItem(0));
        form->MNU_POPUP_SELECTITEM_DELETE->trigger();
    }
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)), QByteArray());
    form->close();
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)), QByteArray());
    auto again = start();
    QCOMPARE(again->LVW1->topLevelItemCount(), 0);
    QVERIFY(m_fx->presenter->boxes.isEmpty());
}

void TestForm1::editorReset() {
    auto form = start();
    const int countdown = form->COM_DATE[4]->currentIndex();
    form->CMD_SET_Click();
    form->OP_SHUTDOWN[1]->setChecked(true);
    form->CHK_SHUTDOWN[0]->setChecked(true);
    form->CHK_SHUTDOWN[1]->setChecked(true);
    form->OP_PATTERN[1]->setChecked(true);
    for (QComboBox* combo : form->COM_DATE)
        combo->setCurrentIndex(3);
    form->TAB1->setCurrentIndex(2);
    QTest::mouseClick(form->CMD_DEFAULT, Qt::LeftButton);
    QVERIFY(form->OP_SHUTDOWN[0]->isChecked());
    QVERIFY(!form->CHK_SHUTDOWN[0]->isChecked());
    QVERIFY(!form->CHK_SHUTDOWN[1]->isChecked());
    QVERIFY(form->OP_PATTERN[0]->isChecked());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(form->COM_DATE[i]->currentIndex(), 0);
    QCOMPARE(form->COM_DATE[4]->currentIndex(), countdown);
    QCOMPARE(form->TAB1->currentIndex(), 2);
    QCOMPARE(form->LVW1->topLevelItemCount(), 1);
}

void TestForm1::editorRefusesPastTheLimit() {
    auto form = start();
    for (int i = 0; i < 32767; ++i)
        (new QTreeWidgetItem(form->LVW1))->setText(0, QString::number(i + 1));
    form->CMD_SET_Click();
    QCOMPARE(form->LVW1->topLevelItemCount(), 32767);
    QCOMPARE(m_fx->presenter->boxes.size(), 1);
    QVERIFY(m_fx->presenter->boxes.first().startsWith(u"message|"_qs));
}

void TestForm1::editorCountdownAndSets() {
    auto form = start();
    m_fx->clock.value = QDateTime(QDate(2026, 12, 6), QTime(21, 40, 50));
    form->OP_PATTERN[2]->setChecked(true);
    form->CHK_SHUTDOWN[0]->setChecked(true); // with no mail settings at all
    form->CMD_SET_Click();
    QVERIFY(form->LB_STATUS->text().startsWith(
        u"メール設定が不完全なため、この項目のメールは送信できません::"_qs));
    form->CHK_SHUTDOWN[0]->setChecked(false);
    form->OP_PATTERN[1]->setChecked(true);
    form->COM_DATE[1]->setCurrentIndex(18);
    form->COM_DATE[3]->setCurrentText(u"平日"_qs);
    form->CMD_SET_Click();
    form->COM_DATE[3]->setCurrentText(u"毎日"_qs);
    form->CMD_SET_Click();
    form->chooseWeekdays(0x2A); // Monday, Wednesday, Friday
    form->CMD_SET_Click();
    form->chooseWeekdays(0x04); // one day is the one-day form
    form->CMD_SET_Click();
    QCOMPARE(rowsOf(form->LVW1),
             (QStringList{u"1|2026/12/06 22:11:00|シャットダウン|+SENDMAIL"_qs,
                          u"2|毎週：0(月火水木金) 2026/12/06 18:00:00|シャットダウン|"_qs,
                          u"3|毎週：0(日月火水木金土) 2026/12/06 18:00:00|シャットダウン|"_qs,
                          u"4|毎週：0(月水金) 2026/12/06 18:00:00|シャットダウン|"_qs,
                          u"5|毎週：3(火曜日) 2026/12/06 18:00:00|シャットダウン|"_qs}));
    QCOMPARE(form->COM_DATE[3]->itemText(7), u"毎日"_qs);
    QCOMPARE(form->COM_DATE[3]->itemText(9), u"土日"_qs);
}

// The edited entry keeps its place and number; an abandoned edit, a hand-edited line and a
// missing selection change nothing.
void TestForm1::editReplacesInPlace() {
    const QByteArray lines =
        text::encodeCp932(u"2026/12/06 12:31:00,シャットダウン,\r\n"
                          u"2026/12/06 7:05:00,再起動,\r\n"
                          u"毎週：0(月火水木金) 2026/12/01 18:00:00,ログオフ,\r\n"_qs);
    writeBytes(file(u"schedule.ini"_qs), lines);
    auto form = start();
    form->runner().start(nullptr);
    QTreeWidget* list = form->LVW1;
    list->setCurrentItem(list->topLevelItem(1));
    form->MNU_POPUP_SELECTITEM_EDIT->trigger();
    QCOMPARE(m_fx->presenter->boxes.size(), 1);
    QVERIFY(!form->editing());

    list->setCurrentItem(list->topLevelItem(2));
    form->MNU_POPUP_SELECTITEM_EDIT->trigger();
    QVERIFY(form->editing());
    QCOMPARE(form->TAB1->currentIndex(), 0);
    QVERIFY(form->OP_PATTERN[1]->isChecked() && form->OP_SHUTDOWN[2]->isChecked());
    QCOMPARE(form->COM_DATE[3]->currentText(), u"平日"_qs);
    form->OP_SHUTDOWN[1]->setChecked(true);
    QTest::mouseClick(form->CMD_CANCEL_EDIT, Qt::LeftButton);
    form->CMD_SET_Click(); // adds, as the edit was abandoned
    QCOMPARE(list->topLevelItemCount(), 4);
    delete list->takeTopLevelItem(3);

    // The first entry's run is cancelled; its replacement, at the same minute, is not.
    form->runner().cancelAt(1);
    QVERIFY(!form->runner().nextRunAt(1) ||
            form->runner().nextRunAt(1)->minute.minuteOfDay() != 12 * 60 + 31);
    list->setCurrentItem(list->topLevelItem(0));
    form->MNU_POPUP_SELECTITEM_EDIT->trigger();
    QVERIFY(form->OP_PATTERN[0]->isChecked() && form->OP_SHUTDOWN[0]->isChecked());
    form->OP_SHUTDOWN[1]->setChecked(true);
    form->CHK_SHUTDOWN[1]->setChecked(true);
    form->CMD_SET_Click();
    QVERIFY(!form->editing());
    QCOMPARE(rowsOf(list),
             (QStringList{u"1|2026/12/06 12:31:00|再起動|+SAVELOG"_qs,
                          u"2|2026/12/06 7:05:00|再起動|"_qs,
                          u"3|毎週：0(月火水木金) 2026/12/01 18:00:00|ログオフ|"_qs}));
    QCOMPARE(form->runner().nextRunAt(1)->minute.minuteOfDay(), 12 * 60 + 31);
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)),
             text::encodeCp932(u"2026/12/06 12:31:00,再起動,+SAVELOG\r\n"_qs) +
                 lines.mid(lines.indexOf("\r\n") + 2));
}

// Across midnight the dates move on; the chosen one stays chosen while it is offered.
void TestForm1::dateChoicesFollowMidnight() {
    m_fx->clock.value = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 58));
    auto form = start();
    QComboBox* dates = form->COM_DATE[0];
    dates->setCurrentIndex(3);
    m_fx->clock.value = QDateTime(QDate(2026, 12, 7), QTime(0, 0, 2));
    form->TIM_MAIN_Timer();
    QCOMPARE(dates->itemText(0), u"2026/12/07"_qs);
    QCOMPARE(dates->itemText(10), u"2026/12/17"_qs);
    QCOMPARE(dates->currentText(), u"2026/12/09"_qs);
    // Today chosen, and the window back from the tray two days later.
    dates->setCurrentIndex(0);
    form->hide();
    m_fx->clock.value = QDateTime(QDate(2026, 12, 9), QTime(8, 0));
    form->show();
    QCOMPARE(dates->itemText(0), u"2026/12/09"_qs);
    QCOMPARE(dates->currentIndex(), 0);
}

void TestForm1::editedEntryIsDueAndSurvivesReload() {
    auto form = start();
    form->COM_DATE[1]->setCurrentIndex(12);
    form->COM_DATE[2]->setCurrentIndex(30);
    form->OP_SHUTDOWN[1]->setChecked(true);
    form->CMD_SET_Click();
    form->OP_PATTERN[1]->setChecked(true);
    form->OP_SHUTDOWN[2]->setChecked(true);
    form->CMD_SET_Click();
    form->TIM_MAIN_Timer();
    QCOMPARE(m_fx->power.codes(), QList<int>{2});
    form->LVW1->setCurrentItem(form->LVW1->topLevelItem(0));
    form->MNU_POPUP_SELECTITEM_DELETE->trigger();
    form->TIM_MAIN_Timer();
    QCOMPARE(m_fx->power.codes(), (QList<int>{2, 0}));
    const QStringList before = rowsOf(form->LVW1);
    form->close();
    const QByteArray saved = readBytes(file(u"schedule.ini"_qs));
    auto again = start();
    QCOMPARE(rowsOf(again->LVW1).replaceInStrings(QRegularExpression(u"^\\d+"_qs), u"n"_qs),
             QStringList(before).replaceInStrings(QRegularExpression(u"^\\d+"_qs), u"n"_qs));
    again->close();
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)), saved);
}

void TestForm1::versionBox() {
    auto form = start();
    const QString log = form->TXT_LOG->toPlainText();
    form->MNU_HELP_SHOW_VERSION->trigger();
    form->MNU_HELP_SHOW_VERSION->trigger();
    const QString text =
        u"information|Tovim\r\nバージョン情報：1.1.0\r\nHP：https://github.com/tovik-app/tovik"_qs;
    QCOMPARE(m_fx->presenter->boxes, (QStringList{text, text}));
    QCOMPARE(form->TXT_LOG->toPlainText(), log);
}

void TestForm1::testSendWithMissingFields() {
    auto form = start();
    form->setMailText(notify::MailField::Server, u"127.0.0.1"_qs);
    QTest::mouseClick(form->CMD_TEST_SEND, Qt::LeftButton); // hidden tab: the handler still runs
    form->CMD_TEST_SEND_Click();
    QVERIFY(form->LB_STATUS->text().startsWith(
        u"SMTPサーバー/宛先/送信元のいずれかが不明です。メールを送信できません。 - "_qs));
    QVERIFY(form->CMD_TEST_SEND->isEnabled());
}

void TestForm1::tickWhileBusy() {
    auto form = start();
    form->CMD_SET_Click(); // 00:00, not due
    form->COM_DATE[1]->setCurrentIndex(12);
    form->COM_DATE[2]->setCurrentIndex(30);
    form->CMD_SET_Click(); // due
    // A timer event during the walk's yield starts no second walk.
    int nested = 0;
    QTimer::singleShot(0, form.get(), [&] {
        form->TIM_MAIN_Timer();
        ++nested;
    });
    form->TIM_MAIN_Timer();
    QCOMPARE(nested, 1);
    QCOMPARE(m_fx->power.codes(), QList<int>{1});
}

// A box nobody answers must not stop the schedule: the timer's ticks carry out the entry.
void TestForm1::tickRunsWhileABoxIsOpen_data() {
    QTest::addColumn<int>("box");
    QTest::newRow("version box") << 0;
    QTest::newRow("File menu question") << 1;
}

void TestForm1::tickRunsWhileABoxIsOpen() {
    QFETCH(int, box);
    auto form = start();
    form->setPresenter(nullptr); // real, modal boxes
    form->COM_DATE[1]->setCurrentIndex(12);
    form->COM_DATE[2]->setCurrentIndex(30);
    form->OP_SHUTDOWN[1]->setChecked(true);
    form->CMD_SET_Click();
    bool sawBox = false;
    QTimer::singleShot(0, form.get(), [&] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        sawBox = true;
        form->TIM_MAIN->start(10);
        QTRY_VERIFY(!m_fx->power.codes().isEmpty());
        form->TIM_MAIN->stop();
        auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(open);
        if (box == 1) { // Japanese buttons, Yes the default, whatever Qt's catalogue says
            QCOMPARE(open->button(QMessageBox::No)->text(), u"いいえ(&N)"_qs);
            QCOMPARE(open->defaultButton(), open->button(QMessageBox::Yes));
        }
        open->button(box == 0 ? QMessageBox::Ok : QMessageBox::No)->click();
    });
    if (box == 0)
        form->MNU_HELP_SHOW_VERSION->trigger();
    else
        form->MNU_FILE_SHUTSOWN->trigger();
    QVERIFY(sawBox);
    QCOMPARE(m_fx->power.codes().first(), 2);
    QVERIFY(form->TXT_LOG->toPlainText().contains(u"再起動を実行します。"_qs));
}

// Every change of the list and every finished mail field reaches the disk at once, as a
// close would write it: a lost display or a crash later on loses nothing.
void TestForm1::editsAreSavedAtOnce() {
    auto form = start();
    form->show();
    form->COM_DATE[1]->setCurrentIndex(7);
    form->CMD_SET_Click();
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)),
             text::encodeCp932(u"2026/12/06 07:00:00,シャットダウン,\r\n"_qs));
    form->CMD_SET_Click();
    form->LVW1->setCurrentItem(form->LVW1->topLevelItem(0));
    form->MNU_POPUP_SELECTITEM_DELETE->trigger();
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)),
             text::encodeCp932(u"2026/12/06 07:00:00,シャットダウン,\r\n"_qs));

    form->TAB1->setCurrentIndex(2);
    form->TXT_MAIL_LINE[0]->setText(u"smtp.example.jp"_qs);
    emit form->TXT_MAIL_LINE[0]->editingFinished();
    QCOMPARE(readBytes(file(u"e-mail.ini"_qs)),
             QByteArray("smtp.example.jp\r\n\r\n\r\nFrom Tovik\r\n\r\n"));
    // The body has no end of editing of its own: leaving it is one.
    form->TXT_MAIL_BODY->setPlainText(u"本文"_qs);
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(form->TXT_MAIL_BODY, &out);
    const QByteArray mail = readBytes(file(u"e-mail.ini"_qs));
    QCOMPARE(mail, text::encodeCp932(u"smtp.example.jp\r\n\r\n\r\nFrom Tovik\r\n本文\r\n"_qs));
    const QByteArray schedule = readBytes(file(u"schedule.ini"_qs));
    form->close();
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)), schedule);
    QCOMPARE(readBytes(file(u"e-mail.ini"_qs)), mail);
}

// A full disk: every save fails before it replaces anything, and says so.
void TestForm1::fullDisk() {
    testing::FullDisk disk;
    if (!disk.isReady())
        QSKIP("mounting a small tmpfs needs root");
    const QByteArray schedule = "2026/12/07 22:00:00,再起動,\r\n";
    const QByteArray mail = "old.example.jp\r\nto@example.jp\r\nfrom@example.jp\r\ns\r\nb\r\n";
    writeBytes(disk.filePath(u"schedule.ini"_qs), schedule);
    writeBytes(disk.filePath(u"e-mail.ini"_qs), mail);
    auto form = start(disk.path());
    disk.fill();
    form->CMD_SET_Click();
    const QString diskFull =
        u"message|エラーが生じました。\r\nエラー番号:61\r\n内容:ディスクの空き容量が不足しています。"_qs;
    QCOMPARE(m_fx->presenter->boxes, QStringList{diskFull});
    form->setMailText(notify::MailField::Server, u"new.example.jp"_qs);
    emit form->TXT_MAIL_LINE[0]->editingFinished();
    QVERIFY(form->TXT_LOG->toPlainText().section(u'\n', -1).startsWith(
        u"メール設定ファイルを保存できませんでした。→"_qs));
    form->close();
    QCOMPARE(m_fx->presenter->boxes, (QStringList{diskFull, diskFull}));

    // A close the system asks for must not wait on a box nobody answers: a notice instead.
    auto closedBySystem = start(disk.path());
    closedBySystem->CMD_SET_Click();
    closedBySystem->requestClose();
    QTRY_COMPARE(m_fx->presenter->boxes.size(), 4);
    QVERIFY2(m_fx->presenter->boxes.last().startsWith(u"notice|"_qs) &&
                 m_fx->presenter->boxes.last().contains(u"::61::"_qs),
             qPrintable(m_fx->presenter->boxes.last()));
    QCOMPARE(readBytes(disk.filePath(u"schedule.ini"_qs)), schedule);
    QCOMPARE(readBytes(disk.filePath(u"e-mail.ini"_qs)), mail);
}

// Edits and a close while long files are still loading: they wait for the load, and
// nothing of either file is lost.
void TestForm1::closeRequestedWhileLoading() {
    QByteArray schedule;
    for (int i = 0; i < 3000; ++i)
        schedule +=
            text::encodeCp932(u"2026/12/07 22:00:00,再起動,"_qs + QString::number(i)) + "\r\n";
    QByteArray mail = "s.example.jp\r\nto@example.jp\r\nfrom@example.jp\r\nsub\r\n";
    for (int i = 0; i < 3000; ++i)
        mail += "body " + QByteArray::number(i) + "\r\n";
    writeBytes(file(u"schedule.ini"_qs), schedule);
    writeBytes(file(u"e-mail.ini"_qs), mail);
    auto form = m_fx->create();
    form->TIM_MAIN->stop();
    int yields = 0;
    QTimer::singleShot(0, form.get(), [&] {
        ++yields;
        form->CMD_SET_Click(); // an edit during the load, saved once the load is done
        form->requestClose();
    });
    form->Form_Load();
    QCOMPARE(yields, 1);
    QCOMPARE(readBytes(file(u"schedule.ini"_qs)), schedule);
    QCOMPARE(form->LVW1->topLevelItemCount(), 3001);
    // The edit came at the load's first step, before the first line was read.
    QTRY_COMPARE(readBytes(file(u"schedule.ini"_qs)),
                 text::encodeCp932(u"2026/12/06 00:00:00,シャットダウン,\r\n"_qs) + schedule);
    QCOMPARE(readBytes(file(u"e-mail.ini"_qs)), mail);
    QVERIFY(m_fx->presenter->boxes.isEmpty());
}

// Tovik cannot tell a temporary name of Qt's from a user's own file: a start deletes none.
void TestForm1::lookAlikeFilesSurvive() {
    const QStringList names{u"schedule.ini.backup"_qs,     u"e-mail.ini.backup"_qs,
                            u"schedule.ini.bak.backup"_qs, u"schedule.ini.Ab12Cd"_qs,
                            u"e-mail.ini.bak.q9Z0aa"_qs,   u"schedule.ini.ab-123"_qs};
    for (const QString& name : names)
        writeBytes(file(name), "x");
    auto form = start();
    for (const QString& name : names)
        QVERIFY2(QFile::exists(file(name)), qPrintable(name));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
