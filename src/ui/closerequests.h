// Closes the window the normal way when the session ends or a termination signal comes.
#pragma once

class QGuiApplication;

namespace tovik::app {
class CloseSignals;
}

namespace tovik::ui {

class Form1;

// The schedule and the mail settings are then saved as on any close, also when the request
// comes during start-up.
void closeOnRequests(QGuiApplication& app, app::CloseSignals& closeSignals, Form1& form);

} // namespace tovik::ui
