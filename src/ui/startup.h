// The program's start: one copy per folder, the window, its loading and the close requests.
// main() and the start-up benchmark both start Tovik through here.
#pragma once

#include "ui/form1.h"

#include <functional>

class QApplication;

namespace tovik::ui {

// Runs Tovik over the services until the window closes; the exit code. beforeLoad, when
// given, sees the window just before it loads its files.
int runTovik(QApplication& app, const Services& services,
             const std::function<void(Form1&)>& beforeLoad = {});

} // namespace tovik::ui
