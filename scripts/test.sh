#!/usr/bin/env bash
# Sets up, builds and runs every test: test.sh [BUILD_DIR] [extra cmake args...]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
shift || true
"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh" "$BUILD" -DTOVIK_BUILD_TESTS=ON "$@"
cd "$BUILD"
ctest --output-on-failure -j2 --timeout 600
