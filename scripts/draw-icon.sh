#!/usr/bin/env bash
# Redraws the application icon: src/ui/icons/tovik.svg and its 48x48 24-bit PNG (what the
# program loads, since Qt's SVG module is not a dependency). Needs ImageMagick.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/src/ui/icons"
mkdir -p "$OUT"

# A clock face (the schedule) with a power symbol (the action) over it, on a square tile
# that fills the whole image: the PNG has no alpha channel.
cat >"$OUT/tovik.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">
  <defs>
    <linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#3a6fc4"/>
      <stop offset="1" stop-color="#1b3f7a"/>
    </linearGradient>
  </defs>
  <rect x="0" y="0" width="48" height="48" fill="url(#tile)"/>
  <rect x="0.5" y="0.5" width="47" height="47" fill="none" stroke="#10284f" stroke-width="1"/>
  <circle cx="24" cy="24" r="20" fill="#fdfdf8" stroke="#0d2246" stroke-width="2"/>
  <g stroke="#44546a" stroke-width="2.4" stroke-linecap="round">
    <line x1="24" y1="6.5" x2="24" y2="9.5"/>
    <line x1="41.5" y1="24" x2="38.5" y2="24"/>
    <line x1="24" y1="41.5" x2="24" y2="38.5"/>
    <line x1="6.5" y1="24" x2="9.5" y2="24"/>
  </g>
  <g stroke="#9aa6b6" stroke-width="1.4" stroke-linecap="round">
    <line x1="32.75" y1="8.84" x2="32" y2="10.14"/>
    <line x1="39.16" y1="15.25" x2="37.86" y2="16"/>
    <line x1="39.16" y1="32.75" x2="37.86" y2="32"/>
    <line x1="32.75" y1="39.16" x2="32" y2="37.86"/>
    <line x1="15.25" y1="39.16" x2="16" y2="37.86"/>
    <line x1="8.84" y1="32.75" x2="10.14" y2="32"/>
    <line x1="8.84" y1="15.25" x2="10.14" y2="16"/>
    <line x1="15.25" y1="8.84" x2="16" y2="10.14"/>
  </g>
  <g fill="none" stroke="#e0431b" stroke-width="4" stroke-linecap="round">
    <path d="M 17.64 18.4 A 9.5 9.5 0 1 0 30.36 18.4"/>
    <line x1="24" y1="13" x2="24" y2="24"/>
  </g>
</svg>
SVG

# Drawn large and scaled down, so the edges are smoothed like a hand-made icon.
convert -background none -density 768 "$OUT/tovik.svg" -resize 48x48 \
    -background '#1b3f7a' -flatten -alpha off -depth 8 -type TrueColor "PNG24:$OUT/tovik.png"
echo "wrote $OUT/tovik.svg and $OUT/tovik.png"
