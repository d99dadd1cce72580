// Tovik: shuts down, restarts or logs off at the times the user scheduled.
#include "app/appfolder.h"
#include "app/closesignals.h"
#include "app/singleinstance.h"
#include "ui/closerequests.h"
#include "ui/form1.h"
#include "ui/translations.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovik"));
    tovik::ui::installJapaneseTranslations(app);

    // A second copy in the same folder would overwrite the first one's edits at close and
    // carry out every entry twice: it shows the running window instead and ends.
    tovik::app::SingleInstance instance(tovik::app::applicationFolder());
    if (!instance.acquire())
        return 0;

    tovik::ui::Form1 form;
    QObject::connect(&instance, &tovik::app::SingleInstance::activationRequested, &form,
                     &tovik::ui::Form1::bringToFront);
    // A session that ends, or a termination signal, closes the window the normal way, so
    // the schedule and the mail settings are saved; also when it comes during start-up.
    tovik::app::CloseSignals closeSignals;
    tovik::ui::closeOnRequests(app, closeSignals, form);

    form.Form_Load();
    form.show();

    return QApplication::exec();
}
