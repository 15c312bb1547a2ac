#!/bin/bash
# Builds everything and runs every test under Wine; run as root on Debian 12.
#   bash tools/test.sh
# Installs what is missing first. The last line says how many test cases passed and failed.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash tools/install-deps.sh || exit 1

# The shipping program is 32-bit. Its tests run under a 32-bit Wine where the Linux
# kernel can execute 32-bit programs; elsewhere under a 64-bit Wine, built from the same
# sources for 64-bit Windows, while the 32-bit build is still made and checked.
source cmake/wine-env.sh
if wine_can_run_win32; then
    preset=debug
    export WINEARCH=win32
else
    echo "test: this kernel cannot run 32-bit programs; tests run on the 64-bit build"
    preset=debug-x64
    export WINEARCH=win64
    source cmake/wine-env.sh
    cmake --preset release >/dev/null && cmake --build build/release -j"$(nproc)" || exit 1
fi
cmake --preset "$preset" >/dev/null || exit 1
cmake --build "build/$preset" -j"$(nproc)" || exit 1

build="$root/build/$preset"
export WINEPREFIX="$build/wineprefix"
results="$build/test-results"
rm -rf "$results"
mkdir -p "$results"

WINE_XVFB_PID=
cleanup() {
    wine_stop_server
    wine_stop_xvfb
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    wine_start_xvfb || { echo "test: cannot start Xvfb"; exit 1; }
fi
wine_ensure_prefix || { echo "test: cannot create $WINEPREFIX"; exit 1; }

ctest --test-dir "$build" --output-on-failure -j2 ${CTEST_ARGS:-}
status=$?

# The plain computations again, built natively with sanitizers and fuzzed for about a
# minute; its test of known cases and each fuzz target count as one test case.
bash tools/fuzz.sh | tee "$results/fuzz.log"
fuzz_status=${PIPESTATUS[0]}

# Count GoogleTest cases from every program's report; a program that left no report
# (it crashed or hung) counts as one failed case.
passed=0
failed=0
for xml in "$results"/*.xml; do
    [ -f "$xml" ] || continue
    line=$(grep -m1 '<testsuites' "$xml")
    tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$line")
    fails=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$line")
    errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$line")
    disabled=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$line")
    bad=$((${fails:-0} + ${errors:-0}))
    passed=$((passed + ${tests:-0} - bad - ${disabled:-0}))
    failed=$((failed + bad))
done
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
echo "$passed passed, $failed failed"
exit $status
