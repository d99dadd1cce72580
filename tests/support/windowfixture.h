// One window as the tests drive it: a fresh application folder, a set clock, a recording
// power backend and message boxes answered by the test.
#pragma once

#include "support/fixedclock.h"
#include "support/recordingbackend.h"
#include "support/recordingpresenter.h"
#include "ui/form1.h"

#include <QTemporaryDir>
#include <QTimer>
#include <memory>

namespace tovik::testing {

class WindowFixture {
public:
    explicit WindowFixture(QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(12, 30, 15)))
        : clock(std::move(now)), presenter(std::make_shared<RecordingPresenter>()) {}

    QString file(const QString& name) const { return dir.filePath(name); }
    QString folder() const { return dir.path(); }

    // The window over this fixture's folder (or another), not yet loaded.
    std::unique_ptr<ui::Form1> create(power::PowerBackend* backend = nullptr,
                                      const QString& otherFolder = {}) {
        auto form = std::make_unique<ui::Form1>(
            ui::Services{clock, backend ? *backend : power,
                         app::AppPaths(otherFolder.isEmpty() ? dir.path() : otherFolder)});
        form->setPresenter(presenter);
        return form;
    }

    // Created and loaded; ticks are driven by hand.
    std::unique_ptr<ui::Form1> start(power::PowerBackend* backend = nullptr,
                                     const QString& otherFolder = {}) {
        auto form = create(backend, otherFolder);
        form->TIM_MAIN->stop();
        form->Form_Load();
        return form;
    }

    QTemporaryDir dir;
    FixedClock clock;
    RecordingBackend power;
    std::shared_ptr<RecordingPresenter> presenter;
};

} // namespace tovik::testing
