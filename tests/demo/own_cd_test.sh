#!/bin/bash
# demo/demo.sh on a card maker's own CD, as a card maker runs it:
# 1. a CD folder whose path has blanks and Chinese characters, and whose driver command
#    reaches its installer through "..": setupcheck passes it, the run installs;
# 2. an ISO 9660 image written by the project's image target, with an older version
#    registered first: the run upgrades;
# 3. a driver installer that never ends: the run is ended at its limit, the summary names
#    the installer, a screen that shows nothing is said to give no picture rather than
#    kept black, and no Wine program or drive letter is left.
# A folder without setup.ini and a file that is no ISO 9660 image give a clear message.
#   own_cd_test.sh SOURCE_DIR SHIPPING_TREE WORK_DIR
set -u
source_dir=$1 shipping=$2 work=$3
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
fresh_work out
demo() { # log-name demo-options...: runs the demo into $work/out, its output in $work/log-name
    local log=$1
    shift
    bash "$source_dir/demo/demo.sh" --out "$work/out" --lang en "$@" >"$work/$log" 2>&1
}
[ -f "$shipping/demo-cd/setup.ini" ] || { echo "FAILED: no demo CD in $shipping (build it)"; exit 1; }

# 1. A folder.
cd_dir="$work/my CD 光盘"
cp -r "$shipping/demo-cd" "$cd_dir"
sed -i 's/^DriverSetupCmd=.*/DriverSetupCmd=..\\NorvaneDriver\\drvsetup.exe\r/' "$cd_dir/setup.ini"
demo folder.log --cd "$cd_dir"
status=$?
[ $status -eq 0 ] || fail "the folder's run ended with $status"
expect_in folder.log "Result: the CD folder is complete" \
    "driver installer: ran to its end, exit code 0" \
    "application: installed: the PC reports 2.1.0 (the card carries 2.1.0)" \
    "Version = 2.1.0" "Norvane Connect/NorvaneApp.exe" "CD-ROM at exit: ejected" \
    "screenshot: $work/out/demo-en/progress-window.png, at " "verdict: what setup.ini intends"
[ -s "$work/out/demo-en/progress-window.png" ] || fail "the demo took no picture of the progress window"

# 2. An image of the demo CD, with version 1.0 already installed.
cmake --build "$shipping" --target demo_iso >"$work/iso-build.log" 2>&1 ||
    fail "demo_iso failed: $(cat "$work/iso-build.log")"
demo iso.log --iso "$shipping/norvane-demo.iso" --installed 1.0
status=$?
[ $status -eq 0 ] || fail "the image's run ended with $status"
expect_in iso.log "registered version 1.0" "the PC had 1.0 before the run and has 2.1.0 after it" \
    "two installer runs" "Version = 2.1.0" "application: installed: the PC reports 2.1.0 (the card carries 2.1.0)"

# 3. A driver installer that never ends.
never="$work/never"
cp -r "$shipping/demo-cd" "$never"
cp "$shipping/bin/fakeprog.exe" "$never/driver/drvsetup.exe"
sed -i 's/^DriverSetupCmd=.*/DriverSetupCmd=drvsetup.exe --sleep 600000\r/' "$never/setup.ini"
# A display of its own, which nothing else of the tests shows a window on.
(unset DISPLAY; demo never.log --cd "$never" --timeout 15)
status=$?
[ $status -eq 124 ] || fail "the run without end ended with $status, not 124"
expect_in never.log "did not end within 15 s" "drvsetup.exe --sleep 600000" \
    "driver installer: still running when the run was ended"
expect_in never.log "screenshot of the screen at the limit: none (winshot: the picture is a single colour"
[ ! -e "$work/out/demo-en/screen-at-timeout.png" ] || fail "a picture of a screen showing nothing was kept"
for pid in $(grep -lz "^WINEPREFIX=$work/out/" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
    fail "left running: $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")"
    kill -9 "$pid" 2>/dev/null
done
prefix=$(find "$work/out" -maxdepth 1 -name 'demo-prefix-*' | head -n 1)
[ -d "$prefix/dosdevices" ] || fail "no demo prefix in $work/out"
[ ! -e "$prefix/dosdevices/r:" ] || fail "drive R: was left in the prefix"

# Bad input.
mkdir -p "$work/empty"
cp "$shipping/bin/setup.exe" "$work/empty/"
demo empty.log --cd "$work/empty"
[ $? -eq 1 ] || fail "a folder without setup.ini did not end the demo with 1"
expect_in empty.log "setup.ini is missing" "setupcheck found problems"
echo "not an image" >"$work/bad.iso"
demo bad-iso.log --iso "$work/bad.iso"
[ $? -eq 1 ] || fail "a file that is no image did not end the demo with 1"
expect_in bad-iso.log "is no ISO 9660 image"

[ $failures -eq 0 ] && echo "own_cd_test: all checks passed"
exit $((failures > 0))
