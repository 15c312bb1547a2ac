# What the test scripts share (sourced): fail counts a failed check and says why;
# expect_in checks that the file $work/LOG holds each text.
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
expect_in() { # log text...
    local log=$1 text
    shift
    for text in "$@"; do
        grep -qF -- "$text" "$work/$log" || fail "$log lacks \"$text\":"$'\n'"$(cat "$work/$log")"
    done
}
# Empties $work but for its folder NAME, where the demo's base prefix, made once, stays.
fresh_work() { # name
    mkdir -p "$work/$1"
    find "$work" -mindepth 1 -maxdepth 1 ! -name "$1" -exec rm -rf {} +
    find "$work/$1" -mindepth 1 -maxdepth 1 ! -name 'demo-base-prefix*' -exec rm -rf {} +
}
