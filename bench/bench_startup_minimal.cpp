// The yardstick for Tovik's start-up: a plain Qt window with the same kinds of widgets and
// Japanese captions (so that both load the same CJK font), which quits at its first paint.
#include "firstpaintquit.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QWidget* editorTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* actions = new QGroupBox(QStringLiteral("動作"));
    auto* actionsLayout = new QVBoxLayout(actions);
    for (const char16_t* name : {u"シャットダウン", u"再起動", u"ログオフ"})
        actionsLayout->addWidget(new QRadioButton(QString::fromUtf16(name)));
    layout->addWidget(actions);
    auto* when = new QGroupBox(QStringLiteral("日時"));
    auto* whenLayout = new QVBoxLayout(when);
    for (int i = 0; i < 4; ++i) {
        whenLayout->addWidget(new QLabel(QStringLiteral("項目 %1").arg(i)));
        auto* combo = new QComboBox;
        for (int j = 0; j < 24; ++j)
            combo->addItem(QString::number(j));
        whenLayout->addWidget(combo);
    }
    for (const char16_t* name : {u"一回", u"毎週"})
        whenLayout->addWidget(new QRadioButton(QString::fromUtf16(name)));
    layout->addWidget(when);
    auto* options = new QGroupBox(QStringLiteral("オプション"));
    auto* optionsLayout = new QVBoxLayout(options);
    for (const char16_t* name : {u"メール送信", u"ログ保存"})
        optionsLayout->addWidget(new QCheckBox(QString::fromUtf16(name)));
    layout->addWidget(options);
    for (const char16_t* name : {u"初期値", u"設定", u"終了"})
        layout->addWidget(new QPushButton(QString::fromUtf16(name)));
    return page;
}

QWidget* listTab() {
    auto* tree = new QTreeWidget;
    tree->setHeaderLabels({QStringLiteral("番号"), QStringLiteral("日時"), QStringLiteral("動作"),
                           QStringLiteral("オプション")});
    return tree;
}

QWidget* mailTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (int i = 0; i < 4; ++i) {
        layout->addWidget(new QLabel(QStringLiteral("項目 %1").arg(i)));
        layout->addWidget(new QLineEdit);
    }
    layout->addWidget(new QPlainTextEdit);
    layout->addWidget(new QPushButton(QStringLiteral("テスト送信")));
    return page;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->addAction(QStringLiteral("シャットダウン"));
    file->addAction(QStringLiteral("再起動"));
    file->addAction(QStringLiteral("ログオフ"));
    file->addSeparator();
    file->addAction(QStringLiteral("終了"));
    window.menuBar()
        ->addMenu(QStringLiteral("ヘルプ(&H)"))
        ->addAction(QStringLiteral("バージョン情報"));

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    auto* tabs = new QTabWidget;
    tabs->addTab(editorTab(), QStringLiteral("編集"));
    tabs->addTab(listTab(), QStringLiteral("一覧"));
    tabs->addTab(mailTab(), QStringLiteral("メール"));
    auto* log = new QPlainTextEdit;
    log->setReadOnly(true);
    log->setPlainText(QStringLiteral("2026/12/06 12:30:15 アプリケーションを起動しました"));
    tabs->addTab(log, QStringLiteral("ログ"));
    layout->addWidget(tabs);
    layout->addWidget(
        new QLabel(QStringLiteral("2026/12/06 12:30:15 アプリケーションを起動しました")));
    window.setCentralWidget(central);

    bench::FirstPaintQuit quitAtPaint(&window);
    app.installEventFilter(&quitAtPaint);
    window.show();
    return QApplication::exec();
}
