#include "trayicon.h"

#include "app/versioninfo.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace tovik::ui {

TrayIcon::TrayIcon(QWidget& window, bool loginStartEnabled)
    : m_window(window), m_menu(std::make_unique<QMenu>()) {
    const auto item = [this](const char* name, const QString& text) {
        QAction* action = m_menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    connect(item("TRAY_SHOW", QStringLiteral("ウィンドウを表示")), &QAction::triggered, this,
            &TrayIcon::showWindowRequested);
    connect(item("TRAY_CANCEL_NEXT", QStringLiteral("次回の実行を中止")), &QAction::triggered, this,
            &TrayIcon::cancelNextRequested);
    connect(item("TRAY_POSTPONE_NEXT", QStringLiteral("15分延期")), &QAction::triggered, this,
            &TrayIcon::postponeNextRequested);
    m_loginStart = item("TRAY_LOGIN_START", QStringLiteral("ログイン時に起動"));
    m_loginStart->setCheckable(true);
    m_loginStart->setChecked(loginStartEnabled);
    connect(m_loginStart, &QAction::toggled, this, &TrayIcon::loginStartToggled);
    m_menu->addSeparator();
    connect(item("TRAY_EXIT", QStringLiteral("終了")), &QAction::triggered, this,
            &TrayIcon::quitRequested);

    m_tray = std::make_unique<QSystemTrayIcon>(m_window.windowIcon());
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    emit showWindowRequested();
            });
    m_window.installEventFilter(this);
    m_tray->show();
}

TrayIcon::~TrayIcon() {
    m_window.removeEventFilter(this);
}

void TrayIcon::setNextRun(const QString& text) {
    m_tray->setToolTip(app::kApplicationTitle + u'\n' + text);
}

void TrayIcon::setLoginStartChecked(bool on) {
    const QSignalBlocker blocker(m_loginStart);
    m_loginStart->setChecked(on);
}

void TrayIcon::showMessage(const QString& text) {
    m_tray->showMessage(app::kApplicationTitle, text);
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_window)
        return false;
    if (event->type() == QEvent::Close && m_window.isHidden()) {
        // Closing a hidden window does not end the program by itself; the window always
        // takes the close (and saves), so the program ends once it has.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    }
    if (event->type() == QEvent::WindowStateChange && QSystemTrayIcon::isSystemTrayAvailable() &&
        m_window.isMinimized()) {
        // Minimised, the program waits in the tray.
        QTimer::singleShot(0, &m_window, &QWidget::hide);
    }
    return false;
}

} // namespace tovik::ui
