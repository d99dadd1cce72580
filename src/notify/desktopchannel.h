// The desktop's own notifications as a warning channel, where the platform has them.
#pragma once

#include "notify/warningchannel.h"

#include <memory>

namespace tovik::notify {

// The freedesktop notification service on the session bus (Linux); nullptr where there is
// no session bus, and always on Windows, where the program's own window warns.
std::unique_ptr<WarningChannel> desktopNotificationChannel();

// The text as a one-off desktop notification where a service runs, taken within half a
// second or given up; nothing elsewhere.
void showDesktopNotice(const QString& text);

} // namespace tovik::notify
