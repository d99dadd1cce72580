// Our own warning window: small, always on top, never modal, never takes the keyboard focus.
#pragma once

#include "notify/warningchannel.h"
#include "text/clock.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

namespace tovik::ui {

class WarningWindow final : public QWidget, public notify::WarningChannel {
    Q_OBJECT

public:
    // clock: the time the countdown counts from; it outlives the window.
    explicit WarningWindow(const text::Clock& clock);

    void warn(const notify::RunWarning& warning) override;
    void withdraw(quintptr key) override;

    QLabel* textLabel() const { return m_text; }
    QLabel* countdownLabel() const { return m_countdown; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* postponeButton() const { return m_postpone; }
    QPushButton* closeButton() const { return m_close; }

private:
    void updateCountdown();

    const text::Clock& m_clock;
    notify::RunWarning m_warning;
    QLabel* m_text = nullptr;
    QLabel* m_countdown = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_postpone = nullptr;
    QPushButton* m_close = nullptr;
    QTimer* m_timer = nullptr;
};

} // namespace tovik::ui
