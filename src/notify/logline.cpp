#include "logline.h"

#include "text/cp932.h"
#include "text/dateforms.h"
#include "text/textlines.h"

namespace tovik::notify {

QString logLine(const QString& message, const QDateTime& at) {
    return message + QStringLiteral(" - ") + text::generalDateText(at);
}

QString dayLogFilePath(const QString& logFolder, const QDate& day) {
    QString name = text::dateText(day);
    name.replace(u'/', u'_');
    return logFolder + name + QStringLiteral(".log");
}

text::FileError SaveLogFile(const QString& logFolder, const QString& logText, const QDate& day) {
    const QByteArray bytes = text::encodeCp932(logText + QLatin1String(text::kCrLf));
    return text::appendToFile(dayLogFilePath(logFolder, day), bytes);
}

} // namespace tovik::notify
