#!/usr/bin/env bash
# Sets up what is missing, builds both targets and runs every test: the unit
# tests and the end-to-end tests, on the shipped i686 build where this
# machine runs 32-bit programs, else on the x86_64 build that stands in for
# it (common.sh decides and says why; SETUP_TEST_BUILD=x86_64 forces it).
# Both builds are compiled with -Werror.
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
