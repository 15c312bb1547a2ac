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
