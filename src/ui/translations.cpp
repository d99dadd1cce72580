#include "translations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
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

void japaneseButtons(QMessageBox& box) {
    const std::pair<QMessageBox::StandardButton, QString> texts[] = {
        {QMessageBox::Yes, QStringLiteral("はい(&Y)")},
        {QMessageBox::No, QStringLiteral("いいえ(&N)")},
        {QMessageBox::Ok, QStringLiteral("OK")},
    };
    for (const auto& [which, text] : texts) {
        if (QAbstractButton* button = box.button(which); button != nullptr) {
            button->setText(text);
        }
    }
}

} // namespace tovik::ui
