#!/usr/bin/env bash
# Fails when a C++ file of the project is not laid out as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t FILES < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
    'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
clang-format --dry-run -Werror "${FILES[@]}"
echo "clang-format: ${#FILES[@]} files laid out"
