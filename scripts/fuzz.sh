#!/usr/bin/env bash
# The long run of the mutated-file test: SETUP.LST and ENV files mutated
# through the parsers, many more cases than the test run has.
#   scripts/fuzz.sh [CASES [SEED]]     (default 1000000 cases, seed 1)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
source scripts/common.sh
build "$RUN_BUILD" "$RUN_TARGET" ON
export WINEPREFIX="$RUN_BUILD/wineprefix"
make_prefix "$WINEPREFIX" null
trap 'stop_wineserver "$WINEPREFIX"' EXIT
start_wineserver "$WINEPREFIX"
FUZZ_CASES="${1:-1000000}" FUZZ_SEED="${2:-1}" "$WINE" "$RUN_BUILD/tests/setup_tests.exe" \
    --gtest_filter='*MutatedListsAndSettingsFiles*' </dev/null
