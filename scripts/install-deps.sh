#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need (only the missing ones).
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config clang-format clang-tidy
    qt6-base-dev qt6-translations-l10n libgl-dev
    libcurl4-openssl-dev qtkeychain-qt6-dev
    fonts-ipafont-gothic
    libbenchmark-dev
    xvfb xauth xdotool x11-utils imagemagick
    dbus python3 python3-aiosmtpd python3-dbusmock python3-cryptography gnome-keyring faketime
    clang libclang-rt-14-dev
    g++-mingw-w64-x86-64
)

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
