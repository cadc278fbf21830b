#!/usr/bin/env python3
"""Time and peak memory of whole distributions, without a limit and under
limits of address space, for one or two binaries.

Usage: python3 bench/memory_bench.py BINARY [OTHER_BINARY] [--numbers N ...]
           [--limits KB ...] [--timeout SECONDS] [--runs K]

Each run is `BINARY -d N` (the count by number of terms), started by
/bin/sh under `ulimit -v KB` (no limit for 0) through /usr/bin/time, which
gives the wall time and the peak resident memory ("%e %M"). The output is
compared with the first run of N without a limit, when there is one. A run still going after
--timeout seconds is stopped; the row then shows the program's own
estimate when it gave one on standard error ("will take long: about ...").
With two binaries, each row runs both, one after the other, so that their
ratio is measured under the same load; the figures are medians of --runs
runs (default 1: the long rows take minutes).

Standard library only.
"""

import argparse
import hashlib
import os
import re
import signal
import statistics
import subprocess
import sys
import time


def run(binary, n, limit, timeout):
    """(seconds, peak KiB, sha256 of stdout, note) of one run."""
    ulimit = f"ulimit -v {limit}; " if limit else ""
    command = f'{ulimit}exec /usr/bin/time -f "%e %M" "$0" -d {n}'
    start = time.perf_counter()
    # A session of its own: a run stopped is stopped whole, /usr/bin/time and
    # the program under it.
    process = subprocess.Popen(["/bin/sh", "-c", command, binary], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, start_new_session=True)
    try:
        out, err = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        out, err = process.communicate()
        text = err.decode(errors="replace")
        found = re.search(r"(about|more than) ([0-9.e+]+) (hours|years)", text)
        note = f"stopped at {timeout} s" + (f"; announced {found.group(0)}" if found else "")
        return None, None, None, note
    text = err.decode(errors="replace").strip().splitlines()
    seconds, peak = (float(x) for x in text[-1].split()) if text else (time.perf_counter() - start, 0)
    note = " / ".join(line for line in text[:-1] if line.startswith("taverlune"))
    if process.returncode != 0:
        note = f"status {process.returncode}" + (f": {note}" if note else "")
    return seconds, peak, hashlib.sha256(out).hexdigest(), note


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("binaries", nargs="+")
    parser.add_argument("--numbers", nargs="+", default=["720720", "6486480", "9699690", "7207200", "21621600"])
    parser.add_argument("--limits", nargs="+", type=int, default=[0, 600000, 300000])
    parser.add_argument("--timeout", type=float, default=900)
    parser.add_argument("--runs", type=int, default=1)
    args = parser.parse_args()

    print("| N | limit (KiB) | " + " | ".join(f"{b}: s, peak MB" for b in args.binaries) +
          (" | ratio" if len(args.binaries) == 2 else "") + " |")
    print("|---|---|" + "---|" * len(args.binaries) + ("---|" if len(args.binaries) == 2 else ""))
    for n in args.numbers:
        reference = None
        for limit in args.limits:
            cells, medians = [], []
            for binary in args.binaries:
                runs = [run(binary, n, limit, args.timeout) for _ in range(args.runs)]
                done = [r for r in runs if r[0] is not None]
                if not done:
                    cells.append(runs[0][3])
                    medians.append(None)
                    continue
                seconds = statistics.median(r[0] for r in done)
                peak = statistics.median(r[1] for r in done) / 1024
                digest = done[0][2]
                if reference is None and limit == 0:
                    reference = digest
                same = "" if reference is None or digest == reference else " DIFFERENT OUTPUT"
                note = f" ({done[0][3]})" if done[0][3] else ""
                cells.append(f"{seconds:.1f} s, {peak:.0f} MB{same}{note}")
                medians.append(seconds)
            ratio = ""
            if len(args.binaries) == 2:
                ratio = f" | {medians[1] / medians[0]:.2f}" if None not in medians else " | -"
            print(f"| {n} | {limit or 'none'} | " + " | ".join(cells) + ratio + " |", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
