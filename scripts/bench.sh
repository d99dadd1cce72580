#!/usr/bin/env bash
# Builds the benchmarks (Release, build-bench) and runs them all headless; prints every
# figure with its target and ratio. --quick measures idle CPU over 10 s instead of 60 s.
# Benchmarks compare against baselines taken in the same run; a busy machine skews the
# absolute figures, so run it on a quiet one.
set -euo pipefail
cd "$(dirname "$0")/.."

idle_seconds=60
[ "${1:-}" = "--quick" ] && idle_seconds=10

build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVIK_BUILD_BENCH=ON \
    -DTOVIK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build"

results="$build/results"
rm -rf "$results"
mkdir -p "$results"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 700 "$scratch"
export QT_QPA_PLATFORM=offscreen
# No session bus: Qt must not start a dbus-launch that outlives the run.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$scratch/no-bus"
export XDG_RUNTIME_DIR="$scratch"

for exe in "$build"/bench_*; do
    name=$(basename "$exe")
    case "$name" in bench_startup_*) continue ;; esac
    [ -x "$exe" ] && [ -f "$exe" ] || continue
    echo "=== $name"
    "$exe" --benchmark_out="$results/$name.json" --benchmark_out_format=json
done

echo "=== start-up and idle"
/usr/bin/python3 bench/startup.py --build "$build" --runs 15 --idle-seconds "$idle_seconds" \
    --out "$results/startup.json" >/dev/null

echo
/usr/bin/python3 bench/summarize.py "$results" | tee "$results/summary.md"
