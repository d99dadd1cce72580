#!/usr/bin/env bash
# Compiles and links the Windows power backend with mingw-w64, so it keeps building on a
# Linux machine: cross-win32.sh [OUT_DIR]. Needs g++-mingw-w64-x86-64; runs nothing.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="${1:-$ROOT/build-win32}"
CXX="${MINGW_CXX:-x86_64-w64-mingw32-g++}"
mkdir -p "$OUT"

if ! command -v "$CXX" >/dev/null; then
    echo "cross-win32.sh: $CXX not found (apt-get install g++-mingw-w64-x86-64)" >&2
    exit 1
fi

FLAGS=(-std=c++20 -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor
       -Woverloaded-virtual -Werror -I"$ROOT/src")

# power.cpp and win32backend.cpp need no Qt: the whole Windows side is checked here.
"$CXX" "${FLAGS[@]}" -c "$ROOT/src/power/power.cpp" -o "$OUT/power.o"
"$CXX" "${FLAGS[@]}" -c "$ROOT/src/power/win32backend.cpp" -o "$OUT/win32backend.o"

# Linking proves every Win32 call resolves against the import libraries; the program is
# never run (it would ask Windows to act).
cat > "$OUT/linkcheck.cpp" <<'CPP'
#include "power/platformbackend.h"
int main(int argc, char**) {
    tovik::power::PlatformBackend backend;
    if (argc > 99)
        win32::DoExitWindows(backend, argc);
    return 0;
}
CPP
"$CXX" "${FLAGS[@]}" -c "$OUT/linkcheck.cpp" -o "$OUT/linkcheck.o"
"$CXX" -static "$OUT/linkcheck.o" "$OUT/power.o" "$OUT/win32backend.o" \
    -ladvapi32 -luser32 -lpowrprof -o "$OUT/linkcheck.exe"
echo "Windows power backend: compiled and linked ($OUT)"

# The Run key of start at login, the same way.
"$CXX" "${FLAGS[@]}" -c "$ROOT/src/app/runkeywin32.cpp" -o "$OUT/runkeywin32.o"
cat > "$OUT/runkeycheck.cpp" <<'CPP'
#include "app/runkeywin32.h"
int main(int argc, char**) {
    if (argc > 99)
        tovik::app::win32::removeRunValue(L"Tovik");
    return tovik::app::win32::readRunValue(L"Tovik").has_value() && argc > 99 ? 1 : 0;
}
CPP
"$CXX" "${FLAGS[@]}" -c "$OUT/runkeycheck.cpp" -o "$OUT/runkeycheck.o"
"$CXX" -static "$OUT/runkeycheck.o" "$OUT/runkeywin32.o" -ladvapi32 -o "$OUT/runkeycheck.exe"
echo "Windows Run key: compiled and linked ($OUT)"
