// Runs the benchmarks named on the command line (Google Benchmark's own flags).
#pragma once

#include <benchmark/benchmark.h>

namespace tovik::bench {

inline int runSpecifiedBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace tovik::bench
