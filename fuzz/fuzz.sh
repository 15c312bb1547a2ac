#!/bin/bash
# Builds the native sanitizer build of the plain computations (fuzz/) with clang, runs its
# test of known cases, then fuzzes each target for a bounded time on a scratch copy of its
# seed corpus. Fails on any sanitizer report, failed check or crash.
#   bash fuzz/fuzz.sh               # FUZZ_SECONDS=12 per target by default
# One line per target with the runs executed; the last line says how many of the test and
# the targets passed and failed. A crashing input is kept in <build>/artifacts/<target>/.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build/native-fuzz}
seconds=${FUZZ_SECONDS:-12}
targets=(fuzz_text_to_int fuzz_split fuzz_version_compare fuzz_path_join fuzz_format_text)

mkdir -p "$build"
if ! cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >"$build/configure.log" 2>&1; then
    cat "$build/configure.log"
    echo "fuzz: configure failed"
    echo "fuzz: 0 passed, $((${#targets[@]} + 1)) failed"
    exit 1
fi
if ! cmake --build "$build" -j"$(nproc)"; then
    echo "fuzz: build failed"
    echo "fuzz: 0 passed, $((${#targets[@]} + 1)) failed"
    exit 1
fi

passed=0
failed=0
export UBSAN_OPTIONS=print_stacktrace=1

log="$build/sanitizer_test.log"
if "$build/sanitizer_test" >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "fuzz: sanitizer_test: $(grep -m1 '^\[  PASSED  \]' "$log")"
else
    failed=$((failed + 1))
    cat "$log"
    echo "fuzz: sanitizer_test: FAILED"
fi

for t in "${targets[@]}"; do
    # libFuzzer adds what it finds to the corpus folder: work on a copy.
    corpus="$build/corpus/$t"
    artifacts="$build/artifacts/$t"
    log="$build/$t.log"
    rm -rf "$corpus" "$artifacts"
    mkdir -p "$corpus" "$artifacts"
    cp "$root/fuzz/corpus/$t/"* "$corpus/"
    "$build/$t" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -1)
    if [ $rc -eq 0 ]; then
        passed=$((passed + 1))
        echo "fuzz: $t: ${runs:-?} runs in ${seconds}s, no finding"
    else
        failed=$((failed + 1))
        tail -n 60 "$log"
        echo "fuzz: $t: FAILED after ${runs:-?} runs (exit $rc); input kept in $artifacts"
    fi
done

echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ]
