#!/bin/bash
# Builds everything and runs every test under Wine; run as root on Debian 12.
#   bash tools/test.sh
# Installs what is missing first. The last line says how many test cases passed and failed
# (and how many were skipped, when any were).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash tools/install-deps.sh --no-wow64-root || exit 1

# The shipping program is 32-bit: the release preset builds it, and the end-to-end tests
# run those very bytes with a 32-bit fakeprog.exe of that tree playing the installers.
# Where the Linux kernel executes 32-bit programs, every test runs under the host's 32-bit
# Wine. Elsewhere the tests themselves and the in-process tests are built for 64-bit
# Windows and run under the host's 64-bit Wine, and the end-to-end tests run under the
# Wine of tools/wow64, which runs 32-bit programs through qemu-i386.
source cmake/wine-env.sh
mkdir -p build
wine_start_root build/wow64-root.log
trap wine_stop_root EXIT
trap 'exit 143' TERM INT
if wine_can_run_win32; then
    preset=debug
    export WINEARCH=win32
else
    echo "test: this kernel cannot run 32-bit programs: the in-process tests run on the" \
        "64-bit build, the end-to-end tests run the 32-bit setup.exe through qemu-i386"
    preset=debug-x64
    export WINEARCH=win64
    source cmake/wine-env.sh
fi
cmake --preset release >/dev/null && cmake --build build/release -j"$(nproc)" &&
    cmake --build build/release --target fakeprog -j"$(nproc)" || exit 1
cmake --preset "$preset" >/dev/null || exit 1
cmake --build "build/$preset" -j"$(nproc)" || exit 1
wine_wait_for_root || { echo "test: the Wine root of tools/wow64 could not be made:"; tail -n 20 build/wow64-root.log; exit 1; }

build="$root/build/$preset"
export WINEPREFIX="$build/wineprefix"
results="$build/test-results"
prefixes="$build/prefixes"
rm -rf "$results" "$prefixes"
mkdir -p "$results"

# Every test program runs in a prefix of its own, copied from the tree's prefix, whose
# server and session stay up until the end (the wrapper starts them apart from the
# test's output); the end stops them all, and the X server.
export WINE_SERVER_PERSIST=
WINE_XVFB_PID=
cleanup() {
    local prefix
    wine_stop_root
    for prefix in "$prefixes"/* "$build/wineprefix" "$build/wineprefix-wow64"; do
        [ -d "$prefix" ] || continue
        (export WINEPREFIX="$prefix" WINE_ROUTE
            WINE_ROUTE=$(cat "$prefix/.wine-route" 2>/dev/null || echo host)
            source cmake/wine-env.sh
            wine_stop_server)
    done
    wine_stop_xvfb
}
trap cleanup EXIT
trap 'exit 143' TERM INT
if [ -z "${DISPLAY:-}" ]; then
    wine_start_xvfb || { echo "test: cannot start Xvfb"; exit 1; }
fi
wine_ensure_prefix || { echo "test: cannot create $WINEPREFIX"; exit 1; }

# Most tests wait on Wine, child programs and timers rather than compute: more slots than
# cores.
ctest --test-dir "$build" --output-on-failure -j4 --output-junit "$results/ctest.xml" \
    ${CTEST_ARGS:-}
status=$?

# The plain computations again, built natively with sanitizers and fuzzed for about a
# minute; its test of known cases and each fuzz target count as one test case.
bash tools/fuzz.sh | tee "$results/fuzz.log"
fuzz_status=${PIPESTATUS[0]}

# Test cases from every program's GoogleTest report. A program that CTest counts as
# failed (it crashed, hung, left a program running, wrote no report or skipped every case)
# counts as one failed case more when its report shows none; a test without a report (a
# script) counts as one case.
passed=0
failed=0
skipped=0
while IFS=' ' read -r name outcome; do
    xml="$results/$name.xml"
    bad=0
    if [ -f "$xml" ]; then
        ran=$(grep -c '<testcase .*status="run"' "$xml")
        skips=$(grep -c '<testcase .*result="skipped"' "$xml")
        bad=$(awk '/<testcase /{counted=0} /<failure /{if(!counted){n++; counted=1}} END{print n+0}' "$xml")
        passed=$((passed + ran - skips - bad))
        skipped=$((skipped + skips))
    elif [ "$outcome" = run ]; then
        passed=$((passed + 1))
    fi
    if [ "$outcome" != run ] && [ "$bad" -eq 0 ]; then
        bad=1
    fi
    failed=$((failed + bad))
done < <(sed -n 's/.*<testcase name="\([^"]*\)".* status="\([a-z]*\)".*/\1 \2/p' \
    "$results/ctest.xml" 2>/dev/null)
if [ $status -ne 0 ] && [ $failed -eq 0 ]; then
    failed=1
fi
fuzz_line=$(grep '^fuzz: [0-9]* passed, [0-9]* failed$' "$results/fuzz.log" | tail -n 1)
fuzz_passed=$(sed -n 's/^fuzz: \([0-9]*\) passed.*/\1/p' <<<"$fuzz_line")
fuzz_failed=$(sed -n 's/.* \([0-9]*\) failed$/\1/p' <<<"$fuzz_line")
if [ $fuzz_status -ne 0 ] && [ "${fuzz_failed:-0}" -eq 0 ]; then
    fuzz_failed=1
fi
passed=$((passed + ${fuzz_passed:-0}))
failed=$((failed + ${fuzz_failed:-0}))
if [ $fuzz_status -ne 0 ]; then
    status=1
fi
if [ $skipped -gt 0 ]; then
    echo "$passed passed, $failed failed, $skipped skipped"
else
    echo "$passed passed, $failed failed"
fi
exit $status
