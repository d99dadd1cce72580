// One scheduler tick: find the first due entry and carry it out.
#pragma once

#include "schedule/schedulerows.h"
#include "text/clock.h"
#include "text/fileio.h"

#include <QDateTime>
#include <QString>

namespace tovik::scheduler {

// True when the when-text is due in now's minute. Texts of neither form are never due.
bool isDue(const QString& whenText, const QDateTime& now);

// What the tick calls into; the window provides it.
class TickActions {
public:
    virtual ~TickActions() = default;
    virtual void yield() = 0;
    virtual void writeLog(const QString& message) = 0;
    virtual void sendNotificationMail() = 0;
    virtual text::FileError saveLogFile() = 0;
    // Asks the system for the power action; an empty text when the request went out, else
    // why nothing happened.
    virtual QString doExitWindows(int code) = 0;
    // True while an earlier request still waits for the person's answer (a password prompt).
    virtual bool powerRequestAwaitingAnswer() = 0;
    // An entry cancelled for this minute ("今回は中止") is not due in it.
    virtual bool isCancelled(int /*position*/, const QDateTime& /*now*/) { return false; }
};

// What the tick remembers of the entry it carried out: the later ticks of the same due
// minute only repeat its power request, so the mail, the log save and the lines happen once.
struct TickMemory {
    QDateTime minute; // the due minute, seconds cut off; invalid when nothing was carried out
    QString entry;    // the entry's when-text, action word and options
    bool saveFailed = false; // its log save failed: later ticks try the save again, quietly
};

// Returns the position found due, or 0 when nothing was due. The clock is read once per
// entry, as the walk may take long.
int runTick(const schedule::ScheduleRows& rows, TickActions& actions, TickMemory& memory,
            const text::Clock& clock);

} // namespace tovik::scheduler
