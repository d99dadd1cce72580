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
# Exactly the library sources this build compiles: the other platform's files (windows.h)
# are compiled by mingw alone.
mapfile -t FILES < <(/usr/bin/python3 - "$BUILD/compile_commands.json" "$ROOT/src/" <<'PY'
import json, os, sys
root = os.path.realpath(sys.argv[2]) + "/"
files = sorted({os.path.realpath(os.path.join(e["directory"], e["file"]))
                for e in json.load(open(sys.argv[1]))})
print("\n".join(f for f in files if f.startswith(root) and f.endswith(".cpp")))
PY
)
printf '%s\n' "${FILES[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$BUILD" --quiet
echo "clang-tidy: ${#FILES[@]} files, no findings"
