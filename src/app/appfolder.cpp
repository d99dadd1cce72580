#include "appfolder.h"

#include <QCoreApplication>
#include <QDir>

namespace tovik::app {

QString AddBackslash(const QString& path) {
    const QChar sep = QDir::separator();
    if (path.endsWith(sep))
        return path;
    return path + sep;
}

QString applicationFolder() {
    return AddBackslash(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
}

AppPaths::AppPaths(const QString& folder)
    : m_folder(AddBackslash(QDir::toNativeSeparators(folder))) {}

QString AppPaths::logFolder() const {
    return m_folder + QStringLiteral("log") + QDir::separator();
}

} // namespace tovik::app
