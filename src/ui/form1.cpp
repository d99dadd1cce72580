#include "form1.h"

#include <QCloseEvent>

namespace tovik::ui {

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    buildUi();
    connectHandlers();
}

Form1::~Form1() = default;

void Form1::connectHandlers() {}
void Form1::setPresenter(std::shared_ptr<Presenter> presenter) { m_presenter = std::move(presenter); }
QString Form1::mailText(int) const { return {}; }
void Form1::setMailText(int, const QString&) {}
void Form1::Form_Load() {}
void Form1::CMD_EXIT_Click() {}
void Form1::MNU_FILE_EXIT_Click() {}
void Form1::CMD_SET_Click() {}
void Form1::CMD_DEFAULT_Click() {}
void Form1::MNU_POPUP_SELECTITEM_DELETE_Click() {}
void Form1::TIM_MAIN_Timer() {}
void Form1::MNU_FILE_SHUTSOWN_Click() {}
void Form1::MNU_FILE_REBOOT_Click() {}
void Form1::MNU_FILE_LOGOFF_Click() {}
void Form1::CMD_TEST_SEND_Click() {}
void Form1::MNU_HELP_SHOW_VERSION_Click() {}
void Form1::LVW1_MouseUp(int, int, int, int) {}
void Form1::WriteLog(const QString&) {}
void Form1::SendNotificationMail() {}
void Form1::closeEvent(QCloseEvent* event) { event->accept(); }
bool Form1::eventFilter(QObject* watched, QEvent* event) {
    return QMainWindow::eventFilter(watched, event);
}
void Form1::Form_Unload(int&) {}

} // namespace tovik::ui
