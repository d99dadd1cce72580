// isDue on any when-text, at a clock chosen by the input: it must never crash, a due text
// always names the current minute, and the plan of coming runs agrees with it.
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
    return 0;
}
