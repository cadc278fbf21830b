#!/usr/bin/env python3
"""The Python module against the engine it calls and against the program.

- taverlune.count(N), --calls times in a row (N = 720 by default), against the
  engine's own time per call from C++ (count_calls.cpp, built through
  pkg-config against the same installed tree): the cost of the binding
  (target: at most twice the engine's time);
- list(taverlune.table(1, B)) against `taverlune --table 1 B > /dev/null`
  (B = 10**6 by default; target: within 10 %), alternating.

BUILD_DIR is installed into a temporary prefix and both sides are run from
there. Figures are medians of --runs runs, the tables' in wall and in CPU
time (the children's, from getrusage); the machine is shared, so the ratios,
measured side by side, mean more than the times, and CPU time more than
wall time when other work runs.

Usage: python_bench.py [BUILD_DIR] [--runs R] [--calls C] [--n N] [--table-end B] [--table-runs R]
"""

import argparse
import glob
import os
import resource
import shlex
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = "/usr/bin/python3"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build", nargs="?", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--calls", type=int, default=10 ** 5)
    ap.add_argument("--n", type=int, default=720)
    ap.add_argument("--table-end", type=int, default=10 ** 6)
    ap.add_argument("--table-runs", type=int, default=3)
    a = ap.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["cmake", "--install", a.build, "--prefix", tmp], check=True, stdout=subprocess.DEVNULL)
        env = dict(os.environ, PKG_CONFIG_PATH=os.path.join(tmp, "lib", "pkgconfig"),
                   PYTHONPATH=glob.glob(os.path.join(tmp, "lib", "python3*", "dist-packages"))[0],
                   LD_LIBRARY_PATH=os.path.join(tmp, "lib"))
        flags = subprocess.run(["pkg-config", "--cflags", "--libs", "taverlune"], env=env, check=True,
                               capture_output=True, text=True).stdout
        calls = os.path.join(tmp, "count_calls")
        subprocess.run(["g++", "-std=c++20", "-O2", os.path.join(HERE, "count_calls.cpp"), *shlex.split(flags),
                        "-o", calls], check=True)
        python_call = (f"import taverlune, time; n = {a.n}; t = time.perf_counter()\n"
                       f"for _ in range({a.calls}): taverlune.count(n)\n"
                       f"print((time.perf_counter() - t) / {a.calls})")
        engine, binding = [], []
        for _ in range(a.runs):
            engine.append(float(subprocess.run([calls, str(a.n), str(a.calls)], env=env, check=True,
                                               capture_output=True, text=True).stdout.split()[0]))
            binding.append(float(subprocess.run([PYTHON, "-c", python_call], env=env, check=True,
                                                capture_output=True, text=True).stdout))
        e, b = statistics.median(engine), statistics.median(binding)
        print(f"count({a.n}) x {a.calls}: engine {e * 1e6:.1f} us a call, taverlune.count {b * 1e6:.1f} us "
              f"a call: {b / e:.2f} x (medians of {a.runs})", flush=True)

        def timed(argv):
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            subprocess.run(argv, env=env, check=True, stdout=subprocess.DEVNULL)
            wall = time.perf_counter() - start
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            return wall, after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime

        program, module = [], []
        python_table = f"import taverlune; rows = list(taverlune.table(1, {a.table_end})); print(len(rows))"
        for _ in range(a.table_runs):
            program.append(timed([os.path.join(tmp, "bin", "taverlune"), "--table", "1", str(a.table_end)]))
            module.append(timed([PYTHON, "-c", python_table]))
        for k, what in enumerate(("wall", "CPU")):
            p, m = statistics.median(t[k] for t in program), statistics.median(t[k] for t in module)
            print(f"table 1 {a.table_end} ({what}): taverlune --table {p:.2f} s, list(taverlune.table) {m:.2f} s: "
                  f"{m / p:.3f} x (medians of {a.table_runs})", flush=True)


if __name__ == "__main__":
    sys.exit(main())
