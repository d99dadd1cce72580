#include "desktop.h"

#include "form1.h"
#include "scheduler/runner.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <utility>

namespace tovik::ui {

namespace {

void setLoginStart(Desktop& desktop, Form1& form, bool on) {
    app::LoginStart& loginStart = *desktop.loginStart;
    const QString error =
        on ? loginStart.enable(QCoreApplication::applicationFilePath()) : loginStart.disable();
    if (!error.isEmpty()) {
        form.WriteLog(error);
        desktop.tray->setLoginStartChecked(loginStart.isEnabled());
        return;
    }
    form.WriteLog(on ? QStringLiteral("ログイン時に起動するように設定しました")
                     : QStringLiteral("ログイン時の起動を解除しました"));
}

void showWindow(Form1& form) {
    form.showNormal();
    form.raise();
    form.activateWindow();
}

class FirstPaint final : public QObject {
public:
    FirstPaint(QWidget& window, std::function<void()> then)
        : QObject(&window), m_window(window), m_then(std::move(then)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &m_window) {
            qApp->removeEventFilter(this);
            // After the frame is on the screen.
            QTimer::singleShot(0, this, [this] {
                m_then();
                deleteLater();
            });
        }
        return false;
    }

private:
    QWidget& m_window;
    std::function<void()> m_then;
};

// Once, as the window's close begins; a close is never refused.
class OnClose final : public QObject {
public:
    OnClose(QWidget& window, std::function<void()> then)
        : QObject(&window), m_then(std::move(then)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close && m_then)
            std::exchange(m_then, nullptr)();
        return false;
    }

private:
    std::function<void()> m_then;
};

} // namespace

void connectDesktop(Desktop& desktop, Form1& form, std::unique_ptr<notify::WarningChannel> channel,
                    std::unique_ptr<app::LoginStart> loginStart, bool withTray) {
    scheduler::Runner& runner = form.runner();
    desktop.loginStart = std::move(loginStart);
    // The runs a close ends are not ended without a word.
    new OnClose(form, [&runner, words = channel.get()] {
        if (words != nullptr && runner.nextPowerRun())
            words->tell(QStringLiteral("予定が残っています。Tovik を終了したため実行されません"));
    });
    runner.start(std::move(channel));
    if (!withTray)
        return;
    desktop.tray = std::make_unique<TrayIcon>(form, desktop.loginStart->isEnabled());
    TrayIcon& tray = *desktop.tray;
    QObject::connect(&tray, &TrayIcon::showWindowRequested, &form, [&form] { showWindow(form); });
    QObject::connect(&tray, &TrayIcon::cancelNextRequested, &runner,
                     &scheduler::Runner::cancelNext);
    QObject::connect(&tray, &TrayIcon::postponeNextRequested, &runner,
                     &scheduler::Runner::postponeNext);
    QObject::connect(&tray, &TrayIcon::loginStartToggled, &form,
                     [&desktop, &form](bool on) { setLoginStart(desktop, form, on); });
    QObject::connect(&tray, &TrayIcon::quitRequested, &form, &QWidget::close);
    QObject::connect(&runner, &scheduler::Runner::planChanged, &tray,
                     [&tray, &runner] { tray.setNextRun(runner.nextRunText()); });
    QObject::connect(&runner, &scheduler::Runner::notice, &tray, &TrayIcon::showMessage);
    tray.setNextRun(runner.nextRunText());
}

void afterFirstPaint(QWidget& window, std::function<void()> then) {
    qApp->installEventFilter(new FirstPaint(window, std::move(then)));
}

} // namespace tovik::ui
