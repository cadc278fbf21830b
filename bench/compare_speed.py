#!/usr/bin/env python3
"""Compare the speed of two taverlune binaries on the same dialogues.

Usage: python3 bench/compare_speed.py OLD_BINARY NEW_BINARY [--runs K] [--only TEXT]

How the figures are taken
-------------------------
* Each row is one dialogue: the answers are written (one line, words
  separated by spaces, then a newline) into the stdin pipe of a fresh
  process, stdout and stderr go to /dev/null.  A run is the whole process,
  from start-up to exit (exit status 1 at the end of the dialogue is normal).
* Wall time is time.perf_counter() taken just before Popen and just after
  the child has been reaped.  CPU time is user+sys of that child alone, as
  returned by os.wait4() for its pid.
* For every row, OLD and NEW are run alternately (old, new, old, new, ...),
  K times each (default K=7; K=3 for rows marked long, unless --runs is
  given), so that slow drifts of the machine's load hit both binaries alike.
  The figures printed are the medians of the K runs, and the ratios are
  new median / old median (below 1 means NEW is faster).
* Before the timed runs, each binary is run once more with stdout streamed
  through sha256; the row says "same bytes" when both digests (and exit
  statuses) agree, "DIFFERENT" otherwise.  That untimed run also serves as
  a warm-up (page cache, binary loaded).
* The machine is shared with other work: absolute times move from one
  invocation to the next, so the ratios measured within one invocation
  (old and new interleaved under the same load) matter more than the
  absolute seconds.  CPU ratios are usually steadier than wall ratios.

Standard library only.
"""

import argparse
import hashlib
import os
import statistics
import subprocess
import sys
import time

# (answers, long?)
ROWS = [
    ("720 0 0 0", False),
    ("720 1 0 0", False),            # prints about 62 MB
    ("5040 1 1 215 0", False),
    ("55440 0 0 0", False),
    ("332640 0 0 0", False),
    ("720720 0 0 0", True),
    ("1081080 0 0 0", True),
    ("8976124847866176000 0 1 30000 0", True),   # about 7-15 s each
    ("8976124847866176000 0 1 70000 0", True),
]

DEFAULT_RUNS = 7
LONG_RUNS = 3
CHUNK = 1 << 20


def _feed(proc, data):
    """Write the answers and close stdin; the child may exit before reading."""
    try:
        proc.stdin.write(data)
    except BrokenPipeError:
        pass
    try:
        proc.stdin.close()
    except BrokenPipeError:
        pass


def _reap(proc):
    """Wait for the child with os.wait4; return (exit code, user+sys seconds)."""
    while True:
        try:
            _, status, ru = os.wait4(proc.pid, 0)
            break
        except InterruptedError:
            continue
    rc = os.waitstatus_to_exitcode(status)
    proc.returncode = rc          # so that Popen does not try to reap it again
    return rc, ru.ru_utime + ru.ru_stime


def timed_run(binary, data):
    """One whole process, stdout to /dev/null; returns (wall, cpu, rc)."""
    t0 = time.perf_counter()
    proc = subprocess.Popen([binary], stdin=subprocess.PIPE,
                            stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    _feed(proc, data)
    rc, cpu = _reap(proc)
    t1 = time.perf_counter()
    return t1 - t0, cpu, rc


def hashed_run(binary, data):
    """One untimed process whose stdout is streamed through sha256."""
    proc = subprocess.Popen([binary], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    # The answers are a few bytes: they fit in the pipe buffer, so writing
    # them before reading stdout cannot deadlock.
    _feed(proc, data)
    h = hashlib.sha256()
    nbytes = 0
    while True:
        block = proc.stdout.read(CHUNK)
        if not block:
            break
        h.update(block)
        nbytes += len(block)
    proc.stdout.close()
    rc, _ = _reap(proc)
    return h.hexdigest(), nbytes, rc


def fmt_s(x):
    return "%.4f" % x if x < 10 else "%.3f" % x


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("old")
    ap.add_argument("new")
    ap.add_argument("--runs", type=int, default=None,
                    help="runs per binary and row (default %d, %d for long rows)"
                    % (DEFAULT_RUNS, LONG_RUNS))
    ap.add_argument("--only", default=None,
                    help="keep only the rows whose answers contain TEXT")
    args = ap.parse_args(argv)

    for b in (args.old, args.new):
        if not (os.path.isfile(b) and os.access(b, os.X_OK)):
            ap.error("not an executable file: %s" % b)
    if args.runs is not None and args.runs < 1:
        ap.error("--runs must be at least 1")

    rows = [(a, l) for a, l in ROWS if args.only is None or args.only in a]
    if not rows:
        ap.error("no row matches --only %r" % args.only)

    print("OLD = %s" % args.old)
    print("NEW = %s" % args.new)
    print("runs per binary: %s; medians; ratio = new/old"
          % (args.runs if args.runs is not None
             else "%d (%d for long rows)" % (DEFAULT_RUNS, LONG_RUNS)))
    header = ("%-40s %3s %10s %10s %7s %10s %10s %7s  %s"
              % ("row (answers)", "K", "old wall", "new wall", "ratio",
                 "old cpu", "new cpu", "ratio", "output"))
    print(header)
    print("-" * len(header))
    sys.stdout.flush()

    all_same = True
    for answers, is_long in rows:
        data = (answers + "\n").encode()
        k = args.runs if args.runs is not None else (LONG_RUNS if is_long else DEFAULT_RUNS)

        d_old, n_old, rc_old = hashed_run(args.old, data)
        d_new, n_new, rc_new = hashed_run(args.new, data)
        same = d_old == d_new and rc_old == rc_new
        all_same &= same
        verdict = "same bytes" if same else "DIFFERENT"
        if not same:
            verdict += " (old %d B rc %d, new %d B rc %d)" % (n_old, rc_old, n_new, rc_new)

        walls = {"old": [], "new": []}
        cpus = {"old": [], "new": []}
        rcs = set()
        for _ in range(k):
            for tag, binary in (("old", args.old), ("new", args.new)):
                w, c, rc = timed_run(binary, data)
                walls[tag].append(w)
                cpus[tag].append(c)
                rcs.add(rc)
        if rcs - {0, 1}:
            verdict += " [exit status %s]" % sorted(rcs)

        ow, nw = statistics.median(walls["old"]), statistics.median(walls["new"])
        oc, nc = statistics.median(cpus["old"]), statistics.median(cpus["new"])
        wr = "%.3f" % (nw / ow) if ow > 0 else "n/a"
        cr = "%.3f" % (nc / oc) if oc > 0 else "n/a"
        label = answers + (" (long)" if is_long else "")
        print("%-40s %3d %10s %10s %7s %10s %10s %7s  %s"
              % (label, k, fmt_s(ow), fmt_s(nw), wr, fmt_s(oc), fmt_s(nc), cr, verdict))
        sys.stdout.flush()

    print("times in seconds (wall: perf_counter around Popen..wait4; "
          "cpu: user+sys of the child)")
    return 0 if all_same else 1


if __name__ == "__main__":
    sys.exit(main())
