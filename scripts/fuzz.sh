#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan (build-fuzz) and runs each for a
# short while on its seed corpus; fails on the first crash or broken property.
# Usage: scripts/fuzz.sh [seconds per target, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
build=build-fuzz
targets=(fuzz_schedule_file fuzz_when_text fuzz_mail_settings fuzz_cp932 fuzz_mail_server)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOVIK_SANITIZE=ON -DTOVIK_BUILD_FUZZ=ON -DTOVIK_BUILD_TESTS=OFF >/dev/null
# Only the fuzz targets and what they link: not the window or the program.
present=()
for t in "${targets[@]}"; do
    if ninja -C "$build" -t query "$t" >/dev/null 2>&1; then
        present+=("$t")
    else
        echo "fuzz.sh: $t is not configured (its library is missing); skipped"
    fi
done
cmake --build "$build" --target "${present[@]}"

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
work=$(mktemp -d)
scratch=$(mktemp -d -p "$([ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")")
trap 'rm -rf "$work" "$scratch"' EXIT
# The targets write each input to a file there (tmpfs when there is one).
export TOVIK_FUZZ_SCRATCH="$scratch"
for t in "${present[@]}"; do
    echo "=== $t (${seconds}s)"
    mkdir -p "$work/$t"
    # New inputs go to a scratch corpus; the seeds in fuzz/corpus stay as they are.
    if ! "$build/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="$build/$t-" -print_final_stats=1 \
        "$work/$t" "fuzz/corpus/$t" >"$work/$t.log" 2>&1; then
        tail -n 60 "$work/$t.log"
        echo "fuzz.sh: $t failed; the input is at $build/$t-*" >&2
        exit 1
    fi
    grep -E '^stat::number_of_executed_units|^Done' "$work/$t.log" || true
done
echo "fuzz.sh: all targets ran clean"
