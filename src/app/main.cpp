// Tovik: shuts down, restarts or logs off at the times the user scheduled.
#include "app/closesignals.h"
#include "ui/closerequests.h"
#include "ui/form1.h"
#include "ui/translations.h"
#include "ui/upcomingruns.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovik"));
    tovik::ui::installJapaneseTranslations(app);

    tovik::ui::Form1 form;
    // A session that ends, or a termination signal, closes the window the normal way, so
    // the schedule and the mail settings are saved; also when it comes during start-up.
    tovik::app::CloseSignals closeSignals;
    tovik::ui::closeOnRequests(app, closeSignals, form);

    form.Form_Load();
    form.show();
    // Warnings, cancels, the tray and start at login come after the first paint.
    tovik::ui::UpcomingRuns upcoming(form);
    upcoming.startOnThisDesktopAfterFirstPaint();

    return QApplication::exec();
}
