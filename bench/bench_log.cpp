// Form1::WriteLog per call with a long log against a short one: a line is added at the end
// by cursor insertion, so its cost must not grow with the log.
#include "benchsupport.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <benchmark/benchmark.h>

using namespace tovik;

namespace {

// Tabs of TAB1: the editor (the log is hidden) and the log itself.
constexpr int kEditorTab = 0;
constexpr int kLogTab = 3;
enum class Where { WindowHidden = 0, EditorTab = 1, LogTab = 2 };

void BM_WriteLog(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    const auto where = static_cast<Where>(state.range(1));
    bench::BenchWindow window;
    ui::Form1& form = window.form();
    if (where != Where::WindowHidden)
        window.showOnTab(where == Where::LogTab ? kLogTab : kEditorTab);
    const QString message =
        QStringLiteral("スケジュールファイルが存在しました。→/tmp/schedule.ini");
    while (form.TXT_LOG->blockCount() < lines - 200)
        form.WriteLog(message);
    // The first lines after a large change pay for deferred layout work; measure the
    // steady state, as the program is in when it writes a line.
    while (form.TXT_LOG->blockCount() < lines) {
        form.WriteLog(message);
        QCoreApplication::processEvents();
    }
    for (auto _ : state) {
        form.WriteLog(message);
        // The program returns to its event loop between log lines; a shown log lays out
        // and paints the new line then, which is part of the cost.
        QCoreApplication::processEvents();
    }
    state.counters["log_lines"] = form.TXT_LOG->blockCount();
}

} // namespace

BENCHMARK(BM_WriteLog)
    ->ArgNames({"lines", "where"})
    ->ArgsProduct({{1000, 100000},
                   {static_cast<int>(Where::WindowHidden), static_cast<int>(Where::EditorTab),
                    static_cast<int>(Where::LogTab)}})
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(500)
    ->UseRealTime();

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
