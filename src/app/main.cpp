// Tovik: shuts down, restarts or logs off at the times the user scheduled.
#include "app/appfolder.h"
#include "power/platformbackend.h"
#include "text/clock.h"
#include "ui/startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The real world: the system's clock, the platform's power requests, the folder of the
    // executable.
    const tovik::text::SystemClock clock;
    tovik::power::PlatformBackend power;
    return tovik::ui::runTovik(
        app, {clock, power, tovik::app::AppPaths(tovik::app::applicationFolder())});
}
