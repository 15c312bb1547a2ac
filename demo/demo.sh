#!/bin/bash
# The main job: a setup CD under Wine, showing what a setup run does - the demo CD, or a
# card maker's own CD folder or ISO image.
#   bash demo/demo.sh [--lang zh|en] [--second] [--upgrade] [--fresh] [--x64]
#                     [--cd DIR | --iso FILE.iso] [--after DIR | --after FILE.iso]
#                     [--our-setup] [--anyway] [--installed VERSION] [--timeout SECONDS] [--out DIR]
#
#   --lang zh|en     the system language Wine gives the programs (default zh: Chinese)
#   --second         run again on the same prefix, keeping what the last run installed:
#                    the application is found up to date and only started
#   --upgrade        the demo CD only: register an older version first, so that the
#                    installer runs twice (removal of the old installation, then the new)
#   --fresh          throw the demo's Wine prefixes away and make them anew
#   --x64            run the 64-bit build instead of the 32-bit setup.exe that ships
#   --cd DIR         a card maker's CD folder instead of the demo CD
#   --iso FILE       a card maker's ISO 9660 image instead of the demo CD
#   --after OLD      first run an older CD (folder or image) on the same prefix, then this
#                    one as the card plugged in again: a real upgrade
#   --our-setup      run our setup.exe in place of the one on that CD
#   --anyway         run even when setupcheck finds problems
#   --installed V    register an installed application of version V first, as its
#                    installer would: the version, the location values of the CD's AppType
#                    and UnInstall under its AppRegKeyPath (no files: the upgrade's decision
#                    and its removal run, not the old program)
#   --timeout S      end the run after S seconds (default 600): a real installer may wait
#                    for a click that never comes
#   --out DIR        keep the traces, screenshots and Wine prefixes in DIR (default: in
#                    build/release, under cd-runs for a card maker's CD)
#
# Installs what is missing, builds, shows the CD folder as CD-ROM drive R: of a Wine
# prefix of its own (demo/stage-cd.sh), checks it with setupcheck, starts R:\setup.exe
# there (under Xvfb without a display) and prints every trace as it arrives with the
# milliseconds since start. It saves a screenshot of the progress window while the
# application is copied and ends with a summary of what happened (demo/summary.sh).
# Without --second every run starts from a clean prefix, so that it is a first
# installation. Exit code: 0 after a run, 1 when the CD could not be run, 124 when the time
# ran out.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
source harness/wine-env.sh
source demo/stage-cd.sh

usage() {
    sed -n '4,6p' "$0" | sed 's/^# *//' >&2
    exit 2
}

# --- the options --------------------------------------------------------------------
parse_options() {
    lang=zh second=0 upgrade=0 fresh=0 x64=0 cd_dir= iso= our_setup=0 anyway=0
    installed= timeout=600 out_dir= after=
    while [ $# -gt 0 ]; do
        case "$1" in
        --lang) lang=${2:-}; shift ;;
        --second) second=1 ;;
        --upgrade) upgrade=1 ;;
        --fresh) fresh=1 ;;
        --x64) x64=1 ;;
        --cd) cd_dir=${2:-}; [ -n "$cd_dir" ] || usage; shift ;;
        --iso) iso=${2:-}; [ -n "$iso" ] || usage; shift ;;
        --after) after=${2:-}; [ -n "$after" ] || usage; shift ;;
        --our-setup) our_setup=1 ;;
        --anyway) anyway=1 ;;
        --installed) installed=${2:-}; [ -n "$installed" ] || usage; shift ;;
        --timeout) timeout=${2:-}; shift ;;
        --out) out_dir=${2:-}; [ -n "$out_dir" ] || usage; shift ;;
        *) usage ;;
        esac
        shift
    done
    case "$lang" in
    zh) export LC_ALL=zh_CN.UTF-8 ;;
    en) export LC_ALL=en_US.UTF-8 ;;
    *) echo "demo: --lang takes zh or en"; exit 2 ;;
    esac
    [[ "$timeout" =~ ^[1-9][0-9]*$ ]] || { echo "demo: --timeout takes a number of seconds"; exit 2; }
    [ -n "$cd_dir" ] && [ -n "$iso" ] && { echo "demo: give --cd or --iso, not both"; exit 2; }
    own_cd=0
    [ -n "$cd_dir$iso" ] && own_cd=1
    if [ $own_cd -eq 0 ] && [ $our_setup -eq 1 ]; then
        echo "demo: --our-setup goes with --cd or --iso"; exit 2
    fi
    if [ -n "$after" ]; then
        [ $own_cd -eq 1 ] || { echo "demo: --after goes with --cd or --iso"; exit 2; }
        [ $second -eq 0 ] && [ -z "$installed" ] ||
            { echo "demo: --after installs the older CD itself: no --second or --installed"; exit 2; }
        [ -e "$after" ] || { echo "demo: $after is no folder or file"; exit 1; }
        after=$(realpath "$after")
    fi
    if [ $own_cd -eq 1 ] && [ $upgrade -eq 1 ]; then
        echo "demo: --upgrade is for the demo CD; give --installed VERSION for your own"; exit 2
    fi
    if [ -n "$cd_dir" ]; then
        [ -d "$cd_dir" ] || { echo "demo: $cd_dir is no folder"; exit 1; }
        cd_dir=$(realpath "$cd_dir")
    fi
    if [ -n "$iso" ]; then
        [ -f "$iso" ] || { echo "demo: $iso is no file"; exit 1; }
        iso=$(realpath "$iso")
    fi
    if [ -n "$out_dir" ]; then
        mkdir -p "$out_dir" && out_dir=$(realpath "$out_dir") || { echo "demo: cannot make $out_dir"; exit 1; }
    fi
}

# setup.exe ships as a 32-bit program, and that is what runs: under the host's 32-bit Wine
# where this Linux kernel runs 32-bit programs, under the Wine of harness/wow64 (through
# qemu-i386) where it cannot; that Wine is made beside the build the first time. The
# 64-bit build of the same sources stands in only when asked for, or when neither works.
build_and_choose_wine() {
    local route
    mkdir -p build
    [ $x64 -eq 0 ] && wine_start_root build/wow64-root.log
    cmake --preset release >/dev/null && cmake --build build/release -j"$(nproc)" >/dev/null ||
        { echo "demo: the build failed"; cmake --build build/release 2>&1 | tail -n 20; return 1; }
    wine_wait_for_root || echo "demo: the Wine of harness/wow64 could not be made (build/wow64-root.log)"
    route=$(wine_route_for_win32)
    if [ $x64 -eq 1 ] || [ "$route" = none ]; then
        [ $x64 -eq 0 ] && echo "demo: no Wine here runs 32-bit programs; the demo runs the 64-bit build"
        preset=release-x64
        wine_use host win64
        cmake --preset "$preset" >/dev/null && cmake --build "build/$preset" -j"$(nproc)" >/dev/null ||
            { echo "demo: the build failed"; cmake --build "build/$preset" 2>&1 | tail -n 20; return 1; }
    elif [ "$route" = host ]; then
        preset=release
        wine_use host win32
    else
        preset=release
        wine_use wow64
    fi
    build="$root/build/$preset"
    bin="$build/bin"
    # The progress window shows while the application is copied, a tenth of a second here.
    # A 32-bit winshot under qemu-i386 sees it only after it has gone: on the wow64 route
    # the picture is taken by the 64-bit one, which runs natively.
    shot="$bin/winshot.exe"
    if [ "$WINE_ROUTE" = wow64 ]; then
        cmake --preset release-x64 >/dev/null && cmake --build build/release-x64 --target winshot \
            -j"$(nproc)" >/dev/null || { echo "demo: the 64-bit winshot did not build"; return 1; }
        shot="$root/build/release-x64/bin/winshot.exe"
    fi
    if [ -n "$out_dir" ]; then
        runs=$out_dir
    elif [ $own_cd -eq 1 ]; then
        runs="$build/cd-runs"
    else
        runs=$build
    fi
    out="$runs/demo-$lang"
    # A prefix belongs to the Wine that made it: one pair per route.
    base_prefix="$runs/demo-base-prefix-$WINE_ROUTE"
    export WINEPREFIX="$runs/demo-prefix-$WINE_ROUTE"
    mkdir -p "$out"
    rm -f "$out"/*.png "$out"/*.txt
    if [ $fresh -eq 1 ]; then
        rm -rf "$WINEPREFIX" "$WINEPREFIX.lock" "$base_prefix" "$base_prefix.lock"
    fi
}

# What setupcheck finds, before anything runs; false when it found problems and the run
# is not to go on all the same.
check_cd() {
    echo "demo: $cd_dir is drive R:; setupcheck R:"
    "$WINE_LOADER" "$bin/setupcheck.exe" --utf8 ${installed:+--installed "$installed"} 'R:\' 2>&1 |
        tee "$out/setupcheck.txt" | sed 's/^/  /'
    local status=${PIPESTATUS[0]}
    if [ "$status" -ne 0 ] && [ $anyway -eq 0 ]; then
        echo "demo: setupcheck found problems (exit code $status): not running (--anyway runs all the same)"
        return 1
    fi
    reg_key=$(check_value "Registry key")
    version_value=$(check_value "Version value")
    reg_view=
    if [ "$preset" = release ] && [ "$WINEARCH" = win64 ]; then
        reg_view=/reg:32
    fi
}

check_value() { # label: its value in setupcheck's report
    sed -n "s/^$1  *//p" "$out/setupcheck.txt" | head -n 1 | tr -d '\r'
}

# An installed application of version $installed (or 1.0.0 with --upgrade), registered as
# its installer would where the CD's setup.ini looks for it: the version, the values of
# the CD's AppType that locate its program, and UnInstall. No file is put there.
register_installed() {
    if [ $own_cd -eq 0 ] && [ $second -eq 0 ] && [ $upgrade -eq 1 ]; then
        installed=1.0.0
    fi
    [ -n "$installed" ] || return 0
    case "$reg_key$version_value" in
    *"(missing)"* | "")
        echo "demo: the CD names no registry key and value for the installed version"; return 1 ;;
    esac
    local dir='C:\Program Files\Installed Application' name value
    case "$(check_value "Installed program found by")" in
    *ExePath*) locations=(ExePath "$dir" ExeName application.exe) ;;
    *AppDir*) locations=(AppDir "$dir" AppName application.exe) ;;
    *) locations=() ;;
    esac
    set -- "$version_value" "$installed" "${locations[@]}" UnInstall "\"$dir\\uninstall.exe\""
    while [ $# -ge 2 ]; do
        name=$1 value=$2
        shift 2
        "$WINE_LOADER" reg.exe add "$reg_key" /v "$name" /d "$value" /f $reg_view >/dev/null 2>&1 ||
            { echo "demo: cannot register $name"; return 1; }
    done
    echo "demo: registered version $installed at $reg_key ($version_value, ${locations[0]:-no location}, UnInstall)"
}

# The registry key of the card's application in each view the prefix has, and what
# Program Files holds, as files of $out named after when ("before" or "after").
record_state() {
    local when=$1 view views=(32)
    [ "$WINEARCH" = win64 ] && views=(32 64)
    # The views setup.exe reads, in its order: its own, then the 64-bit one.
    if [ "$preset" = release-x64 ]; then echo 64; else echo "${views[*]}"; fi >"$out/setup-views.txt"
    for view in "${views[@]}"; do
        rm -f "$out/registry-$when-$view.reg"
        [ -n "$reg_key" ] && [ "$reg_key" != "(missing)" ] || continue
        "$WINE_LOADER" reg.exe export "$reg_key" "Z:${out//\//\\}\\registry-$when-$view.reg" /y \
            $([ "$WINEARCH" = win64 ] && echo "/reg:$view") >/dev/null 2>&1 ||
            rm -f "$out/registry-$when-$view.reg"
    done
    python3 demo/runreport.py files "$WINEPREFIX" "$out/files-$when.txt"
}

# R:\setup.exe under tracecap, its traces shown as they come, ended at the time limit;
# sets ended to its exit code, or "timeout S".
run_setup() {
    # The screenshot is taken while the window is visible: that is while the application is
    # copied. It is the last picture taken before the window is hidden again (or after a
    # second), so that the window has painted. What winshot says goes to the summary when
    # it took none.
    "$WINE_LOADER" "$shot" --class NorvaneSetup --wait-visible $((timeout * 1000)) --follow 1000 \
        --out "Z:${out//\//\\}\\progress-window.png" >"$out/winshot.txt" 2>&1 &
    shooter=$!
    echo "demo: starting R:\\setup.exe"
    echo "----------------------------------------------------------------------------"
    "$WINE_LOADER" "$bin/tracecap.exe" --utf8 --time --out "Z:${out//\//\\}\\trace.txt" 'R:\setup.exe' \
        2>"$out/tracecap.txt" &
    tracer=$!
    local deadline=$((SECONDS + timeout)) status remaining
    while kill -0 "$tracer" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
        sleep 0.2
    done
    ended=
    if kill -0 "$tracer" 2>/dev/null; then
        "$WINE_LOADER" "$bin/winshot.exe" --screen --out "Z:${out//\//\\}\\screen-at-timeout.png" \
            >"$out/winshot-screen.txt" 2>&1
        ended="timeout $timeout"
        kill "$tracer" 2>/dev/null
        wine_stop_server
    fi
    wait "$tracer"
    status=$?
    tracer=
    echo "----------------------------------------------------------------------------"
    kill "$shooter" 2>/dev/null
    shooter=
    if [ -z "$ended" ]; then
        ended=$status
        # The application that setup.exe started runs on for a while, and what it leaves
        # counts too: wait for the prefix to fall idle, up to the limit.
        remaining=$((deadline - SECONDS))
        [ $remaining -gt 0 ] && timeout "$remaining" "$WINE_SERVER" -w
    fi
}

# What the PC shows after the run: the registry, Program Files, and the decision setup.exe
# would take over the version now registered when the card comes again.
record_what_stayed() {
    echo "$ended" >"$out/ended.txt"
    echo "$WINEPREFIX" >"$out/prefix.txt"
    grep -a -v '^tracecap: started' "$out/tracecap.txt" >&2
    record_state after
    local version
    version=$(python3 demo/runreport.py version-after "$out" "$version_value")
    if [ -n "$version" ]; then
        "$WINE_LOADER" "$bin/setupcheck.exe" --utf8 --installed "$version" 'R:\' 2>&1 |
            tr -d '\r' >"$out/setupcheck-after.txt"
    else
        rm -f "$out/setupcheck-after.txt"
    fi
}

shooter= tracer= WINE_XVFB_PID= mounted=0
cleanup() {
    [ -n "$shooter" ] && kill "$shooter" 2>/dev/null
    [ -n "$tracer" ] && kill "$tracer" 2>/dev/null
    wine_stop_root
    [ $mounted -eq 1 ] && unmount_cd
    # What the run started, and what the records after it started anew.
    [ -n "${WINE_SERVER:-}" ] && [ -d "${WINEPREFIX:-}" ] && wine_stop_server
    wine_stop_xvfb
}

# One CD from the drive to the PC's state after it; the CD is shown as R: for its run.
run_cd() {
    stage_cd || return 1
    mounted=1
    mount_cd || return 1
    check_cd || return 1
    register_installed || return 1
    record_state before
    run_setup
    record_what_stayed
    unmount_cd
    mounted=0
}

parse_options "$@"
bash harness/install-deps.sh --no-wow64-root || exit 1
trap cleanup EXIT
trap 'exit 143' TERM INT
build_and_choose_wine || exit 1
if [ -z "${DISPLAY:-}" ]; then
    wine_start_xvfb || { echo "demo: cannot start Xvfb"; exit 1; }
fi
echo "demo: $([ "$preset" = release ] && echo "the 32-bit setup.exe that ships" || echo "the 64-bit build"), Wine prefix $WINEPREFIX (language $lang)"
runs_done=()
if [ -n "$after" ]; then
    # The older CD first, on a clean prefix, into a folder of its own.
    new_cd=$cd_dir new_iso=$iso new_out=$out
    if [ -d "$after" ]; then cd_dir=$after iso=; else cd_dir= iso=$after; fi
    out="$new_out/older"
    rm -rf "$out" && mkdir -p "$out"
    echo "demo: first the older CD, $after"
    prepare_prefix || exit 1
    run_cd || exit 1
    [[ "$ended" == timeout* ]] && { echo "demo: the older CD did not end: no upgrade to try"; exit 124; }
    runs_done+=("$out")
    cd_dir=$new_cd iso=$new_iso out=$new_out second=1
    echo "demo: then the new CD, on the same PC, as the card plugged in again"
else
    prepare_prefix || exit 1
fi
run_cd || exit 1
runs_done+=("$out")
python3 demo/runreport.py summary "${runs_done[@]}" --page "$out/report.html"
exit $?
