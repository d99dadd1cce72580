// Qt's own texts (message-box buttons, context menus) in Japanese, whatever the system locale.
#pragma once

class QApplication;

namespace tovik::ui {

// Loads Qt's Japanese catalogue if the system has it; without it Qt's texts stay English.
void installJapaneseTranslations(QApplication& app);

} // namespace tovik::ui
