// What Tovik adds to the desktop once its window is on the screen: the warning channel,
// the tray icon and start at login, wired to the window's runner.
#pragma once

#include "app/loginstart.h"
#include "notify/warningchannel.h"
#include "ui/trayicon.h"

#include <functional>
#include <memory>

class QWidget;

namespace tovik::ui {

class Form1;

struct Desktop {
    std::unique_ptr<app::LoginStart> loginStart;
    std::unique_ptr<TrayIcon> tray;
};

// Starts the runner's warnings on channel and, when withTray, shows the tray over the
// window and connects its choices.
void connectDesktop(Desktop& desktop, Form1& form, std::unique_ptr<notify::WarningChannel> channel,
                    std::unique_ptr<app::LoginStart> loginStart, bool withTray);

// Calls then once, at the window's first paint: what it starts must not delay the first
// frame.
void afterFirstPaint(QWidget& window, std::function<void()> then);

} // namespace tovik::ui
