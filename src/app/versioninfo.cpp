#include "versioninfo.h"

#include "app/version.h"

namespace tovik::app {

QString versionBoxText() {
    return QStringLiteral("Tovim\r\nバージョン情報：") + QString::number(kVersionMajor) + u'.' +
           QString::number(kVersionMinor) + u'.' + QString::number(kVersionRevision) +
           QStringLiteral("\r\nHP：") + QLatin1String(kHomePage);
}

} // namespace tovik::app
