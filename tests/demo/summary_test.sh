#!/bin/bash
# The demo's summary read from recorded runs of every outcome: a first installation, a
# second run, an upgrade, runs whose driver installer failed, was missing or never ended,
# whose application copy or installer failed, one without setup.ini, and runs whose PC
# state was recorded too. Each folder of summaries/ is a run as demo/demo.sh records it
# (trace.txt and ended.txt at least); summed up it must give its summary.txt, and the
# exit code in its exit.txt (0 when there is none). The run's folder reads RUN there.
#   summary_test.sh SOURCE_DIR
set -u
source_dir=$1
failures=0
cases=0
for run in "$source_dir"/tests/demo/summaries/*/; do
    run=${run%/}
    cases=$((cases + 1))
    actual=$(python3 "$source_dir/demo/runreport.py" summary "$run")
    status=$?
    actual=${actual//"$run"/RUN}
    expected_status=$(cat "$run/exit.txt" 2>/dev/null || echo 0)
    if [ "$actual" != "$(cat "$run/summary.txt")" ] || [ "$status" != "$expected_status" ]; then
        echo "FAILED: ${run##*/} (exit code $status, expected $expected_status):"
        diff <(cat "$run/summary.txt") <(echo "$actual")
        failures=$((failures + 1))
    fi
done
[ $cases -gt 0 ] || { echo "FAILED: no recorded runs"; exit 1; }
[ $failures -eq 0 ] && echo "summary_test: $cases summaries as expected"
exit $((failures > 0))
