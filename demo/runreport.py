#!/usr/bin/env python3
"""What a setup run did, as one model of the run: read from setup.exe's traces and from
the PC's state before and after it, and told as the summary on the terminal and as the
page report.html. The two are views of the same model, so they cannot disagree.

  runreport.py summary RUN_DIR... [--page FILE]   runs in order (an older CD first)
  runreport.py trace TRACE_FILE [--page FILE]     a customer's tracecap file alone
  runreport.py files PREFIX OUT                   what Program Files holds, hashed
  runreport.py version-after RUN_DIR VALUE        the version registered after a run

A RUN_DIR holds what demo/demo.sh records: trace.txt (tracecap --utf8 --time), ended.txt
(setup.exe's exit code, or "timeout S"), setupcheck.txt and setupcheck-after.txt, the
registry key of the card's application exported before and after (registry-before-32.reg,
registry-after-64.reg, ...), files-before.txt and files-after.txt, the screenshots and the
ticks they were taken at. What a RUN_DIR lacks, the model says it cannot tell.

Exit code of summary: 0 when the PC shows what the card's setup.ini intends, 3 when it
does not, 124 when a run was ended at its time limit, 2 for wrong arguments.
"""
import hashlib
import os
import re
import string
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TRACE_TEXTS = os.path.join(HERE, "..", "sys", "TraceTexts.h")
PAGE_TEMPLATE = os.path.join(HERE, "report.html")

# What a Windows error means, when a program could not be started.
ERRORS = {
    2: "the file was not found",
    3: "the path was not found",
    5: "access was denied",
    193: "it is no program Windows can start: an .msi, a document or a damaged file",
    740: "it asks to be elevated, which CreateProcess does not do",
}
# What the exit codes installers share mean.
EXIT_CODES = {
    1602: "the user cancelled the installation",
    1603: "the installation failed (Windows Installer's fatal error)",
    1618: "another installation was running (Windows Installer)",
    1619: "the installation package could not be opened",
    1641: "installed, and the installer started a restart",
    3010: "installed, but a restart is needed; setup.exe takes only 0 as success",
}


def meaning(code, table=EXIT_CODES):
    text = table.get(code)
    return f"{code} ({text})" if text else str(code)


# --- setup.exe's trace texts, from the one table it is built with ----------------------
def load_trace_texts(path=TRACE_TEXTS):
    texts = {}
    pattern = re.compile(r'^const char (\w+)\[\] = "(.*)";$')
    with open(path, encoding="utf-8") as header:
        for line in header:
            match = pattern.match(line.strip())
            if match:
                # Compared with the lines of a trace, which have no line ends.
                texts[match.group(1)] = match.group(2).replace('\\"', '"').replace("\\n", "")
    return texts


def pieces(text):
    """The parts of a trace text around its %s and %d."""
    return re.split(r"%[sd]", text)


# --- the trace ------------------------------------------------------------------------
TIMED = re.compile(r"^ *(\d+) ms  (.*)$")


def read_trace(path):
    """(ms or None, text) for every text; bytes that are not UTF-8 are read as GBK."""
    with open(path, "rb") as file:
        data = file.read()
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        text = data.decode("gbk", errors="replace")
    lines = []
    for raw in text.replace("\r\n", "\n").split("\n"):
        if raw.strip() == "":
            continue
        match = TIMED.match(raw)
        if match:
            lines.append((int(match.group(1)), match.group(2)))
        elif not raw.startswith("tracecap: "):
            lines.append((None, raw))
    return lines


class Run:
    """One setup run, as its traces tell it."""

    def __init__(self, name):
        self.name = name
        self.ended = ""  # exit code, "timeout S", or "" when unknown
        self.timed = False
        self.stop = ""
        self.programs = []  # dicts: role, command, start, end, how, code, error
        self.copies = []  # dicts: what, source, dest, start, end, result
        self.driver = ""
        self.card = None
        self.pc = None
        self.decision = ""
        self.app_copy_failed = False
        self.no_app_found = False
        self.app_not_started = ""
        self.staging_failed = ""
        self.delays = []
        self.eject = None
        self.last_text = ""
        self.last_ms = 0
        self.window = []  # [start, end] spans in which the progress window was visible
        self.shots = []  # dicts: name, file, ms
        self.no_shots = []  # why a screenshot is missing
        self.state = None  # the PC before and after, when recorded
        self.check_before = {}
        self.check_after = {}


def interpret(lines, texts, run):
    t = texts
    run_start, run_empty = pieces(t["kTraceRunStart"])[0], t["kTraceRunEmpty"]
    run_prefix = pieces(t["kTraceRunEnded"])[0]
    ended_mid = pieces(t["kTraceRunEnded"])[1]
    timed_out_mid = pieces(t["kTraceRunTimedOut"])[1]
    not_created_mid = pieces(t["kTraceRunNotCreated"])[1]
    copy_start = pieces(t["kTraceCopyStart"])
    copy_end = pieces(t["kTraceCopyEnd"])
    role = ""
    copying = ""
    shown_at = None
    installer_runs = 0
    run.timed = any(ms is not None for ms, _ in lines)
    for ms, line in lines:
        run.last_text = line
        if ms is not None:
            run.last_ms = ms
        text = line
        if text == t["kTracePreinstall"]:
            role = "pre-install program"
        elif text == t["kTraceCopyingDriver"]:
            copying = "driver"
        elif text == t["kTraceInstallingDriver"]:
            role = "driver installer"
        elif text == t["kTraceInstallingApplication"]:
            role = "application installer"
        elif text == t["kTraceEnding"]:
            role = "installed application"
        elif text == t["kTraceNoSetupFile"]:
            run.stop = "setup.ini was not found beside setup.exe; nothing was done"
        elif text == t["kTraceLoadFailed"]:
            run.stop = ("setup.exe could not load setup.ini (a required key is missing or a "
                        "path does not fit); nothing was done")
        elif text == t["kTraceAlreadyRunning"]:
            run.stop = "another setup.exe was running; this one did nothing"
        elif text == t["kTraceDriverNotRun"]:
            run.driver = "failed: its installer could not be run to its end"
        elif text.startswith(pieces(t["kTraceDriverUnusable"])[0]):
            code = int(line[len(pieces(t["kTraceDriverUnusable"])[0]):].strip() or 0)
            run.driver = f"failed: its installer ended with exit code {meaning(code)}"
        elif text == t["kTraceDriverUsable"]:
            run.driver = "installed"
        elif text.startswith(pieces(t["kTraceCardVersion"])[0]):
            run.card = line[len(pieces(t["kTraceCardVersion"])[0]):]
        elif text.startswith(pieces(t["kTraceInstalledVersion"])[0]):
            run.pc = line[len(pieces(t["kTraceInstalledVersion"])[0]):]
        elif text == t["kTraceUpdateNeeded"]:
            run.decision = "needed"
            copying = "application"
            # setup.exe shows its window for the application's copy, and only then.
            shown_at = ms
        elif text == t["kTraceUpToDate"]:
            run.decision = "up to date"
        elif text == t["kTraceNoApplication"]:
            run.decision = "none"
        elif text in (t["kTraceApplicationCopyFailedChinese"], t["kTraceApplicationCopyFailedOther"]):
            run.app_copy_failed = True
        elif text == t["kTraceNoInstalledApplication"]:
            run.no_app_found = True
        elif text.startswith(pieces(t["kTraceApplicationNotStarted"])[0]):
            run.app_not_started = line[len(pieces(t["kTraceApplicationNotStarted"])[0]):]
        elif text.startswith(pieces(t["kTraceStagingFailed"])[0]):
            run.staging_failed = line[len(pieces(t["kTraceStagingFailed"])[0]):]
        elif text == t["kTraceShowMessage"]:
            shown_at = ms
        elif text == t["kTraceHideMessage"] and shown_at is not None:
            run.window.append([shown_at, ms])
            shown_at = None
        elif text == t["kTraceDelayEject"]:
            run.delays.append(ms)
        elif text == t["kTraceEjectMedia"]:
            run.eject = ms if ms is not None else -1
        elif line.startswith(copy_start[0]) and line.endswith(copy_start[2]):
            source, _, dest = line[len(copy_start[0]):-len(copy_start[2])].partition(copy_start[1])
            run.copies.append({"what": copying or "package", "source": source, "dest": dest,
                               "start": ms, "end": None, "result": None})
        elif copy_end[2] in line and line.startswith(copy_end[0]):
            result = line[line.rindex(copy_end[2]) + len(copy_end[2]):].strip()
            for copy in reversed(run.copies):
                if copy["end"] is None:
                    copy["end"], copy["result"] = ms, result
                    break
            if copying == "application" and shown_at is not None:
                run.window.append([shown_at, ms])
                shown_at = None
        elif text.startswith(run_start):
            what = role or "program"
            if role == "application installer":
                installer_runs += 1
                if installer_runs > 1:
                    what = "application installer, second run"
            run.programs.append({"role": what, "command": line[len(run_start):], "start": ms,
                                 "end": None, "how": "", "code": None, "error": None})
        elif line == run_empty or line.startswith(run_empty):
            run.programs.append({"role": role or "program", "command": "(empty)", "start": ms,
                                 "end": ms, "how": "not started: the command is empty",
                                 "code": None, "error": None})
        elif line.startswith(run_prefix):
            program_end(run, line[len(run_prefix):], ms, ended_mid, timed_out_mid, not_created_mid)
    if shown_at is not None:
        run.window.append([shown_at, None])


def program_end(run, rest, ms, ended_mid, timed_out_mid, not_created_mid):
    for program in reversed(run.programs):
        if program["how"] or not rest.startswith(program["command"]):
            continue
        tail = rest[len(program["command"]):]
        program["end"] = ms
        if tail.startswith(ended_mid):
            program["code"] = int(tail[len(ended_mid):].strip())
            program["how"] = f"ran to its end, exit code {meaning(program['code'])}"
        elif tail.startswith(timed_out_mid):
            program["how"] = "started and left running, as setup.exe does with it"
            program["left"] = True
        elif tail.startswith(not_created_mid):
            program["error"] = int(tail[len(not_created_mid):].strip().split()[0])
            program["how"] = f"could not be started, error {meaning(program['error'], ERRORS)}"
        else:
            program["how"] = f"its wait failed ({tail.strip()})"
        return


# --- the PC's state ----------------------------------------------------------------------
def read_reg_export(path):
    """The values of the first key of a reg.exe export (UTF-16), as text; None when the
    file is missing, i.e. there was no key."""
    if not os.path.exists(path):
        return None
    with open(path, "rb") as file:
        data = file.read()
    text = data.decode("utf-16") if data[:2] in (b"\xff\xfe", b"\xfe\xff") else data.decode("utf-8", "replace")
    values = {}
    joined = re.sub(r"\\\r?\n\s*", "", text)
    for line in joined.splitlines():
        match = re.match(r'^(?:"((?:[^"\\]|\\.)*)"|@)=(.*)$', line)
        if not match:
            continue
        name = (match.group(1) or "").replace('\\"', '"').replace("\\\\", "\\")
        data_text = match.group(2)
        if data_text.startswith('"') and data_text.endswith('"'):
            values[name] = data_text[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        elif data_text.startswith("dword:"):
            values[name] = str(int(data_text[6:], 16))
        else:
            values[name] = data_text
    return values


def read_files(path):
    files = {}
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8") as listing:
        for line in listing:
            name, size, digest = line.rstrip("\n").split("\t")
            files[name] = (int(size), digest)
    return files


def snapshot_files(prefix, out):
    """Every file below the prefix's Program Files folders with its size and SHA-256."""
    rows = []
    drive = os.path.join(prefix, "drive_c")
    for top in ("Program Files", "Program Files (x86)"):
        for folder, _, names in os.walk(os.path.join(drive, top)):
            for name in names:
                path = os.path.join(folder, name)
                if os.path.islink(path) or not os.path.isfile(path):
                    continue
                digest = hashlib.sha256()
                with open(path, "rb") as file:
                    for block in iter(lambda: file.read(1 << 20), b""):
                        digest.update(block)
                rows.append(f"{os.path.relpath(path, drive)}\t{os.path.getsize(path)}\t{digest.hexdigest()}")
    with open(out, "w", encoding="utf-8") as listing:
        listing.write("".join(row + "\n" for row in sorted(rows)))


def read_check(path):
    """setupcheck's report as label -> value, and its problems."""
    values = {}
    if not os.path.exists(path):
        return values
    with open(path, encoding="utf-8", errors="replace") as report:
        for line in report:
            line = line.rstrip("\r\n")
            match = re.match(r"^(\S.{0,29}?) {2,}(.*)$", line)
            if match and not line.startswith(("PROBLEM:", "WARNING:")):
                values.setdefault(match.group(1).strip(), match.group(2))
            elif line.startswith(("PROBLEM:", "WARNING:")):
                values.setdefault("findings", []).append(line)
    return values


def program_exists(state, program):
    """Whether the registered program is a file of the PC after the run: in the Program
    Files listing, or else in the prefix itself."""
    match = re.match(r'^"?[Cc]:\\(Program Files[^\\]*\\.*?)"?$', program)
    if match and state["files_after"] is not None:
        wanted = match.group(1).replace("\\", "/").lower()
        return any(name.lower() == wanted for name in state["files_after"])
    return state["prefix"] is not None and prefix_path(state["prefix"], program) is not None


def prefix_path(prefix, windows_path):
    """The Linux path of a Windows path of the prefix (C: only), letter case aside; None
    when it leads nowhere."""
    match = re.match(r'^"?([A-Za-z]):\\(.*?)"?$', windows_path or "")
    if not match or match.group(1).lower() != "c":
        return None
    path = os.path.join(prefix, "drive_c")
    for part in [p for p in match.group(2).split("\\") if p]:
        if not os.path.isdir(path):
            return None
        names = {n.lower(): n for n in os.listdir(path)}
        if part.lower() not in names:
            return None
        path = os.path.join(path, names[part.lower()])
    return path


# --- the model and its verdict ------------------------------------------------------------
def read_text(path):
    if not os.path.exists(path):
        return ""
    with open(path, encoding="utf-8", errors="replace") as file:
        return file.read().strip()


def version_after(run_dir, value_name):
    """The version the PC reports after a run, as setup.exe reads it; empty when none."""
    order = tuple((read_text(os.path.join(run_dir, "setup-views.txt")) or "32 64").split())
    views = {v: read_reg_export(os.path.join(run_dir, f"registry-after-{v}.reg")) for v in order}
    _, values = setup_view(views, order)
    return (values or {}).get(value_name, "")


def load_run(run_dir, texts):
    run = Run(os.path.basename(os.path.normpath(run_dir)))
    trace = os.path.join(run_dir, "trace.txt")
    if os.path.exists(trace):
        interpret(read_trace(trace), texts, run)
    ended = os.path.join(run_dir, "ended.txt")
    if os.path.exists(ended):
        with open(ended) as file:
            run.ended = file.read().strip()
    run.check_before = read_check(os.path.join(run_dir, "setupcheck.txt"))
    run.check_after = read_check(os.path.join(run_dir, "setupcheck-after.txt"))
    state = {"views": {}}
    for when in ("before", "after"):
        for view in ("32", "64"):
            values = read_reg_export(os.path.join(run_dir, f"registry-{when}-{view}.reg"))
            state["views"].setdefault(when, {})[view] = values
        state[f"files_{when}"] = read_files(os.path.join(run_dir, f"files-{when}.txt"))
    state["prefix"] = read_text(os.path.join(run_dir, "prefix.txt")) or None
    state["order"] = tuple((read_text(os.path.join(run_dir, "setup-views.txt")) or "32 64").split())
    if state["files_after"] is not None or any(state["views"]["after"].values()):
        run.state = state
    ticks = {}
    for name in ("tracecap.txt", "winshot.txt", "winshot-screen.txt"):
        path = os.path.join(run_dir, name)
        if os.path.exists(path):
            for line in open(path, encoding="utf-8", errors="replace"):
                match = re.search(r"at tick (\d+)", line)
                if match:
                    ticks[name] = int(match.group(1))
    for shot, log, what in (("progress-window.png", "winshot.txt", "of the progress window"),
                            ("screen-at-timeout.png", "winshot-screen.txt", "of the screen at the limit")):
        path = os.path.join(run_dir, shot)
        if os.path.exists(path) and os.path.getsize(path) > 0:
            at = None
            if "tracecap.txt" in ticks and log in ticks:
                at = ticks[log] - ticks["tracecap.txt"]
            run.shots.append({"name": shot, "file": path, "ms": at})
        elif os.path.exists(os.path.join(run_dir, log)):
            # Why winshot took none, in its own words.
            said = [l.strip() for l in open(os.path.join(run_dir, log), errors="replace") if l.startswith("winshot: ")]
            run.no_shots.append(f"screenshot {what}: none ({said[-1] if said else 'it was not shown'})")
    return run


def setup_view(values_by_view, order=("32", "64")):
    """The values setup.exe reads: its own view, else the 64-bit one."""
    if not values_by_view:
        return None, None
    for view in order:
        if values_by_view.get(view) is not None:
            return view, values_by_view[view]
    return None, None


def judge(run):
    """What the card's setup.ini intends, what the PC shows, and whether they agree:
    (intent lines, outcome lines, problems)."""
    check = run.check_before
    key = check.get("Registry key", "")
    version_value = check.get("Version value", "")
    found_by = check.get("Installed program found by", "")
    wants_app = not check.get("Application", "").startswith("none") and bool(key)
    autorun = check.get("Start application at the end", "") == "yes"
    intent = ["the driver installed (its installer ending with 0)"]
    if wants_app:
        intent.append(f"the application {run.card or check.get('Application version', '?')} installed "
                      f"and registered under {key}")
    if autorun:
        intent.append("the application started at the end")
    intent.append("the CD-ROM ejected")
    problems = []
    outcome = []
    if run.ended.startswith("timeout"):
        problems.append("the run did not end within its time limit")
    if run.stop:
        problems.append(run.stop)
    if run.driver != "installed" and not run.stop:
        problems.append("the driver " + (run.driver or "step was not reached"))
    app = {"status": "", "lines": []}
    if wants_app and run.state is not None and run.driver == "installed":
        app = judge_application(run, version_value, found_by)
        outcome.extend(app["lines"])
        if app["status"] != "installed":
            problems.append("the application: " + app["status"])
    elif wants_app and run.driver == "installed" and run.state is None:
        outcome.append("the PC's state was not recorded: whether the application was installed "
                       "cannot be told from the traces alone")
    if autorun and run.driver == "installed":
        started = [p for p in run.programs if p["role"] == "installed application"]
        if run.no_app_found:
            problems.append("the application was not started: setup.exe found none in the registry")
        elif run.app_not_started:
            problems.append("the application was not started: no token of the user at the desktop")
        elif not started or started[-1].get("error") is not None:
            problems.append("the application was not started")
    if run.ended and not run.ended.startswith("timeout") and run.eject is None and run.driver == "installed":
        problems.append("the CD-ROM was not ejected")
    return intent, outcome, problems, app


def judge_application(run, version_value, found_by):
    views = run.state["views"]
    view_before, before = setup_view(views.get("before"), run.state["order"])
    view_after, after = setup_view(views.get("after"), run.state["order"])
    lines = []
    version_after = (after or {}).get(version_value)
    version_before = (before or {}).get(version_value)
    replug = run.check_after.get(f"Update over installed {version_after}", "") if version_after else ""
    # Where AppType says the program is.
    names = ("ExePath", "ExeName") if "ExePath" in found_by else ("AppDir", "AppName") if "AppDir" in found_by else None
    program = None
    exists = False
    if names and after and after.get(names[0]) and after.get(names[1]):
        program = after[names[0]].rstrip("\\") + "\\" + after[names[1]]
        exists = program_exists(run.state, program)
    if run.decision == "up to date":
        status = "installed" if version_after else "not registered any more"
        lines.append(f"up to date: the PC has {run.pc}, not older than the card's {run.card}; "
                     "setup.exe installed nothing")
        return {"status": status, "lines": lines, "program": program, "exists": exists,
                "version": version_after}
    installers = [p for p in run.programs if p["role"].startswith("application installer")]
    if run.app_copy_failed or not installers:
        status = "not installed: the package was not copied" if run.app_copy_failed else "not installed: no installer ran"
    elif version_after is None:
        status = ("not installed: " + ("the registration was removed after setup.exe had checked it"
                                       if before and before.get("UnInstall") and len(installers) == 1
                                       and after is None else "the PC reports no version after the run"))
    elif replug.startswith("yes"):
        status = (f"not installed: the installer ended with {installers[-1]['code']}, but the PC "
                  f"still reports {version_after}; setup.exe would install again when the card comes back")
    elif replug.startswith("no"):
        status = "installed" if exists else (f"not installed: the PC reports {version_after}, but "
                                             f"{program or 'no program'} is not there")
    else:
        status = f"cannot tell: the PC reports {version_after}, and no update decision over it was recorded"
    lines.append(f"the card carries {run.card}; the PC had {version_before or 'none'} before the run "
                 f"and has {version_after or 'none'} after it")
    if program:
        lines.append(f"the registered program {program} {'is there' if exists else 'is not there'}")
    lines.extend(explain_runs(run, before, after, installers))
    return {"status": status, "lines": lines, "program": program, "exists": exists,
            "version": version_after}


def explain_runs(run, before, after, installers):
    uninstall_before = (before or {}).get("UnInstall")
    if not uninstall_before:
        return [f"one installer run: no \"UnInstall\" was registered before it"]
    if len(installers) >= 2:
        return ["two installer runs: \"UnInstall\" was registered before the run "
                f"({uninstall_before}) and gone after the first, which removed the old installation"]
    lines = ["one installer run: \"UnInstall\" was registered before the run "
             f"({uninstall_before}) and still there after it, so setup.exe took the first run "
             "as the installation"]
    if not (after or {}).get("UnInstall"):
        lines.append("after setup.exe ended, \"UnInstall\" was gone: something the installer "
                     "started went on removing after it had returned (an uninstaller started "
                     "without waiting for it, such as NSIS's without _?=)")
    return lines


def file_changes(run):
    before, after = run.state["files_before"], run.state["files_after"]
    if before is None or after is None:
        return None
    return {
        "new": sorted(n for n in after if n not in before),
        "replaced": sorted(n for n in after if n in before and before[n][1] != after[n][1]),
        "removed": sorted(n for n in before if n not in after),
        "sizes": {n: after[n][0] for n in after},
    }


# --- the summary on the terminal ---------------------------------------------------------------
def summary_lines(run, verdict):
    intent, outcome, problems, app = verdict
    out = []
    if run.ended.startswith("timeout"):
        out.append(f"setup.exe did not end within {run.ended.split()[1]} s and was ended, with "
                   "every program it had started")
    elif run.ended:
        out.append(f"setup.exe ended with exit code {run.ended}")
    if run.check_before:
        out.append("setup.ini intends: " + "; ".join(intent))
    if run.stop:
        out.append(run.stop)
    if run.staging_failed:
        out.append("package folder: setup.exe could not make " + run.staging_failed +
                   " its own; nothing was copied there or run from it")
    for copy in run.copies:
        if copy["what"] == "driver":
            out.append("driver package: " + copy_state(copy))
    for program in run.programs:
        how = program["how"] or ("still running when the run was ended"
                                 if run.ended.startswith("timeout") else "did not end")
        out.append(f"program: {program['command']}")
        out.append(f"         {program['role']}: {how}")
    if run.driver:
        out.append("driver: " + run.driver + ("" if run.driver != "installed" else " (its installer ended with exit code 0)"))
    versions = f"the card carries {run.card or 'no version'}, the PC had {run.pc or 'none'}"
    if run.decision == "needed":
        app_copy = [c for c in run.copies if c["what"] == "application"]
        if run.app_copy_failed:
            out.append(f"application: {versions}; an update was needed, but the copy of the package failed")
        elif app["status"] == "installed":
            out.append(f"application: installed: the PC reports {app['version']} (the card "
                       f"carries {run.card}), and setup.exe finds it up to date when the card "
                       "comes again")
        elif app["status"]:
            out.append(f"application: {app['status']}")
        else:
            installers = [p for p in run.programs if p["role"].startswith("application installer")]
            told = installers[-1]["how"] if installers else "no installer was started"
            out.append(f"application: {versions}; an update was needed; "
                       f"{'the package was copied; ' if app_copy else ''}its installer: {told}")
        out.extend("             " + line for line in app["lines"] if line)
    elif run.decision == "up to date":
        out.append(f"application: {versions}; up to date, not installed again")
    elif run.decision == "none":
        out.append("application: the card carries none (InstallApp is 0)")
    else:
        out.append("application: not considered (the run stopped before)")
    if run.no_app_found:
        out.append("installed application to start: none found in the registry")
    if run.app_not_started:
        out.append("installed application: not started, since no token of the user at the "
                   "desktop could be had: " + run.app_not_started)
    if run.state is not None:
        out.extend(registry_lines(run))
        changes = file_changes(run)
        if changes is not None:
            out.append(f"files in Program Files: {len(changes['new'])} new, {len(changes['replaced'])} "
                       f"replaced, {len(changes['removed'])} removed")
            for sign, kind in (("+", "new"), ("*", "replaced"), ("-", "removed")):
                for name in changes[kind]:
                    size = f" ({changes['sizes'][name]} bytes)" if name in changes["sizes"] else ""
                    out.append(f"    {sign} {name.replace(os.sep, '/')}{size}")
    out.append("CD-ROM at exit: " + cd_state(run))
    for shot in run.shots:
        at = f", at {shot['ms'] / 1000:.1f} s" if shot["ms"] is not None else ""
        out.append(f"screenshot: {shot['file']}{at}")
    out.extend(run.no_shots)
    if problems:
        out.append("verdict: NOT what setup.ini intends: " + "; ".join(problems))
    elif run.state is not None or run.stop:
        out.append("verdict: what setup.ini intends")
    return out


def copy_state(copy):
    if copy["result"] is None:
        return "copy still going when the traces end"
    return "copied" if copy["result"] == "1" else f"copy failed (result {copy['result']})"


def cd_state(run):
    if run.ended.startswith("timeout"):
        return "no request (the run was ended before its end)"
    if run.eject is not None:
        return "ejected (standard media eject)"
    if run.last_text == "Delay Eject CD":
        return "held back for one more day (delay request of 86400 s)"
    return "no request (no CD-ROM device was open)"


def registry_lines(run):
    out = []
    key = run.check_before.get("Registry key", "")
    view, after = setup_view(run.state["views"].get("after"), run.state["order"])
    if not key:
        return out
    if after is None:
        out.append(f"registry after the run: no key {key}")
        return out
    out.append(f"registry after the run, {key} ({view}-bit view):")
    out.extend(f"    {name} = {value}" for name, value in sorted(after.items()))
    return out


def exit_code(runs, verdicts):
    if any(run.ended.startswith("timeout") for run in runs):
        return 124
    return 3 if verdicts[-1][2] else 0


# --- the page ---------------------------------------------------------------------------------------
def page(runs, verdicts, title):
    """report.html: the verdict, the timeline, the screenshots, setupcheck's findings and
    the PC's state before and after, for every run; one file with nothing to fetch."""
    from runpage import render  # the page's own module, beside this one

    with open(PAGE_TEMPLATE, encoding="utf-8") as template:
        return render(string.Template(template.read()), runs, verdicts, title,
                      summary_lines, file_changes, meaning)


def main(argv):
    if len(argv) == 3 and argv[0] == "files":
        snapshot_files(argv[1], argv[2])
        return 0
    if len(argv) == 3 and argv[0] == "version-after":
        print(version_after(argv[1], argv[2]))
        return 0
    page_path = None
    if "--page" in argv:
        at = argv.index("--page")
        page_path = argv[at + 1] if at + 1 < len(argv) else None
        argv = argv[:at] + argv[at + 2:]
    if len(argv) < 2 or argv[0] not in ("summary", "trace") or (argv[0] == "trace" and len(argv) != 2):
        sys.stderr.write(__doc__)
        return 2
    texts = load_trace_texts()
    if argv[0] == "trace":
        run = Run(os.path.basename(argv[1]))
        interpret(read_trace(argv[1]), texts, run)
        runs = [run]
    else:
        runs = [load_run(run_dir, texts) for run_dir in argv[1:]]
    verdicts = [judge(run) for run in runs]
    for index, (run, verdict) in enumerate(zip(runs, verdicts)):
        heading = "Summary" if len(runs) == 1 else f"Summary of run {index + 1} of {len(runs)}: {run.name}"
        print(heading)
        for line in summary_lines(run, verdict):
            print("  " + line)
    if page_path:
        text = page(runs, verdicts, os.path.basename(os.path.normpath(argv[-1])))
        with open(page_path, "w", encoding="utf-8") as out:
            out.write(text)
        print(f"page: {os.path.abspath(page_path)}")
    return exit_code(runs, verdicts) if argv[0] == "summary" else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
