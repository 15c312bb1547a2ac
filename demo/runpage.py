"""report.html of runreport.py: the model of one or more setup runs drawn as one page with
nothing to fetch: the verdict first, a timeline as inline SVG, the screenshots embedded,
setupcheck's findings and the PC's state before and after."""
import base64
import html
import os

LANE = 34  # pixels a lane of the timeline takes: two lines of its label
LABEL = 320  # pixels of the labels left of the lanes
WIDTH = 1060


def esc(text):
    return html.escape(str(text), quote=True)


def render(template, runs, verdicts, title, summary_lines, file_changes, meaning):
    parts = []
    for index, (run, verdict) in enumerate(zip(runs, verdicts)):
        heading = run.name if len(runs) > 1 else "The run"
        if len(runs) > 1:
            heading = f"Run {index + 1} of {len(runs)}: {run.name}"
        parts.append(f'<section class="run" id="run{index + 1}"><h2>{esc(heading)}</h2>')
        parts.append(verdict_block(run, verdict, summary_lines))
        parts.append(timeline(run, index + 1, meaning))
        parts.append(screenshots(run))
        parts.append(findings(run))
        parts.append(pc_state(run, file_changes))
        parts.append("</section>")
    subtitle = ("From a customer's trace alone: no registry, no files and no screenshots were "
                "recorded." if all(run.state is None and not run.check_before for run in runs)
                else "What setup.exe did, as its traces and the PC before and after tell it.")
    return template.substitute(title=esc(title), subtitle=esc(subtitle), body="\n".join(parts))


def verdict_block(run, verdict, summary_lines):
    intent, _, problems, _ = verdict
    if problems:
        kind, head = "bad", "Not what setup.ini intends"
    elif run.state is None and not run.stop:
        kind, head = "unknown", "What the PC shows was not recorded"
    else:
        kind, head = "ok", "What setup.ini intends"
    out = [f'<div class="verdict {kind}" id="verdict"><p><strong>{esc(head)}</strong>'
           f'{", exit code " + esc(run.ended) if run.ended else ""}</p>']
    if problems:
        out.append('<ul class="lines">' + "".join(f"<li>{esc(p)}</li>" for p in problems) + "</ul>")
    if run.check_before:
        out.append("<p>setup.ini intends: " + esc("; ".join(intent)) + "</p>")
    out.append("</div><h3>Summary</h3><pre class=\"summary\">")
    out.append(esc("\n".join(summary_lines(run, verdict))))
    out.append("</pre>")
    return "".join(out)


def timeline(run, number, meaning):
    if not run.timed:
        return ('<h3>Timeline</h3><p class="missing" id="no-times">The trace has no times '
                '(tracecap without --time): no timeline can be drawn.</p>')
    end = max([run.last_ms] + [s["ms"] or 0 for s in run.shots] + [1000])
    if run.ended.startswith("timeout"):
        end = max(end, int(run.ended.split()[1]) * 1000)
    scale = (WIDTH - LABEL - 40) / end

    def x(ms):
        return LABEL + (ms if ms is not None else end) * scale

    lanes = []  # (label, [svg elements])
    for program in run.programs:
        start = program["start"] or 0
        if program["code"] is not None:
            state, label = ("failed" if program["code"] != 0 else ""), f"exit code {meaning(program['code'])}"
        elif program["error"] is not None:
            state, label = "failed", f"not started, error {program['error']}"
        elif program.get("left"):
            state, label = "running", "left running, as setup.exe does"
        else:
            state, label = "running", "still running when the trace ends"
        stop = program["end"] if program["end"] is not None and not program.get("left") else end
        bar = (f'<rect class="bar program {state}" data-start="{start}" data-end="{stop}" '
               f'data-role="{esc(program["role"])}" data-code="{esc(program["code"] if program["code"] is not None else "")}" '
               f'x="{x(start):.1f}" width="{max((stop - start) * scale, 2):.1f}" height="{LANE - 10}">'
               f'<title>{esc(program["command"])}</title></rect>')
        lanes.append((program["role"], label, [bar]))
    for copy in run.copies:
        start, stop = copy["start"] or 0, copy["end"] if copy["end"] is not None else end
        state = "" if copy["result"] == "1" else "failed"
        lanes.append((f'{copy["what"]} package', "copy failed" if state else "copied",
                      [f'<rect class="bar copy {state}" data-start="{start}" data-end="{stop}" x="{x(start):.1f}" '
                       f'width="{max((stop - start) * scale, 2):.1f}" height="{LANE - 10}"><title>{esc(copy["dest"])}</title></rect>']))
    if run.window:
        lanes.append(("progress window", "visible", [
            f'<rect class="bar window" data-start="{a}" data-end="{b if b is not None else end}" x="{x(a):.1f}" '
            f'width="{max(((b if b is not None else end) - a) * scale, 2):.1f}" height="{LANE - 10}"/>'
            for a, b in run.window]))
    cd = []
    delays = [d for d in run.delays if d is not None]
    # Each delay request holds the CD for 15 s; the last one of a run that kept it, a day.
    for held_from, held_to in held_spans(delays, run, end):
        cd.append(f'<rect class="bar held" data-start="{held_from}" data-end="{held_to}" x="{x(held_from):.1f}" '
                  f'width="{max((held_to - held_from) * scale, 2):.1f}" height="{LANE - 10}"/>')
    if run.eject is not None and run.eject >= 0:
        cd.append(f'<circle class="mark eject" cx="{x(run.eject):.1f}" cy="{(LANE - 10) / 2}" r="6"><title>ejected</title></circle>')
    kept = run.eject is None and run.last_text == "Delay Eject CD" and not run.ended.startswith("timeout")
    lanes.append(("CD-ROM", f"held: {len(delays)} delay requests of 15 s" +
                  (", then ejected" if run.eject is not None else ", then held back for a day" if kept else ""), cd))

    height = 30 + LANE * len(lanes)
    svg = [f'<svg class="timeline" id="timeline{number}" viewBox="0 0 {WIDTH} {height + 20}" '
           f'xmlns="http://www.w3.org/2000/svg" role="img" data-end="{end}" data-scale="{scale}">']
    step = axis_step(end)
    svg.append('<g class="axis">')
    for tick in range(0, end + 1, step):
        svg.append(f'<line class="grid" x1="{x(tick):.1f}" x2="{x(tick):.1f}" y1="20" y2="{height}"/>'
                   f'<text x="{x(tick):.1f}" y="14" text-anchor="middle">{tick / 1000:g} s</text>')
    svg.append("</g>")
    for row, (name, state, elements) in enumerate(lanes):
        top = 24 + row * LANE
        svg.append(f'<g class="lane" transform="translate(0,{top})"><text x="4" y="11">'
                   f'<tspan class="name">{esc(name)}</tspan><tspan class="state" x="4" dy="14">{esc(state)}</tspan>'
                   f'</text>{"".join(elements)}</g>')
    for shot in run.shots:
        if shot["ms"] is not None:
            svg.append(f'<line class="mark shot" data-ms="{shot["ms"]}" x1="{x(shot["ms"]):.1f}" x2="{x(shot["ms"]):.1f}" '
                       f'y1="20" y2="{height}"><title>{esc(os.path.basename(shot["file"]))}</title></line>')
    svg.append("</svg>")
    return "<h3>Timeline</h3>" + "".join(svg)


def held_spans(delays, run, end):
    spans = []
    for ms in delays:
        until = ms + 15000
        if spans and ms <= spans[-1][1]:
            spans[-1][1] = max(spans[-1][1], until)
        else:
            spans.append([ms, until])
    stop = run.eject if run.eject is not None and run.eject >= 0 else end
    return [(a, min(b, stop)) for a, b in spans if a <= stop]


def axis_step(end):
    for step in (500, 1000, 2000, 5000, 10000, 30000, 60000, 300000):
        if end / step <= 12:
            return step
    return 600000


def screenshots(run):
    if not run.shots:
        return '<h3>Screenshots</h3><p class="missing">No screenshot was taken.</p>'
    out = ["<h3>Screenshots</h3>"]
    for shot in run.shots:
        with open(shot["file"], "rb") as picture:
            data = base64.b64encode(picture.read()).decode("ascii")
        at = f' at {shot["ms"] / 1000:.1f} s' if shot["ms"] is not None else ""
        out.append(f'<figure><img class="shot" alt="{esc(shot["name"])}" src="data:image/png;base64,{data}">'
                   f'<figcaption>{esc(shot["name"])}{esc(at)}</figcaption></figure>')
    return "".join(out)


def findings(run):
    lines = run.check_before.get("findings", [])
    if not run.check_before:
        return ""
    items = "".join(f'<li class="{"problem" if line.startswith("PROBLEM") else "warning"}">{esc(line)}</li>'
                    for line in lines)
    return ("<h3>setupcheck before the run</h3>" +
            (f'<ul class="findings">{items}</ul>' if items else "<p>No problem, no warning.</p>"))


def pc_state(run, file_changes):
    if run.state is None:
        return ('<h3>The PC</h3><p class="missing">The registry and the files were not recorded: '
                "what the installers did cannot be told here.</p>")
    out = ["<h3>Registry</h3><table><tr><th>view</th><th>before</th><th>after</th></tr>"]
    for view in run.state["order"]:
        cells = []
        for when in ("before", "after"):
            values = run.state["views"].get(when, {}).get(view)
            cells.append("no key" if values is None else "<br>".join(
                f"{esc(k)} = {esc(v)}" for k, v in sorted(values.items())))
        out.append(f"<tr><td>{view}-bit</td><td>{cells[0]}</td><td>{cells[1]}</td></tr>")
    out.append("</table>")
    changes = file_changes(run)
    if changes is not None:
        out.append("<h3>Program Files</h3><table><tr><th>file</th><th>what the run did</th></tr>")
        for kind in ("new", "replaced", "removed"):
            out.extend(f"<tr><td>{esc(name)}</td><td>{kind}</td></tr>" for name in changes[kind])
        if not any(changes[kind] for kind in ("new", "replaced", "removed")):
            out.append('<tr><td colspan="2">nothing new, replaced or removed</td></tr>')
        out.append("</table>")
    return "".join(out)
