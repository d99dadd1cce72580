#!/usr/bin/env bash
# Builds Tovik for 64-bit Windows on Debian 12 and packs dist/tovik-<version>-windows-x64.zip:
#   windows.sh [all|deps|toolchain|app|zip|test|e2e]...   (default: all = deps toolchain app zip)
# The toolchain (Qt, curl, QtKeychain built with mingw-w64) is cached outside the clone in
# $TOVIK_WIN_CACHE (default /var/cache/tovik-windows), one folder per versions and options.
# Heavy builds run under nice with at most $TOVIK_WIN_JOBS (default 2) jobs.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
CACHE="${TOVIK_WIN_CACHE:-/var/cache/tovik-windows}"
JOBS="${TOVIK_WIN_JOBS:-2}"
BUILD="${TOVIK_WIN_BUILD:-$ROOT/build-windows}"
TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"
TRIPLE=x86_64-w64-mingw32
NICE=(nice -n 19)

QT_VERSION=6.4.2
log() { echo "=== windows: $*"; }
die() { echo "windows.sh: $*" >&2; exit 1; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# --- packages -------------------------------------------------------------------------------
WIN_PACKAGES=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-tools
    wine wine64 xvfb xauth xdotool x11-utils imagemagick
    cmake ninja-build dpkg-dev zip unzip python3 python3-aiosmtpd
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n fonts-ipafont-gothic
)

ensure_deb_src() {
    # apt-get source needs a deb-src entry for Debian's own archive.
    if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return
    fi
    log "adding deb-src for Debian's archive"
    as_root tee /etc/apt/sources.list.d/tovik-deb-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    as_root apt-get update -qq
}

step_deps() {
    local missing=() p
    for p in "${WIN_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        log "installing ${missing[*]}"
        as_root apt-get update -qq
        DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
    ensure_deb_src
}

# Unpacks Debian's source package NAME into $CACHE/src/NAME-<version> and prints that folder.
debian_source() {
    local name="$1" dir
    mkdir -p "$CACHE/src"
    dir=$(find "$CACHE/src" -maxdepth 1 -type d -name "$2*" | sort | tail -1)
    if [ -z "$dir" ]; then
        (cd "$CACHE/src" && apt-get source -qq "$name" >&2)
        dir=$(find "$CACHE/src" -maxdepth 1 -type d -name "$2*" | sort | tail -1)
    fi
    [ -n "$dir" ] || die "no source for $name"
    echo "$dir"
}

# Cache key: the versions and the options of one library's build.
cache_key() { echo "$*" | sha1sum | cut -c1-12; }

# --- Qt -------------------------------------------------------------------------------------
QT_OPTIONS=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    # Core, Gui, Widgets, Network (single instance), Test; nothing else.
    -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_ssl=OFF -DFEATURE_openssl=OFF
    -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF
    # Debian's repacked source has no wintab headers.
    -DFEATURE_tabletevent=OFF
    -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
)
QT_PATCH_ID=dwrite3-needs-d2d
QT_KEY="qt-$QT_VERSION-$(cache_key "$QT_VERSION" "${QT_OPTIONS[*]}" "$QT_PATCH_ID" "$(cat "$TOOLCHAIN")")"
QT_PREFIX="$CACHE/$QT_KEY/prefix"

step_qt() {
    if [ -f "$QT_PREFIX/.done" ]; then
        log "Qt $QT_VERSION cached ($QT_PREFIX)"
        return
    fi
    local src work
    src=$(debian_source qt6-base "qt6-base-$QT_VERSION")
    # Without Direct2D, the DirectWrite 3 font database is not built, so it must not be used.
    local f="$src/src/plugins/platforms/windows/qwindowsintegration.cpp"
    if ! grep -q 'QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)' "$f"; then
        sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' "$f"
    fi
    work="$CACHE/$QT_KEY/build"
    mkdir -p "$work"
    log "building Qt $QT_VERSION for Windows (about 30-60 min on 2 cores)"
    "${NICE[@]}" cmake -G Ninja -S "$src" -B "$work" \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_INSTALL_PREFIX="$QT_PREFIX" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        "${QT_OPTIONS[@]}" >"$work/configure.log" 2>&1 || { tail -40 "$work/configure.log"; die "Qt configure failed"; }
    "${NICE[@]}" cmake --build "$work" -j"$JOBS" || die "Qt build failed"
    "${NICE[@]}" cmake --install "$work" >/dev/null
    touch "$QT_PREFIX/.done"
    rm -rf "$work"
}

# --- main -----------------------------------------------------------------------------------
main() {
    [ $# -gt 0 ] || set -- all
    local s
    for s in "$@"; do
        case "$s" in
        all) step_deps; step_toolchain; step_app; step_zip ;;
        toolchain) step_toolchain ;;
        deps | qt | curl | keychain | app | zip | test | e2e) "step_$s" ;;
        *) die "unknown step $s" ;;
        esac
    done
}
[ "${BASH_SOURCE[0]}" != "$0" ] || main "$@"
