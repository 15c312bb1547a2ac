#!/bin/bash
# The test command: builds everything and runs every test under Wine; run as root on
# Debian 12.
#   bash harness/test.sh
#   WINE_FORCE_WOW64=1 bash harness/test.sh   # the wow64 route, on any machine
# Installs what is missing first. The last line says how many test cases passed and failed
# (and how many were skipped, when any were).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
source harness/wine-env.sh

# The shipping program is 32-bit: the release preset builds it, and the end-to-end tests
# run those very bytes with a 32-bit fakeprog.exe of that tree playing the installers.
# Where the Linux kernel executes 32-bit programs, every test runs under the host's 32-bit
# Wine. Elsewhere (or with WINE_FORCE_WOW64=1) the tests themselves and the in-process
# tests are built for 64-bit Windows and run under the host's 64-bit Wine, and the
# end-to-end tests run under the Wine of harness/wow64, which runs 32-bit programs through
# qemu-i386.
choose_route() {
    if wine_can_run_win32; then
        preset=debug
        wine_use host win32
    else
        echo "test: the wow64 route: the in-process tests run on the 64-bit build, the" \
            "end-to-end tests run the 32-bit setup.exe through qemu-i386"
        preset=debug-x64
        wine_use host win64
    fi
    build="$root/build/$preset"
}

# The release tree (setup.exe as it ships, and its fakeprog) and the tests' tree; the wow64
# root is made beside them on a first set-up.
build_trees() {
    mkdir -p build
    wine_start_root build/wow64-root.log
    cmake --preset release >/dev/null && cmake --build build/release -j"$(nproc)" &&
        cmake --build build/release --target shipping_test_helpers -j"$(nproc)" || return 1
    cmake --preset "$preset" >/dev/null || return 1
    cmake --build "$build" -j"$(nproc)" || return 1
    wine_wait_for_root || {
        echo "test: the Wine root of harness/wow64 could not be made:"
        tail -n 20 build/wow64-root.log
        return 1
    }
}

# Every test program runs in a prefix of its own, copied from the tree's prefix, whose
# server and session stay up until the end (the wrapper starts them apart from the test's
# output); the end stops them all, and the X server.
stop_everything() {
    local prefix
    wine_stop_root
    for prefix in "$build"/prefixes/* "$build/wineprefix" "$build/wineprefix-wow64"; do
        [ -d "$prefix" ] || continue
        (export WINEPREFIX="$prefix"; wine_use_prefix "$prefix" && wine_stop_server)
    done
    wine_stop_xvfb
}

# Test cases from every program's GoogleTest report. A program that CTest counts as
# failed (it crashed, hung, left a program running, wrote no report or skipped every case)
# counts as one failed case more when its report shows none; a test without a report (a
# script) counts as one case, passed, failed, or skipped when it said so with its skip code.
count_cases() {
    local name outcome ran skips bad
    passed=0 failed=0 skipped=0
    while IFS=' ' read -r name outcome; do
        if [ "$outcome" = skipped ]; then
            skipped=$((skipped + 1))
            continue
        fi
        read -r ran skips bad < <(wine_report_counts "$results/$name.xml")
        if [ -f "$results/$name.xml" ]; then
            passed=$((passed + ran - skips - bad))
            skipped=$((skipped + skips))
        elif [ "$outcome" = run ]; then
            passed=$((passed + 1))
        fi
        if [ "$outcome" != run ] && [ "$bad" -eq 0 ]; then
            bad=1
        fi
        failed=$((failed + bad))
    done < <(awk '
        /<testcase / {
            if (name != "") print name, outcome
            name = $0; sub(/.*<testcase name="/, "", name); sub(/".*/, "", name)
            outcome = $0; sub(/.* status="/, "", outcome); sub(/".*/, "", outcome)
        }
        /<skipped message="SKIP_RETURN_CODE=/ { outcome = "skipped" }
        END { if (name != "") print name, outcome }' "$results/ctest.xml" 2>/dev/null)
}

bash harness/install-deps.sh --no-wow64-root || exit 1
choose_route
WINE_XVFB_PID=
trap stop_everything EXIT
trap 'exit 143' TERM INT
build_trees || exit 1

export WINEPREFIX="$build/wineprefix"
results="$build/test-results"
rm -rf "$results" "$build/prefixes"
mkdir -p "$results"
export WINE_SERVER_PERSIST=
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
bash fuzz/fuzz.sh | tee "$results/fuzz.log"
fuzz_status=${PIPESTATUS[0]}

count_cases
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
[ $fuzz_status -ne 0 ] && status=1
if [ $skipped -gt 0 ]; then
    echo "$passed passed, $failed failed, $skipped skipped"
else
    echo "$passed passed, $failed failed"
fi
exit $status
