#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine; prints speed and memory ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
source scripts/common.sh
build "$RUN_BUILD" "$RUN_TARGET" ON
ninja -C "$RUN_BUILD" bench
export WINEPREFIX="$RUN_BUILD/wineprefix"
make_prefix "$WINEPREFIX" null
trap 'stop_wineserver "$WINEPREFIX"' EXIT
start_wineserver "$WINEPREFIX"
"$WINE" "$RUN_BUILD/tools/bench.exe" </dev/null
