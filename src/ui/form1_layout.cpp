// Form1's controls, captions, initial values and fixed geometry (behaviour lives in form1.cpp).
#include "form1.h"

#include "app/versioninfo.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

// The resource lives in a static library, so its initializer must be pulled in by name;
// Q_INIT_RESOURCE cannot be used inside a namespace.
static void initTovikResources() {
    Q_INIT_RESOURCE(resources);
}

namespace tovik::ui {

namespace {

constexpr int kClientWidth = 378;
constexpr int kClientHeight = 331;
constexpr int kStatusHeight = 17;
constexpr int kTabTop = 4;
constexpr int kTabBottomGap = 2;

QString idx(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// The window was laid out for a 9-point Japanese UI font at 96 dpi; a pixel size keeps the
// fixed geometry valid whatever the screen's dpi. Only the first installed family is handed
// on: Qt asks fontconfig for fallbacks of every listed family it cannot find, which costs
// more of the start-up than the rest of the window's own work.
QFont compactFont(const QFont& base) {
    static const std::array kFamilies{
        QStringLiteral("MS UI Gothic"),     QStringLiteral("Meiryo UI"),
        QStringLiteral("IPAPGothic"),       QStringLiteral("IPAGothic"),
        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
        QStringLiteral("TakaoPGothic")};
    QFont font = base;
    // One list for all: each hasFamily() would build it anew.
    const QStringList families = QFontDatabase::families();
    const auto installed = std::find_if(kFamilies.begin(), kFamilies.end(), [&](const QString& f) {
        return families.contains(f, Qt::CaseInsensitive);
    });
    if (installed != kFamilies.end()) {
        font.setFamilies({*installed, base.family()});
    }
    font.setPixelSize(12);
    return font;
}

// The style's default margins make tab 0 taller than its page; these keep every row whole.
void compact(QLayout* layout, int side, int vertical, int spacing) {
    layout->setContentsMargins(side, vertical, side, vertical);
    layout->setSpacing(spacing);
}

QFrame* makeLine(QWidget* parent, const QString& name, const QColor& color, int y) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, color);
    line->setPalette(pal);
    line->setGeometry(0, y, kClientWidth, 1);
    return line;
}

QLabel* makeLabel(const QString& name, const QString& text, QWidget* buddy = nullptr) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    // Without a buddy QLabel would show the "&" literally.
    if (buddy != nullptr) {
        label->setBuddy(buddy);
    }
    return label;
}

QComboBox* makeDropDownList(const QString& name) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->setEditable(false);
    // Empty lists would otherwise shrink to nothing before Form_Load fills them.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return combo;
}

QPushButton* makeButton(const QString& name, const QString& text) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

void Form1::buildUi() {
    initTovikResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(app::kApplicationTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/tovik.png")));
    setFont(compactFont(font()));

    // ---- Menus ----
    MNU_FILE = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    MNU_FILE->setObjectName(QStringLiteral("MNU_FILE"));
    const auto addItem = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    MNU_FILE_SHUTSOWN =
        addItem(MNU_FILE, "MNU_FILE_SHUTSOWN", QStringLiteral("シャットダウン(&S)"));
    MNU_FILE_REBOOT = addItem(MNU_FILE, "MNU_FILE_REBOOT", QStringLiteral("再起動(&R)"));
    MNU_FILE_LOGOFF = addItem(MNU_FILE, "MNU_FILE_LOGOFF", QStringLiteral("ログオフ(&L)"));
    MNU_FILE_SLEEP = addItem(MNU_FILE, "MNU_FILE_SLEEP", QStringLiteral("スリープ(&P)"));
    MNU_FILE_HIBERNATE = addItem(MNU_FILE, "MNU_FILE_HIBERNATE", QStringLiteral("休止状態(&H)"));
    vbline1 = MNU_FILE->addSeparator();
    vbline1->setObjectName(QStringLiteral("vbline1"));
    MNU_FILE_EXIT = addItem(MNU_FILE, "MNU_FILE_EXIT", QStringLiteral("終了(&X)"));

    const std::array<std::pair<QAction*, QKeyCombination>, 3> shortcuts{{
        {MNU_FILE_SHUTSOWN, Qt::CTRL | Qt::Key_S},
        {MNU_FILE_REBOOT, Qt::CTRL | Qt::Key_R},
        {MNU_FILE_LOGOFF, Qt::CTRL | Qt::Key_L},
    }};
    for (const auto& [action, keys] : shortcuts) {
        action->setShortcut(QKeySequence(keys));
        action->setShortcutContext(Qt::WindowShortcut);
        // Owned by the window too, so the keys work on every tab without opening the menu.
        addAction(action);
    }

    MNU_HELP = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    MNU_HELP->setObjectName(QStringLiteral("MNU_HELP"));
    MNU_HELP_SHOW_VERSION =
        addItem(MNU_HELP, "MNU_HELP_SHOW_VERSION", QStringLiteral("バージョン情報(&V)"));

    // The list's pop-up menu: a menu of the window, but never in the bar.
    MNU_POPUP = new QMenu(QStringLiteral("ポップアップ"), this);
    MNU_POPUP->setObjectName(QStringLiteral("MNU_POPUP"));
    MNU_POPUP_SELECTITEM_DELETE =
        addItem(MNU_POPUP, "MNU_POPUP_SELECTITEM_DELETE", QStringLiteral("選択項目を削除(&D)"));
    MNU_POPUP_SELECTITEM_EDIT =
        addItem(MNU_POPUP, "MNU_POPUP_SELECTITEM_EDIT", QStringLiteral("選択項目を編集(&E)"));
    MNU_POPUP_SELECTITEM_CANCEL =
        addItem(MNU_POPUP, "MNU_POPUP_SELECTITEM_CANCEL", QStringLiteral("今回の実行を中止"));
    MNU_POPUP_SELECTITEM_POSTPONE =
        addItem(MNU_POPUP, "MNU_POPUP_SELECTITEM_POSTPONE", QStringLiteral("15分延期"));
    vbline2 = MNU_POPUP->addSeparator();
    vbline2->setObjectName(QStringLiteral("vbline2"));

    // ---- Client area: fixed positions, as the window never resizes ----
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    // An etched separator under the menu bar.
    Line1 = makeLine(client, QStringLiteral("Line1"),
                     palette().color(QPalette::Disabled, QPalette::WindowText), 0);
    Line2 = makeLine(client, QStringLiteral("Line2"), palette().color(QPalette::Light), 1);

    TAB1 = new QTabWidget(client);
    TAB1->setObjectName(QStringLiteral("TAB1"));
    TAB1->setDocumentMode(false);
    TAB1->setUsesScrollButtons(false);
    TAB1->setGeometry(2, kTabTop, kClientWidth - 4,
                      kClientHeight - kStatusHeight - kTabTop - kTabBottomGap);

    PIC_STB = new QFrame(client);
    PIC_STB->setObjectName(QStringLiteral("PIC_STB"));
    PIC_STB->setFrameShape(QFrame::NoFrame);
    PIC_STB->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
    LB_STATUS = new QLabel(QStringLiteral("ステータス表示・・・"), PIC_STB);
    LB_STATUS->setObjectName(QStringLiteral("LB_STATUS"));
    LB_STATUS->setGeometry(4, 0, kClientWidth - 8, kStatusHeight);
    LB_STATUS->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // ---- Tab 0: the schedule editor ----
    auto* page0 = new QWidget;
    page0->setObjectName(QStringLiteral("TAB1_page0"));

    Frame1 = new QGroupBox(QStringLiteral("行動項目(&R)"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* frame1Layout = new QVBoxLayout(Frame1);
    compact(frame1Layout, 6, 2, 0);
    const std::array<QString, 5> actionCaptions{
        QStringLiteral("シャットダウンする(&S)"), QStringLiteral("再起動する(&R)"),
        QStringLiteral("ログオフする(&L)"), QStringLiteral("スリープする(&P)"),
        QStringLiteral("休止状態にする(&H)")};
    auto* shutdownGroup = new QButtonGroup(this);
    shutdownGroup->setObjectName(QStringLiteral("OP_SHUTDOWN"));
    for (int i = 0; i < 5; ++i) {
        OP_SHUTDOWN[i] = new QRadioButton(actionCaptions[i]);
        OP_SHUTDOWN[i]->setObjectName(idx("OP_SHUTDOWN", i));
        shutdownGroup->addButton(OP_SHUTDOWN[i], i);
        frame1Layout->addWidget(OP_SHUTDOWN[i]);
    }
    OP_SHUTDOWN[0]->setChecked(true);
    frame1Layout->addStretch(1);

    Frame3 = new QGroupBox(QStringLiteral("オプション(&O)"));
    Frame3->setObjectName(QStringLiteral("Frame3"));
    auto* frame3Layout = new QVBoxLayout(Frame3);
    compact(frame3Layout, 6, 2, 0);
    const std::array<QString, 2> optionCaptions{QStringLiteral("メールを送信する(&M)"),
                                                QStringLiteral("ログを保存(&D)")};
    for (int i = 0; i < 2; ++i) {
        CHK_SHUTDOWN[i] = new QCheckBox(optionCaptions[i]);
        CHK_SHUTDOWN[i]->setObjectName(idx("CHK_SHUTDOWN", i));
        frame3Layout->addWidget(CHK_SHUTDOWN[i]);
    }
    frame3Layout->addStretch(1);

    Frame2 = new QGroupBox(QStringLiteral("日付設定(&D)"));
    Frame2->setObjectName(QStringLiteral("Frame2"));
    for (int i = 0; i < 5; ++i) {
        COM_DATE[i] = makeDropDownList(idx("COM_DATE", i));
    }
    COM_DATE[0]->setMinimumContentsLength(12);
    COM_DATE[1]->setMinimumContentsLength(2);
    COM_DATE[2]->setMinimumContentsLength(2);
    COM_DATE[3]->setMinimumContentsLength(4);
    COM_DATE[4]->setMinimumContentsLength(3);
    // Two or three digits: narrow boxes leave the time row room for the countdown.
    for (const std::size_t i : {1U, 2U, 4U})
        COM_DATE.at(i)->setFixedWidth(50);
    Label1[0] = makeLabel(idx("Label1", 0), QStringLiteral("実行日(&D)"), COM_DATE[0]);
    Label1[1] = makeLabel(idx("Label1", 1), QStringLiteral("時間(&T)"), COM_DATE[1]);
    Label1[2] = makeLabel(idx("Label1", 2), QStringLiteral("時"));
    Label1[3] = makeLabel(idx("Label1", 3), QStringLiteral("分"));
    auto* frame2Layout = new QGridLayout(Frame2);
    compact(frame2Layout, 6, 2, 2);
    frame2Layout->addWidget(Label1[0], 0, 0);
    frame2Layout->addWidget(COM_DATE[0], 0, 1, 1, 7);
    frame2Layout->addWidget(Label1[1], 1, 0);
    frame2Layout->addWidget(COM_DATE[1], 1, 1);
    frame2Layout->addWidget(Label1[2], 1, 2);
    frame2Layout->addWidget(COM_DATE[2], 1, 3);
    frame2Layout->addWidget(Label1[3], 1, 4);
    frame2Layout->setColumnStretch(5, 1);

    Frame4 = new QGroupBox(QStringLiteral("パターン(&P)"));
    Frame4->setObjectName(QStringLiteral("Frame4"));
    auto* patternGroup = new QButtonGroup(this);
    patternGroup->setObjectName(QStringLiteral("OP_PATTERN"));
    const std::array<QString, 3> patternCaptions{QStringLiteral("今日のみ(&O)"),
                                                 QStringLiteral("スケジュール追加(&O)"),
                                                 QStringLiteral("今から(&N)")};
    for (int i = 0; i < 3; ++i) {
        OP_PATTERN[i] = new QRadioButton(patternCaptions[i]);
        OP_PATTERN[i]->setObjectName(idx("OP_PATTERN", i));
        patternGroup->addButton(OP_PATTERN[i], i);
    }
    OP_PATTERN[0]->setChecked(true);
    // One row: the action frame's five choices leave no height to spare. The countdown sits
    // in the time row, where it reads as the other way of saying when.
    Label1[4] = makeLabel(idx("Label1", 4), QStringLiteral("分後"));
    CMD_WEEKDAYS = new QToolButton;
    CMD_WEEKDAYS->setObjectName(QStringLiteral("CMD_WEEKDAYS"));
    CMD_WEEKDAYS->setText(QStringLiteral("…"));
    CMD_WEEKDAYS->setToolTip(QStringLiteral("曜日を組み合わせて選ぶ"));
    auto* frame4Layout = new QHBoxLayout(Frame4);
    compact(frame4Layout, 6, 2, 3);
    frame4Layout->addWidget(OP_PATTERN[0]);
    frame4Layout->addWidget(OP_PATTERN[1]);
    frame4Layout->addWidget(COM_DATE[3]);
    frame4Layout->addWidget(CMD_WEEKDAYS);
    frame4Layout->addStretch(1);
    frame2Layout->addWidget(OP_PATTERN[2], 1, 5, Qt::AlignRight);
    frame2Layout->addWidget(COM_DATE[4], 1, 6);
    frame2Layout->addWidget(Label1[4], 1, 7);

    CMD_DEFAULT = makeButton(QStringLiteral("CMD_DEFAULT"), QStringLiteral("初期値に戻す(&D)"));
    CMD_SET = makeButton(QStringLiteral("CMD_SET"), QStringLiteral("設定(&S)"));
    CMD_EXIT = makeButton(QStringLiteral("CMD_EXIT"), QStringLiteral("終了(&X)"));
    CMD_CANCEL_EDIT =
        makeButton(QStringLiteral("CMD_CANCEL_EDIT"), QStringLiteral("編集を中止(&C)"));
    CMD_CANCEL_EDIT->hide();
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(6);
    buttonRow->addWidget(CMD_DEFAULT);
    buttonRow->addWidget(CMD_CANCEL_EDIT);
    buttonRow->addStretch(1);
    buttonRow->addWidget(CMD_SET);
    buttonRow->addWidget(CMD_EXIT);

    auto* page0Layout = new QGridLayout(page0);
    compact(page0Layout, 4, 3, 2);
    page0Layout->addWidget(Frame1, 0, 0);
    page0Layout->addWidget(Frame3, 0, 1);
    page0Layout->addWidget(Frame2, 1, 0, 1, 2);
    page0Layout->addWidget(Frame4, 2, 0, 1, 2);
    page0Layout->setRowStretch(3, 1);
    page0Layout->addLayout(buttonRow, 4, 0, 1, 2);
    page0Layout->setColumnStretch(0, 1);
    page0Layout->setColumnStretch(1, 1);
    TAB1->addTab(page0, QStringLiteral("設定(&T)"));

    // ---- Tab 1: the schedule list ----
    auto* page1 = new QWidget;
    page1->setObjectName(QStringLiteral("TAB1_page1"));
    LVW1 = new QTreeWidget;
    LVW1->setObjectName(QStringLiteral("LVW1"));
    LVW1->setColumnCount(4);
    LVW1->setHeaderLabels({QStringLiteral("番号"), QStringLiteral("実行日"), QStringLiteral("行動"),
                           QStringLiteral("オプション")});
    LVW1->setRootIsDecorated(false);
    LVW1->setItemsExpandable(false);
    LVW1->setSortingEnabled(false);
    LVW1->setUniformRowHeights(true);
    LVW1->setSelectionMode(QAbstractItemView::SingleSelection);
    LVW1->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVW1->setAllColumnsShowFocus(true);
    LVW1->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The columns keep their set widths; the list scrolls sideways instead of stretching.
    LVW1->header()->setStretchLastSection(false);
    LVW1->header()->setSectionsMovable(false);
    const std::array<int, 4> widths{47, 133, 167, 267};
    for (int c = 0; c < 4; ++c) {
        LVW1->setColumnWidth(c, widths[c]);
    }
    auto* page1Layout = new QVBoxLayout(page1);
    compact(page1Layout, 3, 3, 0);
    page1Layout->addWidget(LVW1);
    TAB1->addTab(page1, QStringLiteral("スケジュール(&S)"));

    TIM_MAIN = new QTimer(this);
    TIM_MAIN->setObjectName(QStringLiteral("TIM_MAIN"));
    TIM_MAIN->setTimerType(Qt::CoarseTimer);
    TIM_MAIN->setInterval(5000);
    TIM_MAIN->start();

    // ---- Tab 2: mail settings ----
    auto* page2 = new QWidget;
    page2->setObjectName(QStringLiteral("TAB1_page2"));
    const std::array<QString, 5> mailCaptions{
        QStringLiteral("SMTPサーバー名(&S)"), QStringLiteral("宛先(&A)"),
        QStringLiteral("送信元(&C)"), QStringLiteral("件名(&O)"), QStringLiteral("本文(&L)")};
    auto* page2Layout = new QGridLayout(page2);
    compact(page2Layout, 6, 4, 4);
    for (int i = 0; i < 4; ++i) {
        TXT_MAIL_LINE[i] = new QLineEdit;
        TXT_MAIL_LINE[i]->setObjectName(idx("TXT_MAIL", i));
        LB_LABEL1[i] = makeLabel(idx("LB_LABEL1", i), mailCaptions[i], TXT_MAIL_LINE[i]);
        page2Layout->addWidget(LB_LABEL1[i], i, 0);
        page2Layout->addWidget(TXT_MAIL_LINE[i], i, 1);
    }
    TXT_MAIL_LINE[0]->setPlaceholderText(QStringLiteral("host[:port] / smtp(s)://user@host"));
    TXT_MAIL_LINE[3]->setText(QStringLiteral("From Tovik"));
    TXT_MAIL_BODY = new QPlainTextEdit;
    TXT_MAIL_BODY->setObjectName(idx("TXT_MAIL", 4));
    TXT_MAIL_BODY->setLineWrapMode(QPlainTextEdit::NoWrap);
    TXT_MAIL_BODY->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TXT_MAIL_BODY->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TXT_MAIL_BODY->setTabChangesFocus(true);
    LB_LABEL1[4] = makeLabel(idx("LB_LABEL1", 4), mailCaptions[4], TXT_MAIL_BODY);
    page2Layout->addWidget(LB_LABEL1[4], 4, 0, 1, 2);
    page2Layout->addWidget(TXT_MAIL_BODY, 5, 0, 1, 2);
    page2Layout->setRowStretch(5, 1);
    CMD_TEST_SEND = makeButton(QStringLiteral("CMD_TEST_SEND"), QStringLiteral("テスト送信(&S)"));
    page2Layout->addWidget(CMD_TEST_SEND, 6, 0, 1, 2, Qt::AlignRight);
    page2Layout->setColumnStretch(1, 1);
    TAB1->addTab(page2, QStringLiteral("メール設定(&M)"));

    // ---- Tab 3: the activity log ----
    auto* page3 = new QWidget;
    page3->setObjectName(QStringLiteral("TAB1_page3"));
    TXT_LOG = new QPlainTextEdit;
    TXT_LOG->setObjectName(QStringLiteral("TXT_LOG"));
    TXT_LOG->setReadOnly(true);
    TXT_LOG->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The program only ever appends; an undo history would grow with every line.
    TXT_LOG->setUndoRedoEnabled(false);
    TXT_LOG->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TXT_LOG->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Read-only still lets the user select and copy with mouse and keyboard.
    TXT_LOG->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* page3Layout = new QVBoxLayout(page3);
    compact(page3Layout, 3, 3, 0);
    page3Layout->addWidget(TXT_LOG);
    TAB1->addTab(page3, QStringLiteral("ログ(&L)"));

    TAB1->setCurrentIndex(0);

    // The window is exactly the menu bar over the fixed client area, and cannot be resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace tovik::ui
