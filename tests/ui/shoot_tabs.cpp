// tovik_shoot: starts Form1 on sample settings files and saves one picture per tab
// (tab0.png..tab3.png), the first tab editing an entry, then the list's row tooltip and the warning
// window. Run it on a real X display (scripts/screenshot.sh --tabs) so the real fonts are used.
#include "app/appfolder.h"
#include "app/loginstart.h"
#include "scheduler/runner.h"
#include "support/fixedclock.h"
#include "support/recordingbackend.h"
#include "text/cp932.h"
#include "ui/desktop.h"
#include "ui/form1.h"
#include "ui/translations.h"
#include "ui/warningwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

using tovik::ui::Form1;

namespace {

void writeFile(const QString& path, const QString& text) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(tovik::text::encodeCp932(text));
}

// A folder with the settings files of a short session, so Form_Load fills the window the
// way the running program does.
void prepareFolder(const QString& folder) {
    writeFile(folder + QStringLiteral("/schedule.ini"),
              QStringLiteral("2026/12/07 22:30:00,シャットダウン,+SENDMAIL+SAVELOG\r\n"
                             "毎週：2(月曜日) 2026/12/07 07:05:00,再起動,\r\n"
                             "毎週：6(金曜日) 2026/12/07 18:00:00,ログオフ,+SAVELOG\r\n"
                             "毎週：0(月火水木金) 2026/12/07 18:00:00,シャットダウン,\r\n"
                             "2026/12/06 23:00:00,再起動,\r\n"));
    writeFile(
        folder + QStringLiteral("/e-mail.ini"),
        QStringLiteral("smtp.example.jp\r\nadmin@example.jp\r\ntovik@example.jp\r\n"
                       "From Tovik\r\n予定の時刻になりました。\r\nシャットダウンします。\r\n"));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tovik::ui::installJapaneseTranslations(app);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(outDir);

    QTemporaryDir folder;
    prepareFolder(folder.path());
    tovik::testing::FixedClock clock(QDateTime(QDate(2026, 12, 7), QTime(9, 0, 0)));
    QDateTime& now = clock.value;
    tovik::testing::RecordingBackend power;
    Form1 form({clock, power, tovik::app::AppPaths(folder.path())});
    form.TIM_MAIN->stop();
    form.Form_Load();
    form.COM_DATE[1]->setCurrentIndex(22);
    form.COM_DATE[2]->setCurrentIndex(30);
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

    // The third entry open for editing in the editor's own controls.
    form.LVW1->setCurrentItem(form.LVW1->topLevelItem(2));
    form.MNU_POPUP_SELECTITEM_EDIT->trigger();
    QTest::qWait(100);
    const QString editPath = QDir(outDir).filePath(QStringLiteral("tab0-edit.png"));
    if (!form.grab().save(editPath))
        return 1;
    std::printf("%s\n", qPrintable(editPath));
    form.CMD_CANCEL_EDIT->click();
    // The box for any set of weekdays.
    QTimer::singleShot(300, &form, [&outDir] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            box->grab().save(QDir(outDir).filePath(QStringLiteral("weekdays.png")));
            box->reject();
        }
    });
    form.CMD_WEEKDAYS_Click();

    const auto save = [&outDir](const QPixmap& picture, const QString& name) {
        const QString path = QDir(outDir).filePath(name);
        if (!picture.save(path)) {
            std::fprintf(stderr, "tovik_shoot: cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
        return true;
    };

    // The row tooltip of the third entry, with the window around it: a tooltip is a window
    // of its own, so the screen is photographed.
    tovik::ui::Desktop desktop;
    auto warningWindow = std::make_unique<tovik::ui::WarningWindow>(clock);
    tovik::ui::WarningWindow* warning = warningWindow.get();
    tovik::ui::connectDesktop(
        desktop, form, std::move(warningWindow),
        std::make_unique<tovik::app::XdgAutostart>(folder.filePath(QStringLiteral("config"))),
        false);
    form.TAB1->setCurrentIndex(1);
    QTest::qWait(100);
    QWidget* viewport = form.LVW1->viewport();
    const QPoint pos(40, form.LVW1->visualItemRect(form.LVW1->topLevelItem(2)).center().y());
    QHelpEvent help(QEvent::ToolTip, pos, viewport->mapToGlobal(pos));
    QApplication::sendEvent(viewport, &help);
    QTest::qWait(500);
    const QRect area = form.frameGeometry();
    if (!save(QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                           area.height()),
              QStringLiteral("list-tooltip.png")))
        return 1;

    // Five minutes before the first entry's minute.
    now = QDateTime(QDate(2026, 12, 7), QTime(22, 25, 0));
    form.runner().check();
    now = now.addSecs(3);
    QTest::qWait(1200);
    if (!warning->isVisible()) {
        std::fprintf(stderr, "tovik_shoot: no warning window\n");
        return 1;
    }
    if (!save(warning->grab(), QStringLiteral("warning-window.png")))
        return 1;
    return 0;
}
