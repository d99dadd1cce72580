#include "form1.h"

#include "app/appfolder.h"
#include "app/versioninfo.h"
#include "notify/logline.h"
#include "notify/mail/mail.h"
#include "notify/mailsettings.h"
#include "power/power.h"
#include "presenter.h"
#include "schedule/entrytext.h"
#include "schedule/schedulefile.h"
#include "scheduler/funcs.h"
#include "scheduler/runcancels.h"
#include "scheduler/tick.h"
#include "text/clock.h"
#include "text/dateforms.h"
#include "views.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

namespace tovik::ui {

namespace {

void yieldToEvents() {
    QCoreApplication::processEvents();
}

const QStringList& weekdayNames() {
    static const QStringList names = {QStringLiteral("日曜日"), QStringLiteral("月曜日"),
                                      QStringLiteral("火曜日"), QStringLiteral("水曜日"),
                                      QStringLiteral("木曜日"), QStringLiteral("金曜日"),
                                      QStringLiteral("土曜日")};
    return names;
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// The tick's calls into the window and the other layers.
class FormTickActions final : public scheduler::TickActions {
public:
    explicit FormTickActions(Form1& form) : m_form(form) {}
    void yield() override { yieldToEvents(); }
    void writeLog(const QString& message) override { m_form.WriteLog(message); }
    void sendNotificationMail() override { m_form.SendNotificationMail(); }
    text::FileError saveLogFile() override {
        return notify::SaveLogFile(app::applicationFolder(), logText(m_form.TXT_LOG));
    }
    void doExitWindows(int code) override { win32::DoExitWindows(code); }
    bool isCancelled(int position, const QDateTime& now) override {
        const scheduler::RunCancels* cancels = m_form.runCancels();
        return cancels && cancels->skips(ScheduleList(m_form.LVW1).rowKey(position), now);
    }

private:
    Form1& m_form;
};

} // namespace

Form1::Form1(QWidget* parent)
    : QMainWindow(parent), m_presenter(std::make_shared<MessageBoxPresenter>(this)) {
    buildUi();
    connectHandlers();
}

Form1::~Form1() = default;

void Form1::setPresenter(std::shared_ptr<Presenter> presenter) {
    m_presenter = presenter ? std::move(presenter) : std::make_shared<MessageBoxPresenter>(this);
}

void Form1::connectHandlers() {
    connect(CMD_EXIT, &QPushButton::clicked, this, &Form1::CMD_EXIT_Click);
    connect(MNU_FILE_EXIT, &QAction::triggered, this, &Form1::MNU_FILE_EXIT_Click);
    connect(CMD_SET, &QPushButton::clicked, this, &Form1::CMD_SET_Click);
    connect(CMD_DEFAULT, &QPushButton::clicked, this, &Form1::CMD_DEFAULT_Click);
    connect(MNU_POPUP_SELECTITEM_DELETE, &QAction::triggered, this,
            &Form1::MNU_POPUP_SELECTITEM_DELETE_Click);
    connect(TIM_MAIN, &QTimer::timeout, this, &Form1::TIM_MAIN_Timer);
    connect(MNU_FILE_SHUTSOWN, &QAction::triggered, this, &Form1::MNU_FILE_SHUTSOWN_Click);
    connect(MNU_FILE_REBOOT, &QAction::triggered, this, &Form1::MNU_FILE_REBOOT_Click);
    connect(MNU_FILE_LOGOFF, &QAction::triggered, this, &Form1::MNU_FILE_LOGOFF_Click);
    connect(CMD_TEST_SEND, &QPushButton::clicked, this, &Form1::CMD_TEST_SEND_Click);
    connect(MNU_HELP_SHOW_VERSION, &QAction::triggered, this, &Form1::MNU_HELP_SHOW_VERSION_Click);
    LVW1->viewport()->installEventFilter(this);
}

QString Form1::mailText(int index) const {
    if (index == 4)
        return TXT_MAIL_BODY->toPlainText();
    return TXT_MAIL_LINE.at(static_cast<std::size_t>(index))->text();
}

void Form1::setMailText(int index, const QString& text) {
    if (index == 4)
        TXT_MAIL_BODY->setPlainText(text);
    else
        TXT_MAIL_LINE.at(static_cast<std::size_t>(index))->setText(text);
}

// ---- start-up and shut-down ----

void Form1::Form_Load() {
    m_loading = true;
    TAB1->setCurrentIndex(0);
    LB_STATUS->setText(notify::logLine(QStringLiteral("アプリケーションを起動しました")));
    TXT_LOG->setPlainText(LB_STATUS->text());

    const QString logFolder = app::logFolderPath();
    if (!QFileInfo(logFolder).isDir() && !QDir().mkdir(logFolder))
        WriteLog(QStringLiteral("ログフォルダを作成できませんでした。→") + logFolder);

    const QDate today = text::now().date();
    for (int i = 0; i <= 10; ++i)
        COM_DATE[0]->addItem(text::dateText(today.addDays(i)));
    for (int i = 0; i <= 23; ++i)
        COM_DATE[1]->addItem(twoDigits(i));
    for (int i = 0; i <= 59; ++i)
        COM_DATE[2]->addItem(twoDigits(i));
    COM_DATE[3]->addItems(weekdayNames());
    for (QComboBox* combo : COM_DATE)
        combo->setCurrentIndex(0);

    const QString schedulePath = app::scheduleFilePath();
    if (Funcs::FileStatus(schedulePath) == Funcs::kFileExists) {
        WriteLog(QStringLiteral("スケジュールファイルが存在しました。→") + schedulePath);
        ScheduleList rows(LVW1);
        FileErrorBox reporter(*m_presenter);
        const auto result = schedule::LoadSchedule(schedulePath, rows, yieldToEvents, reporter);
        m_scheduleBackupPending = !result.complete;
    } else {
        WriteLog(QStringLiteral("スケジュールファイルは有りませんでした"));
    }

    const QString mailPath = app::mailSettingsFilePath();
    if (Funcs::FileStatus(mailPath) == Funcs::kFileExists) {
        MailFieldsView fields(*this);
        const auto result = notify::LoadMailSettings(mailPath, fields, yieldToEvents);
        m_mailBackupPending = result.keepBackup;
        WriteLog(result.status == notify::kMailOk
                     ? QStringLiteral("メール設定ファイル読み込み成功")
                     : QStringLiteral("メール設定ファイル読み込み時にエラー"));
    } else {
        WriteLog(QStringLiteral("メール設定ファイルは有りませんでした"));
    }
    m_loading = false;
    if (m_closePending)
        QTimer::singleShot(0, this, &QWidget::close);
}

void Form1::requestClose() {
    if (QWidget* box = QApplication::activeModalWidget())
        box->close();
    // Saving half-loaded files would lose the unread rest.
    if (m_loading)
        m_closePending = true;
    else
        QTimer::singleShot(0, this, &QWidget::close);
}

void Form1::Form_Unload(int& cancel) {
    static_cast<void>(cancel); // a close always goes ahead
    ScheduleList rows(LVW1);
    FileErrorBox reporter(*m_presenter);
    schedule::SaveSchedule(app::scheduleFilePath(), rows, reporter, m_scheduleBackupPending);
    MailFieldsView fields(*this);
    notify::SaveMailSettings(app::mailSettingsFilePath(), fields, m_mailBackupPending);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Every way of closing (close control, buttons, menu, signals, session end) ends here;
    // the files are written once.
    if (!m_unloaded) {
        m_unloaded = true;
        int cancel = 0;
        Form_Unload(cancel);
    }
    event->accept();
}

void Form1::CMD_EXIT_Click() {
    close();
}

void Form1::MNU_FILE_EXIT_Click() {
    close();
}

// ---- the activity log ----

void Form1::WriteLog(const QString& message) {
    appendLogLine(TXT_LOG, notify::logLine(message));
    LB_STATUS->setText(notify::logLine(message));
}

// ---- the list's pop-up menu ----

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LVW1->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        int button = 0;
        switch (mouse->button()) {
        case Qt::LeftButton:
            button = 1;
            break;
        case Qt::RightButton:
            button = 2;
            break;
        case Qt::MiddleButton:
            button = 4;
            break;
        default:
            break;
        }
        const QPoint pos = mouse->position().toPoint();
        LVW1_MouseUp(button, 0, pos.x(), pos.y());
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::LVW1_MouseUp(int button, int shift, int x, int y) {
    static_cast<void>(shift);
    static_cast<void>(x);
    static_cast<void>(y);
    if (button == 2)
        MNU_POPUP->exec(QCursor::pos());
}

// ---- the schedule editor ----

void Form1::CMD_SET_Click() {
    ScheduleList rows(LVW1);
    if (rows.count() >= schedule::kMaxEntries) {
        m_presenter->message(QStringLiteral("スケジュールは ") +
                             QString::number(schedule::kMaxEntries) +
                             QStringLiteral(" 件までです。これ以上追加できません。"));
        return;
    }
    TAB1->setCurrentIndex(1);
    rows.append(QString::number(rows.count() + 1));
    const int p = rows.count();
    rows.setText(p, schedule::Column::When,
                 schedule::oneOffWhenText(COM_DATE[0]->currentText(), COM_DATE[1]->currentText(),
                                          COM_DATE[2]->currentText()));
    SetItemAction(p);
    const QString options =
        schedule::optionsText(CHK_SHUTDOWN[0]->isChecked(), CHK_SHUTDOWN[1]->isChecked());
    if (!options.isEmpty())
        rows.setText(p, schedule::Column::Options, options);
    if (OP_PATTERN[1]->isChecked()) {
        rows.setText(
            p, schedule::Column::When,
            schedule::weeklyWhenText(COM_DATE[3]->currentIndex() + 1, COM_DATE[3]->currentText(),
                                     COM_DATE[0]->currentText(), COM_DATE[1]->currentText(),
                                     COM_DATE[2]->currentText()));
    }
}

void Form1::SetItemAction(int position) {
    QString word;
    if (OP_SHUTDOWN[0]->isChecked())
        word = schedule::kShutdownWord;
    else if (OP_SHUTDOWN[1]->isChecked())
        word = schedule::kRebootWord;
    else if (OP_SHUTDOWN[2]->isChecked())
        word = schedule::kLogoffWord;
    ScheduleList(LVW1).setText(position, schedule::Column::Action, word);
}

void Form1::CMD_DEFAULT_Click() {
    OP_SHUTDOWN[0]->setChecked(true);
    CHK_SHUTDOWN[0]->setChecked(false);
    CHK_SHUTDOWN[1]->setChecked(false);
    OP_PATTERN[0]->setChecked(true);
    for (QComboBox* combo : COM_DATE) {
        if (combo->count() > 0)
            combo->setCurrentIndex(0);
    }
}

void Form1::MNU_POPUP_SELECTITEM_DELETE_Click() {
    ScheduleList rows(LVW1);
    if (rows.count() == 0)
        return;
    const int position = rows.selectedPosition();
    if (position == 0)
        return;
    schedule::RemoveScheduleItem(rows, position);
}

// ---- the scheduler tick ----

void Form1::TIM_MAIN_Timer() {
    // One walk at a time; and none while a box waits for an answer.
    if (m_tickRunning || QApplication::activeModalWidget() != nullptr)
        return;
    m_tickRunning = true;
    ScheduleList rows(LVW1);
    FormTickActions actions(*this);
    scheduler::runTick(rows, actions);
    m_tickRunning = false;
}

// ---- power commands ----

void Form1::runPowerCommand(const QString& question, const QString& title,
                            const QString& actionWord) {
    if (!m_presenter->askYesNo(title, question))
        return;
    const auto action = schedule::actionFor(actionWord);
    WriteLog(action->line);
    win32::DoExitWindows(action->code);
}

void Form1::MNU_FILE_SHUTSOWN_Click() {
    runPowerCommand(QStringLiteral("シャットダウンを実行します。よろしいですか？"),
                    QStringLiteral("シャットダウン確認"), schedule::kShutdownWord);
}

void Form1::MNU_FILE_REBOOT_Click() {
    runPowerCommand(QStringLiteral("再起動を実行します。よろしいですか？"),
                    QStringLiteral("再起動確認"), schedule::kRebootWord);
}

void Form1::MNU_FILE_LOGOFF_Click() {
    runPowerCommand(QStringLiteral("ログオフを実行します。よろしいですか？"),
                    QStringLiteral("ログオフ確認"), schedule::kLogoffWord);
}

// ---- notification mail ----

void Form1::SendNotificationMail() {
    mail::Message message;
    message.server = mailText(0);
    message.to = mailText(1);
    message.from = mailText(2);
    message.subject = mailText(3);
    message.body = mailText(4);
    WriteLog(mail::sendNotification(message));
}

void Form1::CMD_TEST_SEND_Click() {
    CMD_TEST_SEND->setEnabled(false);
    SendNotificationMail();
    CMD_TEST_SEND->setEnabled(true);
}

// ---- version box ----

void Form1::MNU_HELP_SHOW_VERSION_Click() {
    m_presenter->information(app::versionBoxText());
}

} // namespace tovik::ui
