#!/usr/bin/env python3
"""The run's page (report.html) in a real browser, Debian's Chromium without a head:
1. the page of a demo run of the demo CD and of an upgrade (--after) of CDs with real
   installers: no console error; one bar per program that setup.exe started, with its
   role and exit code; bars in the order of the trace and as long as its times say, on
   the page's own time axis; the progress window's screenshot embedded and not one colour;
   the browser's picture of the page not blank;
2. pages of bad traces: cut off, without times, a program that never ended, GBK bytes, and
   10,000 lines: each renders without error and says what is missing; the long one's size
   and render time are printed.

  report_test.py SOURCE_DIR SHIPPING_TREE WORK_DIR
"""
import base64
import json
import os
import re
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402

source, shipping, work = sys.argv[1:4]
failures = []


def check(holds, text):
    if not holds:
        failures.append(text)
        print("FAILED: " + text)


def run_demo(name, *options):
    """demo.sh into WORK/out, where the demo's prefixes stay; the page it names last, or None."""
    out = os.path.join(work, "out")
    log = subprocess.run(["bash", os.path.join(source, "demo", "demo.sh"), "--out", out] + list(options),
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    lines = log.stdout.strip().splitlines()
    check(log.returncode == 0, f"{name}: demo.sh ended with {log.returncode}:\n" + "\n".join(lines[-30:]))
    check(bool(lines) and lines[-1].startswith("page: "), f"{name}: demo.sh did not name its page last")
    return lines[-1][len("page: "):] if lines and lines[-1].startswith("page: ") else None


RUN_START = re.compile(r"^ *(\d+) ms  开始运行:(.*)$")
RUN_END = re.compile(r"^ *(\d+) ms  运行(.*) WAIT得到(\w+)(?:,返回码: (-?\d+))?")


def programs_in(trace):
    """Every program the trace starts, with its times and exit code, read here on its own."""
    programs = []
    with open(trace, encoding="utf-8") as lines:
        for line in lines:
            start, end = RUN_START.match(line), RUN_END.match(line)
            if start:
                programs.append({"start": int(start.group(1)), "command": start.group(2).rstrip(),
                                 "end": None, "code": None})
            elif end:
                for program in reversed(programs):
                    if program["command"] == end.group(2) and program["end"] is None:
                        program["end"] = int(end.group(1)) if end.group(3) == "WAIT_OBJECT_0" else None
                        program["code"] = end.group(4)
                        break
    return programs


BARS = """JSON.stringify([...document.querySelectorAll('#timeline%d rect.bar.program')].map(r => {
  const box = r.getBoundingClientRect(), lane = r.parentNode.querySelector('text');
  return {start: +r.dataset.start, end: +r.dataset.end, code: r.dataset.code,
          label: lane.textContent, x: box.left, w: box.width};
}))"""
AXIS = """JSON.stringify([...document.querySelectorAll('#timeline%d .axis text')].map(t => {
  const box = t.getBoundingClientRect();
  return {s: parseFloat(t.textContent), x: box.left + box.width / 2};
}))"""
COLOURS = """new Promise(done => {
  const img = new Image();
  img.onload = () => {
    const c = document.createElement('canvas');
    c.width = img.naturalWidth; c.height = img.naturalHeight;
    const g = c.getContext('2d'); g.drawImage(img, 0, 0);
    const d = g.getImageData(0, 0, c.width, c.height).data, seen = new Set();
    for (let i = 0; i < d.length && seen.size < 50; i += 4 * 7) seen.add(d[i] << 16 | d[i + 1] << 8 | d[i + 2]);
    done(seen.size);
  };
  img.onerror = () => done(-1);
  img.src = %s;
})"""


def check_timeline(b, name, number, trace):
    expected = programs_in(trace)
    bars = json.loads(b.evaluate(BARS % number))
    axis = json.loads(b.evaluate(AXIS % number))
    check(len(bars) == len(expected), f"{name}: {len(bars)} program bars for {len(expected)} programs in the trace")
    check(len(axis) >= 2, f"{name}: no time axis")
    if len(axis) < 2 or len(bars) != len(expected):
        return
    # Pixels a millisecond, read off the page's own axis.
    per_ms = (axis[1]["x"] - axis[0]["x"]) / ((axis[1]["s"] - axis[0]["s"]) * 1000)
    for i, (bar, program) in enumerate(zip(bars, expected)):
        what = f"{name}: bar {i + 1} ({program['command'][-40:]})"
        check(bar["start"] == program["start"], f"{what} starts at {bar['start']} ms, the trace says {program['start']}")
        check(abs(bar["x"] - (axis[0]["x"] + program["start"] * per_ms)) < 2,
              f"{what} is drawn at {bar['x']:.1f} px, the axis puts {program['start']} ms at "
              f"{axis[0]['x'] + program['start'] * per_ms:.1f}")
        if program["end"] is not None:
            length = (program["end"] - program["start"]) * per_ms
            check(abs(bar["w"] - max(length, 2)) < 2, f"{what} is {bar['w']:.1f} px long, its {program['end'] - program['start']} ms are {length:.1f}")
        if program["code"] is not None:
            check(bar["code"] == program["code"] and f"exit code {program['code']}" in bar["label"],
                  f"{what} is labelled {bar['label']!r}, code {bar['code']!r}; the trace says exit code {program['code']}")
        if i:
            check(bar["x"] >= bars[i - 1]["x"], f"{what} is drawn before the program started before it")


def check_page(name, page, traces, shot_expected):
    with browser.Browser() as b:
        b.open("file://" + page)
        check(b.console_errors() == [], f"{name}: console errors {b.console_errors()}")
        for number, trace in enumerate(traces, 1):
            check_timeline(b, name, number, trace)
        shots = b.evaluate("[...document.querySelectorAll('img.shot')].map(i => i.src)")
        if shot_expected:
            check(len(shots) >= 1, f"{name}: no screenshot embedded")
            for src in shots:
                check(src.startswith("data:image/png;base64,"), f"{name}: a screenshot is not embedded")
                check(b.evaluate(COLOURS % repr(src)) > 1, f"{name}: the embedded screenshot is one colour")
        picture = os.path.join(work, name + "-page.png")
        b.screenshot(picture)
        with open(picture, "rb") as f:
            data = "data:image/png;base64," + base64.b64encode(f.read()).decode()
        check(b.evaluate(COLOURS % repr(data)) > 5, f"{name}: the browser's picture of the page is blank")
        return b.render_time_ms()


def bad_traces():
    """Traces a support engineer may be sent, as files of WORK."""
    first = os.path.join(source, "tests", "demo", "summaries", "first-installation", "trace.txt")
    with open(first, encoding="utf-8") as f:
        lines = f.read().splitlines()
    cut = lines[: next(i for i, l in enumerate(lines) if "开始运行" in l and "appsetup" in l) + 1]
    traces = {
        "cut-off": ("\n".join(cut[:-1] + [cut[-1][:30]]) + "\n").encode("utf-8"),
        "no-times": ("\n".join(re.sub(r"^ *\d+ ms  ", "", l) for l in lines) + "\n").encode("utf-8"),
        "never-ended": ("\n".join(l for l in lines if "WAIT得到WAIT_OBJECT_0" not in l or "drvsetup" not in l) + "\n").encode("utf-8"),
        "gbk": ("\n".join(lines) + "\n").encode("gbk"),
    }
    long = lines[:8]
    for i in range(10000 - len(lines)):
        long.append(f"{2000 + i * 10:7d} ms  Delay Eject CD")
    long += [re.sub(r"^ *\d+", lambda m: f"{int(m.group(0)) + 110000:7d}", l) for l in lines[8:]]
    traces["long"] = ("\n".join(long) + "\n").encode("utf-8")
    return traces


def main():
    shutil.rmtree(os.path.join(work, "bad"), ignore_errors=True)
    os.makedirs(os.path.join(work, "bad"), exist_ok=True)
    # 1. A demo run, and an upgrade of real installers.
    page = run_demo("first", "--lang", "zh")
    if page:
        check_page("first", page, [os.path.join(os.path.dirname(page), "trace.txt")], True)
    cds = os.path.join(work, "cds")
    subprocess.run(["bash", os.path.join(source, "tests", "demo", "installers", "make-cds.sh"), cds,
                    os.path.join(shipping, "bin", "setup.exe")], stdout=subprocess.DEVNULL, check=True)
    page = run_demo("upgrade", "--lang", "en", "--cd", os.path.join(cds, "v2"), "--after", os.path.join(cds, "v1"))
    if page:
        run = os.path.dirname(page)
        check_page("upgrade", page, [os.path.join(run, "older", "trace.txt"), os.path.join(run, "trace.txt")], False)
    # 2. Pages of bad traces, from tracecap files alone.
    for name, data in bad_traces().items():
        trace = os.path.join(work, "bad", name + ".txt")
        with open(trace, "wb") as f:
            f.write(data)
        page = os.path.join(work, "bad", name + ".html")
        made = subprocess.run([sys.executable, os.path.join(source, "demo", "runreport.py"), "trace", trace, "--page", page],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        check(made.returncode == 0 and os.path.exists(page), f"{name}: no page: {made.stderr[-500:]}")
        if made.returncode != 0:
            continue
        started = time.monotonic()
        with browser.Browser(timeout=60) as b:
            b.open("file://" + page)
            check(b.console_errors() == [], f"{name}: console errors {b.console_errors()}")
            text = b.evaluate("document.body.textContent")
            render = b.render_time_ms()
        check("From a customer's trace alone" in text, f"{name}: the page does not say what a trace cannot tell")
        if name == "no-times":
            check("The trace has no times" in text, "no-times: the page does not say that it has no times")
        if name in ("cut-off", "never-ended"):
            check("still running when the trace ends" in text,
                  f"{name}: the page does not say a program did not end")
        if name == "gbk":
            check("driver installer" in text, "gbk: the GBK texts were not read")
        if name == "long":
            print(f"report_test: the page of a 10,000-line trace: {os.path.getsize(page)} bytes, "
                  f"rendered in {render:.0f} ms, {time.monotonic() - started:.1f} s with the browser")
    print(f"report_test: {'all checks passed' if not failures else f'{len(failures)} checks failed'}")
    return 1 if failures else 0


sys.exit(main())
