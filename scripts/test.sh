#!/usr/bin/env bash
# Sets up what is missing, builds both targets and runs every test: the unit
# tests under wine64 and the end-to-end tests with the real SETUP.EXE.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
source scripts/common.sh

build "$BUILD32" toolchain-i686.cmake OFF
build "$BUILD64" toolchain-x86_64.cmake ON

unset DISPLAY
export WINEPREFIX="$BUILD64/wineprefix"
make_prefix "$WINEPREFIX" null
trap 'stop_wineserver "$WINEPREFIX"' EXIT
start_wineserver "$WINEPREFIX"

ctest --test-dir "$BUILD64" --output-on-failure -j2 "$@"
