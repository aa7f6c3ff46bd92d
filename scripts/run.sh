#!/usr/bin/env bash
# Sets up what is missing, builds SETUP.EXE and runs it under Wine against the
# bundled sample media: on the display when there is one, else on a virtual
# screen. Writes a screenshot of the screen a few seconds into the run.
#   scripts/run.sh [SETUP.EXE arguments...]
# Environment: SHOT_DELAY (seconds before the screenshot, default 6),
# RUN_TIMEOUT (seconds a headless run may take before it is ended, default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
source scripts/common.sh

build "$RUN_BUILD" "$RUN_TARGET" OFF
announce_target

export WINEPREFIX="$RUN_BUILD/run-prefix"
make_prefix "$WINEPREFIX" x11

# The media as on the installation disk, as the build staged them: the file
# list, the files (packed where it says so) and SETUP.EXE beside them.
MEDIA="$WINEPREFIX/drive_c/ZuntoriaMedia"
rm -rf "$MEDIA"
cp -r "$RUN_BUILD/media" "$MEDIA"

own_x=""
if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 77 99); do
        if [ ! -e "/tmp/.X$n-lock" ]; then
            Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
            own_x=$!
            export DISPLAY=":$n"
            break
        fi
    done
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

cleanup() {
    stop_wineserver "$WINEPREFIX"
    if [ -n "$own_x" ]; then kill "$own_x" 2>/dev/null || true; fi
}
trap cleanup EXIT

# A virtual desktop gives the windows Wine's frames and captions.
"$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
"$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
start_wineserver "$WINEPREFIX"

"$WINE" 'C:\ZuntoriaMedia\SETUP.EXE' "$@" </dev/null &
pid=$!
sleep "${SHOT_DELAY:-6}"
SHOT="$RUN_BUILD/screenshot.png"
import -window root "$SHOT"
echo "Screenshot: $SHOT"

code=""
if [ -n "$own_x" ]; then
    # Nobody can answer on a virtual screen: end a run that still waits.
    for _ in $(seq "${RUN_TIMEOUT:-20}"); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 1
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "SETUP.EXE still running after ${RUN_TIMEOUT:-20} s on the virtual screen; ended."
        stop_wineserver "$WINEPREFIX"
    fi
fi
set +e
wait "$pid"
code=$?
set -e
echo "SETUP.EXE exit code: $code"
