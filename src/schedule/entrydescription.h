// An entry in words, for the list's row tooltip: when, what, and which options.
#pragma once

#include <QDateTime>
#include <QString>

namespace tovik::schedule {

// Three lines: "毎週 水曜日 22:30", "2026/12/07 22:30", "30分後（22:11）" for a one-off entry
// a countdown could have made now, or the text with a note when the tick will never find it
// due (again), the action, and the options in Japanese.
QString entryDescription(const QString& whenText, const QString& actionWord,
                         const QString& optionsText, const QDateTime& now);

// A one-off entry whose minute is over: it stays in the list but will not run.
bool hasPassed(const QString& whenText, const QDateTime& now);

} // namespace tovik::schedule
