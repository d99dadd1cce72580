// The activity log's line form and its daily file.
#pragma once

#include "text/fileio.h"

#include <QDateTime>
#include <QString>

namespace tovik::notify {

// message + " - " + the general date-time text of the moment.
QString logLine(const QString& message, const QDateTime& at);

// <log folder>yyyy_MM_dd.log for the day.
QString dayLogFilePath(const QString& logFolder, const QDate& day);

// Appends the log text and one CR LF to the day's file, in CP932 ("?" for what it cannot
// hold). The log folder is not created here.
text::FileError SaveLogFile(const QString& logFolder, const QString& logText, const QDate& day);

} // namespace tovik::notify
