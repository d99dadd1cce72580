// One scheduler tick over a full list of which no entry is due: the whole tick, and the
// longest stretch in it during which no event could be handled.
#include "benchsupport.h"
#include "schedule/schedulefile.h"
#include "scheduler/tick.h"
#include "support/fakerows.h"
#include "ui/views.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>

using namespace tovik;

namespace {

enum class Where { WindowHidden = 0, OtherTab = 1, ListTab = 2 };

void BM_Tick(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    const auto where = static_cast<Where>(state.range(1));
    const bool probed = state.range(2) != 0;
    bench::BenchWindow window;
    ui::Form1& form = window.form();
    const QString path = window.file(QStringLiteral("fill.ini"));
    bench::writeFile(path, bench::makeScheduleBytes(entries));
    ui::ScheduleList rows(form.LVW1);
    testing::RecordingReporter reporter;
    schedule::LoadSchedule(
        path, rows, [] {}, reporter);
    if (where != Where::WindowHidden)
        window.showOnTab(where == Where::ListTab ? 1 : 0);

    // A 0 ms timer fires at every chance the tick's yields give to other events; the gaps
    // between its firings are how long the window stayed deaf.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    qint64 firings = 0;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 t = clock.nsecsElapsed();
        longest = std::max(longest, t - last);
        last = t;
        ++firings;
    });

    const QString statusBefore = form.LB_STATUS->text();
    qint64 worst = 0;
    for (auto _ : state) {
        if (probed)
            probe.start();
        clock.start();
        last = 0;
        longest = 0;
        form.TIM_MAIN_Timer();
        // The stretch from the last yield to the tick's end counts too.
        longest = std::max(longest, clock.nsecsElapsed() - last);
        state.PauseTiming();
        probe.stop();
        worst = std::max(worst, longest);
        state.ResumeTiming();
    }
    if (form.LB_STATUS->text() != statusBefore)
        state.SkipWithError("an entry was due: the tick must find none");
    if (probed) {
        state.counters["max_gap_ms"] = static_cast<double>(worst) / 1e6;
        state.counters["probe_firings"] =
            static_cast<double>(firings) / static_cast<double>(state.iterations());
    }
}

// The tick's parts alone, as baselines: the yields, the due tests, the reads from the list.
void BM_TickPart(benchmark::State& state) {
    const int part = static_cast<int>(state.range(0));
    bench::BenchWindow window;
    const QString path = window.file(QStringLiteral("fill.ini"));
    bench::writeFile(path, bench::makeScheduleBytes(schedule::kMaxEntries));
    ui::ScheduleList rows(window.form().LVW1);
    testing::RecordingReporter reporter;
    schedule::LoadSchedule(
        path, rows, [] {}, reporter);
    QStringList texts;
    for (int i = 1; i <= rows.count(); ++i)
        texts << rows.text(i, schedule::Column::When);
    for (auto _ : state) {
        int due = 0;
        for (int i = 1; i <= schedule::kMaxEntries; ++i) {
            if (part == 0)
                QCoreApplication::processEvents();
            else if (part == 1)
                due += scheduler::isDue(texts.at(i - 1), bench::fixedNow()) ? 1 : 0;
            else
                due += rows.text(i, schedule::Column::When).size();
        }
        benchmark::DoNotOptimize(due);
    }
}

} // namespace

// The probe's own firings cost time in every yield: the tick's time is taken without it,
// the gaps with it.
BENCHMARK(BM_Tick)
    ->ArgNames({"entries", "where", "probe"})
    ->ArgsProduct({{schedule::kMaxEntries},
                   {static_cast<int>(Where::WindowHidden), static_cast<int>(Where::OtherTab),
                    static_cast<int>(Where::ListTab)},
                   {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->UseRealTime();
// 0: processEvents alone, 1: isDue alone, 2: reading the when-texts from LVW1.
BENCHMARK(BM_TickPart)
    ->ArgName("part")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->UseRealTime();

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
