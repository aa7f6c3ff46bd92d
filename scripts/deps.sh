#!/usr/bin/env bash
# Installs the Debian packages and the host locale the build and the tests
# need, when they are missing. Safe to run again.
set -euo pipefail

PACKAGES=(
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
    cmake ninja-build googletest python3
    xvfb x11-utils imagemagick fonts-ipafont-gothic fonts-ipafont-mincho
    locales mscompress liblnk-utils
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
        missing+=("$p")
    fi
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -q
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine converts command-line arguments with the host charset: the host needs
# the Japanese UTF-8 locale too.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen >/dev/null
fi
