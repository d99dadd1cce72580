#!/usr/bin/env bash
# Sets up, builds and starts Tovik. The user's files live in ./userdata, which a clean
# build does not touch: the program keeps schedule.ini, e-mail.ini and log/ beside itself.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh" "$ROOT/build"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Tovik needs a display, and none is set (DISPLAY / WAYLAND_DISPLAY are empty)." >&2
    echo "Run it under a virtual display instead:  xvfb-run -a make run" >&2
    exit 1
fi

DATA="$ROOT/userdata"
mkdir -p "$DATA"
cp -f "$ROOT/build/tovik" "$DATA/tovik"
# The password store's module, which the program loads from beside itself at the first send.
cp -f "$ROOT/build/tovik-keychain.so" "$DATA/tovik-keychain.so"
cd "$DATA"
exec "$DATA/tovik"
