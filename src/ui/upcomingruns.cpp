#include "upcomingruns.h"

#include "form1.h"
#include "notify/desktopchannel.h"
#include "schedule/entrydescription.h"
#include "schedule/entrytext.h"
#include "text/clock.h"
#include "views.h"
#include "warningwindow.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QToolTip>
#include <QTreeWidget>

namespace tovik::ui {

namespace {

// The position of the row with this key, or 0 once it is gone.
int positionOf(const ScheduleList& rows, quintptr key) {
    for (int i = 1; i <= rows.count(); ++i) {
        if (rows.rowKey(i) == key)
            return i;
    }
    return 0;
}

} // namespace

UpcomingRuns::UpcomingRuns(Form1& form) : m_form(form) {
    m_form.setRunCancels(&m_cancels);
}

UpcomingRuns::~UpcomingRuns() {
    m_form.setRunCancels(nullptr);
    delete m_popupCancel;
}

void UpcomingRuns::startOnThisDesktopAfterFirstPaint() {
    m_waitingForPaint = true;
    qApp->installEventFilter(this);
}

void UpcomingRuns::start(std::unique_ptr<notify::WarningChannel> channel,
                         std::unique_ptr<app::LoginStart> loginStart, bool withTray) {
    if (m_started)
        return;
    m_started = true;
    m_channel = std::move(channel);
    m_channel->setCancelHandler([this](quintptr key, qint64 minute) { cancelRun(key, minute); });
    m_loginStart = std::move(loginStart);

    m_popupCancel = new QAction(QStringLiteral("今回の実行を中止"), m_form.MNU_POPUP);
    m_popupCancel->setObjectName(QStringLiteral("MNU_POPUP_SELECTITEM_CANCEL"));
    m_form.MNU_POPUP->insertAction(m_form.vbline2, m_popupCancel);
    connect(m_popupCancel, &QAction::triggered, this, &UpcomingRuns::cancelSelected);
    connect(m_form.MNU_POPUP, &QMenu::aboutToShow, this,
            [this] { m_popupCancel->setEnabled(selectedNextRun().has_value()); });

    m_form.LVW1->viewport()->installEventFilter(this);
    m_form.installEventFilter(this);

    // A list being loaded changes row by row: the plan follows at most ten times a second.
    m_listChanged.setSingleShot(true);
    m_listChanged.setInterval(100);
    connect(&m_listChanged, &QTimer::timeout, this, &UpcomingRuns::refreshPlan);
    const auto changed = [this] {
        m_planStale = true;
        if (!m_listChanged.isActive())
            m_listChanged.start();
    };
    QAbstractItemModel* model = m_form.LVW1->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model, &QAbstractItemModel::dataChanged, this, changed);
    connect(model, &QAbstractItemModel::modelReset, this, changed);
    // A deleted row's cancel must not pass to a later row that gets the same key.
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (parent.isValid())
                    return;
                const ScheduleList rows(m_form.LVW1);
                for (int i = first; i <= last; ++i) {
                    const quintptr key = rows.rowKey(i + 1);
                    m_cancels.forget(key);
                    m_warnings.forget(key);
                    m_channel->withdraw(key);
                }
            });

    if (withTray)
        makeTray();

    m_clockTimer.setInterval(1000);
    connect(&m_clockTimer, &QTimer::timeout, this, &UpcomingRuns::check);
    m_clockTimer.start();
    refreshPlan();
}

void UpcomingRuns::refreshPlan() {
    if (!m_started)
        return;
    const QDateTime now = m_form.clock().now();
    m_planStale = false;
    m_plannedAt = scheduler::wallMinute(now);
    m_cancels.dropBefore(m_plannedAt);
    m_plan = scheduler::planRuns(ScheduleList(m_form.LVW1), now, m_cancels);
    if (m_tray)
        m_tray->setToolTip(nextRunText());
    check();
}

void UpcomingRuns::check() {
    if (!m_started)
        return;
    const QDateTime now = m_form.clock().now();
    // Each new minute moves runs that have passed out of the plan; positions in a plan
    // made before the list changed may name other entries.
    if (m_planStale || scheduler::wallMinute(now) != m_plannedAt) {
        refreshPlan();
        return;
    }
    const ScheduleList rows(m_form.LVW1);
    for (const scheduler::Warning& warning : m_warnings.take(m_plan, rows, now)) {
        m_form.WriteLog(warning.text);
        m_channel->warn({warning.run.key, warning.run.minute, warning.text,
                         scheduler::wallMinuteStart(warning.run.minute)});
    }
}

void UpcomingRuns::cancelRun(quintptr key, qint64 minute) {
    const int position = positionOf(ScheduleList(m_form.LVW1), key);
    if (position == 0 || m_cancels.contains(key, minute))
        return;
    m_cancels.add(key, minute);
    m_channel->withdraw(key);
    m_form.WriteLog(scheduler::cancelText(position));
    refreshPlan();
}

std::optional<std::pair<quintptr, qint64>> UpcomingRuns::selectedNextRun() const {
    const ScheduleList rows(m_form.LVW1);
    const int position = rows.selectedPosition();
    if (position == 0)
        return std::nullopt;
    const auto rule = schedule::parseWhenText(rows.text(position, schedule::Column::When));
    if (!rule)
        return std::nullopt;
    const quintptr key = rows.rowKey(position);
    const auto minute = scheduler::nextDueMinute(*rule, scheduler::wallMinute(m_form.clock().now()),
                                                 key, m_cancels);
    if (!minute)
        return std::nullopt;
    return std::make_pair(key, *minute);
}

void UpcomingRuns::cancelSelected() {
    if (const auto run = selectedNextRun())
        cancelRun(run->first, run->second);
}

void UpcomingRuns::cancelNext() {
    if (const scheduler::PlannedRun* run = nextPowerRun())
        cancelRun(run->key, run->minute);
}

const scheduler::PlannedRun* UpcomingRuns::nextPowerRun() const {
    const ScheduleList rows(m_form.LVW1);
    for (const scheduler::PlannedRun& run : m_plan) {
        if (run.position <= rows.count() &&
            schedule::actionFor(rows.text(run.position, schedule::Column::Action)))
            return &run;
    }
    return nullptr;
}

QString UpcomingRuns::nextRunText() const {
    const scheduler::PlannedRun* run = nextPowerRun();
    if (run == nullptr)
        return QStringLiteral("予定なし");
    return QStringLiteral("次回: ") + scheduler::wallMinuteText(run->minute) + u' ' +
           ScheduleList(m_form.LVW1).text(run->position, schedule::Column::Action);
}

void UpcomingRuns::makeTray() {
    m_trayMenu = std::make_unique<QMenu>();
    QAction* show = m_trayMenu->addAction(QStringLiteral("ウィンドウを表示"));
    show->setObjectName(QStringLiteral("TRAY_SHOW"));
    connect(show, &QAction::triggered, this, &UpcomingRuns::showWindow);
    QAction* cancel = m_trayMenu->addAction(QStringLiteral("次回の実行を中止"));
    cancel->setObjectName(QStringLiteral("TRAY_CANCEL_NEXT"));
    connect(cancel, &QAction::triggered, this, &UpcomingRuns::cancelNext);
    m_trayLoginStart = m_trayMenu->addAction(QStringLiteral("ログイン時に起動"));
    m_trayLoginStart->setObjectName(QStringLiteral("TRAY_LOGIN_START"));
    m_trayLoginStart->setCheckable(true);
    m_trayLoginStart->setChecked(m_loginStart->isEnabled());
    connect(m_trayLoginStart, &QAction::toggled, this, &UpcomingRuns::setLoginStart);
    m_trayMenu->addSeparator();
    QAction* quit = m_trayMenu->addAction(QStringLiteral("終了"));
    quit->setObjectName(QStringLiteral("TRAY_EXIT"));
    connect(quit, &QAction::triggered, &m_form, &QWidget::close);

    m_tray = std::make_unique<QSystemTrayIcon>(m_form.windowIcon());
    m_tray->setContextMenu(m_trayMenu.get());
    m_tray->setToolTip(nextRunText());
    connect(m_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    showWindow();
            });
    m_tray->show();
}

void UpcomingRuns::setLoginStart(bool on) {
    const QString error = on ? m_loginStart->enable(QCoreApplication::applicationFilePath())
                             : m_loginStart->disable();
    if (!error.isEmpty()) {
        m_form.WriteLog(error);
        const QSignalBlocker blocker(m_trayLoginStart);
        m_trayLoginStart->setChecked(m_loginStart->isEnabled());
        return;
    }
    m_form.WriteLog(on ? QStringLiteral("ログイン時に起動するように設定しました")
                       : QStringLiteral("ログイン時の起動を解除しました"));
}

void UpcomingRuns::showWindow() {
    m_form.showNormal();
    m_form.raise();
    m_form.activateWindow();
}

bool UpcomingRuns::eventFilter(QObject* watched, QEvent* event) {
    if (m_waitingForPaint) {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &m_form) {
            m_waitingForPaint = false;
            qApp->removeEventFilter(this);
            // After the frame is on the screen: the bus question may take a moment.
            QTimer::singleShot(0, this, [this] {
                std::unique_ptr<notify::WarningChannel> channel =
                    notify::desktopNotificationChannel();
                if (!channel)
                    channel =
                        std::make_unique<WarningWindow>([this] { return m_form.clock().now(); });
                start(std::move(channel), app::platformLoginStart(),
                      QSystemTrayIcon::isSystemTrayAvailable());
            });
        }
        return false;
    }
    if (watched == m_form.LVW1->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QTreeWidgetItem* item = m_form.LVW1->itemAt(help->pos());
        if (item == nullptr) {
            QToolTip::hideText();
            return true;
        }
        QToolTip::showText(help->globalPos(),
                           schedule::entryDescription(item->text(1), item->text(2), item->text(3)),
                           m_form.LVW1->viewport(), m_form.LVW1->visualItemRect(item));
        return true;
    }
    if (watched == &m_form && event->type() == QEvent::Close && m_form.isHidden()) {
        // Closing a hidden window does not end the program by itself; the window always
        // takes the close (and saves), so the program ends once it has.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    }
    if (watched == &m_form && event->type() == QEvent::WindowStateChange && m_tray &&
        QSystemTrayIcon::isSystemTrayAvailable() && m_form.isMinimized()) {
        // Minimised, the program waits in the tray.
        QTimer::singleShot(0, &m_form, &QWidget::hide);
    }
    return false;
}

} // namespace tovik::ui
