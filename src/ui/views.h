// Thin views over Form1's controls; they hold no data of their own.
#pragma once

#include "notify/mailsettings.h"
#include "schedule/schedulefile.h"
#include "schedule/schedulerows.h"

#include <QObject>

class QPlainTextEdit;
namespace tovik::text {
class Clock;
}
class QTreeWidget;

namespace tovik::ui {

class Form1;
class Presenter;

// LVW1 as the schedule list, 1-based.
class ScheduleList final : public schedule::ScheduleRows {
public:
    explicit ScheduleList(QTreeWidget* tree) : m_tree(tree) {}
    int count() const override;
    void append(const QString& number) override;
    QString text(int position, schedule::Column column) const override;
    void setText(int position, schedule::Column column, const QString& text) override;
    void remove(int position) override;
    // The row's item: it stays the same while rows before it are added or removed.
    quintptr rowKey(int position) const override;
    // The selected entry's position, or 0 when none is selected.
    int selectedPosition() const;

private:
    QTreeWidget* m_tree;
};

// Hovering over a row of the list shows its entry in words; a one-off entry whose minute
// is over is drawn greyed. Both read the row and the clock as they are shown.
class ScheduleListToolTips final : public QObject {
public:
    ScheduleListToolTips(QTreeWidget* tree, const text::Clock& clock);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* m_tree;
    QObject* m_viewport;
    const text::Clock& m_clock;
};

// TXT_MAIL(0)..(4).
class MailFieldsView final : public notify::MailFields {
public:
    explicit MailFieldsView(Form1& form) : m_form(form) {}
    QString text(notify::MailField field) const override;
    void setText(notify::MailField field, const QString& text) override;

private:
    Form1& m_form;
};

// The file error message box; with a noticeWhat, a notice "noticeWhat::number::description"
// instead, for a close the system asked for, which no box may hold up.
class FileErrorBox final : public text::FileErrorReporter {
public:
    explicit FileErrorBox(Presenter& presenter, QString noticeWhat = {})
        : m_presenter(presenter), m_noticeWhat(std::move(noticeWhat)) {}
    void showFileError(const text::FileError& error) override;

private:
    Presenter& m_presenter;
    QString m_noticeWhat;
};

// TXT_LOG's text with CR LF between lines, as the log file takes it.
QString logText(const QPlainTextEdit* log);
// Adds one line at the end, with the line break in front of it, and shows it.
void appendLogLine(QPlainTextEdit* log, const QString& line);

} // namespace tovik::ui
