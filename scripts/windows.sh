#!/usr/bin/env bash
# Builds Tovik for 64-bit Windows on Debian 12 and packs dist/tovik-<version>-windows-x64.zip:
#   windows.sh [all|deps|toolchain|qt|curl|app|zip|test|e2e|cached|restore]...
# (default: all = deps toolchain app zip; test and e2e run under Wine; cached tells by its exit
# status whether the toolchain is built; restore unpacks the prebuilt toolchain, see below).
# The toolchain (Qt and curl built with mingw-w64; passwords go to the Credential Manager
# directly, so no QtKeychain) is cached outside the clone in
# $TOVIK_WIN_CACHE (default /var/cache/tovik-windows for root, else ~/.cache/tovik-windows),
# one folder per versions and options.
# A prebuilt toolchain, $TOVIK_WIN_PREBUILT (default ../shared/windows-toolchain beside the
# clone: toolchain.tar.xz and a README.md naming its folders and its sha256), fills the cache
# instead of the build when it holds exactly the folders of these versions and options.
# Heavy builds run under nice with at most $TOVIK_WIN_JOBS (default 2) jobs.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "$(id -u)" -eq 0 ]; then
    CACHE="${TOVIK_WIN_CACHE:-/var/cache/tovik-windows}"
else
    CACHE="${TOVIK_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tovik-windows}"
fi
JOBS="${TOVIK_WIN_JOBS:-2}"
PREBUILT="${TOVIK_WIN_PREBUILT:-$ROOT/../shared/windows-toolchain}"
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
    "$ROOT/scripts/install-deps.sh" windows
}

# Unpacks Debian's source package NAME into $CACHE/src/NAME-<version> and prints that folder.
debian_source() {
    local name="$1" dir
    mkdir -p "$CACHE/src"
    dir=$(find "$CACHE/src" -maxdepth 1 -type d -name "$2*" | sort | tail -1)
    if [ -z "$dir" ]; then
        ensure_deb_src >&2
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
    -DFEATURE_printsupport=OFF -DFEATURE_ssl=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=OFF
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

# --- curl (Schannel for TLS) -----------------------------------------------------------------
CURL_VERSION=7.88.1
CURL_OPTIONS=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DENABLE_CURL_MANUAL=OFF
    # SMTP is what the program sends; HTTP stays (a Debian security patch needs it).
    -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DCURL_DISABLE_FTP=ON -DCURL_DISABLE_TELNET=ON
    -DCURL_DISABLE_DICT=ON -DCURL_DISABLE_TFTP=ON -DCURL_DISABLE_GOPHER=ON -DCURL_DISABLE_MQTT=ON
    -DCURL_DISABLE_RTSP=ON -DCURL_DISABLE_SMB=ON -DCURL_DISABLE_POP3=ON -DCURL_DISABLE_IMAP=ON
)
CURL_KEY="curl-$CURL_VERSION-$(cache_key "$CURL_VERSION" "${CURL_OPTIONS[*]}" "$(cat "$TOOLCHAIN")")"
CURL_PREFIX="$CACHE/$CURL_KEY/prefix"

step_curl() {
    if [ -f "$CURL_PREFIX/.done" ]; then
        log "curl $CURL_VERSION cached ($CURL_PREFIX)"
        return
    fi
    local src work
    src=$(debian_source curl "curl-$CURL_VERSION")
    work="$CACHE/$CURL_KEY/build"
    rm -rf "$work"
    mkdir -p "$CACHE/$CURL_KEY"
    log "building curl $CURL_VERSION for Windows"
    "${NICE[@]}" cmake -G Ninja -S "$src" -B "$work" \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_INSTALL_PREFIX="$CURL_PREFIX" \
        "${CURL_OPTIONS[@]}" >"$work.configure.log" 2>&1 || { tail -40 "$work.configure.log"; die "curl configure failed"; }
    "${NICE[@]}" cmake --build "$work" -j"$JOBS" >"$work.build.log" 2>&1 || { tail -40 "$work.build.log"; die "curl build failed"; }
    "${NICE[@]}" cmake --install "$work" >/dev/null
    touch "$CURL_PREFIX/.done"
    rm -rf "$work"
}

# --- the prebuilt toolchain --------------------------------------------------------------------
# Fills the cache from the prebuilt archive, or says in one line on standard error why it
# cannot (exit status 3). A cache that is already complete needs no archive.
step_restore() {
    cached && return 0
    local archive="$PREBUILT/toolchain.tar.xz" readme="$PREBUILT/README.md" key sum tmp
    [ -f "$archive" ] && [ -f "$readme" ] || { echo "windows.sh: no prebuilt toolchain in $PREBUILT" >&2; return 3; }
    # The README names the folders the archive holds; they carry the keys of the windows.sh
    # that made them.
    for key in "$QT_KEY" "$CURL_KEY"; do
        grep -qF "\`$key/prefix\`" "$readme" ||
            { echo "windows.sh: the prebuilt toolchain in $PREBUILT is not $key; refresh it" >&2; return 3; }
    done
    sum=$(sed -n 's/^sha256 of `toolchain.tar.xz`: *\([0-9a-f]\{64\}\).*/\1/p' "$readme")
    echo "$sum  $archive" | sha256sum --quiet -c - >/dev/null 2>&1 ||
        { echo "windows.sh: $archive does not match the sha256 of its README" >&2; return 3; }
    mkdir -p "$CACHE"
    # Unpacked beside the cache and moved in whole, so an interrupted restore leaves no
    # half folder that looks built.
    tmp=$(mktemp -d "$CACHE/.restore.XXXXXX")
    if ! tar -xJf "$archive" -C "$tmp" "$QT_KEY/prefix" "$CURL_KEY/prefix" ||
        [ ! -f "$tmp/$QT_KEY/prefix/.done" ] || [ ! -f "$tmp/$CURL_KEY/prefix/.done" ]; then
        rm -rf "$tmp"
        echo "windows.sh: $archive lacks $QT_KEY or $CURL_KEY" >&2
        return 3
    fi
    for key in "$QT_KEY" "$CURL_KEY"; do
        rm -rf "${CACHE:?}/$key"
        mv "$tmp/$key" "$CACHE/$key"
    done
    rmdir "$tmp"
    log "toolchain restored from $archive into $CACHE"
}

cached() { [ -f "$QT_PREFIX/.done" ] && [ -f "$CURL_PREFIX/.done" ]; }

step_toolchain() {
    # The prebuilt archive saves the hour of a cold build wherever it fits.
    [ -f "$PREBUILT/toolchain.tar.xz" ] && step_restore 2>/dev/null && return 0
    step_qt
    step_curl
}

# --- tovik.exe and the zip -------------------------------------------------------------------
# What the zip carries besides tovik.exe; the only list of it. "from:to" pairs, from relative
# to the Qt prefix (qt:), the curl prefix (curl:), the compiler's runtime (gcc:, mingw:) or
# the Linux Qt (host:).
WIN_RUNTIME=(
    qt:bin/Qt6Core.dll qt:bin/Qt6Gui.dll qt:bin/Qt6Widgets.dll qt:bin/Qt6Network.dll
    qt:plugins/platforms/qwindows.dll
    qt:plugins/styles/qwindowsvistastyle.dll
    curl:bin/libcurl.dll
    gcc:libstdc++-6.dll gcc:libgcc_s_seh-1.dll mingw:lib/libwinpthread-1.dll
    host:share/qt6/translations/qtbase_ja.qm
)
# Where each runtime file goes in the zip (default: beside tovik.exe).
runtime_dest() {
    case "$1" in
    */platforms/*) echo platforms ;;
    */styles/*) echo styles ;;
    *.qm) echo translations ;;
    *) echo . ;;
    esac
}
runtime_source() {
    local kind="${1%%:*}" rel="${1#*:}"
    case "$kind" in
    qt) echo "$QT_PREFIX/$rel" ;;
    curl) echo "$CURL_PREFIX/$rel" ;;
    gcc) echo "$(dirname "$("$TRIPLE-g++-posix" -print-libgcc-file-name)")/$rel" ;;
    mingw) echo "/usr/$TRIPLE/$rel" ;;
    host) echo "/usr/$rel" ;;
    esac
}

project_version() {
    sed -n 's/^project(tovik VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt"
}

step_app() {
    [ -f "$QT_PREFIX/.done" ] && [ -f "$CURL_PREFIX/.done" ] || die "toolchain missing: run windows.sh toolchain"
    log "configuring $BUILD"
    cmake -G Ninja -S "$ROOT" -B "$BUILD" \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DTOVIK_WIN_PREFIX="$QT_PREFIX;$CURL_PREFIX" -DCMAKE_PREFIX_PATH="$QT_PREFIX;$CURL_PREFIX" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DTOVIK_WERROR=ON -DTOVIK_BUILD_TESTS=ON >"$BUILD.configure.log" 2>&1 ||
        { tail -40 "$BUILD.configure.log"; die "configure failed"; }
    log "building tovik.exe"
    "${NICE[@]}" cmake --build "$BUILD" -j"$JOBS" --target tovik
}

# Fails when an exe or DLL of the folder imports a DLL that is neither in it nor Windows' own.
check_imports() {
    local dir="$1" f dll missing=0
    while IFS= read -r f; do
        while IFS= read -r dll; do
            if [ -z "$(find "$dir" -iname "$dll" -print -quit)" ] && ! is_system_dll "$dll"; then
                echo "windows.sh: $f needs $dll, which the zip lacks" >&2
                missing=1
            fi
        done < <("$TRIPLE-objdump" -p "$f" | sed -n 's/^\s*DLL Name: //p')
    done < <(find "$dir" -iname '*.exe' -o -iname '*.dll')
    return $missing
}
is_system_dll() {
    case "${1,,}" in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | ole32.dll | oleaut32.dll | \
        ws2_32.dll | crypt32.dll | secur32.dll | bcrypt.dll | msvcrt.dll | comdlg32.dll | \
        imm32.dll | winmm.dll | version.dll | netapi32.dll | userenv.dll | uxtheme.dll | \
        dwmapi.dll | wtsapi32.dll | setupapi.dll | shlwapi.dll | iphlpapi.dll | \
        mpr.dll | authz.dll | dwrite.dll | d3d11.dll | d3d9.dll | dxgi.dll | normaliz.dll | \
        wldap32.dll | comctl32.dll | api-ms-win-*.dll | ntdll.dll | rpcrt4.dll | dnsapi.dll | \
        shcore.dll | winspool.drv | d2d1.dll | cfgmgr32.dll | oleacc.dll | propsys.dll | \
        winhttp.dll | dxguid.dll | usp10.dll | mswsock.dll | powrprof.dll) return 0 ;;
    esac
    return 1
}

step_zip() {
    local version stage name zip entry src dest
    version=$(project_version)
    name="tovik-$version-windows-x64"
    stage="$BUILD/stage/$name"
    zip="$ROOT/dist/$name.zip"
    [ -f "$BUILD/tovik.exe" ] || die "no $BUILD/tovik.exe: run windows.sh app"
    rm -rf "$stage"
    mkdir -p "$stage" "$ROOT/dist"
    cp "$BUILD/tovik.exe" "$stage/"
    for entry in "${WIN_RUNTIME[@]}"; do
        src=$(runtime_source "$entry")
        dest="$stage/$(runtime_dest "$entry")"
        [ -f "$src" ] || die "missing $src"
        mkdir -p "$dest"
        cp "$src" "$dest/"
    done
    # Qt finds its plugins and translations beside the exe, not at the build machine's paths.
    printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"
    find "$stage" \( -iname '*.exe' -o -iname '*.dll' \) -exec "$TRIPLE-strip" --strip-unneeded {} +
    check_imports "$stage" || die "the runtime list is incomplete"
    rm -f "$zip"
    (cd "$BUILD/stage" && zip -qr -9 "$zip" "$name")
    log "wrote $zip ($(du -h "$zip" | cut -f1))"
}

# --- Wine -----------------------------------------------------------------------------------
# A private Wine prefix and a private Xvfb under a temporary folder: nothing here touches the
# user's Wine, the host's display or the host's session. Wine's ExitWindowsEx ends only the
# Wine session of that prefix.
WINE_TMP=""
XVFB_PID=""
BROKER_PID=""
wine_cleanup() {
    [ -n "$BROKER_PID" ] && kill "$BROKER_PID" 2>/dev/null && wait "$BROKER_PID" 2>/dev/null
    if [ -n "$WINE_TMP" ]; then
        WINEPREFIX="$WINE_TMP/prefix" wineserver -k 2>/dev/null || true
    fi
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    [ -n "$WINE_TMP" ] && rm -rf "$WINE_TMP"
    BROKER_PID="" XVFB_PID="" WINE_TMP=""
}
wine_start() {
    WINE_TMP=$(mktemp -d /tmp/tovik-wine.XXXXXX)
    trap wine_cleanup EXIT
    export WINEPREFIX="$WINE_TMP/prefix" WINEARCH=win64 WINEDEBUG=-all
    # No Mono or Gecko prompts for a prefix that needs neither.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    local fd_file="$WINE_TMP/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
    [ -s "$fd_file" ] || die "Xvfb did not start"
    export DISPLAY=":$(head -1 "$fd_file")"
    log "Wine prefix $WINEPREFIX on $DISPLAY"
    wineboot -i >/dev/null 2>&1 || die "wineboot failed"
}
# The Windows process reaches Linux files through drive Z:.
winpath() { echo "Z:$1"; }

# --- tests under Wine --------------------------------------------------------------------------
step_test() {
    [ -f "$BUILD/build.ninja" ] || step_app
    log "building the tests"
    "${NICE[@]}" cmake --build "$BUILD" -j"$JOBS"
    wine_start
    # The test exes find Qt's plugins through qt.conf and the DLLs through WINEPATH (QT_*
    # variables do not reach a Windows process).
    printf '[Paths]\r\nPrefix = %s\r\n' "$(winpath "$QT_PREFIX")" >"$BUILD/qt.conf"
    export WINEPATH="$(winpath "$QT_PREFIX/bin");$(winpath "$CURL_PREFIX/bin");$(winpath "$(dirname "$("$TRIPLE-g++-posix" -print-libgcc-file-name)")");$(winpath "/usr/$TRIPLE/lib")"
    # The SMTP peer runs on this side; the tests find its spool through smtp-broker.txt.
    mkdir -p "$WINE_TMP/spool"
    python3 "$ROOT/tests/support/smtp_broker.py" "$WINE_TMP/spool" &
    BROKER_PID=$!
    winpath "$WINE_TMP/spool" >"$BUILD/smtp-broker.txt"

    local results="$BUILD/wine-results" t name failed=() passed=0
    rm -rf "$results"
    mkdir -p "$results"
    for t in "$BUILD"/tst_*.exe; do
        name=$(basename "$t" .exe)
        # Redirected stdout comes back empty under Wine: results go to a file.
        # qwindows is the default platform of a Windows process.
        if timeout 600 wine "$t" -o "$(winpath "$results/$name.txt"),txt" \
            >"$results/$name.wine.log" 2>&1; then
            passed=$((passed + 1))
            echo "PASS $name"
        else
            failed+=("$name")
            echo "FAIL $name"
            grep -E '^(FAIL!|   Loc:|QWARN|Totals)' "$results/$name.txt" 2>/dev/null | head -40 || true
        fi
    done
    wine_cleanup
    trap - EXIT
    log "Wine tests: $passed passed, ${#failed[@]} failed ${failed[*]}"
    [ ${#failed[@]} -eq 0 ]
}

# --- end to end under Wine ------------------------------------------------------------------
step_e2e() {
    local zip
    zip="$ROOT/dist/tovik-$(project_version)-windows-x64.zip"
    [ -f "$zip" ] || step_zip
    wine_start
    mkdir -p "$ROOT/docs/screenshots"
    local rc=0
    python3 "$ROOT/tests/e2e/wine_e2e.py" "$zip" "$WINE_TMP" \
        "${TOVIK_WIN_SHOT:-$BUILD/windows-wine.png}" || rc=$?
    wine_cleanup
    trap - EXIT
    return $rc
}

# --- main -----------------------------------------------------------------------------------
main() {
    [ $# -gt 0 ] || set -- all
    local s
    for s in "$@"; do
        case "$s" in
        all) step_deps; step_toolchain; step_app; step_zip ;;
        toolchain) step_toolchain ;;
        deps | qt | curl | app | zip | test | e2e | restore) "step_$s" ;;
        # Exit status only: is the toolchain of these versions and options in the cache?
        cached) cached ;;
        *) die "unknown step $s" ;;
        esac
    done
}
# One line: bash has read it whole before main runs, so an edit of this file during a long
# build cannot feed it half a line afterwards.
[ "${BASH_SOURCE[0]}" != "$0" ] || { main "$@"; exit $?; }
