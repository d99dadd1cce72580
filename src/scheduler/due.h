// The one definition of "due": an entry's next due minute, from which the tick, the plan,
// the warnings and the cancels all take theirs.
#pragma once

#include "schedule/entrytext.h"
#include "text/wallminute.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace tovik::scheduler {

using text::WallMinute;

// The first minute at or after from in which the entry is due; nullopt when it never is
// again (a one-off entry whose minute has passed).
std::optional<WallMinute> nextDueMinute(const schedule::WhenRule& rule, WallMinute from);

// True when the when-text is due in now's minute, that is when now's minute is its next due
// minute. Texts of neither form are never due.
bool isDue(const QString& whenText, const QDateTime& now);

} // namespace tovik::scheduler
