#!/usr/bin/env python3
"""Timings of the command line's counts and tables, with PARI/GP beside them.

Each row is the whole process (wall time around Popen .. wait, CPU time of the
child from os.wait4), standard output to a file whose sha256 is kept so that
runs can be compared; peak memory from one run under /usr/bin/time -v where
it is installed. Figures are medians of --runs runs (one run for the long
rows). The machine is shared: ratios measured in the same run mean more than
absolute times.

Rows:
- --table 1 100000 and --table 1 1000000 (and 1 10000000 with --long), on
  every core, their largest a(n) and their records;
- the 400 numbers from 99000 and from 999000, ours against PARI/GP's bare
  count (bench/count.gp, where gp is installed) over the same numbers, the
  counts compared;
- one count, `taverlune 720720`, against the dialogue's count of the same N
  (`720720 0 0 0` through a pipe), alternating.

Usage: table_bench.py [BUILD_DIR] [--runs N] [--long] [--no-pari]
Standard library only.
"""

import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def run(argv, stdin_text=None):
    """Wall and CPU seconds, and the sha256 and text of standard output."""
    with tempfile.TemporaryFile() as out:
        start = time.perf_counter()
        p = subprocess.Popen(argv, stdin=subprocess.PIPE if stdin_text is not None else subprocess.DEVNULL,
                             stdout=out, stderr=subprocess.DEVNULL)
        if stdin_text is not None:
            p.stdin.write(stdin_text.encode())
            p.stdin.close()
        _, status, usage = os.wait4(p.pid, 0)
        wall = time.perf_counter() - start
        p.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        data = out.read()
    return wall, usage.ru_utime + usage.ru_stime, hashlib.sha256(data).hexdigest()[:16], data.decode()


def peak_rss_mb(argv):
    if not shutil.which("time") and not os.path.exists("/usr/bin/time"):
        return None
    r = subprocess.run(["/usr/bin/time", "-v"] + argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    for line in r.stderr.splitlines():
        if "Maximum resident set size" in line:
            return int(line.split()[-1]) / 1024
    return None


def pari_window(first, count, timeout=3600):
    """Seconds PARI/GP takes to count a(n) for `count` numbers from `first`, and its counts."""
    gp = shutil.which("gp")
    if gp is None:
        return None, None
    script = (f'read("{os.path.join(HERE, "count.gp")}");\n'
              f'for(n={first},{first + count - 1},print(n," ",compte(n,n)));\nquit\n')
    start = time.perf_counter()
    r = subprocess.run([gp, "-q", "-s", "512M", "-f"], input=script, capture_output=True, text=True, timeout=timeout)
    return time.perf_counter() - start, r.stdout


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("build_dir", nargs="?", default="./build")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--long", action="store_true", help="also the table up to 10^7 (about half an hour)")
    ap.add_argument("--no-pari", action="store_true")
    a = ap.parse_args()
    prog = os.path.join(a.build_dir, "taverlune")

    print("| command | wall (median) | CPU | peak RSS | largest a(n) at | records |")
    print("|---|---|---|---|---|---|")
    tables = [(1, 100000, a.runs), (1, 1000000, 1)] + ([(1, 10000000, 1)] if a.long else [])
    for first, last, runs in tables:
        argv = [prog, "--table", str(first), str(last)]
        results = [run(argv) for _ in range(runs)]
        text = results[0][3]
        best_n, best = 0, -1
        records = []
        for line in text.splitlines():
            n, v = line.split()
            v = int(v)
            if v > best:
                best_n, best = int(n), v
                if v > 0:
                    records.append(n)
        rss = peak_rss_mb(argv) if last <= 1000000 else None
        print(f"| `--table {first} {last}` | {statistics.median(r[0] for r in results):.2f} s "
              f"| {statistics.median(r[1] for r in results):.2f} s | {'%.0f MB' % rss if rss else '-'} "
              f"| {best_n} ({len(str(best))} digits) | {len(records)}, last {records[-1] if records else '-'} |")
        sys.stdout.flush()

    print()
    print("| window | taverlune (wall) | PARI/GP | ratio | same counts |")
    print("|---|---|---|---|---|")
    for first in (99000, 999000):
        argv = [prog, "--table", str(first), str(first + 399)]
        results = [run(argv) for _ in range(a.runs)]
        ours = statistics.median(r[0] for r in results)
        pari_s, pari_out = (None, None) if a.no_pari else pari_window(first, 400)
        same = "-" if pari_out is None else ("yes" if pari_out.split() == results[0][3].split() else "NO")
        print(f"| {first}..{first + 399} | {ours:.3f} s | {'%.1f s' % pari_s if pari_s else '-'} "
              f"| {'%.0f' % (pari_s / ours) if pari_s else '-'} | {same} |")
        sys.stdout.flush()

    print()
    cli, dia = [], []
    for _ in range(a.runs):
        cli.append(run([prog, "720720"]))
        dia.append(run([prog], "720720 0 0 0\n"))
    print(f"`taverlune 720720`: {statistics.median(r[0] for r in cli):.3f} s wall, "
          f"{statistics.median(r[1] for r in cli):.3f} s CPU; the dialogue's count: "
          f"{statistics.median(r[0] for r in dia):.3f} s wall, {statistics.median(r[1] for r in dia):.3f} s CPU "
          f"(medians of {a.runs}, alternating)")


if __name__ == "__main__":
    main()
