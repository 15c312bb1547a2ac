#!/bin/bash
# Checks that the wow64 root runs what the project needs. Needs DISPLAY set to
# an X server (e.g. Xvfb :77). Uses (and makes, if missing) the prefix
# $WINEPREFIX, default /tmp/wow64-try/prefix, and builds the check programs
# into /tmp/wow64-try/bin.
#   DISPLAY=:77 bash tools/wow64/checks/check.sh [ROUNDS]
# Every check runs ROUNDS times (default 5) with no retries; the last line
# counts the passes and failures.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run="$here/../run.sh"
rounds=${1:-5}
bin=/tmp/wow64-try/bin
export WINEPREFIX=${WINEPREFIX:-/tmp/wow64-try/prefix} WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
wine64=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64
passed=0 failed=0

[ -n "${DISPLAY:-}" ] || { echo "check: set DISPLAY to an X server" >&2; exit 2; }
bash "$here/build.sh" "$bin" || exit 1
cd "$bin" || exit 1

verdict() {  # NAME OK DETAIL
    if [ "$2" = yes ]; then passed=$((passed + 1)); echo "PASS $1: $3"
    else failed=$((failed + 1)); echo "FAIL $1: $3"; fi
}
# Runs a Windows program in the root; sets out (stdout+stderr) and rc. Output
# goes through a file, not a pipe: Wine's service processes, when a program
# starts them, inherit its stdout and would hold a pipe open.
wrun() { bash "$run" "$@" >"$bin/out.txt" 2>&1 </dev/null; rc=$?; out=$(tr -d '\r' <"$bin/out.txt"); }

if [ ! -f "$WINEPREFIX/.wow64-ready" ]; then
    rm -rf "$WINEPREFIX"
    start=$(date +%s.%N)
    bash "$run" $wine64 wineboot -i >/dev/null 2>&1 </dev/null && bash "$run" $server -w
    echo "prefix made in $(echo "$(date +%s.%N) - $start" | bc) s, $(du -sm "$WINEPREFIX" | cut -f1) MB"
    touch "$WINEPREFIX/.wow64-ready"
fi
# The server stays up while the checks run (as in the timings of h); the
# first program starts Wine's services, whose output must not go to a pipe.
bash "$run" $server -p </dev/null >/dev/null 2>&1
bash "$run" $wine64 hello64.exe >/dev/null 2>&1 </dev/null

for round in $(seq 1 "$rounds"); do
    echo "--- round $round"
    # a. 32-bit console program, output and exit code
    wrun $wine64 hello32.exe 3
    ok=no; [ $rc = 3 ] && [[ $out == "hello from 32-bit, wow64=1, image at 00400000" ]] && ok=yes
    verdict a-console32 $ok "rc=$rc $out"

    # b. 32-bit GUI with a comctl32 6 manifest, seen on the X server
    bash "$run" $wine64 gui32.exe 3000 >gui.out 2>&1 &
    gui=$! seen=no
    for _ in $(seq 1 60); do
        xwininfo -root -tree 2>/dev/null | grep -q '"Norvane wow64 check"' && { seen=yes; break; }
        sleep 0.2
    done
    wait $gui; rc=$?
    ok=no; [ $rc = 0 ] && [ $seen = yes ] && grep -q 'common-controls_6595b64144ccf1df_6.0.*window visible=1' gui.out && ok=yes
    verdict b-gui32 $ok "rc=$rc on X server=$seen $(tr '\n' ' ' <gui.out)"

    # c. 32-bit debugger loop over a 32-bit debuggee
    wrun $wine64 dbgloop32.exe debuggee32.exe strings
    ok=no; [[ $out == *"summary: breakpoints=1 steps=0 strings=3 other=0 int3_address=n/a exit=5" ]] &&
        [[ $out == *"string: first"*"string: second"*"string: third"* ]] && ok=yes
    verdict c-debug-strings $ok "$(echo "$out" | tail -n1)"
    wrun $wine64 dbgloop32.exe debuggee32.exe break
    ok=no; [[ $out == *"summary: breakpoints=3 steps=0 strings=4 other=0 int3_address=ok exit=6" ]] &&
        [[ $out == *"string: after DebugBreak"* ]] && ok=yes
    verdict c-debug-break $ok "$(echo "$out" | tail -n1)"
    wrun $wine64 dbgloop32.exe debuggee32.exe step
    ok=no; [[ $out == *"summary: breakpoints=1 steps=1 strings=2 other=0 int3_address=n/a exit=7" ]] && ok=yes
    verdict c-debug-step $ok "$(echo "$out" | tail -n1)"
    wrun $wine64 debuggee32.exe veh
    ok=no; [ $rc = 0 ] && ok=yes
    verdict c-veh32 $ok "$(echo "$out" | tail -n1)"

    wrun $wine64 debuggee32.exe faults
    ok=no; [ $rc = 0 ] && ok=yes
    verdict c-faults32 $ok "rc=$rc $(echo "$out" | grep -c ' ok$') of 6 fault kinds right"

    # j. exit codes of a process whose other threads are ended by Wine
    wrun /usr/lib/wine/wine debuggee32.exe exit
    ok=no; [ $rc = 9 ] && ok=yes
    verdict j-exit-threads32 $ok "rc=$rc $out"
    wrun /usr/lib/wine/wine debuggee32.exe kill
    ok=no; [ $rc = 10 ] && ok=yes
    verdict j-terminate32 $ok "rc=$rc $out"

    # d. 32 -> 64 and 64 -> 32 CreateProcess; 64-bit alone
    wrun $wine64 spawn32.exe hello64.exe 11
    ok=no; [ $rc = 11 ] && [[ $out == *"hello from 64-bit, wow64=0"* ]] && ok=yes
    verdict d-32to64 $ok "rc=$rc $(echo "$out" | tr '\n' ' ')"
    wrun $wine64 spawn64.exe hello32.exe 12
    ok=no; [ $rc = 12 ] && [[ $out == *"hello from 32-bit, wow64=1"* ]] && ok=yes
    verdict d-64to32 $ok "rc=$rc $(echo "$out" | tr '\n' ' ')"
    wrun $wine64 hello64.exe 13
    ok=no; [ $rc = 13 ] && [[ $out == "hello from 64-bit, wow64=0, image at 0000000140000000" ]] && ok=yes
    verdict d-console64 $ok "rc=$rc $out"

    # e. language and code page from LC_ALL
    LC_ALL=zh_CN.UTF-8 wrun $wine64 lang32.exe
    ok=no; [[ $out == *"sys_lang=0x0804 user_lang=0x0804 acp=936 oemcp=936"* ]] && ok=yes
    verdict e-zh_CN $ok "$out"
    LC_ALL=C wrun $wine64 lang32.exe
    ok=no; [[ $out == *"sys_lang=0x0409 user_lang=0x0409 acp=1252 oemcp=437"* ]] && ok=yes
    verdict e-C $ok "$out"

    # f. 32-bit HKLM\Software lands in Wow6432Node (as the 64-bit reg.exe
    # sees it; system.reg itself is written when the server ends, see below)
    value=$(printf '0x%08x' $((RANDOM * 32768 + RANDOM)))
    wrun $wine64 reg32.exe "$value"
    ok=no; [ $rc = 0 ] && ok=yes
    wrun $wine64 reg query 'HKLM\Software\Wow6432Node\NorvaneWow64Check' /v Written
    [[ $out == *"REG_DWORD"*"$((value))"* || $out == *"REG_DWORD"*"$(printf '0x%x' $((value)))"* ]] || ok=no
    wrun $wine64 reg query 'HKLM\Software\NorvaneWow64Check'
    [ $rc != 0 ] || ok=no
    verdict f-wow6432node $ok "64-bit view of the key: rc=$rc $(echo "$out" | head -n1)"

    # i. TERM and INT sent to run.sh end the program it runs. (Started in the
    # background, where SIGINT would be ignored without --default-signal.)
    for sig in TERM INT; do
        env --default-signal=INT bash "$run" /usr/lib/wine/wine hello32.exe 0 30000 >/dev/null 2>&1 </dev/null &
        pid=$!
        sleep 3
        s=$(date +%s%N)
        kill -$sig $pid
        wait $pid; rc=$?
        ms=$(( ($(date +%s%N) - s) / 1000000 ))
        # TERM kills the process (143); INT arrives as Ctrl-C (0xC000013A & 0xff = 58)
        ok=no
        case "$sig:$rc" in TERM:143 | INT:58) [ $ms -lt 3000 ] && ok=yes ;; esac
        verdict i-sig$sig $ok "rc=$rc after $ms ms"
    done

    # g. 32-bit EXE without relocations at 0x400000
    wrun $wine64 noreloc32.exe 0
    ok=no; [ $rc = 0 ] && [[ $out == "hello from 32-bit, wow64=1, image at 00400000" ]] && ok=yes
    verdict g-noreloc32 $ok "rc=$rc $out"
done

# h. start-up time, warm persistent server
# shellcheck disable=SC2016 # the loop runs in the root's bash
timer='label=$1; shift; list=""; bad=0
    for i in 1 2 3 4 5 6 7 8 9 10; do
        s=$(date +%s%N); "$@" >/dev/null 2>&1 </dev/null || bad=$((bad + 1))
        list="$list $(( ($(date +%s%N) - s) / 1000000 ))"
    done
    echo $list | tr " " "\n" | sort -n | awk -v l="$label" -v bad=$bad "{a[NR]=\$1; s+=\$1} END {
        printf \"time %-46s min %5d ms  mean %5d ms  max %5d ms  failed %d\\n\", l, a[1], s/NR, a[NR], bad}"'
timeit() { bash -c "$timer" timeit "$@"; }         # on the host, around run.sh
timein() { bash "$run" bash -c "$timer" timeit "$@"; }  # inside one run.sh
timeit "run.sh true (namespace + mounts only)" bash "$run" true
timeit "run.sh + wine64 hello32.exe" bash "$run" $wine64 hello32.exe 0
timeit "run.sh + wine64 hello64.exe" bash "$run" $wine64 hello64.exe 0
timeit "run.sh + wine (Debian script) hello64.exe" bash "$run" wine hello64.exe 0
timein "in the root: wine64 hello32.exe" $wine64 hello32.exe 0
timein "in the root: wine64 hello64.exe" $wine64 hello64.exe 0
timein "in the root: wine hello32.exe" wine hello32.exe 0
timein "in the root: wine hello64.exe" wine hello64.exe 0

bash "$run" $server -k
bash "$run" $server -w
ok=no
grep -A3 '^\[Software\\\\Wow6432Node\\\\NorvaneWow64Check\]' "$WINEPREFIX/system.reg" |
    grep -q "^\"Written\"=dword:${value#0x}\$" &&
    ! grep -q '^\[Software\\\\NorvaneWow64Check\]' "$WINEPREFIX/system.reg" && ok=yes
verdict f-system.reg $ok "last value $value: $(grep -A3 'NorvaneWow64Check' "$WINEPREFIX/system.reg" | tr '\n' ' ')"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
