// The plan of coming runs over a full list read from LVW1: all one-offs past (only the
// weekly entries planned) and all one-offs ahead (every entry planned and sorted).
#include "benchsupport.h"
#include "schedule/schedulefile.h"
#include "scheduler/plan.h"
#include "support/fakerows.h"
#include "ui/views.h"

#include <benchmark/benchmark.h>

using namespace tovik;

namespace {

void BM_Plan(benchmark::State& state) {
    const int year = static_cast<int>(state.range(0));
    bench::BenchWindow window;
    const QString path = window.file(QStringLiteral("fill.ini"));
    bench::writeFile(path, bench::makeScheduleBytes(schedule::kMaxEntries, year));
    ui::ScheduleList rows(window.form().LVW1);
    testing::RecordingReporter reporter;
    schedule::LoadSchedule(
        path, rows, [] {}, reporter);
    const scheduler::RunRecord cancels;
    std::size_t planned = 0;
    for (auto _ : state) {
        const auto runs = scheduler::planRuns(rows, bench::fixedNow(), cancels);
        planned = runs.size();
        benchmark::DoNotOptimize(runs.data());
    }
    state.counters["planned_minutes"] = static_cast<double>(planned);
}

} // namespace

BENCHMARK(BM_Plan)
    ->ArgName("year")
    ->Arg(2001)
    ->Arg(2099)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->UseRealTime();

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
