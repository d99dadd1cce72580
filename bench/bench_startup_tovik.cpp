// Tovik started exactly as main.cpp starts it, for timing: quits at the window's first
// paint, or with --idle keeps running so that its idle CPU use can be read.
// Usage: bench_startup_tovik <application folder> [--idle]
#include "app/appfolder.h"
#include "notify/mail/keychainstore.h"
#include "support/recordingbackend.h"
#include "text/clock.h"
#include "ui/startup.h"

#include "firstpaintquit.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <application folder> [--idle]\n", argv[0]);
        return 2;
    }
    const bool idle = argc > 2 && std::strcmp(argv[2], "--idle") == 0;

    QApplication app(argc, argv);
    const tovik::text::SystemClock clock;
    // Never a real power request, whatever the folder's schedule says.
    tovik::testing::RecordingBackend power;
    std::unique_ptr<bench::FirstPaintQuit> quitAtPaint;
    return tovik::ui::runTovik(app,
                               {clock, power, tovik::app::AppPaths(QString::fromLocal8Bit(argv[1])),
                                std::make_shared<tovik::mail::KeychainStore>()},
                               [&](tovik::ui::Form1& form) {
                                   quitAtPaint = std::make_unique<bench::FirstPaintQuit>(&form);
                                   if (!idle)
                                       app.installEventFilter(quitAtPaint.get());
                               });
}
