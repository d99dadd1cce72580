// Tovik started exactly as main.cpp starts it, for timing: quits at the window's first
// paint, or with --idle keeps running so that its idle CPU use can be read.
// Usage: bench_startup_tovik <application folder> [--idle]
#include "app/appfolder.h"
#include "app/closesignals.h"
#include "power/recordingbackend.h"
#include "ui/form1.h"
#include "ui/translations.h"

#include <QApplication>
#include <QEvent>
#include <QSessionManager>
#include <cstdio>
#include <cstring>

namespace {

// Quits once the window, or anything in it, gets its first paint event; the frame being
// painted is finished before the event loop sees the quit.
class FirstPaintQuit final : public QObject {
public:
    explicit FirstPaintQuit(QWidget* window) : m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == m_window)
            QCoreApplication::quit();
        return false;
    }

private:
    QWidget* m_window;
};

} // namespace

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
    FirstPaintQuit quitAtPaint(&form);
    if (!idle)
        app.installEventFilter(&quitAtPaint);
    form.Form_Load();
    form.show();

    tovik::app::CloseSignals closeSignals;
    QObject::connect(&closeSignals, &tovik::app::CloseSignals::closeRequested, &form,
                     [&form] { form.close(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.close(); });

    return QApplication::exec();
}
