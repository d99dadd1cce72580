#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need (only the missing ones):
# install-deps.sh [windows]: with "windows", those of the Windows build and its Wine tests too.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config clang-format clang-tidy
    qt6-base-dev qt6-translations-l10n libgl-dev
    libcurl4-openssl-dev qtkeychain-qt6-dev
    fonts-ipafont-gothic
    libbenchmark-dev
    xvfb xauth xdotool x11-utils imagemagick
    dbus python3 python3-aiosmtpd python3-dbusmock python3-cryptography gnome-keyring faketime
    # the autostart entry, checked by the validator and started by GLib as desktops do
    desktop-file-utils libglib2.0-bin
    clang libclang-rt-14-dev
    g++-mingw-w64-x86-64
)
# The Windows build (scripts/windows.sh): the posix-thread cross compilers, Debian's sources
# (dpkg-dev), Wine with Xvfb for its tests, zip for the package.
if [ "${1:-}" = windows ]; then
    PACKAGES+=(
        g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
        dpkg-dev qt6-base-dev-tools wine wine64 zip unzip
    )
fi

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
