#include "views.h"

#include "form1.h"
#include "presenter.h"
#include "schedule/entrydescription.h"
#include "text/clock.h"
#include "text/textlines.h"

#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>
#include <QTreeWidget>

namespace tovik::ui {

int ScheduleList::count() const {
    return m_tree->topLevelItemCount();
}

void ScheduleList::append(const QString& number) {
    auto* item = new QTreeWidgetItem(m_tree);
    item->setText(0, number);
}

QString ScheduleList::text(int position, schedule::Column column) const {
    return m_tree->topLevelItem(position - 1)->text(static_cast<int>(column));
}

void ScheduleList::setText(int position, schedule::Column column, const QString& text) {
    m_tree->topLevelItem(position - 1)->setText(static_cast<int>(column), text);
}

void ScheduleList::remove(int position) {
    delete m_tree->takeTopLevelItem(position - 1);
}

quintptr ScheduleList::rowKey(int position) const {
    return reinterpret_cast<quintptr>(m_tree->topLevelItem(position - 1));
}

namespace {

// Greys the rows of past one-off entries as they are painted: only the rows on the screen
// are looked at, so a long list costs nothing more.
class PastRowsGreyed final : public QStyledItemDelegate {
public:
    PastRowsGreyed(QTreeWidget* tree, const text::Clock& clock)
        : QStyledItemDelegate(tree), m_clock(clock) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString when =
            index.siblingAtColumn(static_cast<int>(schedule::Column::When)).data().toString();
        if (schedule::hasPassed(when, m_clock.now())) {
            const QColor grey = option->palette.color(QPalette::Disabled, QPalette::Text);
            option->palette.setColor(QPalette::Text, grey);
            option->palette.setColor(
                QPalette::HighlightedText,
                option->palette.color(QPalette::Disabled, QPalette::HighlightedText));
        }
    }

private:
    const text::Clock& m_clock;
};

} // namespace

ScheduleListToolTips::ScheduleListToolTips(QTreeWidget* tree, const text::Clock& clock)
    : QObject(tree), m_tree(tree), m_viewport(tree->viewport()), m_clock(clock) {
    m_viewport->installEventFilter(this);
    m_tree->setItemDelegate(new PastRowsGreyed(tree, clock));
}

bool ScheduleListToolTips::eventFilter(QObject* watched, QEvent* event) {
    // Compared with the viewport kept at the start: the tree may be half destroyed when its
    // viewport's last events come.
    if (watched != m_viewport || event->type() != QEvent::ToolTip)
        return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    QTreeWidgetItem* item = m_tree->itemAt(help->pos());
    if (item == nullptr) {
        QToolTip::hideText();
        return true;
    }
    const ScheduleList rows(m_tree);
    const int position = m_tree->indexOfTopLevelItem(item) + 1;
    using schedule::Column;
    QToolTip::showText(help->globalPos(),
                       schedule::entryDescription(
                           rows.text(position, Column::When), rows.text(position, Column::Action),
                           rows.text(position, Column::Options), m_clock.now()),
                       m_tree->viewport(), m_tree->visualItemRect(item));
    return true;
}

int ScheduleList::selectedPosition() const {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->isSelected())
        return 0;
    return m_tree->indexOfTopLevelItem(item) + 1;
}

QString MailFieldsView::text(notify::MailField field) const {
    return m_form.mailText(field);
}

void MailFieldsView::setText(notify::MailField field, const QString& text) {
    m_form.setMailText(field, text);
}

void FileErrorBox::showFileError(const text::FileError& error) {
    if (m_noticeWhat.isEmpty())
        m_presenter.message(schedule::fileErrorMessage(error));
    else
        m_presenter.notice(m_noticeWhat + QStringLiteral("::") + QString::number(error.number) +
                           QStringLiteral("::") + error.description);
}

QString logText(const QPlainTextEdit* log) {
    return text::normalizeLineEnds(log->toPlainText());
}

void appendLogLine(QPlainTextEdit* log, const QString& line) {
    const QString text = text::normalizeLineEnds(line, u"\n");
    // Inserting at the end costs the same at any length; setPlainText would re-lay out
    // the whole log on every line.
    QTextCursor cursor(log->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QLatin1Char('\n') + text);
    log->verticalScrollBar()->setValue(log->verticalScrollBar()->maximum());
}

} // namespace tovik::ui
