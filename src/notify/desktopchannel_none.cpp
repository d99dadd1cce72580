#include "notify/desktopchannel.h"

namespace tovik::notify {

std::unique_ptr<WarningChannel> desktopNotificationChannel() {
    return nullptr;
}

} // namespace tovik::notify
