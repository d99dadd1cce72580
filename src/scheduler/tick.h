// One scheduler tick: find the first due entry and carry it out.
#pragma once

#include "schedule/schedulerows.h"
#include "text/fileio.h"

#include <QDateTime>
#include <QString>

namespace tovik::scheduler {

// True when the when-text is due in the current minute. Texts of neither form are never due.
bool isDue(const QString& whenText);

// What the tick calls into; the window provides it.
class TickActions {
public:
    virtual ~TickActions() = default;
    virtual void yield() = 0;
    virtual void writeLog(const QString& message) = 0;
    virtual void sendNotificationMail() = 0;
    virtual text::FileError saveLogFile() = 0;
    virtual void doExitWindows(int code) = 0;
    // An entry cancelled for this minute ("今回は中止") is not due in it.
    virtual bool isCancelled(int /*position*/, const QDateTime& /*now*/) { return false; }
};

// Returns the position carried out, or 0 when nothing was due.
int runTick(const schedule::ScheduleRows& rows, TickActions& actions);

} // namespace tovik::scheduler
