// schedule.ini: loading it into the list, saving the list back, removing entries.
#pragma once

#include "schedule/schedulerows.h"
#include "text/fileio.h"

#include <functional>

namespace tovik::schedule {

using text::FileErrorReporter;

// "エラーが生じました。" / "エラー番号:N" / "内容:text", CR LF between the lines.
QString fileErrorMessage(const text::FileError& error);

// What a load left behind, so that the next save does not lose unread lines.
struct LoadResult {
    bool complete = true;
};

// Appends one entry per line; yield runs before each line. Reports its own failures.
LoadResult LoadSchedule(const QString& path, ScheduleRows& rows, const std::function<void()>& yield,
                        FileErrorReporter& reporter,
                        const text::FileDevices& devices = text::diskDevices());

// Writes the whole list. An empty list leaves the file alone, unless the user emptied it
// (cleared): then the file is emptied too, so deleted entries do not come back. With
// keepBackup the file as it was is first copied to path + ".bak"; keepBackup is cleared
// once that copy exists.
void SaveSchedule(const QString& path, const ScheduleRows& rows, FileErrorReporter& reporter,
                  bool& keepBackup, bool cleared = false,
                  const text::FileDevices& devices = text::diskDevices());

void RemoveScheduleItem(ScheduleRows& rows, int position);

// The file's bytes for the list (CR LF after every line).
QByteArray scheduleFileBytes(const ScheduleRows& rows);

} // namespace tovik::schedule
