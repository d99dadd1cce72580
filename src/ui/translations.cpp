#include "translations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tovik::ui {

void installJapaneseTranslations(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return;
    }
    QApplication::installTranslator(translator);
}

} // namespace tovik::ui
