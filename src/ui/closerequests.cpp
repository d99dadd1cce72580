#include "closerequests.h"

#include "app/closesignals.h"
#include "form1.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace tovik::ui {

void closeOnRequests(QGuiApplication& app, app::CloseSignals& closeSignals, Form1& form) {
    QObject::connect(&closeSignals, &app::CloseSignals::closeRequested, &form,
                     &Form1::requestClose);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.requestClose(); });
}

} // namespace tovik::ui
