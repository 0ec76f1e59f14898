#!/usr/bin/env python3
"""Cost at rest: the real program under a private Xvfb with nothing running, its window shown and
then minimised (unmapped, as a window manager does when it minimises a window). Reports the CPU
of all our processes (the program and its WebKit processes) over a window in per cent of one core,
and their memory. Run by hand:

    python3 bench/idle_cost.py [--app build/release/VelotapApp] [--seconds 20] [--runs 3]
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from velotap_e2e import Session, TITLE, wait_for  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def family(root):
    """The program's process and every process below it (WebKit's web and network processes)."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    parents[int(entry)] = int(f.read().rsplit(")", 1)[1].split()[1])
            except OSError:
                pass
    found, todo = [root], [root]
    while todo:
        pid = todo.pop()
        kids = [p for p, parent in parents.items() if parent == pid]
        found += kids
        todo += kids
    return found


def cpu_ticks(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])  # utime + stime
    except OSError:
        return 0


def memory_kb(pid):
    """(RSS, PSS) in kB; PSS shares the common libraries out between the processes."""
    values = {}
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                key, _, rest = line.partition(":")
                if key in ("Rss", "Pss"):
                    values[key] = int(rest.split()[0])
    except OSError:
        pass
    return values.get("Rss", 0), values.get("Pss", 0)


def name(pid):
    try:
        with open(f"/proc/{pid}/comm") as f:
            return f.read().strip()
    except OSError:
        return "?"


def measure(pids, seconds, status_file):
    before = {p: cpu_ticks(p) for p in pids}
    polled_before = os.stat(status_file).st_mtime_ns
    start = time.monotonic()
    time.sleep(seconds)  # the measurement window itself
    elapsed = time.monotonic() - start
    used = {p: (cpu_ticks(p) - before[p]) / TICK / elapsed * 100 for p in pids}
    polled = os.stat(status_file).st_mtime_ns != polled_before
    return used, polled


def run(app, seconds, settle):
    s = Session()
    try:
        proc = s.start_app_at(app)
        status_file = s.data_file("status.txt")
        # The page's first status poll writes the status file: the page is up.
        wait_for(lambda: os.path.exists(status_file), timeout=60, what="the page's first poll")
        window = s.x("xdotool", "search", "--name", "^" + TITLE.replace("(", "\\(")
                     .replace(")", "\\)") + "$").stdout.split()[0]
        time.sleep(settle)  # start-up work ends
        pids = family(proc.pid)
        shown, shown_polled = measure(pids, seconds, status_file)
        s.x("xdotool", "windowunmap", "--sync", window)
        time.sleep(settle)
        hidden, hidden_polled = measure(pids, seconds, status_file)
        memory = {p: memory_kb(p) for p in pids}
        return pids, shown, hidden, memory, shown_polled, hidden_polled
    finally:
        s.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--app", default=os.path.join("build", "release", "VelotapApp"))
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--settle", type=float, default=5)
    args = parser.parse_args()
    print(f"load before: {os.getloadavg()[0]:.2f}")
    totals = {"shown": [], "minimised": []}
    for i in range(args.runs):
        pids, shown, hidden, memory, shown_polled, hidden_polled = run(
            os.path.abspath(args.app), args.seconds, args.settle)
        print(f"run {i + 1}: page polled while shown: {shown_polled}, "
              f"while minimised: {hidden_polled}")
        for p in pids:
            rss, pss = memory[p]
            print(f"  {name(p):<22} shown {shown[p]:6.3f} %  minimised {hidden[p]:6.3f} %  "
                  f"RSS {rss / 1024:6.1f} MB  PSS {pss / 1024:6.1f} MB")
        totals["shown"].append(sum(shown.values()))
        totals["minimised"].append(sum(hidden.values()))
        total_rss = sum(m[0] for m in memory.values()) / 1024
        total_pss = sum(m[1] for m in memory.values()) / 1024
        print(f"  all: shown {totals['shown'][-1]:.3f} %, minimised {totals['minimised'][-1]:.3f} %"
              f" of one core; RSS {total_rss:.0f} MB, PSS {total_pss:.0f} MB")
    print(f"median of {args.runs} runs of {args.seconds:g} s: shown "
          f"{statistics.median(totals['shown']):.3f} %, minimised "
          f"{statistics.median(totals['minimised']):.3f} % of one core")
    print(f"load after: {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()
