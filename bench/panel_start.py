#!/usr/bin/env python3
"""Pop-out panel start: from starting a panel process to its window on the screen (mapped), and to
its page turned into the one panel (the page has run its scripts and the panel's start script and
asks for the height it needs: the window leaves its first 450x400). The panel is started as the
main process starts it, under a private Xvfb. Run by hand:

    python3 bench/panel_start.py [--app build/release/VelotapApp] [--runs 10]
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from velotap_e2e import Session, wait_for  # noqa: E402

TITLE = "Velotap - Click spammer"


def geometry(s):
    out = s.x("xwininfo", "-name", TITLE)
    if out.returncode != 0 or "IsViewable" not in out.stdout:
        return None
    return next(int(line.split(":")[1]) for line in out.stdout.splitlines()
                if line.strip().startswith("Height:"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", default="build/release/VelotapApp")
    parser.add_argument("--runs", type=int, default=10)
    args = parser.parse_args()
    s = Session()
    mapped, ready = [], []
    try:
        for _ in range(args.runs):
            start = time.monotonic()
            panel = subprocess.Popen([os.path.abspath(args.app), "--child",
                                      f"Click spammer|panel-spammer|400|300|velotap"],
                                     env=s.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
            wait_for(lambda: geometry(s) is not None, step=0.002, what="the panel's window")
            mapped.append((time.monotonic() - start) * 1000)
            wait_for(lambda: geometry(s) not in (None, 400), step=0.002, what="the panel's page")
            ready.append((time.monotonic() - start) * 1000)
            panel.kill()
            panel.wait()
            wait_for(lambda: geometry(s) is None, what="the panel to go")
    finally:
        s.close()
    for name, values in (("window mapped", mapped), ("page ready", ready)):
        print(f"{name:14} median {statistics.median(values):7.1f} ms   "
              f"min {min(values):7.1f}   max {max(values):7.1f}   (n={len(values)})")


if __name__ == "__main__":
    main()
