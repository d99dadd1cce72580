// schedule.ini into the real LVW1 and back: LoadSchedule with a yield before each line, with
// the list hidden and shown, and SaveSchedule of a full list.
#include "benchsupport.h"
#include "schedule/schedulefile.h"
#include "support/fakerows.h"
#include "ui/views.h"

#include <QApplication>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

using namespace tovik;

namespace {

constexpr int kFull = schedule::kMaxEntries;

void yieldToEvents() {
    QCoreApplication::processEvents();
}

// Where the list is while it fills: as at start-up (window not yet shown), window shown on
// the editor tab, or the list's own tab current.
enum class Where { WindowHidden = 0, OtherTab = 1, ListTab = 2 };

void loadInto(benchmark::State& state, Where where, bool yield) {
    const int lines = static_cast<int>(state.range(0));
    bench::BenchWindow window;
    const QString path = window.file(QStringLiteral("schedule.ini"));
    bench::writeFile(path, bench::makeScheduleBytes(lines));
    if (where != Where::WindowHidden)
        window.showOnTab(where == Where::ListTab ? 1 : 0);
    ui::ScheduleList rows(window.form().LVW1);
    testing::RecordingReporter reporter;
    const std::function<void()> noYield = [] {};
    for (auto _ : state) {
        const auto result =
            schedule::LoadSchedule(path, rows, yield ? yieldToEvents : noYield, reporter);
        state.PauseTiming();
        if (!result.complete || rows.count() != lines || !reporter.errors.isEmpty())
            state.SkipWithError("the load was not complete");
        window.form().LVW1->clear();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["per_line"] = benchmark::Counter(
        static_cast<double>(lines) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_LoadSchedule(benchmark::State& state) {
    loadInto(state, static_cast<Where>(state.range(1)), true);
}
// Baseline: the same load with no yields (what the file reading and the list cost alone).
void BM_LoadSchedule_NoYield(benchmark::State& state) {
    loadInto(state, Where::WindowHidden, false);
}

void BM_SaveSchedule(benchmark::State& state) {
    bench::BenchWindow window;
    const QString source = window.file(QStringLiteral("source.ini"));
    bench::writeFile(source, bench::makeScheduleBytes(kFull));
    ui::ScheduleList rows(window.form().LVW1);
    testing::RecordingReporter reporter;
    schedule::LoadSchedule(
        source, rows, [] {}, reporter);
    const QString path = window.file(QStringLiteral("schedule.ini"));
    for (auto _ : state) {
        bool keepBackup = false;
        schedule::SaveSchedule(path, rows, reporter, keepBackup);
    }
    if (!reporter.errors.isEmpty() || rows.count() != kFull)
        state.SkipWithError("the save failed");
}

} // namespace

// Per line the shown list relayouts and repaints at every yield, so the shown cases
// run with fewer lines; the script extrapolates from them.
BENCHMARK(BM_LoadSchedule)
    ->ArgNames({"lines", "where"})
    ->Args({kFull, static_cast<int>(Where::WindowHidden)})
    ->Args({kFull, static_cast<int>(Where::OtherTab)})
    ->Args({1024, static_cast<int>(Where::ListTab)})
    ->Args({4096, static_cast<int>(Where::ListTab)})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_LoadSchedule_NoYield)
    ->Arg(kFull)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_SaveSchedule)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
