# Shell functions shared by the Wine wrapper, the test command and the demo.
# Source it after setting WINEPREFIX.

export WINEARCH="${WINEARCH:-win32}"
case "$WINEARCH" in
win64)
    WINE_LOADER=/usr/lib/wine/wine64
    WINE_SERVER=/usr/lib/wine/wineserver64
    ;;
*)
    WINE_LOADER=/usr/lib/wine/wine
    WINE_SERVER=/usr/lib/wine/wineserver32
    ;;
esac
# Programs started by Wine programs use the same loader.
export WINELOADER="$WINE_LOADER"
export WINEDEBUG="${WINEDEBUG:--all}"
# Creating a prefix must not download Mono or Gecko, nor wait on a dialog for them.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"

# Creates $WINEPREFIX once; several callers at a time wait for the first one.
wine_ensure_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.prefix-ready" ] && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.prefix-ready" ]; then
            rm -rf "$WINEPREFIX"
            "$WINE_LOADER" wineboot.exe -i >/dev/null 2>&1 || exit 1
            "$WINE_SERVER" -w
            touch "$WINEPREFIX/.prefix-ready"
        fi
    ) 9>"$WINEPREFIX.lock"
}

# Starts a private X server and exports DISPLAY; WINE_XVFB_PID names it.
wine_start_xvfb() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp 7>"$fdfile" >/dev/null 2>&1 &
    WINE_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        [ -s "$fdfile" ] && break
        sleep 0.05
    done
    if [ ! -s "$fdfile" ]; then
        rm -f "$fdfile"
        return 1
    fi
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
}

wine_stop_xvfb() {
    if [ -n "${WINE_XVFB_PID:-}" ]; then
        kill "$WINE_XVFB_PID" 2>/dev/null
        wait "$WINE_XVFB_PID" 2>/dev/null
        WINE_XVFB_PID=
    fi
}

# True when this Linux kernel runs 32-bit programs, and with them a 32-bit Wine.
wine_can_run_win32() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

wine_stop_server() {
    "$WINE_SERVER" -k >/dev/null 2>&1
    true
}
