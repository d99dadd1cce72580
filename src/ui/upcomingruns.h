// What comes next and a way to stop it: the plan of coming runs, warnings before each, the
// cancels of this run, the tray icon, start at login and the list's row tooltips.
#pragma once

#include "app/loginstart.h"
#include "notify/warningchannel.h"
#include "scheduler/plan.h"
#include "scheduler/runcancels.h"
#include "scheduler/warnings.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace tovik::ui {

class Form1;

class UpcomingRuns final : public QObject {
    Q_OBJECT

public:
    // The tick consults the cancels from now on; nothing else happens before start().
    // Lives no longer than the window.
    explicit UpcomingRuns(Form1& form);
    ~UpcomingRuns() override;

    // Warnings go to the channel; the tray is made only when withTray is set; the login
    // item writes through loginStart, only when the user ticks it.
    void start(std::unique_ptr<notify::WarningChannel> channel,
               std::unique_ptr<app::LoginStart> loginStart, bool withTray);
    // What main() uses: desktop notifications where a service runs, else our own window;
    // the tray where the desktop has one; the platform's start at login. Waits for the
    // window's first paint, so start-up is not slowed.
    void startOnThisDesktopAfterFirstPaint();

    // Rebuilds the plan from the list and the clock and gives due warnings; the list's
    // changes and the clock's minutes call it.
    void refreshPlan();
    // Gives the warnings that are due now (a timer calls it every second).
    void check();

    // "今回は中止": the entry with this row key skips that one due minute.
    void cancelRun(quintptr key, qint64 minute);
    // The selected entry's next run (the list's pop-up item).
    void cancelSelected();
    // The first planned run with a power action (the tray's item).
    void cancelNext();

    const std::vector<scheduler::PlannedRun>& plan() const { return m_plan; }
    const scheduler::RunCancels& cancels() const { return m_cancels; }
    // "次回: 2026/12/07 22:00 シャットダウン", or "予定なし".
    QString nextRunText() const;

    QSystemTrayIcon* tray() const { return m_tray.get(); }
    QAction* popupCancelAction() const { return m_popupCancel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const scheduler::PlannedRun* nextPowerRun() const;
    // The selected entry's key and next due minute, if it has one.
    std::optional<std::pair<quintptr, qint64>> selectedNextRun() const;
    void makeTray();
    void setLoginStart(bool on);
    void showWindow();

    Form1& m_form;
    std::unique_ptr<notify::WarningChannel> m_channel;
    std::unique_ptr<app::LoginStart> m_loginStart;
    scheduler::RunCancels m_cancels;
    scheduler::WarningSchedule m_warnings;
    std::vector<scheduler::PlannedRun> m_plan;
    qint64 m_plannedAt = -1; // the wall minute the plan was made in
    QTimer m_clockTimer;
    QTimer m_listChanged;
    QAction* m_popupCancel = nullptr;
    std::unique_ptr<QMenu> m_trayMenu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    QAction* m_trayLoginStart = nullptr;
    bool m_started = false;
    bool m_planStale = false;
    bool m_waitingForPaint = false;
};

} // namespace tovik::ui
