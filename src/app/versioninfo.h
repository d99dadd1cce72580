// The text of the version box.
#pragma once

#include <QString>

namespace tovik::app {

// The window's title, the message boxes' title and the application's name.
inline const QString kApplicationTitle = QStringLiteral("Tovik");

// The program's home page, shown in the version box.
inline constexpr char kHomePage[] = "https://github.com/tovik-app/tovik";

// "Tovim", "バージョン情報：1.1.0", "HP：<address>", CR LF between the lines.
QString versionBoxText();

} // namespace tovik::app
