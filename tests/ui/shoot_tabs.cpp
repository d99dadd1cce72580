// tovik_shoot: draws Form1 with sample choices and saves one picture per tab (tab0.png..tab3.png).
// Run it on a real X display (scripts/screenshot.sh --tabs) so the real fonts are used.
#include "ui/form1.h"
#include "ui/translations.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

using tovik::ui::Form1;

namespace {

// What Form_Load and a short session would have put in the window.
void fillSamples(Form1& form) {
    form.COM_DATE[0]->addItems({QStringLiteral("2026/12/07"), QStringLiteral("2026/12/08")});
    for (int h = 0; h < 24; ++h) {
        form.COM_DATE[1]->addItem(QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0')));
    }
    for (int m = 0; m < 60; ++m) {
        form.COM_DATE[2]->addItem(QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')));
    }
    form.COM_DATE[3]->addItems({QStringLiteral("日曜日"), QStringLiteral("月曜日"),
                                QStringLiteral("火曜日"), QStringLiteral("水曜日"),
                                QStringLiteral("木曜日"), QStringLiteral("金曜日"),
                                QStringLiteral("土曜日")});
    form.COM_DATE[1]->setCurrentIndex(22);
    form.COM_DATE[2]->setCurrentIndex(30);

    const QStringList rows[] = {
        {QStringLiteral("1"), QStringLiteral("2026/12/07 22:30"), QStringLiteral("シャットダウン"),
         QStringLiteral("+SENDMAIL+SAVELOG")},
        {QStringLiteral("2"), QStringLiteral("月曜日 7:05"), QStringLiteral("再起動"), QString()},
        {QStringLiteral("3"), QStringLiteral("金曜日 18:00"), QStringLiteral("ログオフ"),
         QStringLiteral("+SAVELOG")},
    };
    for (const QStringList& row : rows) {
        form.LVW1->addTopLevelItem(new QTreeWidgetItem(row));
    }

    form.TXT_MAIL_LINE[0]->setText(QStringLiteral("smtp.example.jp"));
    form.TXT_MAIL_LINE[1]->setText(QStringLiteral("admin@example.jp"));
    form.TXT_MAIL_LINE[2]->setText(QStringLiteral("tovik@example.jp"));
    form.TXT_MAIL_BODY->setPlainText(
        QStringLiteral("予定の時刻になりました。\nシャットダウンします。"));

    form.TXT_LOG->setPlainText(
        QStringLiteral("Tovik を起動しました。 - 2026/12/07 9:00:00\n"
                       "スケジュールファイルを読み込みました。 - 2026/12/07 9:00:00\n"
                       "メール設定ファイルを読み込みました。 - 2026/12/07 9:00:01"));
    form.LB_STATUS->setText(QStringLiteral("メール設定ファイルを読み込みました。"));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tovik::ui::installJapaneseTranslations(app);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(outDir);

    Form1 form;
    form.TIM_MAIN->stop();
    fillSamples(form);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "tovik_shoot: the window was never shown\n");
        return 1;
    }
    for (int tab = 0; tab < form.TAB1->count(); ++tab) {
        form.TAB1->setCurrentIndex(tab);
        QTest::qWait(100);
        const QString path = QDir(outDir).filePath(QStringLiteral("tab%1.png").arg(tab));
        if (!form.grab().save(path)) {
            std::fprintf(stderr, "tovik_shoot: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
