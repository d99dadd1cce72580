// The tick's calls into the window, recorded in order as one readable line each.
#pragma once

#include "scheduler/tick.h"

#include <QStringList>
#include <functional>

namespace tovik::testing {

class RecordingActions : public scheduler::TickActions {
public:
    void yield() override {
        ++yields;
        if (onYield)
            onYield();
    }
    void writeLog(const QString& m) override { calls << QStringLiteral("log:") + m; }
    void sendNotificationMail() override { calls << QStringLiteral("mail"); }
    void sendNotDoneMail(const QString& firstLine) override {
        calls << QStringLiteral("notdone:") + firstLine;
    }
    text::FileError saveLogFile() override {
        calls << QStringLiteral("savelog");
        return saveError;
    }
    power::Outcome doExitWindows(power::PowerAction action) override {
        calls << QStringLiteral("power:") + QString::number(static_cast<int>(action));
        return outcome;
    }
    bool powerRequestAwaitingAnswer() override { return awaiting; }
    // The power requests alone.
    QStringList requests() const { return calls.filter(QStringLiteral("power:")); }

    QStringList calls;
    int yields = 0;
    text::FileError saveError;
    power::Outcome outcome;
    bool awaiting = false;
    std::function<void()> onYield;
};

} // namespace tovik::testing
