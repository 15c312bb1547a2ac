#!/bin/bash
# demo/demo.sh on CDs with real installers, built here with makensis and wixl
# (installers/make-cds.sh), judged from what the PC shows afterwards (a 32-bit installer
# writes to "Program Files (x86)" in a 64-bit prefix, to "Program Files" in a 32-bit one):
# 1. a first installation, then the card plugged in again: installed, then up to date;
# 2. upgrades from a real 1.0.0 (--after): an installer that removes the old version first
#    (two runs), one that installs over it (one run, files replaced), and one that starts
#    the old uninstaller without waiting for it: the summary must say that 2.0.0 was not
#    installed, and the exit code must say so too;
# 3. a driver installer that ends with 3010, an MSI package run through a .cmd wrapper,
#    and a wizard started without /S, which waits until the time limit;
# 4. what setupcheck must object to: an .msi named as the command, setup.ini saved as UTF-8.
#   installers_test.sh SOURCE_DIR SHIPPING_TREE WORK_DIR
set -u
source_dir=$1 shipping=$2 work=$3
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
fresh_work out
demo() { # log-name expected-exit-code demo-options...
    local log=$1 expected=$2 status
    shift 2
    bash "$source_dir/demo/demo.sh" --out "$work/out" --lang en "$@" >"$work/$log" 2>&1
    status=$?
    [ $status -eq "$expected" ] || fail "$log: demo.sh ended with $status, not $expected:"$'\n'"$(tail -n 40 "$work/$log")"
}
bash "$source_dir/tests/demo/installers/make-cds.sh" "$work/cds" "$shipping/bin/setup.exe" \
    >"$work/make-cds.log" 2>&1 || { fail "make-cds.sh: $(tail -n 20 "$work/make-cds.log")"; exit 1; }
cds=$work/cds

# 1. First installation and replug.
demo v1.log 0 --cd "$cds/v1"
expect_in v1.log "application: installed: the PC reports 1.0.0 (the card carries 1.0.0)" \
    "one installer run: no \"UnInstall\" was registered before it" \
    "files in Program Files: 3 new, 0 replaced" "/Norvane Connect/NorvaneConnect.exe (" \
    "Version = 1.0.0" \
    "verdict: what setup.ini intends" "page: $work/out/demo-en/report.html"
demo v1-again.log 0 --cd "$cds/v1" --second
expect_in v1-again.log "up to date, not installed again" \
    "files in Program Files: 0 new, 0 replaced, 0 removed"

# 2. Upgrades over a real installation of 1.0.0.
demo v2.log 0 --cd "$cds/v2" --after "$cds/v1"
expect_in v2.log "Summary of run 1 of 2: older" "Summary of run 2 of 2: demo-en" \
    "application installer, second run: ran to its end, exit code 0" \
    "two installer runs: \"UnInstall\" was registered before the run" \
    "application: installed: the PC reports 2.0.0 (the card carries 2.0.0)" \
    "files in Program Files: 0 new, 3 replaced"
demo v2-inplace.log 0 --cd "$cds/v2-inplace" --after "$cds/v1"
expect_in v2-inplace.log "one installer run: \"UnInstall\" was registered before the run" \
    "application: installed: the PC reports 2.0.0 (the card carries 2.0.0)" \
    "files in Program Files: 0 new, 3 replaced"
demo v2-quick.log 3 --cd "$cds/v2-quick" --after "$cds/v1"
expect_in v2-quick.log "application: not installed: the registration was removed after setup.exe had checked it" \
    "after setup.exe ended, \"UnInstall\" was gone" "registry after the run: no key" \
    "verdict: NOT what setup.ini intends"
grep -q "application: installed" <(sed -n '/Summary of run 2/,$p' "$work/v2-quick.log") &&
    fail "v2-quick.log: 2.0.0 said to be installed"

# 3. A driver that asks for a restart, an MSI package behind a wrapper, a wizard.
demo drv3010.log 3 --cd "$cds/drv3010"
expect_in drv3010.log "exit code 3010 (installed, but a restart is needed; setup.exe takes only 0 as success)" \
    "CD-ROM at exit: held back for one more day"
demo msi-wrapped.log 0 --cd "$cds/msi-wrapped"
expect_in msi-wrapped.log "The application installer is   batch file" \
    "application: installed: the PC reports 1.0.0 (the card carries 1.0.0)"
demo wizard.log 124 --cd "$cds/wizard" --timeout 40
expect_in wizard.log "WARNING: AppSetupCmd starts the application installer without /S" \
    "application installer: still running when the run was ended"

# 4. What setupcheck objects to stops the demo before it runs anything.
demo msi.log 1 --cd "$cds/msi"
expect_in msi.log "PROBLEM: AppSetupCmd names a Windows Installer package" "%~dp0"
demo utf8.log 1 --cd "$cds/utf8" --lang zh
expect_in utf8.log "PROBLEM: setup.ini line 4 is written in UTF-8" "UTF-8, LF line ends"

[ $failures -eq 0 ] && echo "installers_test: all checks passed"
exit $((failures > 0))
