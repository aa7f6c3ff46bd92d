#!/usr/bin/env bash
# The main job: sets up what is missing, builds SETUP.EXE and the sample
# media, and installs the application under Wine in a project-local prefix
# (build-i686/run-prefix). With a display, Wine's virtual desktop opens on
# it and a person clicks through; without one, the run goes on a virtual
# screen (Xvfb) with the default answers. Either way a screenshot is saved
# at each step (build-i686/run-shots/) and a report of what was installed
# is printed. Then the same mode runs once more at 144 DPI, unattended on a
# virtual screen of its own, in a prefix of its own (run-prefix-144dpi): its
# screenshots are named *-144dpi.png.
#   scripts/run.sh                 install from the media
#   scripts/run.sh update          SETUP.EXE /UPDATE from the media
#   scripts/run.sh uninstall       SETUP.EXE /UNINSTALL from the program folder
#   scripts/run.sh repair          SETUP.EXE /REPAIR from the program folder
#   scripts/run.sh verify          SETUP.EXE /VERIFY from the media
#   scripts/run.sh fresh           forget the prefix, then install
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
source scripts/common.sh

mode="${1:-install}"
case "$mode" in
    install | update | uninstall | repair | verify) ;;
    fresh) rm -rf "$RUN_BUILD/run-prefix" "$RUN_BUILD/run-prefix-144dpi"; mode=install ;;
    *) echo "usage: scripts/run.sh [install|update|uninstall|repair|verify|fresh]"; exit 2 ;;
esac

build "$RUN_BUILD" "$RUN_TARGET" OFF
announce_target

XVFB_PID=""
cleanup() {
    stop_wineserver "$RUN_BUILD/run-prefix"
    stop_wineserver "$RUN_BUILD/run-prefix-144dpi"
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT

# The mode in a prefix at a DPI, on the display there is; the options go
# to run_setup.py.
run_pass() {
    local prefix="$1" dpi="$2"
    shift 2
    export WINEPREFIX="$prefix"
    # Made once the display is there, so that Wine's desktop can use it.
    make_prefix "$prefix" desktop "$dpi"
    # The media as on the installation disk, as the build staged them.
    rm -rf "$prefix/drive_c/ZuntoriaMedia"
    cp -a "$RUN_BUILD/media" "$prefix/drive_c/ZuntoriaMedia"  # with their times, as a copied disk
    start_wineserver "$prefix"
    ZDRIVE_EXE="$RUN_BUILD/tests/zdrive.exe" E2E_WINE="$WINE" \
        python3 scripts/run_setup.py "$mode" "$prefix" 'C:\ZuntoriaMedia' "$RUN_BUILD/run-shots" "$@"
    stop_wineserver "$prefix"
}

watch="--watch"
if [ -z "${DISPLAY:-}" ]; then
    watch=""
    start_xvfb 77
fi
if [ -n "$watch" ]; then echo "Answer SETUP.EXE in the window 'Default - Wine desktop' on $DISPLAY."; fi
run_pass "$RUN_BUILD/run-prefix" 96 $watch

echo
echo "== The same at 144 DPI, with the default answers (screenshots *-144dpi.png)"
if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
start_xvfb 77 "$(screen_size 144)"
run_pass "$RUN_BUILD/run-prefix-144dpi" 144 --dpi 144
