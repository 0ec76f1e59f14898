#!/usr/bin/env python3
"""Themes folder change → page callback: the real program under a private Xvfb, driven over
WebDriver. Each change moves a new theme file into the themes folder in one step (as a file
manager's move or a hand-over's copy finishes); the time runs from just after the move to the
moment the page's onThemeFolderChanged starts (both on this machine's wall clock). Reports the
median and the maximum. Run by hand:

    python3 bench/theme_latency.py [--app build/release/VelotapApp] [--changes 20]
"""
import argparse
import json
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import velotap_e2e  # noqa: E402
from velotap_e2e import Session, wait_for  # noqa: E402

THEME = {"name": "Bench", "bgMain": "#102030", "bgPanel": "#203040", "bgHeader": "#304050",
         "accent": "#4060f0", "accentHover": "#5070ff", "text": "#f0f0f0",
         "font": "'Segoe UI', Tahoma, Geneva, Verdana, sans-serif"}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", default="build/release/VelotapApp")
    parser.add_argument("--changes", type=int, default=20)
    args = parser.parse_args()
    velotap_e2e.APP = os.path.abspath(args.app)

    s = Session()
    try:
        s.start_driven_app()
        s.script("window.changedAt = [];"
                 "const page = window.onThemeFolderChanged;"
                 "window.onThemeFolderChanged = () => { changedAt.push(Date.now()); return page(); };")
        themes = s.data_file("themes")
        staging = os.path.join(s.root, "staging")
        os.makedirs(staging)
        latencies = []
        for n in range(args.changes):
            path = os.path.join(staging, f"Bench {n}.vtptheme")
            with open(path, "w") as f:
                json.dump(THEME, f)
            os.rename(path, os.path.join(themes, f"Bench {n}.vtptheme"))
            moved = time.time() * 1000
            at = wait_for(lambda: (s.script("return changedAt") + [None])[n], timeout=10,
                          step=0.05, what="onThemeFolderChanged")
            latencies.append(at - moved)
        print(f"folder change -> onThemeFolderChanged over {len(latencies)} changes: "
              f"median {statistics.median(latencies):.0f} ms, max {max(latencies):.0f} ms, "
              f"min {min(latencies):.0f} ms")
    finally:
        s.close()


if __name__ == "__main__":
    main()
