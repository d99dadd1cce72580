// The activity log's line form and its daily file.
#pragma once

#include "text/fileio.h"

#include <QString>

namespace tovik::notify {

// message + " - " + the general date-time text of the moment of the call.
QString logLine(const QString& message);

// <app folder>log<sep>yyyy_MM_dd.log for today.
QString dayLogFilePath(const QString& appFolder);

// Appends the log text and one CR LF to today's file, in CP932 ("?" for what it cannot
// hold). The log folder is not created here.
text::FileError SaveLogFile(const QString& appFolder, const QString& logText);

} // namespace tovik::notify
