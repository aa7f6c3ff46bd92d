#!/usr/bin/env bash
# Builds and runs the benchmarks under wine64; prints speed and memory ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
source scripts/common.sh
build "$BUILD64" toolchain-x86_64.cmake ON
ninja -C "$BUILD64" bench
export WINEPREFIX="$BUILD64/wineprefix"
make_prefix "$WINEPREFIX" null
trap 'stop_wineserver "$WINEPREFIX"' EXIT
start_wineserver "$WINEPREFIX"
"$WINE" "$BUILD64/tools/bench.exe" </dev/null
