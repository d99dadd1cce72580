// The minute a when-text stands for, read by the same rules as the tick's due test.
#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace tovik::schedule {

struct WhenRule {
    int weekday = 0; // 1 Sunday .. 7 Saturday for a weekly entry; 0 for a one-off entry
    QDate date;      // the day of a one-off entry
    int minuteOfDay = 0;

    bool weekly() const { return weekday != 0; }
};

// nullopt for a text the tick would never find due, whatever the clock says.
std::optional<WhenRule> whenRule(const QString& whenText);

// Sunday first, as the editor lists them.
QString weekdayName(int weekday);

} // namespace tovik::schedule
