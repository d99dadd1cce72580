// The yardstick for Tovik's start-up: a plain Qt window with the same widgets, captions,
// list contents and font as Tovik's window and none of its work, which quits at its first
// paint. What Tovik takes beyond it is what the program itself adds to a start.
#include "firstpaintquit.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <initializer_list>

namespace {

using Captions = std::initializer_list<const char16_t*>;

QString text(const char16_t* caption) {
    return QString::fromUtf16(caption);
}

// The same rule as Tovik's window: the first installed Japanese UI family, 12 pixels.
QFont windowFont(QFont font) {
    const QStringList installed = QFontDatabase::families();
    for (const char16_t* family : {u"MS UI Gothic", u"Meiryo UI", u"IPAPGothic", u"IPAGothic",
                                   u"Noto Sans CJK JP", u"VL PGothic", u"TakaoPGothic"}) {
        if (installed.contains(text(family), Qt::CaseInsensitive)) {
            font.setFamilies({text(family), font.family()});
            break;
        }
    }
    font.setPixelSize(12);
    return font;
}

QMenu* menu(QMenu* into, Captions items) {
    for (const char16_t* item : items) {
        if (*item == u'\0')
            into->addSeparator();
        else
            into->addAction(text(item));
    }
    return into;
}

QGroupBox* buttonBox(const char16_t* title, Captions captions, bool radios) {
    auto* box = new QGroupBox(text(title));
    auto* layout = new QVBoxLayout(box);
    for (const char16_t* caption : captions) {
        if (radios)
            layout->addWidget(new QRadioButton(text(caption)));
        else
            layout->addWidget(new QCheckBox(text(caption)));
    }
    layout->addStretch(1);
    return box;
}

QComboBox* combo(const QStringList& items, int characters) {
    auto* box = new QComboBox;
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(characters);
    box->addItems(items);
    return box;
}

QLabel* label(const char16_t* caption, QWidget* buddy = nullptr) {
    auto* l = new QLabel(text(caption));
    l->setBuddy(buddy);
    return l;
}

QStringList numbers(int count, int width) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("%1").arg(i, width, 10, QLatin1Char('0'));
    return list;
}

QWidget* editorTab() {
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    layout->addWidget(buttonBox(u"行動項目(&R)",
                                {u"シャットダウンする(&S)", u"再起動する(&R)", u"ログオフする(&L)",
                                 u"スリープする(&P)", u"休止状態にする(&H)"},
                                true),
                      0, 0);
    layout->addWidget(
        buttonBox(u"オプション(&O)", {u"メールを送信する(&M)", u"ログを保存(&D)"}, false), 0, 1);

    auto* when = new QGroupBox(text(u"日付設定(&D)"));
    auto* whenLayout = new QGridLayout(when);
    QStringList dates;
    for (int i = 0; i <= 10; ++i)
        dates << QDate::currentDate().addDays(i).toString(QStringLiteral("yyyy/MM/dd"));
    auto* date = combo(dates, 12);
    auto* hour = combo(numbers(24, 2), 2);
    QStringList countdown;
    for (int m = 1; m <= 720; m += m < 10 ? 1 : m < 60 ? 5 : m < 240 ? 15 : 30)
        countdown << QString::number(m);
    whenLayout->addWidget(label(u"実行日(&D)", date), 0, 0);
    whenLayout->addWidget(date, 0, 1, 1, 7);
    whenLayout->addWidget(label(u"時間(&T)", hour), 1, 0);
    whenLayout->addWidget(hour, 1, 1);
    whenLayout->addWidget(label(u"時"), 1, 2);
    whenLayout->addWidget(combo(numbers(60, 2), 2), 1, 3);
    whenLayout->addWidget(label(u"分"), 1, 4);
    whenLayout->addWidget(new QRadioButton(text(u"今から(&N)")), 1, 5);
    whenLayout->addWidget(combo(countdown, 3), 1, 6);
    whenLayout->addWidget(label(u"分後"), 1, 7);
    layout->addWidget(when, 1, 0, 1, 2);

    auto* pattern = new QGroupBox(text(u"パターン(&P)"));
    auto* patternLayout = new QHBoxLayout(pattern);
    patternLayout->addWidget(new QRadioButton(text(u"今日のみ(&O)")));
    patternLayout->addWidget(new QRadioButton(text(u"スケジュール追加(&O)")));
    patternLayout->addWidget(
        combo({text(u"日曜日"), text(u"月曜日"), text(u"火曜日"), text(u"水曜日"), text(u"木曜日"),
               text(u"金曜日"), text(u"土曜日"), text(u"毎日"), text(u"平日"), text(u"土日")},
              4));
    auto* weekdays = new QToolButton;
    weekdays->setText(text(u"…"));
    patternLayout->addWidget(weekdays);
    patternLayout->addStretch(1);
    layout->addWidget(pattern, 2, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    for (const char16_t* caption :
         {u"初期値に戻す(&D)", u"編集を中止(&C)", u"設定(&S)", u"終了(&X)"})
        buttons->addWidget(new QPushButton(text(caption)));
    buttons->itemAt(1)->widget()->hide();
    layout->addLayout(buttons, 4, 0, 1, 2);
    return page;
}

QWidget* mailTab() {
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    int row = 0;
    for (const char16_t* caption :
         {u"SMTPサーバー名(&S)", u"宛先(&A)", u"送信元(&C)", u"件名(&O)"}) {
        auto* line = new QLineEdit;
        layout->addWidget(label(caption, line), row, 0);
        layout->addWidget(line, row++, 1);
    }
    auto* body = new QPlainTextEdit;
    layout->addWidget(label(u"本文(&L)", body), row++, 0, 1, 2);
    layout->addWidget(body, row++, 0, 1, 2);
    layout->addWidget(new QPushButton(text(u"テスト送信(&S)")), row, 0, 1, 2, Qt::AlignRight);
    return page;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setFont(windowFont(window.font()));
    menu(window.menuBar()->addMenu(text(u"ファイル(&F)")),
         {u"シャットダウン(&S)", u"再起動(&R)", u"ログオフ(&L)", u"スリープ(&P)", u"休止状態(&H)",
          u"", u"終了(&X)"});
    menu(window.menuBar()->addMenu(text(u"ヘルプ(&H)")), {u"バージョン情報(&V)"});

    // Pages go into a tab widget that is already in the window, so that each is measured in
    // the window's font only, as Tovik's are.
    auto* central = new QWidget;
    window.setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    auto* tabs = new QTabWidget(central);
    layout->addWidget(tabs);
    tabs->addTab(editorTab(), text(u"設定(&T)"));
    auto* list = new QTreeWidget;
    list->setHeaderLabels({text(u"番号"), text(u"実行日"), text(u"行動"), text(u"オプション")});
    tabs->addTab(list, text(u"スケジュール(&S)"));
    tabs->addTab(mailTab(), text(u"メール設定(&M)"));
    auto* log = new QPlainTextEdit;
    log->setReadOnly(true);
    tabs->addTab(log, text(u"ログ(&L)"));
    log->setPlainText(text(u"2026/12/10 6:13:37 アプリケーションを起動しました"));
    layout->addWidget(
        new QLabel(text(u"メール設定ファイルは有りませんでした - 2026/12/10 6:13:37")));

    bench::FirstPaintQuit quitAtPaint(&window);
    app.installEventFilter(&quitAtPaint);
    window.show();
    return QApplication::exec();
}
