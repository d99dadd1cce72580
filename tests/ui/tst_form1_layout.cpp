// Form1's controls: names, kinds, captions, initial values, groups, geometry and fit of captions.
#include "support/windowfixture.h"
#include "ui/form1.h"
#include "ui/translations.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

using tovik::ui::Form1;

namespace {

// The window's figures as its description gives them, in its units (twips at 96 dots per
// inch, 15 to the pixel); the tests hold the window to these, not to the code's numbers.
struct Described {
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kClientWidthTwips = 5670;
    static constexpr int kClientHeightTwips = 4965;
    static constexpr std::array<int, 4> kColumnTwips{700, 2000, 2500, 4000};
    static constexpr int kStatusStripPixels = 17;
    static constexpr int kIconPixels = 48;
    static constexpr int kTimerMs = 5000;

    static int pixels(int twips) { return qRound(double(twips) / kTwipsPerPixel); }
    static int clientWidth() { return pixels(kClientWidthTwips); }
    static int clientHeight() { return pixels(kClientHeightTwips); }
};

} // namespace

class TestForm1Layout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controlsHaveNamesKindsAndCaptions_data();
    void controlsHaveNamesKindsAndCaptions();
    void startValuesAndPages();
    void optionGroupsAreIndependent();
    void comboBoxesTakeNoTypedText();
    void logIsReadOnlyAndNothingWraps();
    void listHasFourFixedColumns();
    void menusAndShortcuts();
    void windowIsFixedWithStatusBelowTabs();
    void pagesFitAndReadInOrder();
    void captionsFitTheirWidgets();

private:
    void showOn(int tab) {
        m_form->TAB1->setCurrentIndex(tab);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    tovik::testing::WindowFixture m_fixture;
    std::unique_ptr<Form1> m_form;
};

void TestForm1Layout::init() {
    m_form = m_fixture.create();
}
void TestForm1Layout::cleanup() {
    m_form.reset();
}

void TestForm1Layout::controlsHaveNamesKindsAndCaptions_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char* name, const char* kind, const QString& caption = {}) {
        QTest::newRow(name) << QString::fromUtf8(kind) << caption;
    };
    row("Frame1", "QGroupBox", QStringLiteral("行動項目(&R)"));
    row("OP_SHUTDOWN(0)", "QRadioButton", QStringLiteral("シャットダウンする(&S)"));
    row("OP_SHUTDOWN(1)", "QRadioButton", QStringLiteral("再起動する(&R)"));
    row("OP_SHUTDOWN(2)", "QRadioButton", QStringLiteral("ログオフする(&L)"));
    row("OP_SHUTDOWN(3)", "QRadioButton", QStringLiteral("スリープする(&P)"));
    row("OP_SHUTDOWN(4)", "QRadioButton", QStringLiteral("休止状態にする(&H)"));
    row("Frame3", "QGroupBox", QStringLiteral("オプション(&O)"));
    row("CHK_SHUTDOWN(0)", "QCheckBox", QStringLiteral("メールを送信する(&M)"));
    row("CHK_SHUTDOWN(1)", "QCheckBox", QStringLiteral("ログを保存(&D)"));
    row("Frame2", "QGroupBox", QStringLiteral("日付設定(&D)"));
    row("Label1(0)", "QLabel", QStringLiteral("実行日(&D)"));
    row("Label1(1)", "QLabel", QStringLiteral("時間(&T)"));
    row("Label1(2)", "QLabel", QStringLiteral("時"));
    row("Label1(3)", "QLabel", QStringLiteral("分"));
    row("Label1(4)", "QLabel", QStringLiteral("分後"));
    row("Frame4", "QGroupBox", QStringLiteral("パターン(&P)"));
    row("OP_PATTERN(0)", "QRadioButton", QStringLiteral("今日のみ(&O)"));
    row("OP_PATTERN(1)", "QRadioButton", QStringLiteral("スケジュール追加(&O)"));
    row("OP_PATTERN(2)", "QRadioButton", QStringLiteral("今から(&N)"));
    row("CMD_DEFAULT", "QPushButton", QStringLiteral("初期値に戻す(&D)"));
    row("CMD_SET", "QPushButton", QStringLiteral("設定(&S)"));
    row("CMD_EXIT", "QPushButton", QStringLiteral("終了(&X)"));
    row("LB_LABEL1(0)", "QLabel", QStringLiteral("SMTPサーバー名(&S)"));
    row("LB_LABEL1(1)", "QLabel", QStringLiteral("宛先(&A)"));
    row("LB_LABEL1(2)", "QLabel", QStringLiteral("送信元(&C)"));
    row("LB_LABEL1(3)", "QLabel", QStringLiteral("件名(&O)"));
    row("LB_LABEL1(4)", "QLabel", QStringLiteral("本文(&L)"));
    row("CMD_TEST_SEND", "QPushButton", QStringLiteral("テスト送信(&S)"));
    row("LB_STATUS", "QLabel", QStringLiteral("ステータス表示・・・"));
    for (const char* combo :
         {"COM_DATE(0)", "COM_DATE(1)", "COM_DATE(2)", "COM_DATE(3)", "COM_DATE(4)"}) {
        row(combo, "QComboBox");
    }
    for (const char* line : {"TXT_MAIL(0)", "TXT_MAIL(1)", "TXT_MAIL(2)"}) {
        row(line, "QLineEdit");
    }
    row("TXT_MAIL(3)", "QLineEdit", QStringLiteral("From Tovik"));
    row("TXT_MAIL(4)", "QPlainTextEdit");
    row("TXT_LOG", "QPlainTextEdit");
    row("LVW1", "QTreeWidget");
    row("TAB1", "QTabWidget");
    for (const char* frame : {"PIC_STB", "Line1", "Line2"}) {
        row(frame, "QFrame");
    }
}

void TestForm1Layout::controlsHaveNamesKindsAndCaptions() {
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    const QList<QWidget*> matches =
        m_form->findChildren<QWidget*>(QString::fromUtf8(QTest::currentDataTag()));
    QCOMPARE(matches.size(), 1);
    QWidget* w = matches.front();
    QVERIFY2(w->inherits(kind.toLatin1().constData()), w->metaObject()->className());

    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        text = b->text();
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        text = l->text();
        // Without a buddy QLabel shows the "&" instead of making it an access key.
        QCOMPARE(l->buddy() != nullptr, text.contains(u'&'));
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        text = g->title();
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        text = e->text();
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        text = p->toPlainText();
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        QCOMPARE(c->count(), 0);
        QVERIFY(!c->isEditable());
    }
    QCOMPARE(text, caption);
}

void TestForm1Layout::startValuesAndPages() {
    const std::array<bool, 5> shutdown{true, false, false, false, false};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(m_form->OP_SHUTDOWN[i]->isChecked(), shutdown[i]);
    }
    QVERIFY(m_form->OP_PATTERN[0]->isChecked() && !m_form->OP_PATTERN[1]->isChecked() &&
            !m_form->OP_PATTERN[2]->isChecked());
    QVERIFY(!m_form->CHK_SHUTDOWN[0]->isChecked() && !m_form->CHK_SHUTDOWN[1]->isChecked());
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tovik"));
    const QSize icon(Described::kIconPixels, Described::kIconPixels);
    QCOMPARE(m_form->windowIcon().pixmap(icon).size(), icon);
    QCOMPARE(m_form->TIM_MAIN->interval(), Described::kTimerMs);
    QVERIFY(m_form->TIM_MAIN->isActive() && !m_form->TIM_MAIN->isSingleShot());

    QTabWidget* tabs = m_form->TAB1;
    QCOMPARE(tabs->currentIndex(), 0);
    const QStringList captions{QStringLiteral("設定(&T)"), QStringLiteral("スケジュール(&S)"),
                               QStringLiteral("メール設定(&M)"), QStringLiteral("ログ(&L)")};
    QCOMPARE(tabs->count(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(tabs->tabText(i), captions[i]);
    }
    const std::pair<QWidget*, QWidget*> placed[] = {
        {tabs->widget(0), m_form->Frame1},        {tabs->widget(0), m_form->CMD_EXIT},
        {m_form->Frame1, m_form->OP_SHUTDOWN[4]}, {m_form->Frame3, m_form->CHK_SHUTDOWN[1]},
        {m_form->Frame2, m_form->COM_DATE[2]},    {m_form->Frame4, m_form->COM_DATE[3]},
        {m_form->Frame4, m_form->OP_PATTERN[1]},  {tabs->widget(1), m_form->LVW1},
        {tabs->widget(2), m_form->TXT_MAIL_BODY}, {tabs->widget(2), m_form->CMD_TEST_SEND},
        {tabs->widget(3), m_form->TXT_LOG},       {m_form->PIC_STB, m_form->LB_STATUS},
    };
    for (const auto& [parent, child] : placed) {
        QVERIFY2(parent->isAncestorOf(child), qPrintable(child->objectName()));
    }
}

void TestForm1Layout::optionGroupsAreIndependent() {
    showOn(0);
    m_form->OP_SHUTDOWN[1]->setChecked(true);
    QTest::mouseClick(m_form->OP_PATTERN[1], Qt::LeftButton);
    QVERIFY(m_form->OP_PATTERN[1]->isChecked() && !m_form->OP_PATTERN[0]->isChecked());
    QVERIFY(m_form->OP_SHUTDOWN[1]->isChecked() && !m_form->OP_SHUTDOWN[0]->isChecked());

    QTest::mouseClick(m_form->OP_SHUTDOWN[2], Qt::LeftButton);
    QVERIFY(m_form->OP_SHUTDOWN[2]->isChecked() && !m_form->OP_SHUTDOWN[1]->isChecked());
    QVERIFY(m_form->OP_PATTERN[1]->isChecked());
}

void TestForm1Layout::comboBoxesTakeNoTypedText() {
    showOn(0);
    QComboBox* hours = m_form->COM_DATE[1];
    hours->addItems({QStringLiteral("00"), QStringLiteral("15")});
    hours->setFocus();
    QTest::keyClicks(hours, QStringLiteral("1x9"));
    QCOMPARE(hours->count(), 2);
    QVERIFY(hours->currentText() == QStringLiteral("15") ||
            hours->currentText() == QStringLiteral("00"));
}

void TestForm1Layout::logIsReadOnlyAndNothingWraps() {
    for (QPlainTextEdit* edit : {m_form->TXT_LOG, m_form->TXT_MAIL_BODY}) {
        QCOMPARE(edit->lineWrapMode(), QPlainTextEdit::NoWrap);
        QVERIFY(edit->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);
        QVERIFY(edit->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);
    }
    QVERIFY(!m_form->TXT_MAIL_BODY->isReadOnly());
    showOn(3);
    m_form->TXT_LOG->setFocus();
    QTest::keyClicks(m_form->TXT_LOG, QStringLiteral("abc"));
    QCOMPARE(m_form->TXT_LOG->toPlainText(), QString());
    QVERIFY(m_form->TXT_LOG->textInteractionFlags() & Qt::TextSelectableByMouse);
}

void TestForm1Layout::listHasFourFixedColumns() {
    showOn(1); // a stretched last column would only show once laid out
    QTreeWidget* list = m_form->LVW1;
    const QStringList headers{QStringLiteral("番号"), QStringLiteral("実行日"),
                              QStringLiteral("行動"), QStringLiteral("オプション")};
    QCOMPARE(list->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(list->headerItem()->text(c), headers[c]);
        QCOMPARE(list->columnWidth(c),
                 Described::pixels(Described::kColumnTwips[static_cast<std::size_t>(c)]));
    }
    QVERIFY(list->header()->defaultAlignment() & Qt::AlignLeft);
    QVERIFY(!list->rootIsDecorated() && !list->isSortingEnabled() && list->uniformRowHeights());
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->topLevelItemCount(), 0);
}

void TestForm1Layout::menusAndShortcuts() {
    const auto names = [](QWidget* menu) {
        QStringList out;
        for (QAction* a : menu->actions()) {
            out << a->objectName() + u'=' + (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        return out;
    };
    QCOMPARE(m_form->menuBar()->actions().size(), 2);
    QCOMPARE(m_form->menuBar()->actions()[0]->menu(), m_form->MNU_FILE);
    QCOMPARE(m_form->menuBar()->actions()[1]->menu(), m_form->MNU_HELP);
    QCOMPARE(m_form->MNU_FILE->title(), QStringLiteral("ファイル(&F)"));
    QCOMPARE(m_form->MNU_HELP->title(), QStringLiteral("ヘルプ(&H)"));
    QCOMPARE(m_form->MNU_POPUP->title(), QStringLiteral("ポップアップ"));
    QCOMPARE(names(m_form->MNU_FILE),
             QStringList({QStringLiteral("MNU_FILE_SHUTSOWN=シャットダウン(&S)"),
                          QStringLiteral("MNU_FILE_REBOOT=再起動(&R)"),
                          QStringLiteral("MNU_FILE_LOGOFF=ログオフ(&L)"),
                          QStringLiteral("MNU_FILE_SLEEP=スリープ(&P)"),
                          QStringLiteral("MNU_FILE_HIBERNATE=休止状態(&H)"),
                          QStringLiteral("vbline1=-"), QStringLiteral("MNU_FILE_EXIT=終了(&X)")}));
    QCOMPARE(names(m_form->MNU_HELP),
             QStringList{QStringLiteral("MNU_HELP_SHOW_VERSION=バージョン情報(&V)")});
    QCOMPARE(names(m_form->MNU_POPUP),
             QStringList({QStringLiteral("MNU_POPUP_SELECTITEM_DELETE=選択項目を削除(&D)"),
                          QStringLiteral("MNU_POPUP_SELECTITEM_EDIT=選択項目を編集(&E)"),
                          QStringLiteral("MNU_POPUP_SELECTITEM_CANCEL=今回の実行を中止"),
                          QStringLiteral("MNU_POPUP_SELECTITEM_POSTPONE=15分延期"),
                          QStringLiteral("vbline2=-")}));
    QCOMPARE(m_form->MNU_FILE->actions()[5], m_form->vbline1);
    QCOMPARE(m_form->MNU_POPUP->actions().last(), m_form->vbline2);
    for (QAction* none :
         {m_form->MNU_FILE_SLEEP, m_form->MNU_FILE_HIBERNATE, m_form->MNU_FILE_EXIT})
        QVERIFY(none->shortcut().isEmpty());

    // The keys reach the actions on another tab, without opening the menu.
    showOn(3);
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    const std::pair<QAction*, Qt::Key> keys[] = {{m_form->MNU_FILE_SHUTSOWN, Qt::Key_S},
                                                 {m_form->MNU_FILE_REBOOT, Qt::Key_R},
                                                 {m_form->MNU_FILE_LOGOFF, Qt::Key_L}};
    for (const auto& [action, key] : keys) {
        QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | key));
        // Only the key's route is under test; the power handlers would ask and wait.
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        QSignalSpy fired(action, &QAction::triggered);
        QTest::keyClick(m_form.get(), key, Qt::ControlModifier);
        QVERIFY2(fired.count() == 1, qPrintable(action->objectName()));
    }
}

void TestForm1Layout::windowIsFixedWithStatusBelowTabs() {
    showOn(0);
    const int width = Described::clientWidth();
    const int height = Described::clientHeight();
    QCOMPARE(m_form->centralWidget()->size(), QSize(width, height));
    QCOMPARE(m_form->height(), m_form->menuBar()->height() + height);
    const QSize before = m_form->size();
    m_form->resize(before + QSize(100, 100));
    QCoreApplication::processEvents();
    QCOMPARE(m_form->size(), before);

    QCOMPARE(m_form->Line1->geometry(), QRect(0, 0, width, 1));
    QCOMPARE(m_form->Line2->geometry(), QRect(0, 1, width, 1));
    QVERIFY(m_form->Line1->palette().color(QPalette::Window).lightness() <
            m_form->Line2->palette().color(QPalette::Window).lightness());

    const int strip = Described::kStatusStripPixels;
    QCOMPARE(m_form->PIC_STB->geometry(), QRect(0, height - strip, width, strip));
    const QRect tabs = m_form->TAB1->geometry();
    QVERIFY(tabs.top() >= 2 && tabs.bottom() < m_form->PIC_STB->y());
    QVERIFY(tabs.width() >= 370 && tabs.height() >= 290);
    for (int tab = 0; tab < 4; ++tab) {
        m_form->TAB1->setCurrentIndex(tab);
        QVERIFY(m_form->LB_STATUS->isVisible());
    }
}

void TestForm1Layout::pagesFitAndReadInOrder() {
    showOn(0);
    // A layout that needs more than its page squeezes controls over each other.
    for (int tab = 0; tab < 4; ++tab) {
        QWidget* page = m_form->TAB1->widget(tab);
        const QSize need = page->layout()->minimumSize();
        QVERIFY2(need.width() <= page->width() && need.height() <= page->height(),
                 qPrintable(QStringLiteral("tab %1 needs %2x%3, has %4x%5")
                                .arg(tab)
                                .arg(need.width())
                                .arg(need.height())
                                .arg(page->width())
                                .arg(page->height())));
    }
    const auto geo = [this](QWidget* w) {
        return QRect(w->mapTo(m_form.get(), QPoint()), w->size());
    };
    const auto leftOf = [&geo](QWidget* a, QWidget* b) { return geo(a).right() < geo(b).left(); };
    const auto above = [&geo](QWidget* a, QWidget* b) { return geo(a).bottom() < geo(b).top(); };
    Form1& f = *m_form;
    QCOMPARE(geo(f.Frame1).top(), geo(f.Frame3).top());
    QCOMPARE(geo(f.Frame1).height(), geo(f.Frame3).height());
    QVERIFY(leftOf(f.Frame1, f.Frame3) && above(f.Frame1, f.Frame2) && above(f.Frame2, f.Frame4));
    QVERIFY(above(f.Frame4, f.CMD_SET) && leftOf(f.CMD_DEFAULT, f.CMD_SET));
    QVERIFY(leftOf(f.CMD_SET, f.CMD_EXIT));
    QVERIFY(leftOf(f.Label1[1], f.COM_DATE[1]) && leftOf(f.COM_DATE[1], f.Label1[2]));
    QVERIFY(leftOf(f.Label1[2], f.COM_DATE[2]) && leftOf(f.COM_DATE[2], f.Label1[3]));
    QVERIFY(leftOf(f.OP_PATTERN[1], f.COM_DATE[3]) && leftOf(f.OP_PATTERN[0], f.OP_PATTERN[1]));
    QVERIFY(leftOf(f.OP_PATTERN[2], f.COM_DATE[4]) && leftOf(f.COM_DATE[4], f.Label1[4]));
    QVERIFY(geo(f.COM_DATE[0]).width() > geo(f.Frame2).width() / 2);
}

void TestForm1Layout::captionsFitTheirWidgets() {
    const QStringList families = QFontDatabase::families();
    if (!families.contains(QStringLiteral("IPAPGothic")) &&
        !families.contains(QStringLiteral("IPAGothic"))) {
        QSKIP("the IPA Japanese font is not installed; caption widths would mean nothing");
    }
    QVERIFY(QFontInfo(m_form->CMD_SET->font()).family().startsWith(QStringLiteral("IPA")));
    showOn(0);
    for (int tab = 0; tab < 4; ++tab) {
        m_form->TAB1->setCurrentIndex(tab);
        QWidget* page = m_form->TAB1->widget(tab);
        QList<QWidget*> captioned;
        for (QWidget* w : page->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) {
                captioned << w;
            }
        }
        if (tab == 0) {
            captioned << m_form->LB_STATUS;
        }
        for (QWidget* w : captioned) {
            const QString what = QStringLiteral("%1: needs %2x%3, has %4x%5")
                                     .arg(w->objectName())
                                     .arg(w->sizeHint().width())
                                     .arg(w->minimumSizeHint().height())
                                     .arg(w->width())
                                     .arg(w->height());
            QVERIFY2(w->sizeHint().width() <= w->width(), qPrintable(what));
            QVERIFY2(w->minimumSizeHint().height() <= w->height(), qPrintable(what));
        }
        // Group titles are drawn by the style, not by a child widget.
        for (QGroupBox* box : page->findChildren<QGroupBox*>()) {
            const int needed = box->fontMetrics().horizontalAdvance(box->title()) + 16;
            QVERIFY2(needed <= box->width(), qPrintable(box->objectName()));
        }
    }
    QVERIFY(m_form->TAB1->tabBar()->sizeHint().width() <= m_form->TAB1->width());
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tovik::ui::installJapaneseTranslations(app);
    TestForm1Layout test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_form1_layout.moc"
