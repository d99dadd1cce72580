// Our own warning window: small, always on top, never modal, never takes the keyboard focus.
#pragma once

#include "notify/warningchannel.h"

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QTimer;

namespace tovik::ui {

class WarningWindow final : public QWidget, public notify::WarningChannel {
    Q_OBJECT

public:
    // clock: the time the countdown counts from.
    explicit WarningWindow(std::function<QDateTime()> clock);

    void warn(const notify::RunWarning& warning) override;
    void withdraw(quintptr key) override;

    QLabel* textLabel() const { return m_text; }
    QLabel* countdownLabel() const { return m_countdown; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* closeButton() const { return m_close; }

private:
    void updateCountdown();

    std::function<QDateTime()> m_clock;
    notify::RunWarning m_warning;
    QLabel* m_text = nullptr;
    QLabel* m_countdown = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_close = nullptr;
    QTimer* m_timer = nullptr;
};

} // namespace tovik::ui
