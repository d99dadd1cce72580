#include "warnings.h"

#include "schedule/entrytext.h"
#include "text/dateforms.h"

#include <algorithm>

namespace tovik::scheduler {

namespace {
constexpr qint64 kFirstWarning = qint64{5} * 60;
constexpr qint64 kLastWarning = 60;
} // namespace

QString warningText(int minutesLeft, const QString& actionWord, WallMinute minute, int position) {
    return QStringLiteral("%1分後に%2します（%3、項目番号=%4）")
        .arg(QString::number(minutesLeft), actionWord, text::wallMinuteText(minute),
             QString::number(position));
}

QString cancelText(int position) {
    return QStringLiteral("項目番号=%1 の今回の実行を中止しました").arg(position);
}

QString postponeText(int position, WallMinute to) {
    return QStringLiteral("項目番号=%1 の実行を %2 に延期しました")
        .arg(QString::number(position), text::hourMinuteText(to.minuteOfDay()));
}

QString skippedText(int position, WallMinute minute) {
    return QStringLiteral("項目番号=%1（%2）は時刻が変わったため実行されませんでした")
        .arg(QString::number(position), text::wallMinuteText(minute));
}

void WarningSchedule::forget(quintptr key) {
    std::erase_if(m_given, [key](const auto& given) { return std::get<0>(given) == key; });
}

std::vector<Warning> WarningSchedule::take(const std::vector<PlannedRun>& plan,
                                           const schedule::ScheduleRows& rows,
                                           const QDateTime& now) {
    const qint64 second = text::wallSecond(now);
    const qint64 minute = WallMinute::of(now).count();
    std::erase_if(m_given, [minute](const auto& given) { return std::get<1>(given) < minute; });

    std::vector<Warning> due;
    for (const PlannedRun& run : plan) {
        const qint64 left = run.minute.count() * 60 - second;
        if (left > kFirstWarning)
            break;
        // The run's minute has begun: the tick is carrying it out.
        if (left <= 0 || run.position > rows.count())
            continue;
        const int level = left <= kLastWarning ? 1 : 5;
        const qint64 at = run.minute.count();
        if (m_given.count({run.key, at, 1}) > 0 ||
            (level == 5 && m_given.count({run.key, at, 5}) > 0))
            continue;
        const QString word = rows.text(run.position, schedule::Column::Action);
        if (!schedule::actionFor(word))
            continue;
        m_given.insert({run.key, at, level});
        const auto minutesLeft = static_cast<int>((left + 59) / 60);
        due.push_back({run, minutesLeft, warningText(minutesLeft, word, run.minute, run.position)});
    }
    return due;
}

} // namespace tovik::scheduler
