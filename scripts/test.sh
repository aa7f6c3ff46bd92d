#!/usr/bin/env bash
# Sets up what is missing, builds both targets and runs every test: the unit
# tests and the end-to-end tests, on the shipped i686 build (the x86_64 build
# is compiled with -Werror and kept warning-free; it runs only as a loud
# fallback when wine32 cannot be installed).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
source scripts/common.sh

build "$BUILD32" i686 ON
build "$BUILD64" x86_64 ON

announce_target
unset DISPLAY
export WINEPREFIX="$RUN_BUILD/wineprefix"
make_prefix "$WINEPREFIX" null
trap 'stop_wineserver "$WINEPREFIX"' EXIT
start_wineserver "$WINEPREFIX"

ctest --test-dir "$RUN_BUILD" --output-on-failure -j2 "$@"
