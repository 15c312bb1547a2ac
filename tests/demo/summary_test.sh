#!/bin/bash
# The demo's summary read from recorded traces of every outcome: a first installation, a
# second run, an upgrade, and runs whose driver installer failed, was missing or never
# ended, whose application copy or installer failed, and one without setup.ini. Each
# NAME.trace is summed up with the exit in NAME.ended and must give NAME.summary.
#   summary_test.sh SOURCE_DIR
set -u
source_dir=$1
failures=0
cases=0
for trace in "$source_dir"/tests/demo/summaries/*.trace; do
    name=${trace%.trace}
    cases=$((cases + 1))
    actual=$(bash "$source_dir/demo/summary.sh" "$trace" "$(cat "$name.ended")")
    if [ "$actual" != "$(cat "$name.summary")" ]; then
        echo "FAILED: ${name##*/}:"
        diff <(cat "$name.summary") <(echo "$actual")
        failures=$((failures + 1))
    fi
done
[ $cases -gt 0 ] || { echo "FAILED: no recorded traces"; exit 1; }
[ $failures -eq 0 ] && echo "summary_test: $cases summaries as expected"
exit $((failures > 0))
