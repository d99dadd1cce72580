// Qt's own texts (message-box buttons, context menus) in Japanese, whatever the system locale.
#pragma once

class QApplication;
class QMessageBox;

namespace tovik::ui {

// Loads Qt's Japanese catalogue if the system has it; without it Qt's texts stay English.
void installJapaneseTranslations(QApplication& app);

// Gives the box's Yes, No and OK buttons their Japanese texts even without the catalogue.
void japaneseButtons(QMessageBox& box);

} // namespace tovik::ui
