// The application folder: where the settings files and the log folder live.
#pragma once

#include <QString>

namespace tovik::app {

// The path with the platform's separator appended unless it already ends in one.
QString AddBackslash(const QString& path);

// The running executable's folder, ending in exactly one separator.
QString applicationFolder();

// Tests: use another folder; an empty text restores the executable's folder.
void setApplicationFolderForTesting(const QString& folder);

QString scheduleFilePath();
QString mailSettingsFilePath();
QString logFolderPath();

} // namespace tovik::app
