#!/usr/bin/env bash
# Pictures of the window on a private virtual display (Xvfb), with the real fonts.
#   screenshot.sh [-o OUT.png] [PROGRAM]   start PROGRAM (default build/tovik) in a scratch
#                                          folder and save the screen once its window is up
#   screenshot.sh --tabs [OUTDIR] [SHOOT]  run tovik_shoot (default build/tovik_shoot), which
#                                          saves tab0.png..tab3.png (default docs/screenshots)
# Needs xvfb, x11-utils (xwininfo) and imagemagick (import).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"

mode="window"
out="$ROOT/docs/screenshots/window.png"
if [ "${1:-}" = "--tabs" ]; then
    mode="tabs"
    shift
    out="${1:-$ROOT/docs/screenshots}"
    program="${2:-$ROOT/build/tovik_shoot}"
else
    if [ "${1:-}" = "-o" ]; then
        out="$2"
        shift 2
    fi
    program="${1:-$ROOT/build/tovik}"
fi
[ -x "$program" ] || { echo "screenshot.sh: no program at $program (build it first)" >&2; exit 1; }

work="$(mktemp -d)"
xvfb_pid=""
app_pid=""
cleanup() {
    set +e # a killed child's status must not end the cleanup early
    for pid in $app_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

# -displayfd picks a free display number and tells us which, so parallel runs never collide.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
for _ in $(seq 100); do
    if read -r -t 0.1 -u "$fd" display; then break; fi
done
exec {fd}>&-
[ -n "$display" ] || { echo "screenshot.sh: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
# Without a session bus Qt would start dbus-launch, which outlives us.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"

if [ "$mode" = tabs ]; then
    mkdir -p "$out"
    "$program" "$out"
    exit 0
fi

# The program keeps its files beside itself: give it a folder of its own.
cp "$program" "$work/tovik"
(cd "$work" && exec ./tovik) >"$work/app.log" 2>&1 &
app_pid=$!
for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Tovik"' && break
    sleep 0.1
done
xwininfo -root -tree | grep -q '"Tovik"' || { echo "screenshot.sh: no Tovik window" >&2; cat "$work/app.log" >&2; exit 1; }
sleep 0.5 # let the first paint finish
geometry="$(xwininfo -name Tovik | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /Width:/{w=$NF} /Height:/{h=$NF} END{printf "%dx%d+%d+%d", w, h, x, y}')"
mkdir -p "$(dirname "$out")"
import -window root -crop "$geometry" +repage "$out"
echo "$out"
