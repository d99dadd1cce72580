// One scheduler tick: find the first due entry and carry it out.
#pragma once

#include "power/power.h"
#include "schedule/schedulerows.h"
#include "scheduler/due.h"
#include "scheduler/runrecord.h"
#include "text/clock.h"
#include "text/fileio.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace tovik::scheduler {

// TIM_MAIN's interval: the last tick of a minute starts in its last this many seconds.
inline constexpr int kTickSeconds = 5;

// What the tick calls into; the window provides it.
class TickActions {
public:
    virtual ~TickActions() = default;
    virtual void yield() = 0;
    virtual void writeLog(const QString& message) = 0;
    virtual void sendNotificationMail() = 0;
    // The second mail of a run that did not happen; firstLine says why.
    virtual void sendNotDoneMail(const QString& firstLine) = 0;
    [[nodiscard]] virtual text::FileError saveLogFile() = 0;
    // Asks the system for the power action.
    [[nodiscard]] virtual power::Outcome doExitWindows(power::PowerAction action) = 0;
    // True while an earlier request still waits for the person's answer (a password prompt).
    virtual bool powerRequestAwaitingAnswer() = 0;
};

// What the tick remembers from one tick to the next: the run it is carrying out, whose
// later ticks in the same minute only repeat its power request (the mail, the log save and
// the lines happen once), and the minute of the last tick.
struct TickMemory {
    std::optional<WallMinute> lastMinute;
    std::optional<RunId> current;
    WallMinute currentAt;
    QString entry;           // the run's when-text, action word and options
    bool saveFailed = false; // its log save failed: later ticks try the save again, quietly
    bool mailed = false;     // it sent the notification mail
    bool notDoneMailed = false;

    // The run still being carried out at this minute, unless it was cancelled meanwhile.
    std::optional<RunId> runningAt(WallMinute minute, const RunRecord& record) const {
        if (!current || lastMinute != currentAt || minute != currentAt ||
            record.cancelled(*current))
            return std::nullopt;
        return current;
    }
};

struct TickResult {
    int position = 0;                // the entry found due, 0 when none was
    std::optional<RunId> carriedOut; // set when this tick carried out a run afresh
    QString notice; // what the person at the screen should learn at once, if anything
};

// Walks the list in order and carries out the first entry whose next run is now. The
// clock is read once per entry, as the walk may take long. Runs carried out go into the
// record, so they never happen twice.
TickResult runTick(const schedule::ScheduleRows& rows, TickActions& actions, TickMemory& memory,
                   const text::Clock& clock, RunRecord& record);

} // namespace tovik::scheduler
