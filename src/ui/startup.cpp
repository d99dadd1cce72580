#include "ui/startup.h"

#include "app/closesignals.h"
#include "app/loginstart.h"
#include "app/singleinstance.h"
#include "app/versioninfo.h"
#include "notify/desktopchannel.h"
#include "notify/fallbackchannel.h"
#include "ui/closerequests.h"
#include "ui/desktop.h"
#include "ui/translations.h"
#include "ui/warningwindow.h"

#include <QApplication>
#include <QSystemTrayIcon>

namespace tovik::ui {

namespace {

// Desktop notifications, with our own window for each warning they cannot show; our own
// window alone where there are none.
std::unique_ptr<notify::WarningChannel> warningChannel(const text::Clock& clock) {
    auto own = std::make_unique<WarningWindow>(clock);
    if (auto desktop = notify::desktopNotificationChannel())
        return std::make_unique<notify::FallbackChannel>(std::move(desktop), std::move(own));
    return own;
}

} // namespace

int runTovik(QApplication& app, const Services& services,
             const std::function<void(Form1&)>& beforeLoad) {
    QApplication::setApplicationName(app::kApplicationTitle);
    installJapaneseTranslations(app);

    // A second copy in the same folder would overwrite the first one's edits at close and
    // carry out every entry twice: it shows the running window instead and ends.
    app::SingleInstance instance(services.paths.folder());
    if (!instance.acquire())
        return 0;

    Form1 form(services);
    QObject::connect(&instance, &app::SingleInstance::activationRequested, &form,
                     &Form1::bringToFront);
    // A session that ends, or a termination signal, closes the window the normal way, so
    // the schedule and the mail settings are saved; also when it comes during start-up.
    app::CloseSignals closeSignals;
    closeOnRequests(app, closeSignals, form);

    if (beforeLoad)
        beforeLoad(form);
    form.Form_Load();
    form.show();
    // Warnings, the tray and start at login come after the first paint: asking the bus
    // for a notification service and a tray takes a moment.
    Desktop desktop;
    afterFirstPaint(form, [&] {
        connectDesktop(desktop, form, warningChannel(services.clock), app::platformLoginStart(),
                       QSystemTrayIcon::isSystemTrayAvailable());
    });

    return QApplication::exec();
}

} // namespace tovik::ui
