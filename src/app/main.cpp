// Tovik: shuts down, restarts or logs off at the times the user scheduled.
#include "app/closesignals.h"
#include "ui/form1.h"
#include "ui/translations.h"

#include <QApplication>
#include <QSessionManager>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovik"));
    tovik::ui::installJapaneseTranslations(app);

    tovik::ui::Form1 form;
    // A session that ends, or a termination signal, closes the window the normal way, so
    // the schedule and the mail settings are saved; also when it comes during start-up.
    tovik::app::CloseSignals closeSignals;
    QObject::connect(&closeSignals, &tovik::app::CloseSignals::closeRequested, &form,
                     &tovik::ui::Form1::requestClose);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.requestClose(); });

    form.Form_Load();
    form.show();

    return QApplication::exec();
}
