#!/usr/bin/env python3
"""The timeline editor with a macro of 1,000,000 events, in the real program under a private Xvfb,
measured in the editor's page with performance.now() through WebDriver:

- open: from openTimelineEditor in the main page to the editor's first load (wall clock, process
  start included);
- load to first paint: from the page's load request to the end of the first frame drawn with the
  loaded macro, and its parts: until the page has the document's text (the main process's export
  and the file, then the hand-over through the bridge from the poll that found the file),
  reading it into the model, and from there to the end of the first frame (the lanes' layout
  and the drawing);
- draw: one frame's drawing while zooming in and out over the whole macro and while panning at
  three zoom levels;
- frame interval: the time between animation frames while panning one step per frame.

Run by hand:

    python3 bench/timeline_editor.py [--app build/release/VelotapApp] [--events 1000000] [--loads 3]
"""
import argparse
import os
import random
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

SETTINGS = ("SETTINGS:0,0,0,9,0,0,1,10,0,0,0,1,1,1,1,0,1.5,0,500,119,65,0,117,0,0,0,5,1,10,120,66,"
            "66|67,1,0,0,121\r\n")


def macro_lines(count):
    """A recording-like mix 10 ms apart: mostly moves, with clicks, wheel turns and key strokes."""
    rng = random.Random(17)
    lines, t, x, y = [], 0.0, 500, 400
    while len(lines) < count:
        t += 0.01
        r = rng.random()
        if r < 0.80:
            x, y = x + rng.randint(-6, 6), y + rng.randint(-6, 6)
            lines.append(f"0,{t:.3f},{x},{y},0,0,0,0")
        elif r < 0.86:
            lines.append(f"2,{t:.3f},{x},{y},0,0,0,2")
            lines.append(f"2,{t + 0.004:.3f},{x},{y},0,0,0,4")
        elif r < 0.90:
            lines.append(f"4,{t:.3f},0,0,{rng.choice((-120, 120))},0,0,0")
        else:
            vk = rng.randint(65, 90)
            lines.append(f"3,{t:.3f},0,0,0,{vk},1,0")
            lines.append(f"3,{t + 0.006:.3f},0,0,0,{vk},0,0")
    return lines[:count]


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1))))]


def line(name, values, unit="ms"):
    print(f"{name:34} median {statistics.median(values):8.2f} {unit}   "
          f"p99 {percentile(values, 99):8.2f}   max {max(values):8.2f}   (n={len(values)})")


# Each frame's drawing, done at once after each step; the page's own queued frame is held back.
DRAW_STEPS = """
const v = tlApp.view, steps = arguments[0], kind = arguments[1], out = [];
v.frameQueued = true;
for (let i = 0; i < steps; i++) {
  if (kind === 'zoom') v.zoomAt(TL_LABEL_W + v.lanesW / 2, i < steps / 2 ? 1.25 : 0.8);
  else v.panBy(v.lanesW / 8);
  v.draw();
  out.push(v.lastFrameMs);
}
v.frameQueued = false;
return out;
"""

# One pan step per animation frame; the stamps are taken as each frame starts.
FRAME_STEPS = """
const v = tlApp.view, steps = arguments[0];
window.benchStamps = [];
v.frameQueued = true;
const step = () => {
  benchStamps.push(performance.now());
  if (benchStamps.length > steps) { v.frameQueued = false; benchStamps.done = true; return; }
  v.panBy(v.lanesW / 16);
  v.draw();
  requestAnimationFrame(step);
};
requestAnimationFrame(step);
"""

# A fresh load through the page's own path; the first frame after it ends the measurement.
LOAD = """
const v = tlApp.view, draw = v.draw;
window.benchLoad = {start: performance.now()};
v.draw = function () {
  draw.call(this);
  if (benchLoad.loaded && !benchLoad.painted) benchLoad.painted = performance.now();
};
tlLoad().then(ok => { benchLoad.ok = ok; benchLoad.loaded = performance.now(); v.redraw(); });
"""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", default="build/release/VelotapApp")
    parser.add_argument("--events", type=int, default=1_000_000)
    parser.add_argument("--loads", type=int, default=3)
    args = parser.parse_args()
    os.environ["VELOTAP_APP"] = os.path.abspath(args.app)
    from velotap_e2e import Session, free_port, wait_for  # noqa: E402
    from test_timeline import Editor  # noqa: E402

    s = Session()
    editor = None
    try:
        os.makedirs(os.path.dirname(s.data_file("session.dat")))
        with open(s.data_file("session.dat"), "w", newline="") as f:
            f.write(SETTINGS + "CURRENT:1\r\nPROFILE:Default Tracking Profile\r\nPROFILE:Big\r\n")
            f.write("\r\n".join(macro_lines(args.events)) + "\r\n")
        port = free_port()
        s.env["VELOTAP_EDITOR_INSPECTOR_SERVER"] = f"127.0.0.1:{port}"
        s.start_driven_app()

        started = time.monotonic()
        s.call("openTimelineEditor")
        editor = Editor(s, port, load_timeout=300)
        opened = (time.monotonic() - started) * 1000
        count = editor.script("return tlApp.model.count")
        if count != args.events:
            raise SystemExit(f"the editor loaded {count} events, not {args.events}")

        loads = []
        phases = {"text received": [], "of which handing over": [], "read into the model": [],
                  "layout and first frame": []}
        for _ in range(args.loads):
            editor.script(LOAD)
            r = wait_for(lambda: editor.script("return benchLoad.painted ? benchLoad : null"),
                         timeout=120, step=0.05, what="the load's first paint")
            if not r.get("ok"):
                raise SystemExit("a load failed after %.0f ms: %s" % (
                    r["loaded"] - r["start"],
                    editor.script("return document.getElementById('status-text').textContent")))
            loads.append(r["painted"] - r["start"])
            stamps = editor.script("return tlApp.loadStamps || null")
            if stamps:
                phases["text received"].append(stamps["received"] - stamps["requested"])
                phases["of which handing over"].append(stamps["received"] - stamps["asked"])
                phases["read into the model"].append(stamps["read"] - stamps["received"])
                phases["layout and first frame"].append(r["painted"] - stamps["read"])

        editor.script("tlApp.view.fit()")
        zoom = editor.script(DRAW_STEPS, 40, "zoom")
        pans = {}
        for span in (None, 600.0, 10.0):  # the whole macro, ten minutes, ten seconds
            if span:
                editor.script("const v = tlApp.view; v.pps = v.lanesW / arguments[0];"
                              "v.t0 = tlApp.model.duration / 3; v.clamp();", span)
            else:
                editor.script("tlApp.view.fit()")
            pans[span] = editor.script(DRAW_STEPS, 60, "pan")
        editor.script("const v = tlApp.view; v.pps = v.lanesW / 600; v.t0 = 10; v.clamp();")
        editor.script(FRAME_STEPS, 120)
        stamps = wait_for(lambda: editor.script(
            "return window.benchStamps && benchStamps.done ? benchStamps : null"),
            timeout=120, what="the animation frames")
        intervals = [b - a for a, b in zip(stamps, stamps[1:])]
    finally:
        if editor:
            editor.close()
        s.close()

    print(f"{args.events} events")
    print(f"{'open (wall clock)':34} {opened:8.0f} ms")
    line("load to first paint", loads)
    for name, values in phases.items():
        if values:
            line(f"  {name}", values)
    line("draw while zooming (whole macro)", zoom)
    for span, name in ((None, "whole macro"), (600.0, "10 min in view"), (10.0, "10 s in view")):
        line(f"draw while panning ({name})", pans[span])
    line("frame interval while panning", intervals)


if __name__ == "__main__":
    main()
