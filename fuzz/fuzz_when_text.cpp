// isDue on any when-text, at a clock chosen by the input: it must never crash, a due text
// always names the current minute and one of its weekdays, and the plan agrees with it.
#include "fuzzsupport.h"
#include "scheduler/plan.h"
#include "scheduler/tick.h"
#include "support/fakerows.h"
#include "text/cp932.h"
#include "text/dateforms.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    // Two bytes pick the day (from 2020 on, so weekdays and month ends vary), one the minute.
    const int day = data[0] | (data[1] & 0x0F) << 8;
    const int minute = data[2] * 1440 / 256;
    const QDateTime now(QDate(2020, 1, 1).addDays(day), QTime(minute / 60, minute % 60, 15));

    const QString text = tovik::text::decodeCp932(
        QByteArray(reinterpret_cast<const char*>(data + 3), static_cast<qsizetype>(size - 3)));
    const bool due = tovik::scheduler::isDue(text, now);
    tovik::testing::FakeRows rows;
    rows.add(text, QStringLiteral("シャットダウン"));
    const auto runs = tovik::scheduler::planRuns(rows, now, {});
    if (due != (!runs.empty() && runs.front().minute == tovik::text::WallMinute::of(now)))
        tovik::fuzz::fail("the plan and the tick disagree", text);
    if (due) {
        const QString minuteText = tovik::text::clockText(now.time()).left(5);
        if (!text.contains(minuteText))
            tovik::fuzz::fail("due without the current minute", text);
    }
    // A weekly entry, of one day or a set, is due on its own days only, and the editor's
    // form of a set reads back as the same set.
    const auto rule = tovik::schedule::parseWhenText(text);
    if (due && rule->weekly() && !rule->onWeekday(tovik::text::weekdayDigit(now.date())))
        tovik::fuzz::fail("due on another weekday", text);
    if (rule && rule->weekdaySet) {
        const auto again = tovik::schedule::parseWhenText(
            tovik::schedule::weekdaySetWhenText(rule->weekdays, QStringLiteral("2026/12/10"),
                                                QStringLiteral("18"), QStringLiteral("00")));
        if (!again || again->weekdays != rule->weekdays)
            tovik::fuzz::fail("a weekday set written again reads otherwise", text);
    }
    return 0;
}
