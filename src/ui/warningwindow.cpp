#include "warningwindow.h"

#include "app/versioninfo.h"
#include "text/dateforms.h"

#include "presenter.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tovik::ui {

WarningWindow::WarningWindow(const text::Clock& clock)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      m_clock(clock) {
    setObjectName(QStringLiteral("WarningWindow"));
    setWindowTitle(app::kApplicationTitle + QStringLiteral(" - 実行の予告"));
    // The user is typing somewhere else: the warning must not take the keys.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // Closing it, or it alone being left, never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("WarningText"));
    m_text->setWordWrap(true);
    m_countdown = new QLabel(this);
    m_countdown->setObjectName(QStringLiteral("WarningCountdown"));
    m_cancel = new QPushButton(QStringLiteral("今回は中止"), this);
    m_cancel->setObjectName(QStringLiteral("WarningCancel"));
    m_postpone = new QPushButton(QStringLiteral("15分延期"), this);
    m_postpone->setObjectName(QStringLiteral("WarningPostpone"));
    m_close = new QPushButton(QStringLiteral("閉じる"), this);
    m_close->setObjectName(QStringLiteral("WarningClose"));
    for (QPushButton* button : {m_cancel, m_postpone, m_close})
        button->setFocusPolicy(Qt::NoFocus);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_postpone);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_countdown);
    layout->addLayout(buttons);
    setFixedWidth(420);

    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &WarningWindow::updateCountdown);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        hide();
        m_timer->stop();
        cancelRequested(m_warning.key, m_warning.minute);
    });
    connect(m_postpone, &QPushButton::clicked, this, [this] {
        hide();
        m_timer->stop();
        postponeRequested(m_warning.key, m_warning.minute);
    });
    connect(m_close, &QPushButton::clicked, this, [this] {
        hide();
        m_timer->stop();
    });
}

void WarningWindow::warn(const notify::RunWarning& warning) {
    m_warning = warning;
    m_text->setText(warning.text);
    m_postpone->setVisible(warning.canPostpone);
    updateCountdown();
    adjustSize();
    // Bottom right, where notifications usually appear.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - frameGeometry().width() - 16,
             area.bottom() - frameGeometry().height() - 16);
    }
    show();
    raise();
    m_timer->start();
}

void WarningWindow::withdraw(quintptr key) {
    if (m_warning.key != key)
        return;
    m_timer->stop();
    hide();
}

void WarningWindow::updateCountdown() {
    const qint64 left = m_clock.now().secsTo(m_warning.start);
    if (left > 0) {
        m_countdown->setText(
            QStringLiteral("実行まで あと %1:%2")
                .arg(QString::number(left / 60), text::twoDigits(static_cast<int>(left % 60))));
        return;
    }
    m_countdown->setText(QStringLiteral("実行の時刻になりました"));
    // Once the minute is over the warning has nothing left to say.
    if (left <= -60) {
        m_timer->stop();
        hide();
    }
}

} // namespace tovik::ui
