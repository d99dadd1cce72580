// An in-memory schedule list and a recording error reporter for tests without a window.
#pragma once

#include "schedule/schedulefile.h"
#include "schedule/schedulerows.h"

#include <QList>
#include <QStringList>
#include <array>

namespace tovik::testing {

class FakeRows final : public schedule::ScheduleRows {
public:
    int count() const override { return static_cast<int>(m_rows.size()); }
    void append(const QString& number) override {
        m_rows.append({number, {}, {}, {}});
        m_keys.append(++m_lastKey);
    }
    QString text(int position, schedule::Column column) const override {
        return m_rows.at(position - 1).at(static_cast<std::size_t>(column));
    }
    void setText(int position, schedule::Column column, const QString& text) override {
        m_rows[position - 1][static_cast<std::size_t>(column)] = text;
    }
    void remove(int position) override {
        m_rows.removeAt(position - 1);
        m_keys.removeAt(position - 1);
    }
    quintptr rowKey(int position) const override { return m_keys.at(position - 1); }

    // Appends a whole entry.
    void add(const QString& when, const QString& action, const QString& options = {}) {
        m_rows.append({QString::number(count() + 1), when, action, options});
        m_keys.append(++m_lastKey);
    }
    // "number|when|action|options" per entry, for compact comparisons.
    QStringList dump() const {
        QStringList out;
        for (const auto& r : m_rows)
            out << QStringList{r[0], r[1], r[2], r[3]}.join(u'|');
        return out;
    }

private:
    QList<std::array<QString, 4>> m_rows;
    QList<quintptr> m_keys; // never reused, like a row of the real list while it lives
    quintptr m_lastKey = 0;
};

class RecordingReporter final : public schedule::FileErrorReporter {
public:
    void showFileError(const text::FileError& error) override { errors.append(error); }
    QList<text::FileError> errors;
};

} // namespace tovik::testing
