// Start at login on freedesktop desktops: the XDG autostart folder of the user.
#include "app/loginstart.h"

#include <QDir>

namespace tovik::app {

std::unique_ptr<LoginStart> platformLoginStart() {
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        home = QDir::homePath();
    return std::make_unique<XdgAutostart>(
        xdgConfigHome(qEnvironmentVariable("XDG_CONFIG_HOME"), home));
}

} // namespace tovik::app
