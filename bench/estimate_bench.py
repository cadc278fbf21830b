#!/usr/bin/env python3
"""The announced time of a count against the time it takes.

    cmake --build build -j2 --target taverlune estimate_driver
    python3 bench/estimate_bench.py build [--limit 600]

For each highly composite number from 720720 to 110270160, `taverlune N
--estimate` then `taverlune N` timed (the total: the table over the sums
alone); then one count of each of the engine's methods, forced with its
switches by build/estimate_driver (which times the engine's call alone).
A count announced past --limit seconds is not run, only its estimate shown.
Counts under 10 s are run three times (the median); longer ones once.
Prints a Markdown table: announced, taken, taken / announced.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

HCN = [720720, 1081080, 1441440, 2162160, 2882880, 3603600, 4324320, 6486480, 7207200, 8648640,
       10810800, 14414400, 17297280, 21621600, 32432400, 36756720, 43243200, 61261200, 73513440,
       110270160]

# (label, N, S, measure, method): one count by each method.
METHODS = [
    ("table over all the elements", 360360, 360360, "distribution", "table"),
    ("table over the sums alone", 10810800, 10810800, "total", "sums"),
    ("at values of y, all the elements", 360360, 360360, "distribution", "points"),
    ("split by a prime power", 1081080, 1081080, "distribution", "split"),
    ("split at values of y", 2162160, 2162160, "distribution", "split-points"),
    ("carry-free groups (360360 p)", 566669343240, 566669343240, "distribution", "groups"),
    ("remembered remainders (3 2^60)", 3458764513820540928, 3458764513820540928, "distribution", "remainders"),
]


def timed(command):
    start = time.monotonic()
    out = subprocess.run(command, check=True, capture_output=True, text=True).stdout
    return time.monotonic() - start, out


def repeat(run, first):
    """The median of three when the first run took under 10 s."""
    if first >= 10:
        return first
    return statistics.median([first, run(), run()])


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build")
    parser.add_argument("--limit", type=float, default=600, help="seconds past which a count is not run")
    parser.add_argument("--only", choices=["hcn", "methods"], help="one half of the table")
    parser.add_argument("-d", "--distribution", action="store_true",
                        help="the numbers' distributions (the split at values of y) instead of their totals")
    args = parser.parse_args()
    program = os.path.join(args.build, "taverlune")
    driver = os.path.join(args.build, "estimate_driver")
    print("| count | method | announced (s) | taken (s) | taken / announced |")
    print("|---|---|---|---|---|")
    if args.only != "methods":
        extra = ["-d"] if args.distribution else []
        for n in HCN:
            command = [program, str(n)] + extra
            shown = " ".join(["taverlune", str(n)] + extra)
            announced = float(subprocess.run(command + ["--estimate"], check=True, capture_output=True,
                                             text=True).stdout)
            if announced > args.limit:
                print(f"| `{shown}` | auto | {announced:.4g} | not run | |", flush=True)
                continue
            first, _ = timed(command)
            taken = repeat(lambda: timed(command)[0], first)
            print(f"| `{shown}` | auto | {announced:.4g} | {taken:.4g} | {taken / announced:.2f} |", flush=True)
    if args.only != "hcn":
        for label, n, s, measure, method in METHODS:
            def run():
                out = subprocess.run([driver, str(n), str(s), measure, method], check=True, capture_output=True,
                                     text=True).stdout.split()
                return float(out[0]), float(out[1])
            announced, first = run()
            if announced > args.limit:
                print(f"| {n} S={s} {measure} | {label} | {announced:.4g} | not run | |", flush=True)
                continue
            taken = repeat(lambda: run()[1], first)
            print(f"| {n} {measure} | {label} | {announced:.4g} | {taken:.4g} | {taken / announced:.2f} |",
                  flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
