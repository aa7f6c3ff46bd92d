#!/usr/bin/env bash
# Benchmarks, run by hand: they print numbers and assert nothing.
#   scripts/bench.sh [ROUNDS]
# 1. The library's speed and memory ratios (string copies against text
#    length, reallocations while a list grows, settings-file lookups against
#    file size).
# 2. Two payloads (1,000 files each, about 105 MB, half of them packed on our
#    media: ledger-like text throughout; incompressible plain files with
#    packed Japanese text) installed by SETUP.EXE (interactive and /SILENT)
#    and by NSIS installers of the same files (zlib and solid LZMA, silent
#    /S; 64-bit stubs for the x86_64 build) in turns under one Wine prefix,
#    ROUNDS times (default 5); the physical floor for the same bytes (host cp
#    plus a native SZDD expander); the copy engine alone, with and without
#    the undo journal; the time to SETUP.EXE's first window and its peak
#    working set (scripts/bench_install.py).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh gcc nsis  # gcc: the native expander of the floor
source scripts/common.sh
build "$RUN_BUILD" "$RUN_TARGET" ON
ninja -C "$RUN_BUILD" bench copybench
gcc -O2 -Wall -o "$RUN_BUILD/tools/szdd_expand" tools/bench/szdd_expand.c
export WINEPREFIX="$RUN_BUILD/bench-prefix"
make_prefix "$WINEPREFIX" null
trap 'stop_wineserver "$WINEPREFIX"' EXIT
start_wineserver "$WINEPREFIX"
"$WINE" "$RUN_BUILD/tools/bench.exe" </dev/null
RUN_TARGET="$RUN_TARGET" E2E_WINE="$WINE" ZDRIVE_EXE="$RUN_BUILD/tests/zdrive.exe" \
    python3 scripts/bench_install.py "$RUN_BUILD" "$WINEPREFIX" "${1:-5}"
