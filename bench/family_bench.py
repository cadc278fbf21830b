#!/usr/bin/env python3
"""Timings of the divisor-sum family on the command line.

Each row is the whole process, one run (the long rows take minutes): wall
time around Popen .. wait, CPU time and peak memory of the child from
os.wait4, and what it printed (a count, or the number of lines). The machine
is shared: the load average is printed before and after.

Rows:
- the targets: the weird numbers up to 10^9, the practical numbers up to
  10^12 (built, not tested), the Zumkeller numbers up to 10^8, the table of
  f(n) (A083206) up to 10^6 with its records;
- with --powers, each property's count up to every power of ten (10^9 for
  all but Zumkeller, 10^8; the practical numbers to 10^13).

Usage: family_bench.py [BUILD_DIR] [--powers]
Standard library only.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time


def run(program, arguments):
    """Wall and CPU seconds, peak RSS in MB, and standard output."""
    with tempfile.TemporaryFile() as out:
        start = time.perf_counter()
        child = subprocess.Popen([program] + arguments, stdout=out)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        if status != 0:
            sys.exit(f"taverlune {' '.join(arguments)}: status {status}")
        out.seek(0)
        text = out.read().decode()
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024, text


def row(program, arguments):
    wall, cpu, mb, text = run(program, arguments)
    lines = text.splitlines()
    shown = lines[0] if len(lines) == 1 else f"{len(lines)} lines"
    print(f"| `taverlune {' '.join(arguments)}` | {shown} | {wall:.1f} s | {cpu:.1f} s | {mb:.0f} MB |", flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--powers", action="store_true")
    options = parser.parse_args()
    program = os.path.join(options.build, "taverlune")
    print("load average before:", os.getloadavg())
    print("| command | output | wall | CPU | peak RSS |\n|---|---|---|---|---|")
    for arguments in (["--list", "weird", "1", "1e9", "--count"], ["--list", "practical", "1", "1e12", "--count"],
                      ["--list", "zumkeller", "1", "1e8", "--count"],
                      ["--table", "1", "1e6", "--sequence", "A083206", "--records"]):
        row(program, arguments)
    if options.powers:
        for name, last in (("weird", 9), ("primitive-weird", 9), ("semiperfect", 9), ("primitive-semiperfect", 9),
                           ("zumkeller", 8), ("practical", 13)):
            for k in range(1, last + 1):
                row(program, ["--list", name, "1", f"1e{k}", "--count"])
    print("load average after:", os.getloadavg())


if __name__ == "__main__":
    main()
