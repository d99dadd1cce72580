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
# The Windows-only files are compiled by mingw alone (no windows.h here).
mapfile -t FILES < <(git ls-files 'src/*.cpp' | grep -v -e 'win32')
printf '%s\n' "${FILES[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$BUILD" --quiet
echo "clang-tidy: ${#FILES[@]} files, no findings"
