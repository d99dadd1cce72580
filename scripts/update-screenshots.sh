#!/usr/bin/env bash
# Redraws the pictures in docs/screenshots: the four tabs on sample settings files, and the
# running program from the end-to-end tests (real executable, Xvfb, mocked peers).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/build.sh" "$ROOT/build" -DTOVIK_BUILD_TESTS=ON
"$ROOT/scripts/screenshot.sh" --tabs "$ROOT/docs/screenshots" "$ROOT/build/tovik_shoot"
cd "$ROOT/build"
TOVIK_SCREENSHOT_DIR="$ROOT/docs/screenshots" ctest -L e2e --output-on-failure
