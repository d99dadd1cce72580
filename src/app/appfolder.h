// The application folder: where the settings files and the log folder live.
#pragma once

#include <QString>

namespace tovik::app {

// The path with the platform's separator appended unless it already ends in one.
QString AddBackslash(const QString& path);

// The running executable's folder, ending in exactly one separator.
QString applicationFolder();

// The paths of one application folder; each is the folder followed by a relative name.
class AppPaths {
public:
    explicit AppPaths(const QString& folder);

    const QString& folder() const { return m_folder; }
    QString scheduleFile() const { return m_folder + QStringLiteral("schedule.ini"); }
    QString mailSettingsFile() const { return m_folder + QStringLiteral("e-mail.ini"); }
    // "log" and the separator.
    QString logFolder() const;

private:
    QString m_folder;
};

} // namespace tovik::app
