#!/usr/bin/env bash
# Photographs the progress window in the middle of a 600 MB file's copy,
# once the window has taken a message during the copy (its messages are let
# through while a long file is written): the bar, the percentage and the
# time left.
#   bigcopy.sh ZDRIVE_EXE BUILD_DIR      writes BUILD_DIR/bigcopy.png
set -euo pipefail
DRIVER="$1"
BUILD="$2"
source "$(dirname "$0")/../../scripts/common.sh"

export WINEPREFIX="$BUILD/shot-desktop-prefix"  # every program in Wine's virtual desktop
SHOT="$BUILD/bigcopy.png"
media="$WINEPREFIX/drive_c/bigmedia"
XVFB_PID=""
unset DISPLAY
cleanup() {
    stop_wineserver "$WINEPREFIX"
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
    rm -rf "$media" "$WINEPREFIX/drive_c/Zunto"
}
trap cleanup EXIT
start_xvfb 90
make_prefix "$WINEPREFIX" desktop
start_wineserver "$WINEPREFIX"

# The sample media with a 600 MB file to copy first.
rm -rf "$media" "$WINEPREFIX/drive_c/Zunto" "$SHOT"
cp -r "$BUILD/media" "$media"
truncate -s 629145600 "$media/BIG.DAT"  # 600 MB, sparse: made at once
sed -i 's/^\[Common\]\r$/&\nbig=1,0,BIG.DAT,BIG.DAT,$(AppPath)\r/' "$media/SETUP.LST"

coproc ZD { "$WINE" "$DRIVER" 2>/dev/null; }
send() {  # one command to the driver; its answer in $reply
    [ -z "$1" ] || echo "$1" >&"${ZD[1]}"
    IFS= read -r -t 300 reply <&"${ZD[0]}" && [[ "$reply" == *'"ok":true'* ]] || { echo "$1: $reply"; exit 1; }
}
send ""  # ready
send 'start "C:\bigmedia\SETUP.EXE" /DIR=C:\Zunto /NOICON'
send "wait-class #32770 60000"  # the setup dialog: OK
send "press 1"
send "wait box 60000"  # the final question: Yes
send "press 6"
send 'ping-while C:\Zunto\BIG.DAT 60000 DoingWnd'  # leaves the program held still
# Held 3 s, so that the bar shows the time left once it moves on.
sleep 3
send resume
send 'ping-while C:\Zunto\BIG.DAT 60000'
ping="$reply"
sleep 1  # let the desktop show it
import -window root "$SHOT"
send resume
send "wait box 300000"  # completed: OK
send "press 1"
send "exit 300000"
echo "$ping"
[[ "$reply" == *'"code":0'* ]] || { echo "SETUP.EXE: $reply"; exit 1; }
[[ "$ping" == *'"replied":true'* ]] || { echo "no message taken during the copy"; exit 1; }
[ "$(sed 's/.*"after":\([0-9-]*\).*/\1/' <<<"$ping")" -lt 629145600 ] || { echo "the copy had ended first"; exit 1; }
[ "$(identify -format %k "$SHOT")" -gt 8 ] || { echo "the screenshot shows nothing"; exit 1; }
echo "Screenshot: $SHOT"
