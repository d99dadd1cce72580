// Tovik started exactly as main.cpp starts it, for timing: quits at the window's first
// paint, or with --idle keeps running so that its idle CPU use can be read.
// Usage: bench_startup_tovik <application folder> [--idle]
#include "app/appfolder.h"
#include "app/closesignals.h"
#include "power/recordingbackend.h"
#include "ui/closerequests.h"
#include "ui/form1.h"
#include "ui/translations.h"
#include "ui/upcomingruns.h"

#include "firstpaintquit.h"

#include <QApplication>
#include <QEvent>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <application folder> [--idle]\n", argv[0]);
        return 2;
    }
    const bool idle = argc > 2 && std::strcmp(argv[2], "--idle") == 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovik"));
    tovik::app::setApplicationFolderForTesting(QString::fromLocal8Bit(argv[1]));
    // Never a real power request, whatever the folder's schedule says.
    tovik::power::RecordingBackend::install();
    tovik::ui::installJapaneseTranslations(app);

    tovik::ui::Form1 form;
    bench::FirstPaintQuit quitAtPaint(&form);
    if (!idle)
        app.installEventFilter(&quitAtPaint);
    tovik::app::CloseSignals closeSignals;
    tovik::ui::closeOnRequests(app, closeSignals, form);
    form.Form_Load();
    form.show();
    tovik::ui::UpcomingRuns upcoming(form);
    upcoming.startOnThisDesktopAfterFirstPaint();

    return QApplication::exec();
}
