// Tovik: shuts down, restarts or logs off at the times the user scheduled.
#include "app/appfolder.h"
#include "notify/mail/keychainstore.h"
#include "power/platformbackend.h"
#include "text/clock.h"
#include "ui/startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The real world: the system's clock, the platform's power requests, the folder of the
    // executable, the desktop's secret store for mail passwords.
    const tovik::text::SystemClock clock;
    tovik::power::PlatformBackend power;
    return tovik::ui::runTovik(app,
                               {clock, power, tovik::app::AppPaths(tovik::app::applicationFolder()),
                                std::make_shared<tovik::mail::KeychainStore>()});
}
