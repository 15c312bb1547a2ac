#!/bin/bash
# The CD image as Windows reads it: the Joliet names of every file of the demo CD, its
# programs byte for byte those the release tree built (what ships, whatever tree wrote the
# image), the autorun.inf read back
# byte for byte, the volume label, and an autorun.inf added to a folder that has none
# without that folder being changed.
#   iso_test.sh CMAKE MAKEISO AUTORUN XORRISO BUILD_TREE DEMO_ISO WORK_DIR SHIPPING_BIN
set -u
cmake=$1 makeiso=$2 autorun=$3 xorriso=$4 tree=$5 demo_iso=$6 work=$7 shipping_bin=$8
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
make_iso() { # folder image
    "$cmake" -DCD_DIR="$1" -DISO="$2" -DAUTORUN="$autorun" -DXORRISO="$xorriso" \
        -DVOLUME=NORVANE -P "$makeiso"
}
# The names Windows sees: the Joliet tree, not the Rock Ridge one.
joliet_files() {
    "$xorriso" -read_fs norock -indev "$1" -find / -type f 2>/dev/null | tr -d "'" | sort
}

rm -rf "$work"
mkdir -p "$work"

# The demo CD, whole, as the tree's demo_iso target writes it.
"$cmake" --build "$tree" --target demo_iso >"$work/build.log" 2>&1 ||
    { echo "FAILED: demo_iso:"; cat "$work/build.log"; exit 1; }
cp "$demo_iso" "$work/demo.iso" || fail "demo_iso wrote no $demo_iso"
expected="/app/NorvaneApp.exe
/app/appsetup.exe
$(printf '/app/data/part%04d.dat\n' $(seq 1 1000))
/autorun.inf
/driver/drvsetup.exe
/setup.exe
/setup.ini"
expected=$(LC_ALL=C sort <<<"$expected")
actual=$(joliet_files "$work/demo.iso" | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "files of the demo image:"$'\n'"$actual"

# The programs that ship, not those of the tree that wrote the image (a debug build).
"$xorriso" -read_fs norock -osirrox on -indev "$work/demo.iso" -extract / "$work/files" \
    >/dev/null 2>&1
for program in setup.exe driver/drvsetup.exe app/appsetup.exe app/NorvaneApp.exe; do
    cmp -s "$work/files/$program" "$shipping_bin/${program##*/}" ||
        fail "$program in the image is not $shipping_bin/${program##*/}"
done

"$xorriso" -osirrox on -indev "$work/demo.iso" -extract /autorun.inf "$work/autorun.inf" \
    >/dev/null 2>&1
printf '[autorun]\r\nopen=setup.exe\r\nicon=setup.exe,0\r\n' >"$work/expected.inf"
cmp -s "$work/autorun.inf" "$work/expected.inf" || fail "autorun.inf read back differs"

"$xorriso" -osirrox on -indev "$work/demo.iso" -extract /setup.ini "$work/setup.ini" >/dev/null 2>&1
cmp -s "$work/setup.ini" "$(dirname "$makeiso")/cd/setup.ini" ||
    fail "setup.ini (GBK bytes) read back differs"

"$xorriso" -indev "$work/demo.iso" -pvd_info 2>/dev/null | grep -q "^Volume Id *: NORVANE$" ||
    fail "volume label is not NORVANE"

# A folder without autorun.inf: the image has one, the folder still has none.
mkdir -p "$work/plain/Long Folder Name"
echo MZ >"$work/plain/setup.exe"
echo data >"$work/plain/Long Folder Name/Mixed Case Name.txt"
make_iso "$work/plain" "$work/plain.iso" || fail "no image of a folder without autorun.inf"
expected="/Long Folder Name/Mixed Case Name.txt
/autorun.inf
/setup.exe"
actual=$(joliet_files "$work/plain.iso")
[ "$actual" = "$expected" ] || fail "files of the image with an added autorun.inf:"$'\n'"$actual"
[ ! -e "$work/plain/autorun.inf" ] || fail "autorun.inf was written into the CD folder"
[ ! -e "$work/plain.iso.stage" ] || fail "the staging folder was left behind"

# A folder that spells it AUTORUN.INF keeps its own, and gets no second one.
mkdir -p "$work/upper"
echo MZ >"$work/upper/setup.exe"
printf '[autorun]\r\nopen=setup.exe\r\n' >"$work/upper/AUTORUN.INF"
make_iso "$work/upper" "$work/upper.iso" || fail "no image of a folder with AUTORUN.INF"
actual=$(joliet_files "$work/upper.iso")
[ "$actual" = $'/AUTORUN.INF\n/setup.exe' ] || fail "files of the image with AUTORUN.INF:"$'\n'"$actual"

# A folder that does not exist gives no image and a failure.
make_iso "$work/absent" "$work/absent.iso" >/dev/null 2>&1 && fail "an absent folder succeeded"
[ ! -e "$work/absent.iso" ] || fail "an image of an absent folder was written"

if [ $failures -eq 0 ]; then
    rm -rf "$work"
    echo "iso_test: all checks passed"
fi
exit $((failures > 0))
