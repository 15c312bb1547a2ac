#!/bin/bash
# The build tree's Wine wrapper, checked from outside, since what it guards against happens
# between Wine's processes and the test runner:
# 1. The session that it starts before a program (services, device drivers, desktop) holds
#    none of the program's standard streams. CTest waits until every holder of a test's
#    output has closed it, and the session lives as long as its prefix is busy: a test
#    whose output the session held would end only at its time limit.
# 2. A program that leaves another program running fails its run, which names the program
#    and ends it.
# 3. On the host's Wine, every Wine program runs without address-space randomisation
#    (harness/wine): with it, one 64-bit start in several thousand failed.
#   bash wrapper_test.sh BUILD_DIR WINEARCH FAKEPROG_DIR
# With WINE_RUN_32BIT=1 it checks the route the end-to-end programs take, with the 32-bit
# fakeprog.exe in FAKEPROG_DIR: the wow64 root's Wine in a 64-bit tree.
set -u
build=$1
source "$(dirname "${BASH_SOURCE[0]}")/../../harness/wine-env.sh"
if [ "${WINE_RUN_32BIT:-}" = 1 ] && [ "$2" = win64 ]; then
    wine_use wow64
    prefix="$build/prefixes/wrapper_test_32bit"
else
    wine_use host "$2"
    prefix="$build/prefixes/wrapper_test"
fi
work=$(mktemp -d)
export WINE_RUN_PREFIX="$prefix" WINE_SERVER_PERSIST=
export WINEPREFIX="$prefix"
trap 'wine_stop_server; rm -rf "$work"' EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
# Linux process ids of the Wine programs of the prefix.
prefix_processes() {
    grep -lzx "WINEPREFIX=$prefix" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3
}
command_of() {
    tr '\0' ' ' 2>/dev/null <"/proc/$1/cmdline" || true
}

# 1. A program that would start the session itself, its output going to a file.
wine_stop_server
"$build/wine-run" "$build/bin/winesession.exe" >"$work/out" 2>&1 ||
    fail "winesession.exe did not run through the wrapper"
session=
for pid in $(prefix_processes); do
    session+="$(command_of "$pid")"$'\n'
    for fd in /proc/"$pid"/fd/*; do
        if [ "$(readlink "$fd")" = "$work/out" ]; then
            fail "$(command_of "$pid") holds the program's output open as ${fd##*/}"
        fi
    done
done
for part in services.exe 'explorer.exe /desktop'; do
    grep -qF "$part" <<<"$session" || fail "no $part in the session:"$'\n'"$session"
done

# 2. cmd.exe starts fakeprog.exe for 30 s and ends at once.
fakeprog="Z:${3//\//\\}\\fakeprog.exe"
log="Z:${work//\//\\}\\fakeprog.log"
"$build/wine-run" cmd.exe /c start "" "$fakeprog" --log "$log" --sleep 30000 >"$work/out" 2>&1
rc=$?
[ $rc -ne 0 ] || fail "the wrapper passed a run that left fakeprog.exe running"
grep -q 'left running: .*fakeprog.exe --log' "$work/out" ||
    fail "the wrapper did not name fakeprog.exe:"$'\n'"$(cat "$work/out")"
sleep 0.5
for pid in $(prefix_processes); do
    case "$(command_of "$pid")" in
    *fakeprog.exe*) fail "fakeprog.exe still runs: $(command_of "$pid")" ;;
    esac
done

# 3. The session's programs, started as every program is, and what they started.
if [ "$WINE_ROUTE" = host ]; then
    checked=0
    for pid in $(prefix_processes); do
        case "$(command_of "$pid")" in *wineserver*) continue ;; esac
        persona=$(cat "/proc/$pid/personality" 2>/dev/null) || continue
        checked=$((checked + 1))
        (((0x$persona & 0x0040000) != 0)) ||
            fail "$(command_of "$pid") runs with its addresses randomised (personality $persona)"
    done
    [ $checked -gt 0 ] || fail "no program of the session to check"
fi

if [ $failures -eq 0 ]; then
    echo "wrapper_test: passed"
fi
exit $((failures > 0))
