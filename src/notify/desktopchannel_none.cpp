#include "notify/desktopchannel.h"

namespace tovik::notify {

std::unique_ptr<WarningChannel> desktopNotificationChannel() {
    return nullptr;
}

void showDesktopNotice(const QString& text) {
    static_cast<void>(text);
}

} // namespace tovik::notify
