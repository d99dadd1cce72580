#include "logline.h"

#include "text/clock.h"
#include "text/cp932.h"
#include "text/dateforms.h"
#include "text/textlines.h"

#include <QDir>

namespace tovik::notify {

QString logLine(const QString& message) {
    return message + QStringLiteral(" - ") + text::generalDateText(text::now());
}

QString dayLogFilePath(const QString& appFolder) {
    QString day = text::dateText(text::now().date());
    day.replace(u'/', u'_');
    return appFolder + QStringLiteral("log") + QDir::separator() + day + QStringLiteral(".log");
}

text::FileError SaveLogFile(const QString& appFolder, const QString& logText) {
    const QByteArray bytes = text::encodeCp932(logText + QLatin1String(text::kCrLf));
    return text::appendToFile(dayLogFilePath(appFolder), bytes);
}

} // namespace tovik::notify
