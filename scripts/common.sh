# common.sh - shared by the run and test scripts (sourced, not run).

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WINE64=/usr/lib/wine/wine64  # boots prefixes; a 64-bit prefix runs 32-bit programs too
WINESERVER=/usr/lib/wine/wineserver
BUILD32="$ROOT/build-i686"
BUILD64="$ROOT/build-x86_64"

export WINEDEBUG=-all
export LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="

# The build that runs: the shipped i686 one under the 32-bit loader when
# that loader runs here, else the x86_64 one, which sees the same 32-bit
# registry view and program folder. Decided by running the loader: some
# kernels run no 32-bit programs although wine32 is installed.
# SETUP_TEST_BUILD=x86_64 forces the stand-in on any machine.
WINE32=/usr/lib/wine/wine
if [ "${SETUP_TEST_BUILD:-}" = x86_64 ]; then
    RUN_WHY="SETUP_TEST_BUILD=x86_64 asks for it"
elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
    RUN_WHY="wine32 could not be installed"
elif ! "$WINE32" --version >/dev/null 2>&1; then
    RUN_WHY="this kernel runs no 32-bit programs ($WINE32 --version fails)"
else
    RUN_WHY=""
fi
if [ -z "$RUN_WHY" ]; then
    RUN_TARGET=i686
    RUN_BUILD="$BUILD32"
    WINE="$WINE32"
else
    RUN_TARGET=x86_64
    RUN_BUILD="$BUILD64"
    WINE="$WINE64"
fi

announce_target() {
    if [ "$RUN_TARGET" = i686 ]; then
        echo "== Running the i686 (32-bit, shipped) build: $RUN_BUILD"
    else
        echo "== Running the x86_64 build in place of the shipped i686 one ($RUN_WHY): $RUN_BUILD"
    fi
}

# build DIR TARGET(i686|x86_64) TESTS(ON|OFF)
build() {
    cmake -S "$ROOT" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$2.cmake" -DSETUP_BUILD_TESTS="$3" -DSETUP_WERROR=ON >/dev/null
    ninja -C "$1"
}

# The screen at a DPI: 1024x768 at 96, and proportionally more pixels at a
# higher DPI (the same screen, sharper), so that its pictures compare.
screen_size() {
    echo "$((1024 * $1 / 96))x$((768 * $1 / 96))"
}

# Creates a Wine prefix once: "null" draws nothing and needs no X server;
# "desktop" opens every program in a virtual desktop of the screen's size.
# DPI (default 96) is the display's, as Windows' scaling setting gives it.
make_prefix() {
    local prefix="$1" graphics="$2" dpi="${3:-96}"
    if [ ! -f "$prefix/.ready" ]; then
        if [ -d "$prefix" ]; then stop_wineserver "$prefix"; fi
        rm -rf "$prefix"
        mkdir -p "$prefix"
        WINEPREFIX="$prefix" "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
        WINEPREFIX="$prefix" "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
        # Debian's Wine does not look in /usr/share/wine/fonts: without
        # Marlett a window's close box is drawn as the letter "r".
        cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
        if [ "$graphics" = null ]; then
            WINEPREFIX="$prefix" "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
                </dev/null >/dev/null 2>&1
        else
            # Every program opens in a virtual desktop, which gives the
            # windows Wine's frames and captions.
            WINEPREFIX="$prefix" "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
                </dev/null >/dev/null 2>&1
            WINEPREFIX="$prefix" "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
                /d "$(screen_size "$dpi")" /f </dev/null >/dev/null 2>&1
        fi
        if [ "$dpi" != 96 ]; then set_prefix_dpi "$prefix" "$dpi"; fi
        # The first program of the run loader finishes setting the prefix up
        # for it; until then Wine's virtual desktop does not come up.
        WINEPREFIX="$prefix" "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
        WINEPREFIX="$prefix" "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
        WINEPREFIX="$prefix" "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
        touch "$prefix/.ready"
    fi
}

# A persistent wineserver for the prefix, started with no pipes attached so
# that no background Wine process holds the caller's output open.
start_wineserver() {
    # Fails harmlessly when the prefix's server already runs.
    WINEPREFIX="$1" "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
    WINEPREFIX="$1" "$WINE64" wineboot </dev/null >/dev/null 2>&1
}

# Wine 8 takes the DPI from the user's desktop settings and else from the
# current hardware profile's fonts key: both are set.
set_prefix_dpi() {
    local key
    for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
        WINEPREFIX="$1" "$WINE64" reg add "$key" /v LogPixels /t REG_DWORD /d "$2" /f </dev/null >/dev/null 2>&1
    done
}

stop_wineserver() {
    WINEPREFIX="$1" "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
}

# A virtual screen of our own on the first free display number from $1, of
# the size $2 (default 1024x768): sets DISPLAY and XVFB_PID (the server's
# pid, for the caller's clean-up).
start_xvfb() {
    XVFB_PID=""
    for n in $(seq "$1" $(($1 + 40))); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 "${2:-1024x768}x24" -nolisten tcp </dev/null >/dev/null 2>&1 &
            XVFB_PID=$!
            export DISPLAY=":$n"
            break
        fi
    done
    [ -n "$XVFB_PID" ] || { echo "no free display"; return 1; }
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}
