#include "appfolder.h"

#include <QCoreApplication>
#include <QDir>

namespace tovik::app {

namespace {
QString& overrideFolder() {
    static QString folder;
    return folder;
}
} // namespace

QString AddBackslash(const QString& path) {
    const QChar sep = QDir::separator();
    if (path.endsWith(sep))
        return path;
    return path + sep;
}

QString applicationFolder() {
    const QString& forced = overrideFolder();
    const QString folder = forced.isEmpty()
                               ? QDir::toNativeSeparators(QCoreApplication::applicationDirPath())
                               : forced;
    return AddBackslash(folder);
}

void setApplicationFolderForTesting(const QString& folder) {
    overrideFolder() = QDir::toNativeSeparators(folder);
}

QString scheduleFilePath() {
    return applicationFolder() + QStringLiteral("schedule.ini");
}
QString mailSettingsFilePath() {
    return applicationFolder() + QStringLiteral("e-mail.ini");
}
QString logFolderPath() {
    return applicationFolder() + QStringLiteral("log") + QDir::separator();
}

} // namespace tovik::app
