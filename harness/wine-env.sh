# Shell functions for running this tree's Windows programs under Wine: the Wine wrapper,
# the test command, the demo and the benchmarks share them. Sourcing defines functions
# only; the Wine to use is chosen by one call:
#
#   source harness/wine-env.sh
#   wine_use host win32    # the host's Wine, a 32-bit prefix (where the kernel runs 32-bit code)
#   wine_use host win64    # the host's Wine, a 64-bit prefix
#   wine_use wow64         # Wine 10 of the wow64 root: 64-bit prefixes that also run 32-bit
#                          # programs through qemu-i386, on a kernel that cannot run them
#   wine_use_prefix DIR    # the Wine that made the prefix DIR
#
# wine_use exports WINE_ROUTE, WINEARCH, WINELOADER (what Wine programs start others with),
# WINEDEBUG and WINEDLLOVERRIDES, and sets WINE_LOADER and WINE_SERVER for the scripts.
# WINE_FORCE_WOW64=1 makes wine_can_run_win32 answer no, so that the callers take the wow64
# route on any machine.

# The repository's root.
wine_repo() {
    (cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
}

wine_use() {
    WINE_ROUTE=$1
    case "$1" in
    wow64)
        WINEARCH=win64
        WINE_LOADER="$(wine_repo)/harness/wow64/wine"
        WINE_SERVER="$(wine_repo)/harness/wow64/wineserver"
        # Programs started by Wine programs use the loader inside the root.
        WINELOADER=/usr/lib/wine/wine64
        ;;
    host)
        WINEARCH=${2:-win32}
        WINE_LOADER="$(wine_repo)/harness/wine"
        if [ "$WINEARCH" = win64 ]; then
            WINELOADER=/usr/lib/wine/wine64
            WINE_SERVER=/usr/lib/wine/wineserver64
        else
            WINELOADER=/usr/lib/wine/wine
            WINE_SERVER=/usr/lib/wine/wineserver32
        fi
        ;;
    *)
        echo "wine_use: host win32|win64, or wow64" >&2
        return 2
        ;;
    esac
    export WINE_ROUTE WINEARCH WINELOADER
    export WINEDEBUG="${WINEDEBUG:--all}"
    # Creating a prefix must not download Mono or Gecko, nor wait on a dialog for them.
    export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"
}

# Only the Wine that made a prefix may run it: the servers of the two routes cannot talk.
wine_use_prefix() {
    local route arch
    read -r route arch 2>/dev/null <"$1/.wine-route" || return 1
    wine_use "$route" "$arch"
}

# Creates $WINEPREFIX once; several callers at a time wait for the first one.
wine_ensure_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.prefix-ready" ] && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.prefix-ready" ]; then
            rm -rf "$WINEPREFIX"
            "$WINE_LOADER" wineboot.exe -i >/dev/null 2>&1 || exit 1
            # Without a window manager, as under Xvfb, Wine's X11 driver waits two seconds
            # for one at every show and hide of a managed window; Windows never waits.
            "$WINE_LOADER" reg.exe add 'HKCU\Software\Wine\AppDefaults\setup.exe\X11 Driver' \
                /v Managed /d N /f >/dev/null 2>&1 || exit 1
            "$WINE_SERVER" -w
            echo "$WINE_ROUTE $WINEARCH" >"$WINEPREFIX/.wine-route"
            touch "$WINEPREFIX/.prefix-ready"
        fi
    ) 9>"$WINEPREFIX.lock"
}

# Makes $2 a prefix of its own from the ready prefix $1, once; several callers at a time
# wait for the first one. Programs and libraries are shared through hard links, since
# Wine only ever reads them; everything else is copied (Wine rewrites its registry files
# and some .ini files in place).
wine_clone_prefix() {
    local from=$1 to=$2
    [ -f "$to/.prefix-ready" ] && return 0
    mkdir -p "$(dirname "$to")"
    (
        flock 9
        if [ ! -f "$to/.prefix-ready" ]; then
            rm -rf "$to"
            cp -a --link "$from" "$to" || exit 1
            rm -f "$to/wineserver" "$to/.prefix-ready"
            find "$to" -type f -links +1 ! -regex '.*\.\(dll\|exe\|sys\|drv\|ocx\|cpl\|acm\|ax\|tlb\|nls\|ds\|ttf\|fon\)' \
                -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} + ||
                exit 1
            touch "$to/.prefix-ready"
        fi
    ) 9>"$to.lock"
}

# Starts the Wine server of $WINEPREFIX and the prefix's session (services, device
# drivers, desktop window) with every standard stream on /dev/null, by running the
# program $1, which only makes the desktop exist. Wine starts the session from the first
# program that needs it, and its processes inherit that program's standard error: a test
# program's pipe would stay open for as long as the prefix is busy, and CTest would wait
# for it. The server stays WINE_SERVER_PERSIST seconds after its last program; when that
# is empty, it and the session stay until the server is stopped.
wine_start_session() {
    local hold=
    [ -n "${WINE_SERVER_PERSIST-x}" ] || hold=--hold
    "$WINE_SERVER" -p${WINE_SERVER_PERSIST-3} </dev/null >/dev/null 2>&1 # 2: one runs already
    "$WINE_LOADER" "$1" $hold </dev/null >/dev/null 2>&1
}

wine_stop_server() {
    "$WINE_SERVER" -k >/dev/null 2>&1
    true
}

# The Linux process ids of the Wine programs whose environment holds NORVANE_RUN=$1, the
# mark the wrapper gives a program it starts, which its children inherit.
wine_processes_marked() {
    grep -lzx "NORVANE_RUN=$1" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3
}

# Counts the cases of a GoogleTest report: "RAN SKIPPED FAILED" (a case with several
# failures counts once); "0 0 0" for a report that is missing.
wine_report_counts() {
    [ -f "$1" ] || { echo "0 0 0"; return; }
    awk '/<testcase / {
            if ($0 ~ /status="run"/) ran++
            if ($0 ~ /result="skipped"/) skipped++
            counted = 0
        }
        /<failure / { if (!counted) { failed++; counted = 1 } }
        END { print ran + 0, skipped + 0, failed + 0 }' "$1"
}

# Starts a private X server and exports DISPLAY; WINE_XVFB_PID names it.
wine_start_xvfb() {
    local fdfile i
    fdfile=$(mktemp)
    Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp 7>"$fdfile" >/dev/null 2>&1 &
    WINE_XVFB_PID=$!
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

# True when this Linux kernel runs 32-bit programs, and with them a 32-bit Wine, unless
# WINE_FORCE_WOW64=1 asks for the other route.
wine_can_run_win32() {
    [ "${WINE_FORCE_WOW64:-}" != 1 ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Where this kernel cannot run 32-bit programs, starts making the Wine root of
# harness/wow64 (once per machine; done at once when it is there) in the background, its
# output in the file $1, so that a first set-up goes on beside the builds. WINE_ROOT_PID
# names it; wine_wait_for_root waits for it, wine_stop_root ends it with all it started.
wine_start_root() {
    WINE_ROOT_PID=
    wine_can_run_win32 && return 0
    setsid bash "$(wine_repo)/harness/wow64/make-root.sh" >"$1" 2>&1 </dev/null &
    WINE_ROOT_PID=$!
}

wine_wait_for_root() {
    [ -n "${WINE_ROOT_PID:-}" ] || return 0
    wait "$WINE_ROOT_PID"
    local status=$?
    WINE_ROOT_PID=
    return $status
}

wine_stop_root() {
    [ -n "${WINE_ROOT_PID:-}" ] && kill -- "-$WINE_ROOT_PID" 2>/dev/null
    WINE_ROOT_PID=
    true
}

# The route that runs 32-bit Windows programs here: "host", "wow64" (the root is made by
# harness/install-deps.sh where it is needed), or "none".
wine_route_for_win32() {
    if wine_can_run_win32; then
        echo host
    elif [ -f /var/lib/norvane-wow64/root.stamp ] &&
        bash "$(wine_repo)/harness/wow64/run.sh" /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo wow64
    else
        echo none
    fi
}
