#!/usr/bin/env bash
# Regenerates TARVO5/SysErrTable.cpp from the platform's Japanese system
# messages (run once; the result is committed).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
source "$ROOT/scripts/common.sh"
ninja -C "$BUILD64" gen_syserr
export WINEPREFIX="$BUILD64/wineprefix"
make_prefix "$WINEPREFIX" null
"$WINE64" "$BUILD64/tools/gen_syserr.exe" > "$ROOT/TARVO5/SysErrTable.cpp"
