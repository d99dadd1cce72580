// The schedule list as the routines see it: rows addressed by 1-based position.
#pragma once

#include "text/textlines.h"

#include <QString>

namespace tovik::schedule {

// Positions and the entry count are 16-bit in the stored format's world.
inline constexpr int kMaxEntries = text::kMaxLines;

enum class Column { Number = 0, When = 1, Action = 2, Options = 3 };

class ScheduleRows {
public:
    virtual ~ScheduleRows() = default;
    virtual int count() const = 0;
    // Appends an entry with this number and empty other fields.
    virtual void append(const QString& number) = 0;
    virtual QString text(int position, Column column) const = 0;
    virtual void setText(int position, Column column, const QString& text) = 0;
    // Removes the entry; the ones behind move up and keep their numbers.
    virtual void remove(int position) = 0;
    // Names the row for as long as it exists, wherever rows before it come and go; a list
    // whose rows never move may go by position.
    virtual quintptr rowKey(int position) const { return static_cast<quintptr>(position); }
};

} // namespace tovik::schedule
