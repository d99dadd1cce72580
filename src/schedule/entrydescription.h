// An entry in words, for the list's row tooltip: when, what, and which options.
#pragma once

#include <QString>

namespace tovik::schedule {

// Three lines: "毎週 水曜日 22:30" or "2026/12/07 22:30" (or the text itself with a note
// when the tick could never find it due), the action, and the options in Japanese.
QString entryDescription(const QString& whenText, const QString& actionWord,
                         const QString& optionsText);

} // namespace tovik::schedule
