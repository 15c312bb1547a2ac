#!/bin/bash
# What a setup run did, read from its traces as tracecap --utf8 --time writes them: the
# programs it started in order, what each was for and how it ended, the package copies,
# the update decision and what became of it, and what happened to the CD-ROM. Given the
# demo's folder of the run, also what the run left in the registry and in Program Files,
# and the screenshots taken.
#   bash demo/summary.sh TRACE_FILE EXIT [RUN_DIR]
# EXIT is setup.exe's exit code, or "timeout SECONDS" when the run was ended at its limit.
set -uo pipefail
trace=$1
ended=$2
run_dir=${3:-}

# setup.exe's own trace texts, from the one table the program is built with: text NAME
# gives one without its line end, piece NAME N the N-th piece of one cut at its %s and %d.
texts="$(dirname "${BASH_SOURCE[0]}")/../sys/TraceTexts.h"
text() {
    sed -n "s/^const char $1\[\] = \"\(.*\)\";\$/\1/p" "$texts" | sed 's/\\n$//'
}
piece() {
    text "$1" | awk -v n="$2" '{ split($0, parts, /%[sd]/); print parts[n] }'
}

awk -v ended="$ended" \
    -v t_preinstall="$(text kTracePreinstall)" -v t_copying_driver="$(text kTraceCopyingDriver)" \
    -v t_installing_driver="$(text kTraceInstallingDriver)" \
    -v t_installing_app="$(text kTraceInstallingApplication)" -v t_ending="$(text kTraceEnding)" \
    -v t_no_setup_file="$(text kTraceNoSetupFile)" -v t_load_failed="$(text kTraceLoadFailed)" \
    -v t_already_running="$(text kTraceAlreadyRunning)" -v t_driver_not_run="$(text kTraceDriverNotRun)" \
    -v t_driver_unusable="$(piece kTraceDriverUnusable 1)" -v t_driver_usable="$(text kTraceDriverUsable)" \
    -v card_prefix="$(piece kTraceCardVersion 1)" -v pc_prefix="$(piece kTraceInstalledVersion 1)" \
    -v t_update_needed="$(text kTraceUpdateNeeded)" -v t_up_to_date="$(text kTraceUpToDate)" \
    -v t_no_app="$(text kTraceNoApplication)" \
    -v t_app_copy_failed_zh="$(text kTraceApplicationCopyFailedChinese)" \
    -v t_app_copy_failed_other="$(text kTraceApplicationCopyFailedOther)" \
    -v t_no_installed_app="$(text kTraceNoInstalledApplication)" \
    -v t_app_not_started="$(piece kTraceApplicationNotStarted 1)" \
    -v t_staging_failed="$(piece kTraceStagingFailed 1)" \
    -v t_copy_end="$(piece kTraceCopyEnd 3)" -v t_run_start="$(piece kTraceRunStart 1)" \
    -v t_run_empty="$(text kTraceRunEmpty)" -v t_run="$(piece kTraceRunEnded 1)" \
    -v t_run_ended="$(piece kTraceRunEnded 2)" -v t_run_timed_out="$(piece kTraceRunTimedOut 2)" \
    -v t_run_not_created="$(piece kTraceRunNotCreated 2)" -v t_eject="$(text kTraceEjectMedia)" \
    -v t_delay_eject="$(text kTraceDelayEject)" '
# Whether text starts with prefix, taken as it is, not as a pattern.
function starts(text, prefix) {
    return index(text, prefix) == 1
}
function program_end(text,    k, rest) {
    for (k = count; k >= 1; k--) {
        if (how[k] != "" || !starts(text, t_run command[k]))
            continue
        rest = substr(text, length(t_run command[k]) + 1)
        if (starts(rest, t_run_ended)) {
            code[k] = substr(rest, length(t_run_ended) + 1)
            sub(/ *$/, "", code[k])
            how[k] = "ran to its end, exit code " code[k]
        } else if (starts(rest, t_run_timed_out)) {
            how[k] = "started and left running, as setup.exe does with it"
        } else if (starts(rest, t_run_not_created)) {
            how[k] = "could not be started, error " substr(rest, length(t_run_not_created) + 1)
            failed[k] = 1
        } else {
            how[k] = "its wait failed (" rest ")"
            failed[k] = 1
        }
        return 1
    }
    return 0
}
{
    line = $0
    sub(/\r$/, "", line)
    if (!sub(/^ *[0-9]+ ms  /, "", line))
        next
    last = line
    if (line == t_preinstall) role = "pre-install program"
    else if (line == t_copying_driver) copying = "driver"
    else if (line == t_installing_driver) role = "driver installer"
    else if (line == t_installing_app) role = "application installer"
    else if (line == t_ending) role = "installed application, started at the end"
    else if (line == t_no_setup_file) stop = "setup.ini: not found beside setup.exe; nothing was done"
    else if (line == t_load_failed) stop = "setup.ini: setup.exe could not load it (a required key is missing or a path does not fit); nothing was done"
    else if (line == t_already_running) stop = "another setup.exe was running; this one did nothing"
    else if (line == t_driver_not_run) driver = "failed: its installer could not be run to its end; the application was not considered"
    else if (starts(line, t_driver_unusable)) driver = "failed: its installer ended with exit code " substr(line, length(t_driver_unusable) + 1) "; the application was not considered"
    else if (line == t_driver_usable) driver = "installed (its installer ended with exit code 0)"
    else if (starts(line, card_prefix)) card = substr(line, length(card_prefix) + 1)
    else if (starts(line, pc_prefix)) pc = substr(line, length(pc_prefix) + 1)
    else if (line == t_update_needed) { decision = "needed"; copying = "application" }
    else if (line == t_up_to_date) decision = "up to date"
    else if (line == t_no_app) decision = "none"
    else if (line == t_app_copy_failed_zh || line == t_app_copy_failed_other) app_copy_failed = 1
    else if (line == t_no_installed_app) no_app_found = 1
    else if (starts(line, t_app_not_started)) app_not_started = substr(line, length(t_app_not_started) + 1)
    else if (starts(line, t_staging_failed)) staging_failed = substr(line, length(t_staging_failed) + 1)
    else if (index(line, t_copy_end)) {
        result = substr(line, index(line, t_copy_end) + length(t_copy_end))
        sub(/ *$/, "", result)
        copy[copying] = (result == "1") ? "copied" : "copy failed (result " result ")"
    } else if (starts(line, t_run_start)) {
        count++
        command[count] = substr(line, length(t_run_start) + 1)
        what[count] = role
        if (role == "application installer" && installer_runs++ > 0)
            what[count] = "application installer, second run (the first removed the old installation)"
        how[count] = ""
    } else if (line == t_run_empty) {
        count++
        command[count] = "(empty)"
        what[count] = role
        how[count] = "not started: the command is empty"
        failed[count] = 1
    } else if (starts(line, t_run))
        program_end(line)
}
END {
    print "Summary"
    if (ended ~ /^timeout/) {
        split(ended, limit, " ")
        print "  setup.exe did not end within " limit[2] " s and was ended, with every program it had started"
    } else if (ended != "")
        print "  setup.exe ended with exit code " ended
    if (stop != "")
        print "  " stop
    if (copy["driver"] != "")
        print "  driver package: " copy["driver"]
    for (k = 1; k <= count; k++) {
        print "  program: " command[k]
        state = how[k]
        if (state == "")
            state = (ended ~ /^timeout/) ? "still running when the run was ended" : "did not end"
        print "           " what[k] ": " state
        if (what[k] ~ /^application installer/) {
            app_installer = k
        }
    }
    if (driver != "")
        print "  driver: " driver
    versions = "the card carries " (card == "" ? "no version" : card) ", the PC has " (pc == "" ? "none" : pc)
    if (decision == "needed") {
        if (app_copy_failed)
            outcome = "an update was needed, but the copy of the application package failed: nothing was installed"
        else if (copy["application"] == "")
            outcome = "an update was needed; the run ended before the package was copied"
        else if (!app_installer)
            outcome = "an update was needed; the package was copied, but no installer was started"
        else if (failed[app_installer])
            outcome = "an update was needed; the package was copied, but its installer did not run"
        else if (how[app_installer] == "")
            outcome = "an update was needed; its installer had not ended"
        else if (code[app_installer] == "0")
            outcome = "installed: the package was copied and its installer ended with exit code 0"
        else
            outcome = "an update was needed; its installer ended with exit code " code[app_installer] ": see below whether it installed"
        print "  application: " versions "; " outcome
    } else if (decision == "up to date")
        print "  application: " versions "; up to date, not installed again"
    else if (decision == "none")
        print "  application: the card carries none (InstallApp is 0)"
    else
        print "  application: not considered (the run stopped before)"
    if (staging_failed != "")
        print "  package folder: setup.exe could not make " staging_failed " its own; nothing was copied there or run from it"
    if (no_app_found)
        print "  installed application to start: none found in the registry"
    if (app_not_started != "")
        print "  installed application: not started, since no token of the user at the desktop could be had: " app_not_started
    if (ended ~ /^timeout/)
        print "  CD-ROM at exit: no request (the run was ended before its end)"
    else if (last == t_eject)
        print "  CD-ROM at exit: ejected (standard media eject)"
    else if (last == t_delay_eject)
        print "  CD-ROM at exit: held back for one more day (delay request of 86400 s)"
    else
        print "  CD-ROM at exit: no request (no CD-ROM device was open)"
}' "$trace"

[ -n "$run_dir" ] || exit 0
if [ -f "$run_dir/registry-after.txt" ]; then
    key=$(head -n 1 "$run_dir/registry-after.txt")
    if [ "$(sed -n 2p "$run_dir/registry-after.txt")" = "(no key)" ]; then
        echo "  registry after the run: no key $key"
    else
        echo "  registry after the run, $key:"
        tail -n +2 "$run_dir/registry-after.txt" | sed 's/^ */      /'
    fi
fi
changed=$(comm -13 "$run_dir/program-files-before.txt" "$run_dir/program-files-after.txt" | cut -f1,2)
if [ -n "$changed" ]; then
    echo "  files the run left in Program Files (size in bytes):"
    sed 's/^/      /; s/\t/  /' <<<"$changed"
else
    echo "  files the run left in Program Files: none"
fi
for shot in progress-window screen-at-timeout; do
    [ -s "$run_dir/$shot.png" ] && echo "  screenshot: $run_dir/$shot.png"
done
# Why a picture is missing, as winshot said it in the file $1.
why_none() {
    grep -a '^winshot: ' "$1" 2>/dev/null | tail -n 1 | tr -d '\r'
}
if [ ! -s "$run_dir/progress-window.png" ]; then
    why=$(why_none "$run_dir/winshot.txt")
    echo "  screenshot of the progress window: none (${why:-it was not shown})"
fi
if [[ "$ended" == timeout* ]] && [ ! -s "$run_dir/screen-at-timeout.png" ]; then
    echo "  screenshot of the screen at the limit: none ($(why_none "$run_dir/winshot-screen.txt"))"
fi
echo "  traces: $trace"
