# common.sh - shared by the run and test scripts (sourced, not run).

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
BUILD32="$ROOT/build-i686"
BUILD64="$ROOT/build-x86_64"

export WINEDEBUG=-all
export LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="

# build DIR TOOLCHAIN TESTS(ON|OFF)
build() {
    cmake -S "$ROOT" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$2" -DSETUP_BUILD_TESTS="$3" -DSETUP_WERROR=ON >/dev/null
    ninja -C "$1"
}

# Creates a Wine prefix once; with "null" windows need no X server.
make_prefix() {
    local prefix="$1" graphics="$2"
    if [ ! -f "$prefix/.ready" ]; then
        if [ -d "$prefix" ]; then stop_wineserver "$prefix"; fi
        rm -rf "$prefix"
        mkdir -p "$prefix"
        WINEPREFIX="$prefix" "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
        WINEPREFIX="$prefix" "$WINE" wineboot -i </dev/null >/dev/null 2>&1
        if [ "$graphics" = null ]; then
            WINEPREFIX="$prefix" "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
                </dev/null >/dev/null 2>&1
        fi
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
    WINEPREFIX="$1" "$WINE" wineboot </dev/null >/dev/null 2>&1
}

stop_wineserver() {
    WINEPREFIX="$1" "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
}
