// Form1: the one window. Its controls are the program's data (schedule, mail settings, log).
#pragma once

#include "app/appfolder.h"
#include "notify/mail/mail.h"
#include "notify/mail/sender.h"
#include "notify/mailsettings.h"
#include "scheduler/tick.h"

#include <QDate>
#include <QMainWindow>
#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeWidget;

namespace tovik::power {
class PowerBackend;
}
namespace tovik::text {
class Clock;
struct FileError;
} // namespace tovik::text
namespace tovik::scheduler {
class Runner;
}

namespace tovik::ui {

class Presenter;
class ScheduleList;

// What the window works with from the outside world; main() wires the real ones, and they
// outlive the window.
struct Services {
    const text::Clock& clock;
    power::PowerBackend& power;
    app::AppPaths paths;
    // Where mail passwords are kept; without one a send that must log in fails and says so.
    std::shared_ptr<mail::SecretStore> secrets = {};
};

class Form1 final : public QMainWindow {
    Q_OBJECT

public:
    // Creates every control with its initial value; Form_Load is run by the caller.
    explicit Form1(const Services& services, QWidget* parent = nullptr);
    ~Form1() override;

    // The clock every reading of date and time in the window goes through.
    const text::Clock& clock() const { return m_clock; }

    // Message boxes go through the presenter so tests can answer them.
    void setPresenter(std::shared_ptr<Presenter> presenter);
    Presenter& presenter() const { return *m_presenter; }

    // What each mail send works with: time-outs, trusted CAs, and where passwords live (the
    // desktop's keyring unless another store is given). options.secrets is set from secrets.
    void setMailOptions(mail::SendOptions options, std::shared_ptr<mail::SecretStore> secrets);

    // Decoration under the menu bar.
    QFrame* Line1 = nullptr;
    QFrame* Line2 = nullptr;

    QTabWidget* TAB1 = nullptr;

    // Tab 0: the schedule editor.
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QGroupBox* Frame4 = nullptr;
    std::array<QRadioButton*, 5> OP_SHUTDOWN{};
    std::array<QCheckBox*, 2> CHK_SHUTDOWN{};
    // Label1(4) "分後" and COM_DATE(4), the minutes of the countdown OP_PATTERN(2).
    std::array<QLabel*, 5> Label1{};
    std::array<QComboBox*, 5> COM_DATE{};
    std::array<QRadioButton*, 3> OP_PATTERN{};
    // Any set of weekdays for COM_DATE(3).
    QToolButton* CMD_WEEKDAYS = nullptr;
    QPushButton* CMD_DEFAULT = nullptr;
    // Shown while an entry is being edited: leaves it as it was.
    QPushButton* CMD_CANCEL_EDIT = nullptr;
    QPushButton* CMD_SET = nullptr;
    QPushButton* CMD_EXIT = nullptr;

    // Tab 1: the schedule list and the scheduler's timer.
    QTreeWidget* LVW1 = nullptr;
    QTimer* TIM_MAIN = nullptr;

    // Tab 2: mail settings. TXT_MAIL(0)..(3) are one-line boxes, TXT_MAIL(4) the body.
    std::array<QLabel*, 5> LB_LABEL1{};
    std::array<QLineEdit*, 4> TXT_MAIL_LINE{};
    QPlainTextEdit* TXT_MAIL_BODY = nullptr;
    QPushButton* CMD_TEST_SEND = nullptr;

    // Tab 3: the activity log.
    QPlainTextEdit* TXT_LOG = nullptr;

    // Status strip below the tabs.
    QFrame* PIC_STB = nullptr;
    QLabel* LB_STATUS = nullptr;

    // Menus.
    QMenu* MNU_FILE = nullptr;
    QAction* MNU_FILE_SHUTSOWN = nullptr;
    QAction* MNU_FILE_REBOOT = nullptr;
    QAction* MNU_FILE_LOGOFF = nullptr;
    QAction* MNU_FILE_SLEEP = nullptr;
    QAction* MNU_FILE_HIBERNATE = nullptr;
    QAction* vbline1 = nullptr;
    QAction* MNU_FILE_EXIT = nullptr;
    QMenu* MNU_HELP = nullptr;
    QAction* MNU_HELP_SHOW_VERSION = nullptr;
    QMenu* MNU_POPUP = nullptr;
    QAction* MNU_POPUP_SELECTITEM_DELETE = nullptr;
    QAction* MNU_POPUP_SELECTITEM_EDIT = nullptr;
    // This run of the selected entry: "今回の実行を中止", "15分延期".
    QAction* MNU_POPUP_SELECTITEM_CANCEL = nullptr;
    QAction* MNU_POPUP_SELECTITEM_POSTPONE = nullptr;
    QAction* vbline2 = nullptr;

    // A close asked for from outside (a signal, the session's end): an open box is
    // dismissed first, and during start-up the close waits until the files are loaded. A
    // save that fails then is reported without a box, so the program still ends at once.
    void requestClose();
    // Another start in the same folder asked for this window.
    void bringToFront();

    // TXT_MAIL(i) as text, whichever kind of box it is.
    QString mailText(notify::MailField field) const;
    void setMailText(notify::MailField field, const QString& text);

    // What decides and carries out the runs; TIM_MAIN hands it each tick.
    scheduler::Runner& runner() const { return *m_runner; }

public slots:
    void Form_Load();
    void CMD_EXIT_Click();
    void MNU_FILE_EXIT_Click();
    void CMD_SET_Click();
    void CMD_DEFAULT_Click();
    void MNU_POPUP_SELECTITEM_DELETE_Click();
    void MNU_POPUP_SELECTITEM_EDIT_Click();
    void CMD_CANCEL_EDIT_Click();
    void CMD_WEEKDAYS_Click();
    void MNU_POPUP_SELECTITEM_CANCEL_Click();
    void MNU_POPUP_SELECTITEM_POSTPONE_Click();
    void TIM_MAIN_Timer();
    void MNU_FILE_SHUTSOWN_Click();
    void MNU_FILE_REBOOT_Click();
    void MNU_FILE_LOGOFF_Click();
    void MNU_FILE_SLEEP_Click();
    void MNU_FILE_HIBERNATE_Click();
    void CMD_TEST_SEND_Click();
    void MNU_HELP_SHOW_VERSION_Click();

public:
    // Raised on a mouse-button release over the list (1 left, 2 right, 4 middle).
    void LVW1_MouseUp(int button, int shift, int x, int y);
    void WriteLog(const QString& message);
    // Puts this set of weekdays (bit 0 Sunday) into COM_DATE(3): one of its named entries,
    // or an entry of its own for any other set. An empty set changes nothing.
    void chooseWeekdays(unsigned weekdays);
    // Whether 設定 now replaces an entry rather than adding one.
    bool editing() const { return m_editedKey != 0; }
    void SendNotificationMail();
    // The second mail of a scheduled run that did not happen: "【未実行】" and why.
    void sendNotDoneMail(const QString& firstLine);
    // Appends the log to the day's file in the log folder.
    text::FileError saveLogFile() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();         // controls, captions, initial values, geometry (form1_layout.cpp)
    void connectHandlers(); // event wiring (form1.cpp)
    void Form_Unload(int& cancel);
    // The two settings files as a close would write them now; while the files are still
    // being loaded the save waits for the load, which would otherwise lose the unread rest.
    void saveScheduleFile();
    void saveMailSettingsFile();
    void SetItemAction(int position);
    // COM_DATE(0) lists today and the ten days after, keeping the chosen date where it can.
    void renewDateChoices(bool first = false);
    // The when-text of the editor's choices, read at the press.
    QString chosenWhenText() const;
    void showEntryInEditor(int position);
    void endEditing();
    void noteIncompleteMailSettings();
    void runPowerCommand(const QString& question, const QString& title, const QString& actionWord);

    const text::Clock& m_clock;
    power::PowerBackend& m_power;
    const app::AppPaths m_paths;
    void sendMail(bool personAtScreen, const QString& notDone = {});

    std::shared_ptr<Presenter> m_presenter;
    mail::SendOptions m_mailOptions;
    mail::Sender m_mailSender;
    std::shared_ptr<mail::SecretStore> m_secrets;
    bool m_unloaded = false;
    // The close came from a signal or the session's end: nobody may be there to answer a box.
    bool m_closedBySystem = false;
    bool m_loading = false;
    bool m_closePending = false;
    bool m_scheduleBackupPending = false;
    bool m_mailBackupPending = false;
    bool m_scheduleSavePending = false;
    bool m_mailSavePending = false;
    // The user deleted the last entry: the file must say so rather than keep the old list.
    bool m_scheduleCleared = false;
    QDate m_dateChoicesDay;
    qint64 m_shownMinute = -1;
    // The row being edited (its ScheduleList key); 0 while adding.
    quintptr m_editedKey = 0;
    std::unique_ptr<ScheduleList> m_rows;
    std::unique_ptr<scheduler::TickActions> m_tickActions;
    std::unique_ptr<scheduler::Runner> m_runner;
};

} // namespace tovik::ui
