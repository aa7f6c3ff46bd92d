#!/usr/bin/env bash
# Installs the Debian packages and the host locale the build and the tests
# need, when they are missing. Safe to run again.
#   deps.sh [EXTRA_PACKAGE...]
# The 32-bit Wine loader (wine32:i386) runs the shipped i686 SETUP.EXE. When
# it cannot be installed (the i386 index is now and then mid-sync), this says
# so loudly and the scripts fall back to the x86_64 build (common.sh).
set -euo pipefail

PACKAGES=(
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
    cmake ninja-build googletest python3
    xvfb x11-utils imagemagick fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine
    locales mscompress liblnk-utils osslsigncode openssl ca-certificates
    "$@"
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

apt_install() {
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
}

missing=()
for p in "${PACKAGES[@]}"; do
    installed "$p" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -q
    apt_install "${missing[@]}"
fi

if ! installed wine32:i386; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    for attempt in 1 2; do
        if $SUDO apt-get update -q && apt_install wine32:i386; then break; fi
        if [ "$attempt" = 1 ]; then echo "wine32:i386 did not install; trying again in 20 s"; sleep 20; fi
    done
    if ! installed wine32:i386; then
        echo "##################################################################"
        echo "## WARNING: wine32:i386 could not be installed (the i386 package"
        echo "## index may be mid-sync). The shipped i686 SETUP.EXE cannot run"
        echo "## here: FALLING BACK TO THE x86_64 BUILD for tests and runs."
        echo "##################################################################"
    fi
fi

# Wine converts command-line arguments with the host charset: the host needs
# the Japanese UTF-8 locale too.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen >/dev/null
fi
