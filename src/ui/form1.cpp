#include "form1.h"

#include "app/appfolder.h"
#include "app/versioninfo.h"
#include "notify/logline.h"
#include "notify/mail/mail.h"
#include "notify/mail/mailinput.h"
#include "notify/mailsettings.h"
#include "power/power.h"
#include "power/reasontext.h"
#include "presenter.h"
#include "schedule/entrytext.h"
#include "schedule/schedulefile.h"
#include "scheduler/funcs.h"
#include "scheduler/runner.h"
#include "scheduler/tick.h"
#include "text/clock.h"
#include "text/dateforms.h"
#include "text/fileio.h"
#include "ui/mailpassword.h"
#include "ui/statusline.h"
#include "views.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include <utility>

namespace tovik::ui {

namespace {

constexpr unsigned kEveryDay = 0x7F;
constexpr unsigned kMondayToFriday = 0x3E;
constexpr unsigned kWeekend = 0x41;
// A one-minute countdown one stray click away from a shutdown is too near.
constexpr int kCountdownStart = 30;

void yieldToEvents() {
    QCoreApplication::processEvents();
}

// The tick's calls into the window and the other layers.
class FormTickActions final : public scheduler::TickActions {
public:
    FormTickActions(Form1& form, power::PowerBackend& power) : m_form(form), m_power(power) {}
    void yield() override { yieldToEvents(); }
    void writeLog(const QString& message) override { m_form.WriteLog(message); }
    void sendNotificationMail() override { m_form.SendNotificationMail(); }
    void sendNotDoneMail(const QString& firstLine) override { m_form.sendNotDoneMail(firstLine); }
    text::FileError saveLogFile() override { return m_form.saveLogFile(); }
    power::Outcome doExitWindows(power::PowerAction action) override {
        return win32::DoExitWindows(m_power, power::codeOf(action));
    }
    bool powerRequestAwaitingAnswer() override { return m_power.awaitingAnswer(); }

private:
    Form1& m_form;
    power::PowerBackend& m_power;
};

} // namespace

Form1::Form1(const Services& services, QWidget* parent)
    : QMainWindow(parent), m_clock(services.clock), m_power(services.power),
      m_paths(services.paths), m_presenter(std::make_shared<MessageBoxPresenter>(this)) {
    setMailOptions({}, services.secrets);
    buildUi();
    m_rows = std::make_unique<ScheduleList>(LVW1);
    m_tickActions = std::make_unique<FormTickActions>(*this, m_power);
    m_runner = std::make_unique<scheduler::Runner>(*m_rows, *m_tickActions, m_clock);
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
    connect(MNU_POPUP_SELECTITEM_EDIT, &QAction::triggered, this,
            &Form1::MNU_POPUP_SELECTITEM_EDIT_Click);
    connect(CMD_CANCEL_EDIT, &QPushButton::clicked, this, &Form1::CMD_CANCEL_EDIT_Click);
    connect(CMD_WEEKDAYS, &QToolButton::clicked, this, &Form1::CMD_WEEKDAYS_Click);
    connect(MNU_POPUP_SELECTITEM_CANCEL, &QAction::triggered, this,
            &Form1::MNU_POPUP_SELECTITEM_CANCEL_Click);
    connect(MNU_POPUP_SELECTITEM_POSTPONE, &QAction::triggered, this,
            &Form1::MNU_POPUP_SELECTITEM_POSTPONE_Click);
    connect(MNU_POPUP, &QMenu::aboutToShow, this, [this] {
        const auto run = m_runner->nextRunAt(m_rows->selectedPosition());
        MNU_POPUP_SELECTITEM_CANCEL->setEnabled(run.has_value());
        MNU_POPUP_SELECTITEM_POSTPONE->setEnabled(run && m_runner->canPostpone(*run));
    });
    connect(TIM_MAIN, &QTimer::timeout, this, &Form1::TIM_MAIN_Timer);
    connect(MNU_FILE_SHUTSOWN, &QAction::triggered, this, &Form1::MNU_FILE_SHUTSOWN_Click);
    connect(MNU_FILE_REBOOT, &QAction::triggered, this, &Form1::MNU_FILE_REBOOT_Click);
    connect(MNU_FILE_LOGOFF, &QAction::triggered, this, &Form1::MNU_FILE_LOGOFF_Click);
    connect(MNU_FILE_SLEEP, &QAction::triggered, this, &Form1::MNU_FILE_SLEEP_Click);
    connect(MNU_FILE_HIBERNATE, &QAction::triggered, this, &Form1::MNU_FILE_HIBERNATE_Click);
    connect(CMD_TEST_SEND, &QPushButton::clicked, this, &Form1::CMD_TEST_SEND_Click);
    connect(MNU_HELP_SHOW_VERSION, &QAction::triggered, this, &Form1::MNU_HELP_SHOW_VERSION_Click);
    LVW1->viewport()->installEventFilter(this);
    new ScheduleListToolTips(LVW1, m_clock);

    // The runner follows the list; a row that goes takes its runs' cancels and warnings along.
    connect(m_runner.get(), &scheduler::Runner::logLine, this, &Form1::WriteLog);
    // The runner goes before the controls: the list emptied by their end tells it nothing.
    QAbstractItemModel* model = LVW1->model();
    scheduler::Runner* runner = m_runner.get();
    connect(model, &QAbstractItemModel::rowsInserted, runner, &scheduler::Runner::listChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, runner, &scheduler::Runner::listChanged);
    connect(model, &QAbstractItemModel::dataChanged, runner, &scheduler::Runner::listChanged);
    connect(model, &QAbstractItemModel::modelReset, runner, &scheduler::Runner::listChanged);
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, runner,
            [this](const QModelIndex& parent, int first, int last) {
                if (parent.isValid())
                    return;
                for (int i = first; i <= last; ++i)
                    m_runner->rowGoing(m_rows->rowKey(i + 1));
            });
    // A mail field is saved when its editing ends: a lost display or a crash later on
    // must not take the settings with it.
    for (QLineEdit* line : TXT_MAIL_LINE)
        connect(line, &QLineEdit::editingFinished, this, &Form1::saveMailSettingsFile);
    TXT_MAIL_BODY->installEventFilter(this);
}

QString Form1::mailText(notify::MailField field) const {
    const auto index = static_cast<std::size_t>(field);
    if (field == notify::MailField::Body)
        return TXT_MAIL_BODY->toPlainText();
    return TXT_MAIL_LINE.at(index)->text();
}

void Form1::setMailText(notify::MailField field, const QString& text) {
    const auto index = static_cast<std::size_t>(field);
    if (field == notify::MailField::Body)
        TXT_MAIL_BODY->setPlainText(text);
    else
        TXT_MAIL_LINE.at(index)->setText(text);
}

// ---- start-up and shut-down ----

void Form1::Form_Load() {
    m_loading = true;
    TAB1->setCurrentIndex(0);
    LB_STATUS->setText(
        notify::logLine(QStringLiteral("アプリケーションを起動しました"), m_clock.now()));
    TXT_LOG->setPlainText(LB_STATUS->text());

    const QString logFolder = m_paths.logFolder();
    if (!QFileInfo(logFolder).isDir() && !QDir().mkdir(logFolder))
        WriteLog(QStringLiteral("ログフォルダを作成できませんでした。→") + logFolder);

    renewDateChoices(true);
    for (int i = 0; i <= 23; ++i)
        COM_DATE[1]->addItem(text::twoDigits(i));
    for (int i = 0; i <= 59; ++i)
        COM_DATE[2]->addItem(text::twoDigits(i));
    // Each weekday entry carries its set: one day at positions 0 to 6, then the named sets.
    for (int i = 0; i < 7; ++i)
        COM_DATE[3]->addItem(text::weekdayNames().at(i), 1U << i);
    COM_DATE[3]->addItem(QStringLiteral("毎日"), kEveryDay);
    COM_DATE[3]->addItem(QStringLiteral("平日"), kMondayToFriday);
    COM_DATE[3]->addItem(QStringLiteral("土日"), kWeekend);
    for (const int minutes : schedule::countdownMinutes())
        COM_DATE[4]->addItem(QString::number(minutes), minutes);
    for (QComboBox* combo : COM_DATE)
        combo->setCurrentIndex(0);
    COM_DATE[4]->setCurrentIndex(COM_DATE[4]->findData(kCountdownStart));

    const QString schedulePath = m_paths.scheduleFile();
    if (Funcs::FileStatus(schedulePath) == Funcs::kFileExists) {
        WriteLog(QStringLiteral("スケジュールファイルが存在しました。→") + schedulePath);
        ScheduleList rows(LVW1);
        FileErrorBox reporter(*m_presenter);
        const auto result = schedule::LoadSchedule(schedulePath, rows, yieldToEvents, reporter);
        m_scheduleBackupPending = !result.complete;
    } else {
        WriteLog(QStringLiteral("スケジュールファイルは有りませんでした"));
    }

    const QString mailPath = m_paths.mailSettingsFile();
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
    if (m_closePending) {
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    // Edits made while the files were loading.
    if (std::exchange(m_scheduleSavePending, false))
        saveScheduleFile();
    if (std::exchange(m_mailSavePending, false))
        saveMailSettingsFile();
}

void Form1::requestClose() {
    m_closedBySystem = true;
    if (QWidget* box = QApplication::activeModalWidget())
        box->close();
    // Saving half-loaded files would lose the unread rest.
    if (m_loading)
        m_closePending = true;
    else
        QTimer::singleShot(0, this, &QWidget::close);
}

void Form1::bringToFront() {
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void Form1::Form_Unload(int& cancel) {
    static_cast<void>(cancel); // a close always goes ahead
    saveScheduleFile();
    saveMailSettingsFile();
}

void Form1::saveScheduleFile() {
    if (m_loading) {
        m_scheduleSavePending = true;
        return;
    }
    ScheduleList rows(LVW1);
    FileErrorBox reporter(*m_presenter,
                          m_closedBySystem
                              ? QStringLiteral("スケジュールファイルを保存できませんでした")
                              : QString());
    schedule::SaveSchedule(m_paths.scheduleFile(), rows, reporter, m_scheduleBackupPending,
                           m_scheduleCleared);
}

void Form1::saveMailSettingsFile() {
    if (m_loading) {
        m_mailSavePending = true;
        return;
    }
    MailFieldsView fields(*this);
    FileErrorBox reporter(
        *m_presenter,
        m_closedBySystem ? QStringLiteral("メール設定ファイルを保存できませんでした") : QString());
    // The settings stay as they are on the tab and in the old file: the log says the save
    // failed, so an edit is not believed kept.
    if (notify::SaveMailSettings(m_paths.mailSettingsFile(), fields, m_mailBackupPending,
                                 &reporter) == notify::kMailError)
        WriteLog(QStringLiteral("メール設定ファイルを保存できませんでした。→") +
                 m_paths.mailSettingsFile());
}

void Form1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Back from the tray after midnight.
    renewDateChoices();
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
    const QString line = notify::logLine(message, m_clock.now());
    appendLogLine(TXT_LOG, line);
    showStatusLine(LB_STATUS, line);
}

text::FileError Form1::saveLogFile() const {
    return notify::SaveLogFile(m_paths.logFolder(), logText(TXT_LOG), m_clock.now().date());
}

// ---- the list's pop-up menu ----

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TXT_MAIL_BODY && event->type() == QEvent::FocusOut)
        saveMailSettingsFile();
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

void Form1::renewDateChoices(bool first) {
    const QDate today = m_clock.now().date();
    if ((!first && !m_dateChoicesDay.isValid()) || today == m_dateChoicesDay)
        return;
    m_dateChoicesDay = today;
    const QString chosen = COM_DATE[0]->currentText();
    COM_DATE[0]->clear();
    for (int i = 0; i <= 10; ++i)
        COM_DATE[0]->addItem(text::dateText(today.addDays(i)));
    COM_DATE[0]->setCurrentIndex(std::max(0, COM_DATE[0]->findText(chosen)));
}

QString Form1::chosenWhenText() const {
    if (OP_PATTERN[2]->isChecked())
        return schedule::countdownWhenText(m_clock.now(), COM_DATE[4]->currentData().toInt());
    const QString date = COM_DATE[0]->currentText();
    const QString hour = COM_DATE[1]->currentText();
    const QString minute = COM_DATE[2]->currentText();
    if (!OP_PATTERN[1]->isChecked())
        return schedule::oneOffWhenText(date, hour, minute);
    const int weekday = COM_DATE[3]->currentIndex();
    if (weekday < 7)
        return schedule::weeklyWhenText(weekday + 1, COM_DATE[3]->currentText(), date, hour,
                                        minute);
    return schedule::weekdaySetWhenText(COM_DATE[3]->currentData().toUInt(), date, hour, minute);
}

// A send that cannot work should be known when the entry is made, not at its minute.
void Form1::noteIncompleteMailSettings() {
    if (!CHK_SHUTDOWN[0]->isChecked())
        return;
    mail::Message message;
    message.server = mailText(notify::MailField::Server);
    message.to = mailText(notify::MailField::To);
    message.from = mailText(notify::MailField::From);
    message.subject = mailText(notify::MailField::Subject);
    QString why;
    if (message.server.isEmpty() || message.to.isEmpty() || message.from.isEmpty())
        why = QStringLiteral("SMTPサーバー名・宛先・送信元のいずれかが空です");
    else if (const auto problem = mail::checkFields(message))
        why = problem->description;
    if (!why.isEmpty())
        WriteLog(QStringLiteral("メール設定が不完全なため、この項目のメールは送信できません::") +
                 why);
}

void Form1::CMD_SET_Click() {
    renewDateChoices();
    ScheduleList rows(LVW1);
    if (editing()) {
        int p = rows.count();
        while (p > 0 && rows.rowKey(p) != m_editedKey)
            --p;
        const quintptr key = std::exchange(m_editedKey, 0);
        endEditing();
        if (p == 0)
            return;
        TAB1->setCurrentIndex(1);
        // The old entry's cancel, postponement and warnings are not the new one's.
        m_runner->rowGoing(key);
        rows.setText(p, schedule::Column::When, chosenWhenText());
        SetItemAction(p);
        rows.setText(
            p, schedule::Column::Options,
            schedule::optionsText(CHK_SHUTDOWN[0]->isChecked(), CHK_SHUTDOWN[1]->isChecked()));
        noteIncompleteMailSettings();
        saveScheduleFile();
        return;
    }
    if (rows.count() >= schedule::kMaxEntries) {
        m_presenter->message(QStringLiteral("スケジュールは ") +
                             QString::number(schedule::kMaxEntries) +
                             QStringLiteral(" 件までです。これ以上追加できません。"));
        return;
    }
    TAB1->setCurrentIndex(1);
    rows.append(QString::number(rows.count() + 1));
    const int p = rows.count();
    rows.setText(p, schedule::Column::When, chosenWhenText());
    SetItemAction(p);
    const QString options =
        schedule::optionsText(CHK_SHUTDOWN[0]->isChecked(), CHK_SHUTDOWN[1]->isChecked());
    if (!options.isEmpty())
        rows.setText(p, schedule::Column::Options, options);
    noteIncompleteMailSettings();
    m_scheduleCleared = false;
    saveScheduleFile();
}

void Form1::SetItemAction(int position) {
    QString word;
    if (OP_SHUTDOWN[0]->isChecked())
        word = schedule::kShutdownWord;
    else if (OP_SHUTDOWN[1]->isChecked())
        word = schedule::kRebootWord;
    else if (OP_SHUTDOWN[2]->isChecked())
        word = schedule::kLogoffWord;
    else if (OP_SHUTDOWN[3]->isChecked())
        word = schedule::kSleepWord;
    else if (OP_SHUTDOWN[4]->isChecked())
        word = schedule::kHibernateWord;
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
    COM_DATE[4]->setCurrentIndex(COM_DATE[4]->findData(kCountdownStart));
}

void Form1::chooseWeekdays(unsigned weekdays) {
    weekdays &= kEveryDay;
    if (weekdays == 0)
        return;
    OP_PATTERN[1]->setChecked(true);
    int index = COM_DATE[3]->findData(weekdays);
    if (index < 0) {
        // One entry of its own for any other set, replaced by the next.
        constexpr int kOwnSet = 10;
        if (COM_DATE[3]->count() > kOwnSet)
            COM_DATE[3]->removeItem(kOwnSet);
        QString initials;
        for (int i = 0; i < 7; ++i) {
            if ((weekdays >> i & 1U) != 0)
                initials += schedule::kWeekdayInitials.at(i);
        }
        COM_DATE[3]->addItem(initials, weekdays);
        index = kOwnSet;
    }
    COM_DATE[3]->setCurrentIndex(index);
}

void Form1::CMD_WEEKDAYS_Click() {
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("曜日の選択"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* days = new QHBoxLayout;
    layout->addLayout(days);
    const unsigned current = OP_PATTERN[1]->isChecked() ? COM_DATE[3]->currentData().toUInt() : 0;
    std::array<QCheckBox*, 7> boxes{};
    for (int i = 0; i < 7; ++i) {
        boxes[i] = new QCheckBox(schedule::kWeekdayInitials.at(i));
        boxes[i]->setChecked((current >> i & 1U) != 0);
        days->addWidget(boxes[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return;
    unsigned chosen = 0;
    for (int i = 0; i < 7; ++i)
        chosen |= boxes[i]->isChecked() ? 1U << i : 0U;
    chooseWeekdays(chosen);
}

void Form1::MNU_POPUP_SELECTITEM_EDIT_Click() {
    if (const int position = m_rows->selectedPosition(); position != 0)
        showEntryInEditor(position);
}

// The entry's choices go into the editor's own controls; 設定 (now "変更") then writes
// them back over it.
void Form1::showEntryInEditor(int position) {
    using schedule::Column;
    const ScheduleList& rows = *m_rows;
    const QString action = rows.text(position, Column::Action);
    const auto entry = schedule::editorEntry(rows.text(position, Column::When), action,
                                             rows.text(position, Column::Options));
    // In the order of OP_SHUTDOWN.
    const std::array<QString, 5> words{schedule::kShutdownWord, schedule::kRebootWord,
                                       schedule::kLogoffWord, schedule::kSleepWord,
                                       schedule::kHibernateWord};
    const auto word = std::find(words.begin(), words.end(), action);
    if (!entry || word == words.end()) {
        m_presenter->message(
            QStringLiteral("この項目は手で書き換えられた形のため、編集できません。\r\n"
                           "削除して新しく設定してください。"));
        return;
    }
    renewDateChoices();
    OP_SHUTDOWN.at(static_cast<std::size_t>(word - words.begin()))->setChecked(true);
    CHK_SHUTDOWN[0]->setChecked(entry->sendMail);
    CHK_SHUTDOWN[1]->setChecked(entry->saveLog);
    // A date no longer offered shows today; the user sees it before confirming.
    COM_DATE[0]->setCurrentIndex(std::max(0, COM_DATE[0]->findText(text::dateText(entry->date))));
    COM_DATE[1]->setCurrentIndex(entry->rule.minuteOfDay / 60);
    COM_DATE[2]->setCurrentIndex(entry->rule.minuteOfDay % 60);
    if (entry->rule.weekly())
        chooseWeekdays(entry->rule.weekdays);
    else
        OP_PATTERN[0]->setChecked(true);
    m_editedKey = rows.rowKey(position);
    CMD_SET->setText(QStringLiteral("変更(&S)"));
    CMD_CANCEL_EDIT->show();
    TAB1->setCurrentIndex(0);
}

void Form1::endEditing() {
    m_editedKey = 0;
    CMD_SET->setText(QStringLiteral("設定(&S)"));
    CMD_CANCEL_EDIT->hide();
}

void Form1::CMD_CANCEL_EDIT_Click() {
    endEditing();
}

void Form1::MNU_POPUP_SELECTITEM_DELETE_Click() {
    // Nothing selected in an empty list either.
    const int position = m_rows->selectedPosition();
    if (position == 0)
        return;
    // A later row may be given the same key.
    if (m_rows->rowKey(position) == m_editedKey)
        endEditing();
    schedule::RemoveScheduleItem(*m_rows, position);
    m_scheduleCleared = m_rows->count() == 0;
    saveScheduleFile();
}

void Form1::MNU_POPUP_SELECTITEM_CANCEL_Click() {
    m_runner->cancelAt(m_rows->selectedPosition());
}

void Form1::MNU_POPUP_SELECTITEM_POSTPONE_Click() {
    m_runner->postponeAt(m_rows->selectedPosition());
}

// ---- the scheduler tick ----

void Form1::TIM_MAIN_Timer() {
    // An open box does not stop it: a scheduled action must not wait for somebody to come
    // and answer a question.
    m_runner->tick();
    // Beside the tick, and cheap: the dates follow midnight, and a past entry greys out once
    // its minute is over.
    renewDateChoices();
    const qint64 minute = text::WallMinute::of(m_clock.now()).count();
    if (std::exchange(m_shownMinute, minute) != minute)
        LVW1->viewport()->update();
}

// ---- power commands ----

void Form1::runPowerCommand(const QString& question, const QString& title,
                            const QString& actionWord) {
    if (!m_presenter->askYesNo(title, question))
        return;
    const auto action = schedule::actionFor(actionWord);
    WriteLog(action->line);
    if (const power::Outcome outcome = win32::DoExitWindows(m_power, power::codeOf(action->action));
        !outcome.done())
        WriteLog(schedule::refusalLine(*action, power::reasonText(outcome.reason)));
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

void Form1::MNU_FILE_SLEEP_Click() {
    runPowerCommand(QStringLiteral("スリープを実行します。よろしいですか？"),
                    QStringLiteral("スリープ確認"), schedule::kSleepWord);
}

void Form1::MNU_FILE_HIBERNATE_Click() {
    runPowerCommand(QStringLiteral("休止状態を実行します。よろしいですか？"),
                    QStringLiteral("休止状態確認"), schedule::kHibernateWord);
}

// ---- notification mail ----

void Form1::setMailOptions(mail::SendOptions options, std::shared_ptr<mail::SecretStore> secrets) {
    m_secrets = std::move(secrets);
    m_mailOptions = std::move(options);
    m_mailOptions.secrets = m_secrets.get();
}

void Form1::SendNotificationMail() {
    sendMail(false);
}

void Form1::sendNotDoneMail(const QString& firstLine) {
    sendMail(false, firstLine);
}

// Only the test button has someone to ask for a missing password; a scheduled send logs it.
void Form1::sendMail(bool personAtScreen, const QString& notDone) {
    mail::SendOptions options = m_mailOptions;
    if (personAtScreen)
        options.askPassword = [this](const QString& user, const QString& host) {
            return askMailPassword(this, user, host);
        };
    mail::Message message;
    message.server = mailText(notify::MailField::Server);
    message.to = mailText(notify::MailField::To);
    message.from = mailText(notify::MailField::From);
    message.subject = mailText(notify::MailField::Subject);
    message.body = mailText(notify::MailField::Body);
    if (!notDone.isEmpty()) {
        message.subject = QStringLiteral("【未実行】") + message.subject;
        message.body = notDone + QStringLiteral("\n\n") + message.body;
    }
    // A scheduled mail waits behind the test button's password box, but not past its
    // minute: the box is then closed as if cancelled.
    const bool queued = !personAtScreen && m_mailSender.busy();
    if (queued)
        QTimer::singleShot(std::chrono::seconds(20), this, [] {
            if (QWidget* box = QApplication::activeModalWidget();
                box && box->objectName() == QStringLiteral("DLG_MAIL_PASSWORD"))
                box->close();
        });
    struct Waiting {
        bool done = false;
        QEventLoop* loop = nullptr;
    };
    const auto waiting = std::make_shared<Waiting>();
    m_mailSender.send(message, m_clock.now(), options,
                      [this, personAtScreen, waiting](const auto& outcome) {
                          WriteLog(mail::logMessage(outcome));
                          if (personAtScreen)
                              CMD_TEST_SEND->setEnabled(true);
                          waiting->done = true;
                          if (waiting->loop != nullptr)
                              waiting->loop->quit();
                      });
    // The tick saves the log and asks for the action only after its mail: a queued one is
    // waited for, as a send that went out at once would have been.
    if (queued && !waiting->done) {
        QEventLoop loop;
        waiting->loop = &loop;
        loop.exec();
        waiting->loop = nullptr;
    }
}

void Form1::CMD_TEST_SEND_Click() {
    CMD_TEST_SEND->setEnabled(false);
    sendMail(true); // enables the button again when its mail has gone or failed
}

// ---- version box ----

void Form1::MNU_HELP_SHOW_VERSION_Click() {
    m_presenter->information(app::versionBoxText());
}

} // namespace tovik::ui
