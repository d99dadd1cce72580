#!/usr/bin/env bash
# clang-tidy over the libraries with the checks in .clang-tidy; fails on any finding.
# tidy.sh [BUILD_DIR]: a configured build folder with compile_commands.json (default build).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
if [ ! -f "$BUILD/compile_commands.json" ]; then
    echo "tidy.sh: no $BUILD/compile_commands.json; build first (scripts/build.sh $BUILD)" >&2
    exit 1
fi
cd "$ROOT"
# The Windows backend is compiled only by mingw; main.cpp only wires.
mapfile -t FILES < <(git ls-files 'src/*.cpp' | grep -v -e 'win32backend.cpp' -e '_win32.cpp')
printf '%s\n' "${FILES[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$BUILD" --quiet
echo "clang-tidy: ${#FILES[@]} files, no findings"
