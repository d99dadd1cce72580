// The tray icon: shows what comes next and offers the menu; it decides nothing and only
// says what the user chose.
#pragma once

#include <QObject>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace tovik::ui {

class TrayIcon final : public QObject {
    Q_OBJECT

public:
    // window: the window it shows and hides; a minimised window waits in the tray.
    TrayIcon(QWidget& window, bool loginStartEnabled);
    ~TrayIcon() override;

    // "Tovik" and the next run, for the tooltip.
    void setNextRun(const QString& text);
    void setLoginStartChecked(bool on);
    // A balloon or the desktop's notification.
    void showMessage(const QString& text);

    QSystemTrayIcon* icon() const { return m_tray.get(); }
    QMenu* menu() const { return m_menu.get(); }

signals:
    void showWindowRequested();
    void cancelNextRequested();
    void postponeNextRequested();
    void loginStartToggled(bool on);
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    QAction* m_loginStart = nullptr;
};

} // namespace tovik::ui
