#!/usr/bin/env bash
# Photographs the progress window of the copy phase on a virtual screen, in
# a Wine prefix of its own that draws (the unit tests' prefix draws nothing).
#   doingwnd.sh WCLS_TESTS_EXE BUILD_DIR      writes BUILD_DIR/doingwnd.png
set -euo pipefail
EXE="$1"
BUILD="$2"
source "$(dirname "$0")/../../scripts/common.sh"

PREFIX="$BUILD/shot-prefix"
SHOT="$BUILD/doingwnd.png"
WORK="$(mktemp -d)"
XVFB_PID=""
unset DISPLAY
export WINEPREFIX="$PREFIX"
make_prefix "$PREFIX" x11

cleanup() {
    stop_wineserver "$PREFIX"
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT

start_xvfb 90

start_wineserver "$PREFIX"

rm -f "$SHOT"
export SHOT_READY="Z:$WORK/ready" SHOT_STOP="Z:$WORK/stop"
# A virtual desktop gives the window Wine's frame and caption.
"$WINE" explorer /desktop=shot,1024x768 "$EXE" --child=DoingWndScreenshot </dev/null >/dev/null 2>&1 &
child=$!
for _ in $(seq 600); do [ -e "$WORK/ready" ] && break; sleep 0.1; done
[ -e "$WORK/ready" ] || { echo "the progress window did not come up"; exit 1; }
sleep 1  # let the desktop draw the frame
import -window root "$SHOT"
touch "$WORK/stop"
for _ in $(seq 100); do kill -0 "$child" 2>/dev/null || break; sleep 0.1; done
wait "$child"
# Something was drawn: more than the desktop's few colours.
colors="$(identify -format %k "$SHOT")"
[ "$colors" -gt 8 ] || { echo "the screenshot shows nothing ($colors colours)"; exit 1; }
echo "Screenshot: $SHOT"
