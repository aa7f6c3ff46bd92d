#!/usr/bin/env bash
# Photographs the setup windows on a virtual screen, in a Wine prefix of its
# own that draws: the background window of both variants, the setup dialog
# over it, the folder selection dialog over that, and the progress window.
#   setupui.sh SETUP_TESTS_EXE BUILD_DIR [DPI]
# writes BUILD_DIR/setupui-{install,uninstall,setupdlg,folderdlg,doingwnd}.png;
# with a DPI other than 96, in a prefix of that DPI on a screen with as many
# more pixels, setupui-*-${DPI}dpi.png.
set -euo pipefail
EXE="$1"
BUILD="$2"
DPI="${3:-96}"
source "$(dirname "$0")/../../scripts/common.sh"

SUFFIX=""
if [ "$DPI" != 96 ]; then SUFFIX="-${DPI}dpi"; fi
SCREEN="$(screen_size "$DPI")"
PREFIX="$BUILD/shot-prefix$SUFFIX"
WORK="$(mktemp -d)"
XVFB_PID=""
unset DISPLAY
export WINEPREFIX="$PREFIX"
make_prefix "$PREFIX" x11 "$DPI"

cleanup() {
    stop_wineserver "$PREFIX"
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT

start_xvfb 90 "$SCREEN"

start_wineserver "$PREFIX"

for scene in install uninstall setupdlg folderdlg doingwnd; do
    shot="$BUILD/setupui-$scene$SUFFIX.png"
    rm -f "$shot" "$WORK/ready" "$WORK/stop"
    export SHOT_SCENE="$scene" SHOT_READY="Z:$WORK/ready" SHOT_STOP="Z:$WORK/stop"
    # A virtual desktop gives the windows Wine's frames and captions.
    "$WINE" explorer /desktop=shot,"$SCREEN" "$EXE" --child=SetupUiScreenshot </dev/null >/dev/null 2>&1 &
    child=$!
    for _ in $(seq 600); do [ -e "$WORK/ready" ] && break; sleep 0.1; done
    [ -e "$WORK/ready" ] || { echo "scene $scene did not come up"; exit 1; }
    sleep 1  # let the desktop draw the frames
    import -window root "$shot"
    touch "$WORK/stop"
    for _ in $(seq 100); do kill -0 "$child" 2>/dev/null || break; sleep 0.1; done
    wait "$child" || true
    # The gradient alone has far more colours than an empty desktop.
    colors="$(identify -format %k "$shot")"
    [ "$colors" -gt 200 ] || { echo "scene $scene shows nothing ($colors colours)"; exit 1; }
    echo "Screenshot: $shot"
done
